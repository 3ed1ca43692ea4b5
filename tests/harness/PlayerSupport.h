// Helpers shared by the player's and the run's Wine tests: the saver's
// shared state set back, window rectangles, the game's place given back, and
// the stand-in's log files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "SaverState.h"
#include "WinTestSupport.h"

namespace playertest {

// Each test starts from the state a fresh run finds.
inline void ResetShared() {
    SaverState.Reset();
    SaverSettings.Reset();
    GameStatistics.Reset();
}

inline RECT WindowRect(HWND w) {
    RECT r{0, 0, 0, 0};
    GetWindowRect(w, &r);
    return r;
}

inline ::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
    if (EqualRect(&a, &b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom
                                         << ") vs (" << b.left << "," << b.top << "," << b.right << "," << b.bottom
                                         << ")";
}

// The game window's place as the game noted it when it closed: the user's.
inline void ExpectGamePlace(const RECT& user) {
    DWORD x = 0xDEAD, y = 0xDEAD;
    EXPECT_TRUE(wintest::RegGetDword("Software\\VelkorGame", "Xpos", &x) &&
                wintest::RegGetDword("Software\\VelkorGame", "Ypos", &y));
    EXPECT_EQ(static_cast<LONG>(x), user.left) << "the game's place not given back";
    EXPECT_EQ(static_cast<LONG>(y), user.top) << "the game's place not given back";
}

// The lines of a file from line `from` on, without the game's carriage returns.
inline std::vector<std::string> FileLines(const std::string& path, size_t from = 0) {
    std::ifstream in(path);
    std::vector<std::string> out;
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (n >= from) out.push_back(line);
    }
    return out;
}

}  // namespace playertest
