// Helpers shared by the player's and the run's Wine tests: the saver's
// shared state set back, window rectangles, the game's place and settings
// given back, and the stand-in's record and log files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "SaverState.h"
#include "StandinSupport.h"
#include "WinTestSupport.h"

namespace playertest {

const char kGameKey[] = "Software\\VelkorGame";

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
    EXPECT_TRUE(wintest::RegGetDword(kGameKey, "Xpos", &x) && wintest::RegGetDword(kGameKey, "Ypos", &y));
    EXPECT_EQ(static_cast<LONG>(x), user.left) << "the game's place not given back";
    EXPECT_EQ(static_cast<LONG>(y), user.top) << "the game's place not given back";
}

// The user's own game settings.
struct SUserGame {
    DWORD Level, Width, Height, Mines, Marks;
};

// Level and option given back; the custom size too when the user plays a
// custom field (a user on a standard level finds the one the player last set).
inline void ExpectUserGame(const SUserGame& g) {
    const char* names[5] = {"Level", "Marks", "Width", "Height", "Mines"};
    const DWORD want[5] = {g.Level, g.Marks, g.Width, g.Height, g.Mines};
    for (int i = 0; i < (g.Level == 3 ? 5 : 2); ++i) {
        DWORD v = 0xFFFFFFFF;
        EXPECT_TRUE(wintest::RegGetDword(kGameKey, names[i], &v)) << names[i];
        EXPECT_EQ(v, want[i]) << "game setting " << names[i] << " not given back";
    }
}

// A finished game from the stand-in's record. Level 0..2 for the standard
// fields, 3 for any other: the player makes standard levels custom fields of
// the same size, so the size, not the game's level name, tells the level.
struct SRecord {
    int Level;
    bool Won;
    uint32_t Width, Height, Mines;
};

inline std::vector<SRecord> ParseRecords(const std::vector<std::string>& lines, size_t from = 0) {
    std::vector<SRecord> out;
    for (size_t i = from; i < lines.size(); ++i) {
        SRecord r{3, false, 0, 0, 0};
        char result[16] = "";
        if (std::sscanf(lines[i].c_str(), "level=%*s width=%u height=%u mines=%u result=%15s", &r.Width, &r.Height,
                        &r.Mines, result) != 4)
            ADD_FAILURE() << "record line: " << lines[i];
        for (int level = 0; level < 3; ++level) {
            const standintest::SLevel& l = standintest::kLevels[level];
            if (r.Width == l.Width && r.Height == l.Height && r.Mines == l.Mines) r.Level = level;
        }
        r.Won = std::string(result) == "won";
        out.push_back(r);
    }
    return out;
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
