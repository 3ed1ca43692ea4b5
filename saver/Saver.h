// The screen saver program's parts as the entry and the run see them.
#pragma once

#include <windows.h>

#include <cstdint>

// Module instance of the program; set by SaverMain before anything else.
extern HINSTANCE AppInstance;

// Registry key of the current user that holds settings and statistics.
extern const char kSaverKey[];
// The six statistics values: won then lost, Beginner, Intermediate, Expert.
extern const char* const kStatisticsValues[6];

// Fills SaverSettings from the registry; absent or unreadable values keep
// the field as it was. The key is not created.
void LoadSettings();
// Writes all nine settings as REG_DWORD (creating the key).
void SaveSettings();
// Stored won and lost counts of a level (0..2) from the key opened for
// reading; 0 for anything absent or shorter than 4 bytes.
void ReadLevelStatistics(uint32_t level, uint32_t* won, uint32_t* lost);
// Start of a run: opens (creating) the key and reads the six counters into
// GameStatistics.StoredWon/StoredLost.
void LoadStoredStatistics();
// The statistics dialog's reset: 0 into all six values of an existing key.
void ResetStatistics();
// Adds the given counts (per level) to the values read afresh and writes the
// sums back (creating the key); a value with nothing to add is not written.
// Returns the values written: bit i for kStatisticsValues[i].
uint32_t MergeStatistics(const uint32_t won[3], const uint32_t lost[3]);
// While the saver plays, this run's counts are merged about once a minute, so
// that a killed saver loses at most that much; the end of the run merges the rest.
constexpr uint32_t kMergePeriodMs = 60000;
// The merge period: kMergePeriodMs, or for tests only a shorter one from the
// environment variable KORVANE_MERGE_PERIOD_MS (1000 and up).
uint32_t MergePeriodMs();
// Merges what this run counted since its last merge (GameStatistics'
// Merged*); with always false, only when there is something to add.
void MergeRunCounts(bool always);

// The player thread (argument: the game's top-level window).
DWORD WINAPI PlayerThreadProc(LPVOID gameWindow);
// The full-screen saver window of a run.
LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The three run modes.
void RunSaver();
bool ShowConfigureDialog(HINSTANCE instance, HWND owner);
bool RunPreview(HINSTANCE instance, HWND host);

// Dialog and window procedures of the configuration mode and the preview.
INT_PTR CALLBACK ConfigureDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StatisticsDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PreviewWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Program entry proper: chooses the mode from the command line; returns 0.
int SaverMain(HINSTANCE instance, const char* commandLine);
