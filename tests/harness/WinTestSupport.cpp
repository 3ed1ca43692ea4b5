#include "WinTestSupport.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace wintest {

bool StartProcess(const std::string& commandLine, SChild* child, const std::vector<std::string>& extraEnv,
                  const char* currentDir) {
    std::vector<char> env;
    if (!extraEnv.empty()) {
        char* block = GetEnvironmentStringsA();
        for (const char* p = block; *p; p += std::strlen(p) + 1) env.insert(env.end(), p, p + std::strlen(p) + 1);
        FreeEnvironmentStringsA(block);
        for (const std::string& e : extraEnv) env.insert(env.end(), e.c_str(), e.c_str() + e.size() + 1);
        env.push_back('\0');
    }
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, env.empty() ? nullptr : env.data(),
                        currentDir, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    child->Process = pi.hProcess;
    child->Pid = pi.dwProcessId;
    child->MainThreadId = pi.dwThreadId;
    return true;
}

bool WaitProcess(SChild* child, DWORD timeoutMs, DWORD* exitCode) {
    if (!child->Process) return false;
    bool ended = WaitForSingleObject(child->Process, timeoutMs) == WAIT_OBJECT_0;
    if (!ended) {
        KillProcess(child);
        return false;
    }
    if (exitCode) GetExitCodeProcess(child->Process, exitCode);
    CloseHandle(child->Process);
    child->Process = nullptr;
    return true;
}

void KillProcess(SChild* child) {
    if (!child->Process) return;
    TerminateProcess(child->Process, 255);
    WaitForSingleObject(child->Process, 5000);
    CloseHandle(child->Process);
    child->Process = nullptr;
}

bool RunProcess(const std::string& commandLine, DWORD timeoutMs, DWORD* exitCode,
                const std::vector<std::string>& extraEnv) {
    SChild child;
    if (!StartProcess(commandLine, &child, extraEnv)) return false;
    return WaitProcess(&child, timeoutMs, exitCode);
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    HWND h;
    while (!(h = FindWindowA(className, title)) && GetTickCount() - start < timeoutMs) Sleep(10);
    return h;
}

bool WaitWindowGone(HWND hwnd, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd) && GetTickCount() - start < timeoutMs) Sleep(10);
    return !IsWindow(hwnd);
}

std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

COLORREF SImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return 0xFFFFFFFF;
    uint32_t p = Pixels[static_cast<size_t>(y) * Width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool CaptureScreen(const RECT& rect, SImage* image) {
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib) {
        HGDIOBJ old = SelectObject(mem, dib);
        ok = BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY) != 0;
        GdiFlush();
        if (ok) {
            image->Width = w;
            image->Height = h;
            image->Pixels.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + size_t(w) * h);
        }
        SelectObject(mem, old);
        DeleteObject(dib);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool CaptureClient(HWND hwnd, SImage* image) {
    RECT r;
    if (!GetClientRect(hwnd, &r)) return false;
    POINT tl{0, 0};
    ClientToScreen(hwnd, &tl);
    RECT s{tl.x, tl.y, tl.x + r.right, tl.y + r.bottom};
    return CaptureScreen(s, image);
}

namespace {
uint32_t Crc32(const unsigned char* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
void Put32(std::vector<unsigned char>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<unsigned char>(x >> s));
}
void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> td(type, type + 4);
    td.insert(td.end(), data.begin(), data.end());
    out.insert(out.end(), td.begin(), td.end());
    Put32(out, Crc32(td.data(), td.size()));
}
}  // namespace

bool SavePng(const SImage& image, const std::string& path) {
    std::vector<unsigned char> raw;
    raw.reserve(size_t(image.Height) * (1 + 3 * size_t(image.Width)));
    for (int y = 0; y < image.Height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.Width; ++x) {
            uint32_t p = image.Pixels[size_t(y) * image.Width + x];
            raw.push_back((p >> 16) & 0xFF);
            raw.push_back((p >> 8) & 0xFF);
            raw.push_back(p & 0xFF);
        }
    }
    std::vector<unsigned char> z{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(n & 0xFF);
        z.push_back(n >> 8);
        z.push_back(~n & 0xFF);
        z.push_back((~n >> 8) & 0xFF);
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    std::vector<unsigned char> ihdr;
    Put32(ihdr, image.Width);
    Put32(ihdr, image.Height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    std::vector<unsigned char> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

bool RegSetRaw(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

bool RegSetDword(const char* key, const char* name, DWORD value) {
    return RegSetRaw(key, name, REG_DWORD, &value, sizeof value);
}

bool RegGetDword(const char* key, const char* name, DWORD* value) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = sizeof *value;
    bool ok = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
              type == REG_DWORD && size == sizeof *value;
    RegCloseKey(k);
    return ok;
}

bool RegDeleteTree(const char* key) {
    LSTATUS s = RegDeleteTreeA(HKEY_CURRENT_USER, key);
    if (s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
        return true;
    }
    return false;
}

HINSTANCE RegisterWindowClass(const char* className, WNDPROC proc, HBRUSH background) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    RegisterClassA(&wc);  // fails harmlessly when the class is there already
    return wc.hInstance;
}

HWND MessageWindow(const char* className, WNDPROC proc) {
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           RegisterWindowClass(className, proc), nullptr);
}

HWND CreateBoardWindow(const char* className, WNDPROC proc, const char* title, int columns, int rows, HMENU menu,
                       DWORD style, int x, int y) {
    RECT r{0, 0, columns * 16 + 20, rows * 16 + 63};
    AdjustWindowRect(&r, style, menu != nullptr);
    return CreateWindowExA(0, className, title, style, x, y, r.right - r.left, r.bottom - r.top, nullptr, menu,
                           RegisterWindowClass(className, proc), nullptr);
}

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        Pump();
        if (ms) Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool Xdotool(const std::string& args, DWORD timeoutMs) {
    SChild child;
    if (!StartProcess("start.exe /wait /unix /usr/bin/xdotool " + args, &child)) return false;
    const DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &child.Process, FALSE, 10, QS_ALLINPUT) != WAIT_OBJECT_0) {
        Pump();
        if (GetTickCount() - start > timeoutMs) return KillProcess(&child), false;
    }
    return WaitProcess(&child, 1000);
}

void MovePointer(POINT p) {
    SetCursorPos(p.x, p.y);
    WaitFor([&] {
        POINT now;
        return GetCursorPos(&now) && now.x == p.x && now.y == p.y;
    }, 5000);
}

void ClickAt(POINT p) {
    MovePointer(p);
    INPUT input[2] = {};
    for (INPUT& i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

void SaveWindowShot(HWND window, const char* dirVariable, const char* name) {
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(dirVariable, dir, sizeof dir);
    RECT r;
    if (n == 0 || n >= sizeof dir || !GetWindowRect(window, &r)) return;
    SetForegroundWindow(window);
    SImage image, previous;
    WaitFor([&] {
        previous = image;
        PumpFor(300);
        return CaptureScreen(r, &image) && image.Pixels == previous.Pixels;
    }, 5000);
    SavePng(image, std::string(dir) + "\\" + name);
}

CSchemeHandler::CSchemeHandler(const char* scheme, const std::string& command)
    : Key(std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command") {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return;
    char old[1024];
    DWORD size = sizeof old;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
        Old.assign(old, size);
    Set = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

CSchemeHandler::~CSchemeHandler() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key.c_str(), 0, KEY_SET_VALUE, &key)) return;
    if (Old.empty()) RegDeleteValueA(key, nullptr);
    else RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Old.data()), static_cast<DWORD>(Old.size()));
    RegCloseKey(key);
}

namespace {

BOOL CALLBACK DescribeWindow(HWND w, LPARAM out) {
    if (!IsWindowVisible(w)) return TRUE;
    char cls[64] = "", title[64] = "", line[256];
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    RECT r{};
    GetWindowRect(w, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    std::snprintf(line, sizeof line, "  %s \"%s\" (%ld,%ld)-(%ld,%ld)%s pid %lu\n", cls, title, r.left, r.top, r.right,
                  r.bottom, (GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) ? " top-most" : "", pid);
    *reinterpret_cast<std::string*>(out) += line;
    return TRUE;
}

}  // namespace

std::string DescribeWindows() {
    std::string text;
    EnumWindows(DescribeWindow, reinterpret_cast<LPARAM>(&text));
    return text;
}

}  // namespace wintest
