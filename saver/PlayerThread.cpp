// The player thread: takes the game over, plays game after game on its
// window, counts the games it saw from their start, and gives the game back
// as the user left it.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "Clock.h"
#include "Logicsolve.h"
#include "Random.h"
#include "Saver.h"
#include "SaverState.h"
#include "VelkorInterface.h"

namespace {

const uint32_t kCustomLevel = 3;
// About two seconds of quick reads without change before a full read.
const uint32_t kStillPollsBeforeFullRead = 50;
// About a second and a half of failed full reads before the game is raised.
const uint32_t kFailedReadsBeforeRaise = 40;
// After the blank-screen switch, how long the board may stay unreadable or
// unchanged before the game is given back without waiting for its end: a
// board that cannot be read (covered, or a dialog over it) never ends, and
// the game would then stay on the screen for the rest of the run.
const uint32_t kBlankFinishStallMs = 15000;

// Waits in 1 ms steps; a stop request ends the wait at once.
void Pause(uint32_t ms) {
    uint32_t start = TickCount();
    while (TickCount() - start < ms && !SaverState.StopRequested.load(std::memory_order_acquire)) SleepMs(1);
}

// Moves of the game window go through the game's queue, in order with the
// commands posted to it. A move that waits for the game can hold this thread
// as long as the game's thread is busy (two seconds under Wine when it waits
// for a window manager to withdraw a closed dialog), past the run's wait for
// this thread.
const UINT kMoveFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;

void MoveGame(HWND game, int32_t left, int32_t top, int32_t width, int32_t height) {
    SetWindowPos(game, nullptr, left, top, width, height, kMoveFlags);
}

// Out of the top-most band, below the blank screen, without a redraw.
void LeaveTopMost(HWND game) {
    SetWindowPos(game, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

void WaitUntilIdle(HANDLE process) {
    if (process) WaitForInputIdle(process, 100);
}

// The game's new place for the overlay: the rectangle first, then the flag,
// then the message that makes the saver window lay the overlay out again.
void PublishGameRect(const RECT& r) {
    SaverState.GameRectLeft = r.left;
    SaverState.GameRectTop = r.top;
    SaverState.GameRectRight = r.right;
    SaverState.GameRectBottom = r.bottom;
    SaverState.OverlayLayoutPending.store(true, std::memory_order_release);
    PostMessageA(static_cast<HWND>(SaverState.SaverWindow.load()), WM_APP, 0, 0);
}

RECT DesktopRect() {
    RECT d{0, 0, 0, 0};
    GetWindowRect(GetDesktopWindow(), &d);
    return d;
}

// Shifts the game window into the desktop without changing its size; a
// window larger than the desktop keeps to its left or top edge.
void PlaceOnDesktop(HWND game) {
    RECT d = DesktopRect();
    RECT w{0, 0, 0, 0};
    GetWindowRect(game, &w);
    // The far edge first, then the near one, so that a window larger than
    // the desktop ends up at its left and top edges, whatever side it
    // overhung (its menu and counter stay visible).
    if (d.right < w.right) OffsetRect(&w, d.right - w.right, 0);
    if (d.left > w.left) OffsetRect(&w, d.left - w.left, 0);
    if (d.bottom < w.bottom) OffsetRect(&w, 0, d.bottom - w.bottom);
    if (d.top > w.top) OffsetRect(&w, 0, d.top - w.top);
    MoveGame(game, w.left, w.top, w.right - w.left, w.bottom - w.top);
    PublishGameRect(w);
}

// A random offset below span. A negative span (window larger than the
// desktop) gives 0..-span-1, as the remainder follows the non-negative draw;
// a window exactly as large as the desktop stays at its edge.
int32_t RandomOffset(int32_t span) { return span == 0 ? 0 : NextRandom() % span; }

void MoveToRandomPlace(HWND game) {
    RECT d = DesktopRect();
    RECT w{0, 0, 0, 0};
    GetWindowRect(game, &w);
    int32_t width = w.right - w.left, height = w.bottom - w.top;
    int32_t left = d.left + RandomOffset(d.right - d.left - width);
    int32_t top = d.top + RandomOffset(d.bottom - d.top - height);
    MoveGame(game, left, top, width, height);
    SaverState.MoveGameRequested = false;
    PublishGameRect(RECT{left, top, left + width, top + height});
}

// A random standard level, and the earliest time of the next change.
uint32_t ChooseRandomLevel() {
    uint32_t level = static_cast<uint32_t>(NextRandom() % 3);
    SaverState.LevelChangeTime = static_cast<uint32_t>(NextRandom() % 10000) + TickCount() + 5000;
    return level;
}

// Under Wine a closing dialog keeps the game's thread busy for up to two
// seconds (its window is withdrawn from the display first), and the hidden
// custom-field dialog stays findable meanwhile: the next search finds it and
// its OK is lost. A dialog can also appear only after the search has given
// up. Either way a dialog would stay over the board and fail every read. So
// after each use of the dialog wait until it has gone, and cancel one that
// stays unanswered.
void SettleCustomDialog(HWND game) {
    DWORD thread = GetWindowThreadProcessId(game, nullptr);
    uint32_t start = TickCount(), visibleSince = 0;
    bool visible = false;
    while (thread && TickCount() - start < 4000 && !SaverState.StopRequested.load(std::memory_order_acquire)) {
        SCustomDialogSearch search{game, nullptr};
        EnumThreadWindows(thread, FindCustomDialogProc, reinterpret_cast<LPARAM>(&search));
        if (!search.Dialog) return;
        if (!IsWindowVisible(search.Dialog)) {
            visible = false;
        } else if (!visible) {
            visible = true;
            visibleSince = TickCount();
        } else if (TickCount() - visibleSince > 500) {
            PostMessageA(search.Dialog, WM_COMMAND, IDCANCEL,
                         reinterpret_cast<LPARAM>(GetDlgItem(search.Dialog, IDCANCEL)));
            visible = false;
        }
        SleepMs(10);
    }
}

bool Finished(const CMineSweeperBoard* board) { return board->State == Won || board->State == Lost; }

// The drawing of a move reaches the screen some time after the game took
// it, so a read can still show the square without the flag just placed; the
// solver would then flag it again, and a second right click turns a flag
// into a question mark. Flags placed in this game stay on the board until
// the screen shows them.
void KeepPlacedFlags(CMineSweeperBoard* board, const std::vector<uint8_t>& placed) {
    if (board->State != Playing && board->State != NotStarted) return;
    if (placed.size() != static_cast<size_t>(board->Width) * board->Height) return;
    for (size_t i = 0; i < placed.size(); ++i) {
        SMineSweeperSquare& s = board->Squares[i];
        if (placed[i] && !s.Opened && s.Mark != SquareMark::Flag) {
            s.Mine = 1;
            s.Mark = SquareMark::Flag;
            --board->MinesLeft;
        }
    }
}

}  // namespace

DWORD WINAPI PlayerThreadProc(LPVOID parameter) {
    HWND gameWindow = static_cast<HWND>(parameter);
    const std::atomic<bool>& stop = SaverState.StopRequested;

    // Start.
    bool inGame = false;
    CVelkorInterface* face = new CVelkorInterface(gameWindow);  // owned
    // The game's dialogs are searched for up to a second; a stop request
    // must cut that short already during the start.
    face->AbortFlag = &stop;
    CMineSweeperBoard* board = nullptr;       // owned
    CLogicMineSweeperBoard* logic = nullptr;  // owned
    std::vector<uint8_t> placedFlags;         // flags placed in the current game
    for (int level = 0; level < 3; ++level) {
        GameStatistics.WonThisRun[level] = 0;
        GameStatistics.LostThisRun[level] = 0;
    }

    RECT savedRect{0, 0, 0, 0};
    GetWindowRect(gameWindow, &savedRect);
    // A level that cannot be read is not set back at the end.
    GameSettings saved{4, 0, 0, 0};
    face->GetGameSettings(&saved, true);
    SettleCustomDialog(gameWindow);
    bool optionAtStart = face->IsGameOptionChecked();
    if (!optionAtStart) face->SetGameOptionChecked(true);

    SeedRandom(TickCount());

    GameSettings current{0, 0, 0, 0};
    switch (SaverSettings.GameMode.load()) {
        case 1: current.Level = 0; break;
        case 2: current.Level = 1; break;
        case 3: current.Level = 2; break;
        case 4:
            current.Level = kCustomLevel;
            current.Width = SaverSettings.CustomGameWidth;
            current.Height = SaverSettings.CustomGameHeight;
            current.Mines = SaverSettings.CustomGameMines;
            break;
        default: current.Level = ChooseRandomLevel(); break;
    }
    SaverState.CurrentLevel = current.Level;
    face->SetGameSettings(&current);
    SettleCustomDialog(gameWindow);
    if (current.Level != kCustomLevel) face->ReapplyCustomField();
    SettleCustomDialog(gameWindow);

    PlaceOnDesktop(gameWindow);

    DWORD processId = 0;
    GetWindowThreadProcessId(gameWindow, &processId);
    HANDLE process = processId ? OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId) : nullptr;

    // The square of the move performed last in slow animation.
    uint32_t lastX = 0, lastY = 0;
    // Quick reads in a row that showed no change, and whether the next pass
    // rebuilds the logic board from a full read.
    uint32_t stillPolls = 0;
    bool rebuild = false;
    uint32_t failedReads = 0;  // full reads in a row that failed
    // Tick count of the last read that showed the board (or a change on it).
    uint32_t lastProgress = TickCount();

    // Main loop.
    while (!stop.load(std::memory_order_acquire)) {
        const uint32_t animation = SaverSettings.AnimationMode;
        if (face->IsGameClosed()) break;
        if (SaverState.BlankScreenActive && TickCount() - lastProgress > kBlankFinishStallMs) {
            LeaveTopMost(gameWindow);
            break;
        }

        bool changed = false;
        bool updated = false;  // the quick read gave a board to act on
        if (inGame && board && !Finished(board)) {
            if (face->UpdateBoard(board, &changed, animation == 2)) {
                if (changed) lastProgress = TickCount();
                if (!changed && face->GetActionCount() == 0 && ++stillPolls < kStillPollsBeforeFullRead) {
                    SleepMs(10);
                    continue;
                }
                if (changed || face->GetActionCount() > 0) {
                    KeepPlacedFlags(board, placedFlags);
                    updated = true;
                } else {
                    // Nothing moved for a long while: the last pass found no
                    // move (a misread board leaves the solver without one) or
                    // its click was lost. Read the board afresh and rebuild.
                    rebuild = true;
                }
            }
        }
        stillPolls = 0;
        if (!updated) {
            WaitUntilIdle(process);
            if (!face->ReadBoard(&board)) {
                if (board && (board->Width != face->Width || board->Height != face->Height)) {
                    delete board;
                    board = nullptr;
                }
                if (logic && (logic->Width != face->Width || logic->Height != face->Height)) {
                    delete logic;
                    logic = nullptr;
                }
                // Reads fail while another window covers the board. Under Wine
                // the order of top-most windows does not always hold, so the
                // game, top-most for the whole run, is raised again now and then.
                // A custom-field dialog that opened only after its use had
                // given up on it covers the board too, and blocks the game.
                if (++failedReads % kFailedReadsBeforeRaise == 0) {
                    SettleCustomDialog(gameWindow);
                    SetWindowPos(gameWindow, HWND_TOPMOST, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
                }
                SleepMs(10);
                continue;
            }
            failedReads = 0;
            lastProgress = TickCount();
            if (inGame) KeepPlacedFlags(board, placedFlags);
            if (!inGame && board->State != NotStarted) {
                // Not seen from its start: act only on a board that holds still.
                WaitUntilIdle(process);
                changed = false;
                if (!face->UpdateBoard(board, &changed, false) || changed) {
                    SleepMs(10);
                    continue;
                }
            }
        }
        if (!board) continue;

        if (Finished(board)) {
            // End of game.
            if (inGame) {
                if (current.Level < 3) {
                    if (board->State == Won)
                        ++GameStatistics.WonThisRun[current.Level];
                    else
                        ++GameStatistics.LostThisRun[current.Level];
                }
                inGame = false;
                SaverState.StatisticsChanged = true;
            }
            if (SaverState.BlankScreenActive) {
                LeaveTopMost(gameWindow);
                break;
            }
            if (animation == 2) Pause(500 + static_cast<uint32_t>(NextRandom() % 2000));
            face->NewGame();
            if (SaverSettings.GameMode == 5 && SaverState.LevelChangeDue) {
                current.Level = ChooseRandomLevel();
                SaverState.LevelChangeDue = false;
                SaverState.CurrentLevel = current.Level;
                face->SetGameSettings(&current);
                face->ReapplyCustomField();
                SettleCustomDialog(gameWindow);
                PlaceOnDesktop(gameWindow);
            }
            if (SaverState.MoveGameRequested) MoveToRandomPlace(gameWindow);
            continue;
        }

        // Solving pass.
        if (board->State == NotStarted) {
            inGame = true;
            placedFlags.assign(static_cast<size_t>(board->Width) * board->Height, 0);
            if (logic) logic->Rebuild(board);
        }
        face->AbortFlag = &stop;
        if (animation == 1) {
            face->PauseAfterAction = true;
            face->PauseTime = 10;
            face->QueueThreshold = 0.0;
        } else if (animation == 2) {
            face->PauseAfterAction = true;
            face->PauseTime = 50;
            face->QueueThreshold = 2.0;
        } else {
            face->QueueThreshold = 0.0;
            face->QueueFlags = true;
        }
        face->ClearActions();
        if (!logic) {
            logic = new CLogicMineSweeperBoard(face->Width, face->Height);
            logic->Rebuild(board);
        } else if (animation == 2 || rebuild) {
            logic->Rebuild(board);
        } else if (!logic->Update(board)) {
            logic->Rebuild(board);
        }
        rebuild = false;
        if (!logic->ApplySimpleRules(board, face)) logic->Solve(face, &stop, board);

        if (animation == 1 && placedFlags.size() == static_cast<size_t>(board->Width) * board->Height) {
            // Every flag is placed at once here, so each flag on the board is real.
            for (size_t i = 0; i < placedFlags.size(); ++i)
                if (!board->Squares[i].Opened && board->Squares[i].Mark == SquareMark::Flag) placedFlags[i] = 1;
        }
        if (animation != 2) continue;

        // Slow animation: the queued move nearest to the last one; ties are
        // decided by coin flips as the scan goes on.
        uint32_t best = 0, bestDistance = 0xFFFFFFFFu;
        for (uint32_t i = face->GetActionCount(); i-- > 0;) {
            uint32_t x = 0, y = 0;
            face->GetAction(i, &x, &y, nullptr, nullptr);
            uint32_t distance = (x - lastX) * (x - lastX) + (y - lastY) * (y - lastY);
            if (distance < bestDistance || (distance == bestDistance && NextRandom() % 2 == 0)) {
                best = i;
                bestDistance = distance;
            }
        }
        face->PauseTime = 50 + static_cast<uint32_t>(NextRandom() % 150);
        CMineSweeperInterface::ActionType type = CMineSweeperInterface::Open;
        if (face->GetAction(best, &lastX, &lastY, &type, nullptr) && type == CMineSweeperInterface::Flag &&
            lastX < board->Width && lastY < board->Height &&
            placedFlags.size() == static_cast<size_t>(board->Width) * board->Height)
            placedFlags[static_cast<size_t>(lastX) * board->Height + lastY] = 1;
        face->PerformAction(best);
    }

    // End.
    if (process) CloseHandle(process);
    if (!face->IsGameClosed()) {
        if (!optionAtStart) face->SetGameOptionChecked(false);
        int32_t w = savedRect.right - savedRect.left, h = savedRect.bottom - savedRect.top;
        MoveGame(gameWindow, savedRect.left, savedRect.top, w, h);
        face->SetGameSettings(&saved);
        SettleCustomDialog(gameWindow);
        MoveGame(gameWindow, savedRect.left, savedRect.top, w, h);
        face->SetGameSettings(&saved);
        SettleCustomDialog(gameWindow);
        PostMessageA(gameWindow, WM_CLOSE, 0, 0);
    }
    delete face;
    delete board;
    delete logic;
    return 0;
}
