// The player thread in its stages: the start, a pass of the main loop (its
// read, then the end of a game or a solving pass), and the hand-back, each a
// function over one record of the thread's values, so that each can be read
// and driven on its own. PlayerThreadProc runs them in this order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Logicsolve.h"
#include "VelkorInterface.h"

// About two seconds of quick reads without change before a full read.
constexpr uint32_t kStillPollsBeforeFullRead = 50;
// Solving passes in a row that hand the game no move before the board is
// read afresh and the logic board rebuilt. Without animation the flags found
// stay queued and unplayed, so the screen never shows them: every quick read
// then reports a change, and the still polls above never come.
constexpr uint32_t kIdlePassesBeforeRebuild = 50;
// Rebuilds asked for by a stall, without progress between them, before the
// game is given up for a new one (and counted neither won nor lost).
constexpr uint32_t kStallRebuildsBeforeGiveUp = 3;
// Time without progress (a move sent, a square newly opened) after which a
// game in play is given up the same way: reads that are never at rest make
// no rebuild at all.
constexpr uint32_t kStallGiveUpMs = 30000;
// About a second and a half of failed full reads before the game is raised.
constexpr uint32_t kFailedReadsBeforeRaise = 40;
// After the blank-screen switch, how long the board may stay unreadable or
// unchanged before the game is given back without waiting for its end: a
// board that cannot be read (covered, or a dialog over it) never ends, and
// the game would then stay on the screen for the rest of the run.
constexpr uint32_t kBlankFinishStallMs = 15000;

// The player thread's own values.
struct SPlayer {
    HWND GameWindow = nullptr;
    CVelkorInterface* Face = nullptr;         // owned; all access to the game
    CMineSweeperBoard* Board = nullptr;       // owned; the last board read
    CLogicMineSweeperBoard* Logic = nullptr;  // owned; the solver's view
    bool InGame = false;                      // the current game was seen from its start
    GameSettings Saved{4, 0, 0, 0};           // the game as the user left it (level 4: unread)
    RECT SavedRect{0, 0, 0, 0};               // the game window as the user left it
    int OptionAtStart = -1;                   // the option item as the user left it: 1 on, 0 off, -1 unknown
    GameSettings Current{0, 0, 0, 0};         // the level being played
    HANDLE Process = nullptr;                 // owned; the game's process, for idle waits
    uint32_t LastX = 0, LastY = 0;            // the square of the move performed last in slow animation
    std::vector<uint8_t> PlacedFlags;         // flags placed in the current game
    uint32_t StillPolls = 0;                  // quick reads in a row that showed no change
    uint32_t IdlePasses = 0;                  // solving passes in a row that made no move
    bool Rebuild = false;                     // the next solving pass rebuilds the logic board
    uint32_t FailedReads = 0;                 // full reads in a row that failed
    uint32_t LastProgress = 0;                // tick count of the last progress: a move sent, a square newly opened
    uint32_t OpenedSeen = 0;                  // opened squares on the board at the last read
    uint32_t StallRebuilds = 0;               // rebuilds asked for by a stall since the last progress
    bool FullRead = false;                    // the logic board refused the last board: read in full and rebuild

    SPlayer() = default;
    SPlayer(const SPlayer&) = delete;
    SPlayer& operator=(const SPlayer&) = delete;
    // Releases what a stage driven on its own left behind (PlayerEnd releases all).
    ~SPlayer();
};

// Takes the game over: the interface, the saved settings, place and option,
// the level from the settings, the game's place on the desktop.
void PlayerStart(SPlayer* p, HWND game);
// One pass of the main loop; false leaves the loop.
bool PlayerPass(SPlayer* p);
// The reading part of a pass: true when the Board is there to act on; false
// when the pass ends here (after its short sleep, where it has one).
bool PlayerRead(SPlayer* p, uint32_t animation);
// A won or lost board: counts it, starts the next game, changes the level or
// the place when asked. False leaves the loop (the blank screen is on).
bool PlayerEndOfGame(SPlayer* p, uint32_t animation);
// A board in play: solves it and lets the moves reach the game.
void PlayerSolvingPass(SPlayer* p, uint32_t animation);
// Gives the game back as the user left it, closes it, and releases everything.
void PlayerEnd(SPlayer* p);
