// Launching the game: the four places in their order, the window search,
// and games that show no proper window.
#include <gtest/gtest.h>

#include <string>

#include "StandinSupport.h"
#include "VelkorInterface.h"

using namespace standintest;

namespace {

std::string ProcessImage(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) return std::string();
    char path[MAX_PATH];
    DWORD n = MAX_PATH;
    std::string image = QueryFullProcessImageNameA(p, 0, path, &n) ? std::string(path, n) : std::string();
    CloseHandle(p);
    return image;
}

void EndGame(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p) return;
    TerminateProcess(p, 0);
    WaitForSingleObject(p, 5000);
    CloseHandle(p);
}

std::string Lower(std::string s) {
    CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
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
        const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        const std::string own(buffer, n);
        OwnDir = own.substr(0, own.find_last_of('\\'));
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
    Place(GamePath(5), WorkDir);
    Place(GamePath(5), SystemDir);
    Place(GamePath(5), WindowsDir);
    Place(GamePath(5), OwnDir);
    SetCurrentDirectoryA(WorkDir.c_str());
    HWND w = LaunchGame();
    ASSERT_TRUE(w);
    EXPECT_EQ(Lower(ProcessImage(w)), Lower(WorkDir + "\\velkor.exe"));
    EndGame(w);

    SetCurrentDirectoryA(EmptyDir.c_str());
    w = LaunchGame();
    ASSERT_TRUE(w);
    EXPECT_EQ(Lower(ProcessImage(w)), Lower(SystemDir + "\\velkor.exe"));
    EndGame(w);

    DeleteFileA((SystemDir + "\\velkor.exe").c_str());
    w = LaunchGame();
    ASSERT_TRUE(w);
    EXPECT_EQ(Lower(ProcessImage(w)), Lower(WindowsDir + "\\velkor.exe"));
    char title[64] = "";
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "MineSweeper");
    EndGame(w);

    // Started from another folder, the game beside the program is found.
    DeleteFileA((WindowsDir + "\\velkor.exe").c_str());
    w = LaunchGame();
    ASSERT_TRUE(w);
    EXPECT_EQ(Lower(ProcessImage(w)), Lower(OwnDir + "\\velkor.exe"));
    EndGame(w);

    DeleteFileA((OwnDir + "\\velkor.exe").c_str());
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
        DWORD took = GetTickCount() - start;
        EXPECT_EQ(w != nullptr, c.Found) << c.Mode;
        // A generous bound: about two seconds of search, never a hang.
        EXPECT_LT(took, 10000u) << c.Mode;
        if (w) {
            EndGame(w);
        } else {
            // The process that never showed its window has been ended.
            Sleep(200);
            DWORD count = 0;
            HWND left = FindWindowA("MineSweeper", nullptr);
            if (left) ++count;
            EXPECT_EQ(count, 0u) << c.Mode << " left running";
        }
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
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = c.Class;
        RegisterClassA(&wc);
        HWND w = CreateWindowExA(0, c.Class, c.Title, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance,
                                 nullptr);
        ASSERT_TRUE(w);
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindGameWindowProc, reinterpret_cast<LPARAM>(&found));
        EXPECT_EQ(found == w, c.Match) << c.Class << " / " << c.Title;
        // A null slot is allowed.
        EnumThreadWindows(GetCurrentThreadId(), FindGameWindowProc, 0);
        DestroyWindow(w);
        UnregisterClassA(c.Class, wc.hInstance);
    }
}

}  // namespace
