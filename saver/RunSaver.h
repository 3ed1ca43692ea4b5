// Pieces of the screen saver run that the tests drive on their own.
#pragma once

#include <windows.h>

#include <functional>

// How long the run waits for the player thread after asking it to stop before
// it gives the screen back, and how much longer it then waits before it
// merges the counts regardless.
constexpr DWORD kPlayerStopWaitMs = 1000;
constexpr DWORD kPlayerGraceMs = 30000;
// At a session end, how much longer than kPlayerStopWaitMs the player may
// take to give the game back (Windows allows a program a few seconds).
constexpr DWORD kSessionHandBackMs = 3000;

// Tear-down from the stop request on: sets StopRequested, waits for the
// player thread (may be null) at most kPlayerStopWaitMs, calls release (hook
// library and window), and merges this run's counts into the registry only
// once the thread has ended, so that a game it counts late is merged once.
// Returns false when the thread was still running after the grace time (its
// counts up to then are merged; the caller must end the process at once).
bool StopPlayerAndMerge(HANDLE thread, const std::function<void()>& release);

// A new run's record for the session end: its game (may be null), no player.
void BeginRun(HWND game);
// Starts the player thread on the run's game; null without a game, or when a
// session end has already ended the run (it closed the game).
HANDLE StartPlayer();
// The session ends (WM_ENDSESSION true) during the run: stops the player and
// merges the counts before returning, hands the game back if time permits,
// then ends the run; before the player exists, closes the game. Later calls
// do nothing.
void EndRunAtSessionEnd();
