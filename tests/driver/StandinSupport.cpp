#include "StandinSupport.h"

#include <utility>

namespace standintest {

const SLevel kLevels[4] = {
    {"beginner", 0, 9, 9, 10},
    {"intermediate", 1, 16, 16, 40},
    {"expert", 2, 30, 16, 99},
    {"custom", 3, 20, 12, 30},
};

std::string BuildPath(const std::string& relative) {
    std::string path = std::string("Z:") + KORVANE_BUILD_DIR + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string GamePath(int layout) { return BuildPath(layout == 4 ? "bin/layout4/velkor.exe" : "bin/velkor.exe"); }

std::string TempDir() {
    char buffer[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, n);
}

bool CStandin::Start(int layout, const SLevel& level, uint32_t seed, const std::vector<std::string>& environment) {
    Stop();
    const std::pair<const char*, uint32_t> stored[] = {
        {"Level", level.Level}, {"Width", level.Width}, {"Height", level.Height}, {"Mines", level.Mines}, {"Marks", 1}};
    for (const auto& value : stored) wintest::RegSetDword("Software\\VelkorGame", value.first, value.second);
    static int serial = 0;
    std::string stem = TempDir() + "driver-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++serial);
    DumpPath = stem + ".layout";
    RecordPath = stem + ".record";
    DeleteFileA(DumpPath.c_str());
    DeleteFileA(RecordPath.c_str());
    std::vector<std::string> env{"VELKOR_SEED=" + std::to_string(seed), "VELKOR_BOARD_DUMP=" + DumpPath,
                                 "VELKOR_RECORD=" + RecordPath};
    env.insert(env.end(), environment.begin(), environment.end());
    if (!wintest::StartProcess("\"" + GamePath(layout) + "\"", &Child, env))
        return false;
    WaitForInputIdle(Child.Process, 5000);
    for (int i = 0; i < 500 && !GameWindow; ++i) {
        EnumThreadWindows(
            Child.MainThreadId,
            [](HWND hwnd, LPARAM slot) -> BOOL {
                char cls[64];
                if (GetClassNameA(hwnd, cls, sizeof cls) && std::string(cls) == "MineSweeper" && IsWindowVisible(hwnd)) {
                    *reinterpret_cast<HWND*>(slot) = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&GameWindow));
        if (!GameWindow) Sleep(10);
    }
    if (!GameWindow) return false;
    SetWindowPos(GameWindow, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(GameWindow);
    Settle(GameWindow);
    return true;
}

void CStandin::Stop() {
    if (Child.Process) wintest::KillProcess(&Child);
    GameWindow = nullptr;
}

bool CStandin::ReadLayout(uint32_t width, uint32_t height, std::vector<uint8_t>* mines) const {
    const std::vector<std::string> rows = wintest::ReadLines(DumpPath);
    if (rows.size() != height) return false;
    mines->assign(static_cast<size_t>(width) * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        if (rows[y].size() != width) return false;
        for (uint32_t x = 0; x < width; ++x) (*mines)[static_cast<size_t>(x) * height + y] = rows[y][x] == '*';
    }
    return true;
}

std::vector<std::string> CStandin::Records() const { return wintest::ReadLines(RecordPath); }

void Settle(HWND window) {
    // A message sent after the others returns once they are all handled;
    // then give the game a moment to paint.
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
    // The game's drawing reaches the screen only some time after it has
    // painted, and not always before its next message: wait twice.
    for (int i = 0; i < 2; ++i) {
        Sleep(100);
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
    }
}

}  // namespace standintest
