// The player thread: takes the game over, plays game after game on its
// window, counts the games it saw from their start, and gives the game back
// as the user left it.
#include "PlayerThread.h"

#include <atomic>
#include <cstdint>
#include <vector>

#include "Clock.h"
#include "PlayerRules.h"
#include "Random.h"
#include "Saver.h"
#include "SaverState.h"

namespace {

const uint32_t kCustomLevel = 3;
// How long the hand-back waits for the game to show the user's settings
// before it sends them again.
const uint32_t kSettingsWaitMs = 2000;
// The stop flag of the hand-back: it runs after the stop request, and its
// dialog search is bounded by kHandBackDialogAttempts instead.
const std::atomic<bool> kNoStop{false};
// The reads and writes of the user's custom field search for its dialog
// about 3 s, not 1.1 s, so that a late dialog is used rather than cancelled
// as a stray, and still within the session end's time (kPlayerStopWaitMs +
// kSessionHandBackMs).
const uint32_t kHandBackDialogAttempts = 30;

// Waits in 1 ms steps; a stop request ends the wait at once.
void Pause(uint32_t ms) {
    uint32_t start = TickCount();
    while (TickCount() - start < ms && !SaverState.StopRequested.load(std::memory_order_acquire)) SleepMs(1);
}

// Moves of the game window do not wait for the game: a move that waits can
// hold this thread as long as the game's thread is busy (under Wine while it
// withdraws a closed dialog), past the run's wait for this thread. Such a
// move reaches the game ahead of the commands posted to it before, so it
// never sets the size: the game sizes its window to its field itself, and a
// size read before a field change would be stale.
const UINT kMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;

void MoveGame(HWND game, int32_t left, int32_t top) { SetWindowPos(game, nullptr, left, top, 0, 0, kMoveFlags); }

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
void PublishGameRect(const SSaverRect& r) {
    SaverState.GameRectLeft = r.Left;
    SaverState.GameRectTop = r.Top;
    SaverState.GameRectRight = r.Right;
    SaverState.GameRectBottom = r.Bottom;
    SaverState.OverlayLayoutPending.store(true, std::memory_order_release);
    PostMessageA(static_cast<HWND>(SaverState.SaverWindow.load()), WM_APP, 0, 0);
}

SSaverRect WindowPlace(HWND window) {
    RECT r{0, 0, 0, 0};
    GetWindowRect(window, &r);
    return SSaverRect{r.left, r.top, r.right, r.bottom};
}

// Shifts the game window into the desktop without changing its size.
void PlaceOnDesktop(HWND game) {
    SSaverRect w = ShiftIntoDesktop(WindowPlace(GetDesktopWindow()), WindowPlace(game));
    MoveGame(game, w.Left, w.Top);
    PublishGameRect(w);
}

void MoveToRandomPlace(HWND game) {
    SSaverRect d = WindowPlace(GetDesktopWindow()), w = WindowPlace(game);
    SSaverRect to = RandomPlace(d, w.Right - w.Left, w.Bottom - w.Top);
    MoveGame(game, to.Left, to.Top);
    SaverState.MoveGameRequested = false;
    PublishGameRect(to);
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
// stays unanswered. A stop request ends the wait.
void SettleCustomDialog(HWND game, const std::atomic<bool>& stop = SaverState.StopRequested) {
    DWORD thread = GetWindowThreadProcessId(game, nullptr);
    uint32_t start = TickCount(), visibleSince = 0;
    bool visible = false;
    while (thread && TickCount() - start < 4000 && !stop.load(std::memory_order_acquire)) {
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

// Waits until the game shows the level and size of the settings (at most
// kSettingsWaitMs): the posted level command has then been taken, and a game
// that moves its window when the field changes size has done so. False when
// it does not show them in that time.
bool WaitForSettings(CVelkorInterface* face, const GameSettings& want) {
    if (want.Level > kCustomLevel) return true;  // nothing was sent
    uint32_t start = TickCount();
    for (;;) {
        GameSettings now = want;
        if (!face->GetGameSettings(&now, false)) return false;
        if (now.Level == want.Level && now.Width == want.Width && now.Height == want.Height) return true;
        if (TickCount() - start >= kSettingsWaitMs) return false;
        SleepMs(10);
    }
}

bool Finished(const CMineSweeperBoard* board) { return board->State == Won || board->State == Lost; }

// The mine count a new game of the level shows; -1 for a custom field,
// which the game may have brought into its limits.
int32_t NewGameMines(const GameSettings& s) {
    static const int32_t kMines[3] = {10, 40, 99};
    return s.Level < 3 ? kMines[s.Level] : -1;
}

void NoteProgress(SPlayer* p) {
    p->LastProgress = TickCount();
    p->StallRebuilds = 0;
}

// A stall asks for a fresh read and a rebuild; after a few such rebuilds
// without progress the game is given up (see PlayerPass).
void StallRebuild(SPlayer* p) {
    p->Rebuild = true;
    ++p->StallRebuilds;
}

// The level that GameMode asks for first.
GameSettings FirstSettings() {
    GameSettings s{0, 0, 0, 0};
    switch (SaverSettings.GameMode.load()) {
        case 1: s.Level = 0; break;
        case 2: s.Level = 1; break;
        case 3: s.Level = 2; break;
        case 4:
            s.Level = kCustomLevel;
            s.Width = SaverSettings.CustomGameWidth;
            s.Height = SaverSettings.CustomGameHeight;
            s.Mines = SaverSettings.CustomGameMines;
            break;
        default: s.Level = ChooseRandomLevel(); break;
    }
    return s;
}

// The interface's action policy from the animation mode.
void SetActionPolicy(CVelkorInterface* face, uint32_t animation) {
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
}

// A failed full read: a board or logic board of another size is dropped.
// Reads fail while another window covers the board. Under Wine the order of
// top-most windows does not always hold, so the game, top-most for the whole
// run, is raised again now and then. A custom-field dialog that opened only
// after its use had given up on it covers the board too, and blocks the game.
void ReadFailed(SPlayer* p) {
    if (p->Board && (p->Board->Width != p->Face->Width || p->Board->Height != p->Face->Height)) {
        delete p->Board;
        p->Board = nullptr;
    }
    if (p->Logic && (p->Logic->Width != p->Face->Width || p->Logic->Height != p->Face->Height)) {
        delete p->Logic;
        p->Logic = nullptr;
    }
    if (++p->FailedReads % kFailedReadsBeforeRaise == 0) {
        SettleCustomDialog(p->GameWindow);
        SetWindowPos(p->GameWindow, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    }
    SleepMs(10);
}

// Slow animation: performs the queued move nearest to the last one.
void PerformNearestMove(SPlayer* p) {
    CVelkorInterface* face = p->Face;
    uint32_t best = PickNearestMove(face->GetActionCount(), p->LastX, p->LastY,
                                    [face](uint32_t i, uint32_t* x, uint32_t* y) {
                                        face->GetAction(i, x, y, nullptr, nullptr);
                                    });
    face->PauseTime = SlowPauseTime();
    CMineSweeperInterface::ActionType type = CMineSweeperInterface::Open;
    if (face->GetAction(best, &p->LastX, &p->LastY, &type, nullptr) && type == CMineSweeperInterface::Flag &&
        p->LastX < p->Board->Width && p->LastY < p->Board->Height && PlacedFitsBoard(p->PlacedFlags, p->Board))
        p->PlacedFlags[static_cast<size_t>(p->LastX) * p->Board->Height + p->LastY] = 1;
    face->PerformAction(best);
}

}  // namespace

SPlayer::~SPlayer() {
    if (Process) CloseHandle(Process);
    delete Face;
    delete Board;
    delete Logic;
}

void PlayerStart(SPlayer* p, HWND game) {
    p->GameWindow = game;
    p->InGame = false;
    p->Face = new CVelkorInterface(game);
    // The game's dialogs are searched for up to a second; a stop request
    // must cut that short already during the start.
    p->Face->AbortFlag = &SaverState.StopRequested;
    for (int level = 0; level < 3; ++level) {
        GameStatistics.WonThisRun[level] = 0;
        GameStatistics.LostThisRun[level] = 0;
    }

    GetWindowRect(game, &p->SavedRect);
    // A level that cannot be read is not set back at the end.
    p->Saved = GameSettings{4, 0, 0, 0};
    // The user's custom field is read through its dialog, which a slow game
    // opens late: searched for as long as at the hand-back, or it is lost.
    p->Face->DialogAttempts = kHandBackDialogAttempts;
    p->Face->GetGameSettings(&p->Saved, true);
    p->Face->DialogAttempts = CVelkorInterface::kDialogAttempts;
    SettleCustomDialog(game);
    // An option whose state could not be read (the game did not answer in
    // time) is left as it is: switched on now, it could not be given back.
    p->OptionAtStart = p->Face->GameOptionState();
    if (p->OptionAtStart == 0) p->Face->SetGameOptionChecked(true);

    SeedRandom(TickCount());

    p->Current = FirstSettings();
    SaverState.CurrentLevel = p->Current.Level;
    p->Face->SetGameSettings(&p->Current);
    SettleCustomDialog(game);
    if (p->Current.Level != kCustomLevel) p->Face->ReapplyCustomField();
    SettleCustomDialog(game);

    PlaceOnDesktop(game);

    DWORD processId = 0;
    GetWindowThreadProcessId(game, &processId);
    p->Process = processId ? OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId) : nullptr;
    p->Face->NewGameMines = NewGameMines(p->Current);
    NoteProgress(p);
}

bool PlayerPass(SPlayer* p) {
    const uint32_t animation = SaverSettings.AnimationMode;
    if (p->Face->IsGameClosed()) return false;
    if (SaverState.BlankScreenActive && TickCount() - p->LastProgress > kBlankFinishStallMs) {
        LeaveTopMost(p->GameWindow);
        return false;
    }
    const bool stalled = p->InGame && p->StallRebuilds >= kStallRebuildsBeforeGiveUp;
    if (stalled || TickCount() - p->LastProgress > kStallGiveUpMs) {
        // A game that gives no move however often it is read afresh is
        // given up for a new one, and counted neither won nor lost; so is
        // one not seen from its start whose picture never comes to rest.
        p->InGame = false;
        p->FullRead = false;
        p->IdlePasses = 0;
        p->Face->NewGame();
        NoteProgress(p);
        return true;
    }
    if (!PlayerRead(p, animation)) return true;
    const uint32_t opened = CountOpened(p->Board);
    if (opened > p->OpenedSeen) NoteProgress(p);
    p->OpenedSeen = opened;
    if (Finished(p->Board)) return PlayerEndOfGame(p, animation);
    PlayerSolvingPass(p, animation);
    return true;
}

bool PlayerRead(SPlayer* p, uint32_t animation) {
    CVelkorInterface* face = p->Face;
    bool changed = false;
    bool updated = false;  // the quick read gave a board to act on
    if (p->InGame && p->Board && !Finished(p->Board)) {
        if (p->FullRead) {
            // The logic board refused the last board: a fresh full read,
            // and a rebuild from it.
            p->FullRead = false;
            p->Rebuild = true;
        } else if (p->IdlePasses >= kIdlePassesBeforeRebuild) {
            // The solver keeps finding no move on a board that seems to
            // change: its incremental view went wrong. Read afresh and rebuild.
            p->IdlePasses = 0;
            StallRebuild(p);
        } else {
            bool read = false;
            bool valid = face->UpdateBoard(p->Board, &changed, animation == 2, &read);
            switch (AfterQuickRead(valid, read, changed, face->GetActionCount(), p->StillPolls + 1,
                                   kStillPollsBeforeFullRead)) {
                case EQuickRead::Poll:
                    ++p->StillPolls;
                    SleepMs(10);
                    return false;
                case EQuickRead::Act:
                    KeepPlacedFlags(p->Board, p->PlacedFlags);
                    updated = true;
                    break;
                case EQuickRead::ReadInFull:
                    // Nothing moved for a long while: the last pass found
                    // no move or its click was lost. Read afresh and rebuild.
                    if (valid) StallRebuild(p);
                    break;
            }
        }
    }
    p->StillPolls = 0;
    if (!updated) {
        WaitUntilIdle(p->Process);
        if (!face->ReadBoard(&p->Board)) {
            ReadFailed(p);
            return false;
        }
        p->FailedReads = 0;
        if (p->InGame) KeepPlacedFlags(p->Board, p->PlacedFlags);
        if (!p->InGame && p->Board->State != NotStarted) {
            // Not seen from its start: act only on a board that holds still.
            WaitUntilIdle(p->Process);
            changed = false;
            bool read = false;
            if (!face->UpdateBoard(p->Board, &changed, false, &read) || !read || changed) {
                SleepMs(10);
                return false;
            }
        }
    }
    return p->Board != nullptr;
}

bool PlayerEndOfGame(SPlayer* p, uint32_t animation) {
    if (p->InGame) {
        if (p->Current.Level < 3) {
            if (p->Board->State == Won)
                ++GameStatistics.WonThisRun[p->Current.Level];
            else
                ++GameStatistics.LostThisRun[p->Current.Level];
        }
        p->InGame = false;
        SaverState.StatisticsChanged = true;
    }
    if (SaverState.BlankScreenActive) {
        LeaveTopMost(p->GameWindow);
        return false;
    }
    if (animation == 2) Pause(500 + static_cast<uint32_t>(NextRandom() % 2000));
    p->Face->NewGame();
    NoteProgress(p);
    if (SaverSettings.GameMode == 5 && SaverState.LevelChangeDue) {
        p->Current.Level = ChooseRandomLevel();
        SaverState.LevelChangeDue = false;
        SaverState.CurrentLevel = p->Current.Level;
        p->Face->SetGameSettings(&p->Current);
        p->Face->ReapplyCustomField();
        SettleCustomDialog(p->GameWindow);
        PlaceOnDesktop(p->GameWindow);
        p->Face->NewGameMines = NewGameMines(p->Current);
    }
    if (SaverState.MoveGameRequested) MoveToRandomPlace(p->GameWindow);
    return true;
}

void PlayerSolvingPass(SPlayer* p, uint32_t animation) {
    CVelkorInterface* face = p->Face;
    CMineSweeperBoard* board = p->Board;
    if (board->State == NotStarted) {
        p->InGame = true;
        p->PlacedFlags.assign(static_cast<size_t>(board->Width) * board->Height, 0);
        if (p->Logic) p->Logic->Rebuild(board);
    }
    face->AbortFlag = &SaverState.StopRequested;
    SetActionPolicy(face, animation);
    face->ClearActions();
    if (!p->Logic) {
        p->Logic = new CLogicMineSweeperBoard(face->Width, face->Height);
        p->Logic->Rebuild(board);
    } else if (p->Rebuild) {
        // A stall or a refused board: the player's own flags are decided
        // afresh, so that one a fresh read proves wrong comes off.
        ForgetPlacedFlags(board, p->PlacedFlags);
        p->Logic->Rebuild(board);
    } else if (animation == 2) {
        p->Logic->Rebuild(board);
    } else if (!p->Logic->Update(board)) {
        // A number that changed, or a square the logic board holds open
        // shown covered: this board is not taken in. Read afresh, rebuild.
        p->FullRead = true;
        return;
    }
    p->Rebuild = false;
    const uint32_t moves = face->MovesPerformed, clicks = face->ClicksSent;
    if (!p->Logic->ApplySimpleRules(board, face)) p->Logic->Solve(face, &SaverState.StopRequested, board);

    if (animation == 1 && PlacedFitsBoard(p->PlacedFlags, board)) {
        // Every flag is placed at once here, so each flag on the board is real.
        for (size_t i = 0; i < p->PlacedFlags.size(); ++i)
            if (!board->Squares[i].Opened && board->Squares[i].Mark == SquareMark::Flag) p->PlacedFlags[i] = 1;
    }
    if (animation == 2) PerformNearestMove(p);
    p->IdlePasses = face->MovesPerformed == moves ? p->IdlePasses + 1 : 0;
    if (face->ClicksSent != clicks) NoteProgress(p);
}

void PlayerEnd(SPlayer* p) {
    if (p->Process) CloseHandle(p->Process);
    p->Process = nullptr;
    if (!p->Face->IsGameClosed()) {
        // The user's field is given back in full even after a stop request,
        // through a dialog that opens late too. What the game keeps when it
        // closes (option, level and field) comes first, once: at a session
        // end the process may be ended a few seconds after the stop.
        HWND game = p->GameWindow;
        p->Face->AbortFlag = &kNoStop;
        p->Face->DialogAttempts = kHandBackDialogAttempts;
        if (p->OptionAtStart == 0) p->Face->SetGameOptionChecked(false);
        p->Face->SetGameSettings(&p->Saved);
        SettleCustomDialog(game, kNoStop);
        // Sent again only when the game does not show them.
        if (!WaitForSettings(p->Face, p->Saved)) {
            p->Face->SetGameSettings(&p->Saved);
            SettleCustomDialog(game, kNoStop);
        }
        // The place once the game has taken the settings, which may have moved its window.
        MoveGame(game, p->SavedRect.left, p->SavedRect.top);
        PostMessageA(game, WM_CLOSE, 0, 0);
    }
    delete p->Face;
    p->Face = nullptr;
    delete p->Board;
    p->Board = nullptr;
    delete p->Logic;
    p->Logic = nullptr;
}

DWORD WINAPI PlayerThreadProc(LPVOID parameter) {
    SPlayer p;
    PlayerStart(&p, static_cast<HWND>(parameter));
    while (!SaverState.StopRequested.load(std::memory_order_acquire) && PlayerPass(&p)) {
    }
    PlayerEnd(&p);
    return 0;
}
