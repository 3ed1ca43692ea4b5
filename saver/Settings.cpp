// Settings and statistics in the registry of the current user. Nothing is
// reported: a missing key or value leaves the defaults, failed writes are
// ignored (a merge keeps what it could not write for the next one).
#include <windows.h>

#include <cstdlib>

#include "Saver.h"
#include "SaverState.h"

HINSTANCE AppInstance = nullptr;

const char kSaverKey[] = "Software\\VelkorScreenSaver";
const char* const kStatisticsValues[6] = {
    "BeginnerWonGames", "BeginnerLostGames", "IntermediateWonGames",
    "IntermediateLostGames", "ExpertWonGames", "ExpertLostGames",
};

namespace {

// At most 4 bytes of any type into *value, whose other bytes stay as they
// were (a shorter value replaces only its own bytes); false when absent or
// longer than 4 bytes, leaving *value unchanged.
bool QueryWord(HKEY key, const char* name, uint32_t* value) {
    uint32_t data = *value;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    *value = data;
    return true;
}

// Number fields are read straight into the field.
void LoadNumber(HKEY key, const char* name, std::atomic<uint32_t>& field) {
    uint32_t value = field.load();
    if (QueryWord(key, name, &value)) field = value;
}

void LoadBool(HKEY key, const char* name, std::atomic<bool>& field) {
    uint32_t value = 0;
    if (QueryWord(key, name, &value)) field = value != 0;
}

bool WriteWord(HKEY key, const char* name, uint32_t value) {
    DWORD data = value;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

// A counter: fewer than 4 bytes (or another error) reads as 0.
uint32_t ReadCounter(HKEY key, const char* name) {
    uint32_t data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        size < sizeof data)
        return 0;
    return data;
}

HKEY CreateSaverKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

void LoadSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    SSaverSettings& s = SaverSettings;
    LoadNumber(key, "SwitchToBlankScreenAfter", s.SwitchToBlankScreenAfter);
    LoadBool(key, "SwitchToBlankScreen", s.SwitchToBlankScreen);
    LoadBool(key, "BlankBackground", s.BlankBackground);
    LoadBool(key, "ShowStatistics", s.ShowStatistics);
    LoadNumber(key, "AnimationMode", s.AnimationMode);
    LoadNumber(key, "GameMode", s.GameMode);
    LoadNumber(key, "CustomGameWidth", s.CustomGameWidth);
    LoadNumber(key, "CustomGameHeight", s.CustomGameHeight);
    LoadNumber(key, "CustomGameMines", s.CustomGameMines);
    RegCloseKey(key);
}

void SaveSettings() {
    HKEY key = CreateSaverKey();
    if (!key) return;
    const SSaverSettings& s = SaverSettings;
    WriteWord(key, "SwitchToBlankScreenAfter", s.SwitchToBlankScreenAfter);
    WriteWord(key, "SwitchToBlankScreen", s.SwitchToBlankScreen ? 1 : 0);
    WriteWord(key, "BlankBackground", s.BlankBackground ? 1 : 0);
    WriteWord(key, "ShowStatistics", s.ShowStatistics ? 1 : 0);
    WriteWord(key, "AnimationMode", s.AnimationMode);
    WriteWord(key, "GameMode", s.GameMode);
    WriteWord(key, "CustomGameWidth", s.CustomGameWidth);
    WriteWord(key, "CustomGameHeight", s.CustomGameHeight);
    WriteWord(key, "CustomGameMines", s.CustomGameMines);
    RegCloseKey(key);
}

void ReadLevelStatistics(uint32_t level, uint32_t* won, uint32_t* lost) {
    *won = 0;
    *lost = 0;
    if (level > 2) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    *won = ReadCounter(key, kStatisticsValues[2 * level]);
    *lost = ReadCounter(key, kStatisticsValues[2 * level + 1]);
    RegCloseKey(key);
}

void LoadStoredStatistics() {
    HKEY key = CreateSaverKey();
    for (int level = 0; level < 3; ++level) {
        GameStatistics.StoredWon[level] = key ? ReadCounter(key, kStatisticsValues[2 * level]) : 0;
        GameStatistics.StoredLost[level] = key ? ReadCounter(key, kStatisticsValues[2 * level + 1]) : 0;
    }
    if (key) RegCloseKey(key);
}

void ResetStatistics() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSaverKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const char* name : kStatisticsValues) WriteWord(key, name, 0);
    RegCloseKey(key);
}

uint32_t MergeStatistics(const uint32_t won[3], const uint32_t lost[3]) {
    HKEY key = CreateSaverKey();
    if (!key) return 0;
    uint32_t written = 0;
    for (int i = 0; i < 6; ++i) {
        const char* name = kStatisticsValues[i];
        const uint32_t add = i % 2 ? lost[i / 2] : won[i / 2];
        // A value with nothing to add is left alone: rewritten, a reset from
        // the statistics dialog between its read and its write would be undone.
        if (add == 0) continue;
        if (WriteWord(key, name, ReadCounter(key, name) + add)) written |= 1u << i;
    }
    RegCloseKey(key);
    return written;
}

uint32_t MergePeriodMs() {
    // Test-only override, so that the tests need not play for minutes.
    char text[16];
    const DWORD n = GetEnvironmentVariableA("KORVANE_MERGE_PERIOD_MS", text, sizeof text);
    const unsigned long ms = n > 0 && n < sizeof text ? strtoul(text, nullptr, 10) : 0;
    return ms >= 1000 && ms <= kMergePeriodMs ? static_cast<uint32_t>(ms) : kMergePeriodMs;
}

void MergeRunCounts(bool always) {
    uint32_t now[6], add[6];
    if (!GameStatistics.CountsToMerge(now, add) && !always) return;
    const uint32_t won[3] = {add[0], add[2], add[4]}, lost[3] = {add[1], add[3], add[5]};
    // A value that could not be written is tried again at the next merge.
    GameStatistics.NoteMerged(now, MergeStatistics(won, lost));
}
