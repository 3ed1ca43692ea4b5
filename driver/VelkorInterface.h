// The game interface bound to the real game window: launching and finding
// the game, reading the board from its pixels, clicking through window
// messages, and working its menu and custom-field dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Minesweeper.h"
#include "PixelReader.h"

// Level and size of the game as its menu and client area tell.
struct GameSettings {
    uint32_t Level;   // 0 Beginner, 1 Intermediate, 2 Expert, 3 custom field
    uint32_t Width;   // columns
    uint32_t Height;  // rows
    uint32_t Mines;
};

// Starts "velkor.exe" from the current, the system or the Windows directory,
// or else from this program's own folder, and returns its "MineSweeper" window, or null (nothing found, or no window
// within about two seconds; such a process is ended again).
HWND LaunchGame();
// Enumeration callback: stores a window whose title and class are both
// exactly "MineSweeper" into *(HWND*)slot and stops.
BOOL CALLBACK FindGameWindowProc(HWND hwnd, LPARAM slot);

// Search record of FindCustomDialogProc.
struct SCustomDialogSearch {
    HWND GameWindow;  // given
    HWND Dialog;      // found, or null
};
// Enumeration callback: a window owned by the game with edit items 141 to 143.
BOOL CALLBACK FindCustomDialogProc(HWND hwnd, LPARAM search);

class CVelkorInterface : public CMineSweeperInterface {
public:
    uint32_t GameLayout;           // pixels::Layout4 or Layout5, decided by a read without board
    CMineSweeperBoard* Snapshot;   // owned, may be null; the board exactly as last read
    uint32_t TotalMines;           // flags seen plus the counter at the last full read
    HBITMAP BoardBitmap;           // owned, may be null; receives the copied board area
    HWND GameWindow;               // not owned
    int32_t NewGameMines;          // the counter a new game shows; -1 when not known (set by the player)
    uint32_t ClicksSent;           // clicks that reached the game (wraps): a move that changed something
    // Searches for the custom-field dialog, 100 ms apart, before it is given
    // up for missing (a stop request ends the search earlier).
    static constexpr uint32_t kDialogAttempts = 11;
    uint32_t DialogAttempts = kDialogAttempts;

    explicit CVelkorInterface(HWND gameWindow);
    ~CVelkorInterface() override;

    bool ReadBoard(CMineSweeperBoard** board) override;
    bool NewGame() override;
    bool OpenSquare(uint32_t x, uint32_t y) override;
    bool FlagSquare(uint32_t x, uint32_t y) override;
    bool UnflagSquare(uint32_t x, uint32_t y) override;
    bool MoveCursorToSquare(uint32_t x, uint32_t y) override;

    // Incremental read against the player's board. True: the board is valid
    // (and updated when *changed is set); false: read the board in full.
    // *read (may be null) tells whether the screen was read at all: a true
    // result without it (board hidden, counter unreadable, a picture not at
    // rest yet) gives nothing to act on.
    bool UpdateBoard(CMineSweeperBoard* board, bool* changed, bool tolerant, bool* read = nullptr);
    // True when every grid point of the board shows the game window on the desktop.
    bool IsBoardVisible();
    bool ReadMineCounter(int32_t* value);

    bool GetGameSettings(GameSettings* settings, bool readCustomMines);
    bool SetGameSettings(const GameSettings* settings);
    bool ReapplyCustomField();
    bool IsGameOptionChecked();
    // The option item: 1 checked, 0 unchecked, -1 unknown (the game did not
    // answer in time, or is gone). Unknown is not unchecked.
    int GameOptionState();
    bool SetGameOptionChecked(bool checked);
    bool IsGameClosed();

    // Fills the process-wide reference colours for the screen showing the
    // window, once per process.
    static void InitScreenColors(HWND window);
    static pixels::SColorTable ScreenColors();

private:
    void* BoardBits;        // pixels of BoardBitmap (a 32-bit top-down section)
    int32_t BitmapWidth;    // size of BoardBitmap
    int32_t BitmapHeight;

    std::vector<uint8_t> OwnOpened;        // squares this game's clicks opened, column-major
    bool NewGameAsked;                     // NewGame sent, no read has shown the new game yet
    uint32_t NewGameAskedAt;               // tick count of that NewGame
    uint32_t NotAtRestSince;               // tick count of the first of the reads in a row not at rest; 0 none
    std::vector<uint32_t> PreviousCapture; // the capture before the last, to see the picture settle

    bool ClientSize(int32_t* width, int32_t* height);
    // The twelve counter points show the game window.
    bool IsCounterVisible();
    // Captures the board area once the game has handled the moves sent to
    // it and painted them: two captures in a row agree. False when the
    // picture kept changing, or nothing could be copied.
    bool CaptureSettled(pixels::SPixelView* view);
    // Classifies the whole board and counter of one capture into picture.
    // False when the counter is unreadable or a lost board does not add up.
    bool ReadPicture(const pixels::SPixelView& view, CMineSweeperBoard* picture, pixels::SReadNotes* notes);
    // The picture agrees with the moves made (see pixels::ReadIsAtRest).
    bool IsAtRest(const CMineSweeperBoard& picture);
    bool ClientMatchesBoard(int32_t clientWidth, int32_t clientHeight, const CMineSweeperBoard* board) const;
    // Copies the board area of the Snapshot's size into BoardBitmap; false
    // when nothing could be copied.
    bool CopyBoardArea(pixels::SPixelView* view);
    void DeleteBoardBitmap();
    // True when both messages reached the game; a lost button-up is sent again.
    bool Click(uint32_t x, uint32_t y, UINT down, UINT up, WPARAM downKeys);
    HWND OpenCustomDialog();
    // 1 checked, 0 unchecked, -1 when the menu cannot be read from here.
    int MenuItemState(UINT command);
    bool MenuItemChecked(UINT command);
};
