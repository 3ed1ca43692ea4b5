// Helpers for Windows test programs run under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

// A child process started by StartProcess; Stop kills it by its own handle.
struct SChild {
    HANDLE Process = nullptr;
    DWORD Pid = 0;
    DWORD MainThreadId = 0;
};

// Starts commandLine (environment additions as "NAME=value"); false on failure.
bool StartProcess(const std::string& commandLine, SChild* child,
                  const std::vector<std::string>& extraEnv = {}, const char* currentDir = nullptr);
// Waits up to timeoutMs for the child to end; kills it on expiry (false).
bool WaitProcess(SChild* child, DWORD timeoutMs, DWORD* exitCode = nullptr);
void KillProcess(SChild* child);
// Start, wait with a timeout, kill on expiry; true when it ended in time.
bool RunProcess(const std::string& commandLine, DWORD timeoutMs, DWORD* exitCode = nullptr,
                const std::vector<std::string>& extraEnv = {});

// Registers a window class of this program once (later calls find it
// there) and gives the instance to create its windows with.
HINSTANCE RegisterWindowClass(const char* className, WNDPROC proc, HBRUSH background = nullptr);
// Registers CLASSNAME with PROC and creates a top-level window whose client
// holds a game board of COLUMNS x ROWS squares of 16 pixels, with the game's
// frame around them (a window the driver can take for the game's).
HWND CreateBoardWindow(const char* className, WNDPROC proc, const char* title, int columns, int rows,
                       HMENU menu, DWORD style, int x, int y);
// Polls for a top-level window by class and title (either may be null).
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs);
// Polls until the window no longer exists.
bool WaitWindowGone(HWND hwnd, DWORD timeoutMs);

// Directory of the running program, with a trailing backslash.
std::string ProgramDir();
// The lines of a text file that are not empty, without their line ends.
std::vector<std::string> ReadLines(const std::string& path);

// 32-bit BGRX pixels, row-major from the top.
struct SImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;
    COLORREF At(int x, int y) const;  // RGB() order; 0xFFFFFFFF outside
};
// Copies a rectangle of the screen; false on failure.
bool CaptureScreen(const RECT& rect, SImage* image);
// Copies a window's client area as shown on the screen.
bool CaptureClient(HWND hwnd, SImage* image);
// Writes an image as a PNG (stored deflate: no compression library needed).
bool SavePng(const SImage& image, const std::string& path);

// Registry of the current user.
bool RegSetDword(const char* key, const char* name, DWORD value);
bool RegGetDword(const char* key, const char* name, DWORD* value);
bool RegSetRaw(const char* key, const char* name, DWORD type, const void* data, DWORD size);
bool RegDeleteTree(const char* key);

// The visible top-level windows, front first, one line each: for the
// message of a failed check.
std::string DescribeWindows();

// A message-only window of this thread with its own class (registered once
// per class name) and procedure, to receive what another thread or process sends.
HWND MessageWindow(const char* className, WNDPROC proc);

// Dispatches the messages queued for this thread now.
void Pump();
// Pumps this thread's messages for ms milliseconds (at least once).
void PumpFor(DWORD ms);
// Pumps this thread's messages until done() holds, asked after each round,
// so that this thread's windows and hooks are served while it waits; false
// when it still fails after timeoutMs.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 60000);

// Runs xdotool on the host display through Wine's "start /unix", pumping
// meanwhile (with system-wide hooks our own input is reported here). Its
// exit code does not come back: callers check the effect.
bool Xdotool(const std::string& args, DWORD timeoutMs = 20000);
// Moves the pointer and waits until the system reports it there.
void MovePointer(POINT p);
// A real left click at p, through the input queue.
void ClickAt(POINT p);

// With the environment variable dirVariable naming a directory, saves the
// window as a PNG there once it is in front and its picture has settled (two
// captures 300 ms apart alike, since another process paints it).
void SaveWindowShot(HWND window, const char* dirVariable, const char* name);

// The "open" command of a URL scheme in the prefix's machine classes (Wine's
// shell reads web schemes there only), put back as it was at the end.
class CSchemeHandler {
public:
    CSchemeHandler(const char* scheme, const std::string& command);
    ~CSchemeHandler();
    CSchemeHandler(const CSchemeHandler&) = delete;
    CSchemeHandler& operator=(const CSchemeHandler&) = delete;
    bool Set = false;

private:
    const std::string Key;
    std::string Old;
};

}  // namespace wintest
