// Launching the game: the four places in their order, the window search,
// and games that show no proper window.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "StandinSupport.h"
#include "VelkorInterface.h"

using namespace standintest;

namespace {

DWORD GamePid(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::string ImagePath(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) return std::string();
    char path[MAX_PATH];
    DWORD n = MAX_PATH;
    std::string image = QueryFullProcessImageNameA(p, 0, path, &n) ? std::string(path, n) : std::string();
    CloseHandle(p);
    return image;
}

void EndGame(HWND window) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, GamePid(window));
    if (!p) return;
    TerminateProcess(p, 0);
    WaitForSingleObject(p, 5000);
    CloseHandle(p);
}

// Whether a process runs from this image file (a game of another test does not count).
bool Running(const std::string& image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(ImagePath(entry.th32ProcessID).c_str(), image.c_str()) == 0;
    CloseHandle(snapshot);
    return found;
}

// Copies of the game in the working, system and Windows directories and
// beside this program, removed again at the end.
class Launch : public testing::Test {
protected:
    void SetUp() override {
        char buffer[MAX_PATH];
        GetSystemDirectoryA(buffer, MAX_PATH);
        SystemDir = buffer;
        GetWindowsDirectoryA(buffer, MAX_PATH);
        WindowsDir = buffer;
        OwnDir = wintest::ProgramDir();
        OwnDir.pop_back();
        WorkDir = TempDir() + "driver-launch-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(WorkDir.c_str(), nullptr);
        EmptyDir = WorkDir + "\\empty";
        CreateDirectoryA(EmptyDir.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, buffer);
        OldDir = buffer;
    }
    void TearDown() override {
        SetCurrentDirectoryA(OldDir.c_str());
        for (const std::string& f : Placed) DeleteFileA(f.c_str());
        RemoveDirectoryA(EmptyDir.c_str());
        RemoveDirectoryA(WorkDir.c_str());
        SetEnvironmentVariableA("DRIVER_FAKE_GAME", nullptr);
    }
    void Place(const std::string& program, const std::string& dir) {
        std::string target = dir + "\\velkor.exe";
        ASSERT_TRUE(CopyFileA(program.c_str(), target.c_str(), FALSE)) << target;
        Placed.push_back(target);
    }
    std::string SystemDir, WindowsDir, OwnDir, WorkDir, EmptyDir, OldDir;
    std::vector<std::string> Placed;
};

TEST_F(Launch, SearchOrderCurrentSystemWindowsOwnFolder) {
    const std::string places[] = {WorkDir, SystemDir, WindowsDir, OwnDir};
    for (const std::string& dir : places) Place(GamePath(5), dir);
    SetCurrentDirectoryA(WorkDir.c_str());
    // Each place in its turn once the earlier ones fail: the working folder
    // left for an empty one, then the copies deleted one after the other.
    for (const std::string& dir : places) {
        HWND w = LaunchGame();
        ASSERT_TRUE(w) << dir;
        EXPECT_STRCASEEQ(ImagePath(GamePid(w)).c_str(), (dir + "\\velkor.exe").c_str());
        char title[64] = "";
        GetWindowTextA(w, title, sizeof title);
        EXPECT_STREQ(title, "MineSweeper");
        EndGame(w);
        if (dir == WorkDir) SetCurrentDirectoryA(EmptyDir.c_str());
        else DeleteFileA((dir + "\\velkor.exe").c_str());
    }
    DWORD start = GetTickCount();
    EXPECT_EQ(LaunchGame(), nullptr) << "no game anywhere";
    EXPECT_LT(GetTickCount() - start, 1000u) << "nothing started, nothing to wait for";
}

TEST_F(Launch, GamesWithoutAProperWindow) {
    Place(BuildPath("tests/driver/driver_fake_game.exe"), WorkDir);
    SetCurrentDirectoryA(WorkDir.c_str());
    const struct {
        const char* Mode;
        bool Found;
    } cases[] = {{"none", false}, {"case", false}, {"slow", true}};
    for (const auto& c : cases) {
        SetEnvironmentVariableA("DRIVER_FAKE_GAME", c.Mode);
        DWORD start = GetTickCount();
        HWND w = LaunchGame();
        EXPECT_EQ(w != nullptr, c.Found) << c.Mode;
        // A generous bound: about two seconds of search, never a hang.
        EXPECT_LT(GetTickCount() - start, 10000u) << c.Mode;
        if (w) EndGame(w);
        // A game that never showed its window has been ended.
        EXPECT_TRUE(wintest::WaitFor([&] { return !Running(WorkDir + "\\velkor.exe"); }, 5000))
            << c.Mode << " left running";
    }
}

// The window test itself, on windows of this process.
TEST(FindGameWindow, TitleAndClassMustBothMatchExactly) {
    const struct {
        const char* Class;
        const char* Title;
        bool Match;
    } cases[] = {
        {"MineSweeper", "MineSweeper", true},   {"MineSweeper", "Minesweeper", false},
        {"minesweeper", "MineSweeper", false},  {"MineSweeper", "", false},
        {"MineSweeper2", "MineSweeper", false}, {"OtherClass", "MineSweeper ", false},
    };
    for (const auto& c : cases) {
        HINSTANCE instance = wintest::RegisterWindowClass(c.Class, DefWindowProcA);
        HWND w = CreateWindowExA(0, c.Class, c.Title, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, instance, nullptr);
        ASSERT_TRUE(w);
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindGameWindowProc, reinterpret_cast<LPARAM>(&found));
        EXPECT_EQ(found == w, c.Match) << c.Class << " / " << c.Title;
        // A null slot is allowed.
        EnumThreadWindows(GetCurrentThreadId(), FindGameWindowProc, 0);
        DestroyWindow(w);
        UnregisterClassA(c.Class, instance);
    }
}

}  // namespace
