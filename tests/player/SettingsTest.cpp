// Settings and statistics in the registry of the test prefix: defaults,
// what is written, values of the wrong type or length, and the end-of-run
// merge against values read afresh.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "Saver.h"
#include "SaverState.h"
#include "WinTestSupport.h"

namespace {

// The nine settings in the order of the registry, as plain words.
const char* const kNames[9] = {"SwitchToBlankScreenAfter", "SwitchToBlankScreen", "BlankBackground",
                               "ShowStatistics", "AnimationMode", "GameMode",
                               "CustomGameWidth", "CustomGameHeight", "CustomGameMines"};
const bool kIsBool[9] = {false, true, true, true, false, false, false, false, false};

std::array<uint32_t, 9> GetAll() {
    const SSaverSettings& s = SaverSettings;
    return {s.SwitchToBlankScreenAfter, s.SwitchToBlankScreen, s.BlankBackground,
            s.ShowStatistics,           s.AnimationMode,       s.GameMode,
            s.CustomGameWidth,          s.CustomGameHeight,    s.CustomGameMines};
}

void SetAll(const uint32_t v[9]) {
    SSaverSettings& s = SaverSettings;
    s.SwitchToBlankScreenAfter = v[0];
    s.SwitchToBlankScreen = v[1] != 0;
    s.BlankBackground = v[2] != 0;
    s.ShowStatistics = v[3] != 0;
    s.AnimationMode = v[4];
    s.GameMode = v[5];
    s.CustomGameWidth = v[6];
    s.CustomGameHeight = v[7];
    s.CustomGameMines = v[8];
}

bool KeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wintest::RegDeleteTree(kSaverKey));
        SaverSettings.Reset();
        GameStatistics.Reset();
    }
    void TearDown() override { wintest::RegDeleteTree(kSaverKey); }
};

TEST_F(Settings, FreshProfileKeepsTheDefaultsAndCreatesNoKey) {
    const uint32_t defaults[9] = {30, 1, 1, 1, 0, 5, 30, 16, 99};
    LoadSettings();
    const auto v = GetAll();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i], defaults[i]) << kNames[i];
    EXPECT_FALSE(KeyExists());
    uint32_t won = 7, lost = 7;
    ReadLevelStatistics(0, &won, &lost);
    EXPECT_EQ(won, 0u);
    EXPECT_EQ(lost, 0u);
    ResetStatistics();
    EXPECT_FALSE(KeyExists());
}

TEST_F(Settings, SaveWritesAllNineAsDwordsAndLoadReadsThemBack) {
    const uint32_t chosen[9] = {0xFFFFFFFFu, 0, 1, 0, 3, 4, 12, 10, 15};
    SetAll(chosen);
    SaveSettings();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    for (int i = 0; i < 9; ++i) {
        DWORD type = 0, data = 0xABCDu, size = sizeof data;
        EXPECT_EQ(RegQueryValueExA(key, kNames[i], nullptr, &type, reinterpret_cast<BYTE*>(&data), &size),
                  ERROR_SUCCESS)
            << kNames[i];
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << kNames[i];
        EXPECT_EQ(size, 4u) << kNames[i];
        EXPECT_EQ(data, chosen[i]) << kNames[i];
    }
    RegCloseKey(key);
    SaverSettings.Reset();
    LoadSettings();
    const auto v = GetAll();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i], chosen[i]) << kNames[i];
}

// One value of the wrong kind among good neighbours. Number fields take
// whatever bytes fit into 4 (a shorter value replaces only its own low
// bytes); booleans read the bytes into a zeroed word.
struct SBadValue {
    const char* What;
    DWORD Type;
    const char* Data;
    DWORD Size;
    uint32_t Number;                    // a number field that held 0x11223344
    uint32_t BoolFromFalse, BoolFromTrue;  // a boolean that was false, true
};
const SBadValue kBadValues[] = {
    {"string of 2 bytes", REG_SZ, "7", 2, 0x11220037u, 1, 1},
    {"string of 4 bytes", REG_SZ, "abc", 4, 0x00636261u, 1, 1},
    {"string of 6 bytes", REG_SZ, "12345", 6, 0x11223344u, 0, 1},
    {"binary of 8 bytes", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 0x11223344u, 0, 1},
    {"empty binary", REG_BINARY, "", 0, 0x11223344u, 0, 0},
    {"binary of 1 byte", REG_BINARY, "\x05", 1, 0x11223305u, 1, 1},
    {"zero byte", REG_BINARY, "\x00", 1, 0x11223300u, 0, 0},
    {"dword as binary", REG_BINARY, "\x09\x00\x00\x00", 4, 9, 1, 1},
};

TEST_F(Settings, ValuesOfTheWrongTypeOrLengthFollowTheReadingRules) {
    // The booleans start false, true, false; their neighbours in the
    // registry flip them, and every number neighbour differs.
    const uint32_t start[9] = {0x11223344u, 0, 1, 0, 0x11223344u, 0x11223344u, 0x11223344u, 0x11223344u, 0x11223344u};
    const uint32_t neighbours[9] = {101, 1, 0, 1, 105, 106, 107, 108, 109};
    for (const SBadValue& c : kBadValues) {
        for (int field = 0; field < 9; ++field) {
            SCOPED_TRACE(std::string(c.What) + " in " + kNames[field]);
            ASSERT_TRUE(wintest::RegDeleteTree(kSaverKey));
            for (int i = 0; i < 9; ++i) {
                if (i == field) continue;
                ASSERT_TRUE(wintest::RegSetDword(kSaverKey, kNames[i], neighbours[i]));
            }
            ASSERT_TRUE(wintest::RegSetRaw(kSaverKey, kNames[field], c.Type, c.Data, c.Size));
            SetAll(start);
            LoadSettings();
            const auto v = GetAll();
            for (int i = 0; i < 9; ++i) {
                if (i == field) continue;
                EXPECT_EQ(v[i], neighbours[i]) << "neighbour " << kNames[i];
            }
            EXPECT_EQ(v[field], !kIsBool[field] ? c.Number : start[field] ? c.BoolFromTrue : c.BoolFromFalse);
        }
    }
}

TEST_F(Settings, CountersShorterOrLongerThanFourBytesReadAsZero) {
    struct SCounterCase {
        DWORD Type;
        const char* Data;
        DWORD Size;
        uint32_t Expected;
    };
    const SCounterCase cases[] = {
        {REG_DWORD, "\x2A\x00\x00\x00", 4, 42},
        {REG_BINARY, "\x2A\x00\x00\x00", 4, 42},
        {REG_SZ, "abc", 4, 0x00636261u},
        {REG_SZ, "7", 2, 0},
        {REG_SZ, "12345", 6, 0},
        {REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 0},
        {REG_BINARY, "\x01\x02\x03", 3, 0},
        {REG_BINARY, "", 0, 0},
    };
    for (const SCounterCase& c : cases) {
        for (uint32_t slot = 0; slot < 6; ++slot) {
            SCOPED_TRACE(std::string(kStatisticsValues[slot]) + " of " + std::to_string(c.Size) + " bytes");
            ASSERT_TRUE(wintest::RegDeleteTree(kSaverKey));
            for (uint32_t i = 0; i < 6; ++i)
                ASSERT_TRUE(wintest::RegSetDword(kSaverKey, kStatisticsValues[i], 100 + i));
            ASSERT_TRUE(wintest::RegSetRaw(kSaverKey, kStatisticsValues[slot], c.Type, c.Data, c.Size));
            LoadStoredStatistics();
            for (uint32_t level = 0; level < 3; ++level) {
                uint32_t want[2];
                for (uint32_t k = 0; k < 2; ++k) want[k] = 2 * level + k == slot ? c.Expected : 100 + 2 * level + k;
                EXPECT_EQ(GameStatistics.StoredWon[level].load(), want[0]);
                EXPECT_EQ(GameStatistics.StoredLost[level].load(), want[1]);
                uint32_t won = 1, lost = 1;
                ReadLevelStatistics(level, &won, &lost);
                EXPECT_EQ(won, want[0]);
                EXPECT_EQ(lost, want[1]);
            }
        }
    }
}

uint32_t Stored(int slot) {
    DWORD v = 0xDEADu;
    EXPECT_TRUE(wintest::RegGetDword(kSaverKey, kStatisticsValues[slot], &v)) << kStatisticsValues[slot];
    return v;
}

TEST_F(Settings, MergeAddsToTheValuesReadAfreshSoAResetDuringTheRunHolds) {
    const uint32_t won[3] = {1, 2, 3}, lost[3] = {4, 5, 6};
    auto expectRunCounts = [&] {
        for (int level = 0; level < 3; ++level) {
            EXPECT_EQ(Stored(2 * level), won[level]);
            EXPECT_EQ(Stored(2 * level + 1), lost[level]);
        }
    };
    // No key yet: the merge creates it with this run's counts.
    MergeStatistics(won, lost);
    expectRunCounts();
    // Read at the start of a run, then reset by the dialog, then merged.
    LoadStoredStatistics();
    EXPECT_EQ(GameStatistics.StoredLost[2].load(), 6u);
    ResetStatistics();
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(Stored(slot), 0u);
    MergeStatistics(won, lost);
    expectRunCounts();
    // Values changed by someone else meanwhile, one of them unreadable.
    ASSERT_TRUE(wintest::RegSetDword(kSaverKey, kStatisticsValues[0], 1000));
    ASSERT_TRUE(wintest::RegSetRaw(kSaverKey, kStatisticsValues[5], REG_SZ, "12345", 6));
    MergeStatistics(won, lost);
    EXPECT_EQ(Stored(0), 1001u);
    EXPECT_EQ(Stored(1), 8u);
    EXPECT_EQ(Stored(5), 6u);
}

// Only values with something to add are written: one with nothing to add
// keeps what it holds, even a value of another type or none at all (a reset
// between the merge's read and its write would otherwise be undone).
TEST_F(Settings, MergeWritesOnlyTheValuesWithSomethingToAdd) {
    ASSERT_TRUE(wintest::RegSetDword(kSaverKey, kStatisticsValues[0], 10));
    ASSERT_TRUE(wintest::RegSetRaw(kSaverKey, kStatisticsValues[2], REG_SZ, "12345", 6));
    ASSERT_TRUE(wintest::RegSetDword(kSaverKey, kStatisticsValues[4], 7));
    const uint32_t won[3] = {1, 0, 0}, lost[3] = {0, 0, 2};
    EXPECT_EQ(MergeStatistics(won, lost), 0x21u) << "BeginnerWonGames and ExpertLostGames written";
    EXPECT_EQ(Stored(0), 11u);
    EXPECT_EQ(Stored(5), 2u);
    EXPECT_EQ(Stored(4), 7u);
    DWORD v = 0;
    EXPECT_FALSE(wintest::RegGetDword(kSaverKey, kStatisticsValues[1], &v)) << "BeginnerLostGames created";
    EXPECT_FALSE(wintest::RegGetDword(kSaverKey, kStatisticsValues[3], &v)) << "IntermediateLostGames created";
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, kStatisticsValues[2], nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "IntermediateWonGames rewritten";
    RegCloseKey(key);
}

}  // namespace
