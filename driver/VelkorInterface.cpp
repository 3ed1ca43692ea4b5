#include "VelkorInterface.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "SaverState.h"

namespace {

// The game must answer a message within this time; a hung game must not
// hang the player thread with it.
const UINT kSendTimeoutMs = 2000;

LRESULT SendToGame(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, bool* delivered = nullptr) {
    DWORD_PTR result = 0;
    LRESULT ok =
        SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    if (delivered) *delivered = ok != 0;
    return static_cast<LRESULT>(result);
}

// A pointer move as the hook library reports one to the saver window.
const UINT kReportMouseMove = 0x8000 + WM_MOUSEMOVE;

// A point as mouse messages carry it: x in the low and y in the high 16 bits.
LPARAM PackPoint(int32_t x, int32_t y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x & 0xFFFF), static_cast<WORD>(y & 0xFFFF)));
}

// A picture is captured again after this gap until two in a row agree, at
// most this many times.
const DWORD kCaptureGapMs = 5;
const int kCaptureAttempts = 10;
// A new game that no read shows within this time was not started (the
// command was lost): reads then take the board as it is.
const DWORD kNewGameWaitMs = 1000;
// Reads not at rest for this long: the squares this game's clicks opened
// are no longer required to show opened (a click the game dropped), so
// that the player reads the board as it is and rebuilds. A square held
// pressed stays refused.
const DWORD kNotAtRestLimitMs = 3000;

// Menu commands and dialog items of the game.
const UINT kCmdNewGame = 510;
const UINT kCmdLevel0 = 521;  // Beginner; 522, 523 follow
const UINT kCmdCustom = 524;
const UINT kCmdOption = 529;
const int kItemHeight = 141;
const int kItemWidth = 142;
const int kItemMines = 143;

// The reference colours as this process's reads see them; filled once.
std::atomic<uint32_t> gScreenColors[pixels::ColorCount];

// A 32-bit top-down section that a block transfer can fill and the pixel
// functions can read without a call per pixel.
HBITMAP CreatePixelSection(HDC reference, int32_t width, int32_t height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

// Copies a rectangle of the source DC into the section at (0, 0).
bool BlockCopy(HDC source, HBITMAP section, int32_t x, int32_t y, int32_t width, int32_t height) {
    HDC mem = CreateCompatibleDC(source);
    if (!mem) return false;
    HGDIOBJ old = SelectObject(mem, section);
    bool ok = old && BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    if (old) SelectObject(mem, old);
    DeleteDC(mem);
    return ok;
}

// At low colour depths the screen shows each reference colour as some
// nearby colour; learn which by drawing them into a bitmap of the screen's
// depth and reading that back the way the board is read.
void LearnDeviceColors(HDC dc, uint32_t* out) {
    for (int i = 0; i < pixels::ColorCount; ++i) out[i] = GetNearestColor(dc, pixels::kExactColors[i]) & 0xFFFFFF;
    HBITMAP device = CreateCompatibleBitmap(dc, pixels::ColorCount, 1);
    HDC mem = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP section = CreatePixelSection(dc, pixels::ColorCount, 1, &bits);
    if (device && mem && section) {
        HGDIOBJ old = SelectObject(mem, device);
        if (old) {
            for (int i = 0; i < pixels::ColorCount; ++i) SetPixelV(mem, i, 0, out[i]);
            if (BlockCopy(mem, section, 0, 0, pixels::ColorCount, 1)) {
                pixels::SPixelView view{static_cast<const uint32_t*>(bits), pixels::ColorCount, 1,
                                        static_cast<size_t>(pixels::ColorCount)};
                for (int i = 0; i < pixels::ColorCount; ++i) out[i] = view.At(i, 0);
            }
            SelectObject(mem, old);
        }
    }
    if (section) DeleteObject(section);
    if (mem) DeleteDC(mem);
    if (device) DeleteObject(device);
}

bool SameSquare(const SMineSweeperSquare& a, const SMineSweeperSquare& b) {
    return a.Opened == b.Opened && a.Mine == b.Mine && a.Number == b.Number && a.Mark == b.Mark;
}

// Layout-5 rules for a square the screen shows differently from the
// player's board: true when the difference cannot come from play.
bool IsContradiction(const SMineSweeperSquare& n, const SMineSweeperSquare& o, bool* keepFlag) {
    *keepFlag = false;
    if (n.Opened) {
        if (o.Opened && o.Number >= 0 && (o.Number != n.Number || o.Mark != n.Mark)) return true;
        if (!o.Opened && (o.Mark == SquareMark::Flag || o.Mine)) return true;
        return false;
    }
    if (o.Opened) return true;
    if (o.Mark != SquareMark::Flag && n.Mark == SquareMark::Flag) return true;
    // The player marked a mine it has not flagged (yet): keep its mark.
    if (o.Mine && !n.Mine) *keepFlag = true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Launching and finding the game

BOOL CALLBACK FindGameWindowProc(HWND hwnd, LPARAM slot) {
    static const char kName[] = "MineSweeper";
    char title[256], cls[256];
    int titleLength = GetWindowTextA(hwnd, title, sizeof title);
    int classLength = GetClassNameA(hwnd, cls, sizeof cls);
    if (titleLength < 0 || classLength <= 0) return TRUE;
    title[titleLength] = '\0';
    if (std::strcmp(title, kName) != 0 || std::strcmp(cls, kName) != 0) return TRUE;
    HWND* out = reinterpret_cast<HWND*>(slot);
    if (out) *out = hwnd;
    return FALSE;
}

namespace {
bool StartGame(char* path, PROCESS_INFORMATION* pi) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi) != 0;
}

// Puts dir\velkor.exe into path (MAX_PATH characters); false when it does not fit.
bool GamePathIn(char* path, UINT dirLength) {
    static const char kExe[] = "velkor.exe";
    if (dirLength == 0 || dirLength >= MAX_PATH) return false;
    size_t n = std::strlen(path);
    if (n > 0 && path[n - 1] != '\\') path[n++] = '\\';
    if (n + sizeof kExe > MAX_PATH) return false;
    std::memcpy(path + n, kExe, sizeof kExe);
    return true;
}
}  // namespace

HWND LaunchGame() {
    char path[MAX_PATH] = "velkor.exe";
    PROCESS_INFORMATION pi{};
    bool started = StartGame(path, &pi);
    if (!started) {
        UINT n = GetSystemDirectoryA(path, MAX_PATH);
        started = GamePathIn(path, n) && StartGame(path, &pi);
    }
    if (!started) {
        UINT n = GetWindowsDirectoryA(path, MAX_PATH);
        started = GamePathIn(path, n) && StartGame(path, &pi);
    }
    if (!started) {
        // The folder of this program: the bundle's three files may stay
        // together anywhere, and the system starts a screen saver with
        // another current directory.
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        char* slash = n > 0 && n < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
        if (slash) slash[1] = '\0';
        started = slash && GamePathIn(path, static_cast<UINT>(slash + 1 - path)) && StartGame(path, &pi);
    }
    if (!started) return nullptr;
    if (WaitForInputIdle(pi.hProcess, 50) == WAIT_FAILED) Sleep(50);
    CloseHandle(pi.hThread);
    Sleep(10);
    HWND found = nullptr;
    for (int attempt = 0; attempt < 20; ++attempt) {
        EnumThreadWindows(pi.dwThreadId, FindGameWindowProc, reinterpret_cast<LPARAM>(&found));
        if (found) break;
        Sleep(100);
    }
    // A game that never showed its window would run on unseen and unused.
    if (!found) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return found;
}

// ---------------------------------------------------------------------------
// Object

CVelkorInterface::CVelkorInterface(HWND gameWindow)
    : GameLayout(pixels::Layout5),
      Snapshot(nullptr),
      TotalMines(0),
      BoardBitmap(nullptr),
      GameWindow(gameWindow),
      NewGameMines(-1),
      ClicksSent(0),
      BoardBits(nullptr),
      BitmapWidth(0),
      BitmapHeight(0),
      NewGameAsked(false),
      NewGameAskedAt(0),
      NotAtRestSince(0) {
    InitScreenColors(gameWindow);
}

CVelkorInterface::~CVelkorInterface() {
    delete Snapshot;
    DeleteBoardBitmap();
}

bool CVelkorInterface::IsGameClosed() { return !IsWindow(GameWindow); }

void CVelkorInterface::InitScreenColors(HWND window) {
    if (gScreenColors[pixels::White].load(std::memory_order_acquire) != 0) return;
    uint32_t table[pixels::ColorCount];
    std::memcpy(table, pixels::kExactColors, sizeof table);
    HDC dc = GetDC(window);
    if (dc) {
        int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
        if (bits >= 1 && bits < 24) LearnDeviceColors(dc, table);
        ReleaseDC(window, dc);
    }
    // White last: it tells that the table is complete.
    for (int i = 0; i < pixels::ColorCount; ++i)
        if (i != pixels::White) gScreenColors[i].store(table[i], std::memory_order_relaxed);
    gScreenColors[pixels::White].store(table[pixels::White] ? table[pixels::White] : 0xFFFFFF,
                                       std::memory_order_release);
}

pixels::SColorTable CVelkorInterface::ScreenColors() {
    pixels::SColorTable t;
    for (int i = 0; i < pixels::ColorCount; ++i) t.Value[i] = gScreenColors[i].load(std::memory_order_acquire);
    return t;
}

// ---------------------------------------------------------------------------
// Reading

bool CVelkorInterface::ClientSize(int32_t* width, int32_t* height) {
    RECT rc;
    if (!GetClientRect(GameWindow, &rc)) return false;
    if (rc.left >= rc.right || rc.top >= rc.bottom) return false;
    *width = rc.right - rc.left;
    *height = rc.bottom - rc.top;
    return true;
}

bool CVelkorInterface::ClientMatchesBoard(int32_t clientWidth, int32_t clientHeight,
                                          const CMineSweeperBoard* board) const {
    int32_t cw, ch;
    pixels::ClientSizeForBoard(board->Width, board->Height, GameLayout, &cw, &ch);
    return cw == clientWidth && ch == clientHeight;
}

void CVelkorInterface::DeleteBoardBitmap() {
    if (BoardBitmap) DeleteObject(BoardBitmap);
    BoardBitmap = nullptr;
    BoardBits = nullptr;
    BitmapWidth = BitmapHeight = 0;
}

bool CVelkorInterface::CopyBoardArea(pixels::SPixelView* view) {
    // The counter comes from the same copy as the squares; a narrow board's
    // area would end before the counter's last digit.
    int32_t width = pixels::BoardAreaWidth(Snapshot->Width);
    if (width < pixels::CounterLeft + pixels::CounterWidth) width = pixels::CounterLeft + pixels::CounterWidth;
    int32_t height = pixels::BoardAreaHeight(Snapshot->Height);
    HDC dc = GetDC(GameWindow);
    if (!dc) return false;
    if (!BoardBitmap || BitmapWidth != width || BitmapHeight != height) {
        DeleteBoardBitmap();
        BoardBitmap = CreatePixelSection(dc, width, height, &BoardBits);
        if (BoardBitmap) {
            BitmapWidth = width;
            BitmapHeight = height;
        }
    }
    bool ok = BoardBitmap && BlockCopy(dc, BoardBitmap, 0, 0, width, height);
    ReleaseDC(GameWindow, dc);
    if (!ok) return false;
    *view = pixels::SPixelView{static_cast<const uint32_t*>(BoardBits), width, height, static_cast<size_t>(width)};
    return true;
}

bool CVelkorInterface::IsCounterVisible() {
    if (!IsWindow(GameWindow)) return false;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i) {
            POINT p{17 + 13 * i, 17 + 10 * j};
            if (!ClientToScreen(GameWindow, &p) || WindowFromPoint(p) != GameWindow) return false;
        }
    }
    return true;
}

// The game handles messages sent to it before anything else, and paints
// only when nothing else is waiting in its queue (WM_PAINT is generated
// when the queue is empty). So the round trip of a message that does
// nothing returns once every click sent before it has been handled; the
// picture of those clicks follows as soon as the game gets to paint, and
// two captures in a row that agree tell that it has (a picture caught in
// the middle of its painting differs from the next one).
bool CVelkorInterface::CaptureSettled(pixels::SPixelView* view) {
    SendToGame(GameWindow, WM_NULL, 0, 0);
    if (!CopyBoardArea(view)) return false;
    const size_t n = static_cast<size_t>(view->Width) * static_cast<size_t>(view->Height);
    for (int attempt = 0; attempt < kCaptureAttempts; ++attempt) {
        PreviousCapture.assign(view->Pixels, view->Pixels + n);
        Sleep(kCaptureGapMs);
        if (!CopyBoardArea(view)) return false;
        if (std::memcmp(PreviousCapture.data(), view->Pixels, n * sizeof(uint32_t)) == 0) return true;
    }
    return false;
}

bool CVelkorInterface::ReadPicture(const pixels::SPixelView& view, CMineSweeperBoard* picture,
                                   pixels::SReadNotes* notes) {
    const pixels::SColorTable colors = ScreenColors();
    int32_t counter;
    if (!pixels::ReadCounter(view, 0, 0, colors, &counter)) return false;
    for (uint32_t y = picture->Height; y-- > 0;) {
        for (uint32_t x = picture->Width; x-- > 0;) {
            picture->GetColumn(x)[y] =
                pixels::ClassifySquare(view, pixels::SampleX(x), pixels::SampleY(y), GameLayout, colors, notes);
        }
    }
    picture->MinesLeft = counter;
    picture->State = pixels::BoardStateFromNotes(*notes, counter);
    return !(picture->State == GameState::Lost && counter != notes->MineBalance);
}

bool CVelkorInterface::IsAtRest(const CMineSweeperBoard& picture) {
    const DWORD now = GetTickCount();
    if (NewGameAsked && now - NewGameAskedAt >= kNewGameWaitMs) NewGameAsked = false;
    pixels::SReadExpectation expect;
    const size_t n = static_cast<size_t>(picture.Width) * picture.Height;
    bool ownLapsed = NotAtRestSince != 0 && now - NotAtRestSince >= kNotAtRestLimitMs;
    if (OwnOpened.size() == n && !ownLapsed) expect.OwnOpened = OwnOpened.data();
    expect.NewGame = NewGameAsked;
    expect.NewGameMines = NewGameMines;
    if (!pixels::ReadIsAtRest(picture, expect)) {
        if (NotAtRestSince == 0) NotAtRestSince = now ? now : 1;
        return false;
    }
    NotAtRestSince = 0;
    NewGameAsked = false;
    return true;
}

bool CVelkorInterface::ReadMineCounter(int32_t* value) {
    if (!value || !IsCounterVisible()) return false;
    HDC dc = GetDC(GameWindow);
    if (!dc) return false;
    void* bits = nullptr;
    HBITMAP section = CreatePixelSection(dc, pixels::CounterWidth, pixels::CounterHeight, &bits);
    bool ok = section && BlockCopy(dc, section, pixels::CounterLeft, pixels::CounterTop, pixels::CounterWidth,
                                   pixels::CounterHeight);
    ReleaseDC(GameWindow, dc);
    int32_t counter = 0;
    if (ok) {
        pixels::SPixelView view{static_cast<const uint32_t*>(bits), pixels::CounterWidth, pixels::CounterHeight,
                                static_cast<size_t>(pixels::CounterWidth)};
        ok = pixels::ReadCounter(view, pixels::CounterLeft, pixels::CounterTop, ScreenColors(), &counter);
    }
    if (section) DeleteObject(section);
    if (ok) *value = counter;
    return ok;
}

bool CVelkorInterface::IsBoardVisible() {
    if (!Snapshot || !IsWindow(GameWindow)) return false;
    RECT desktop;
    if (!GetClientRect(GetDesktopWindow(), &desktop)) return false;
    POINT origin{0, 0};
    if (!ClientToScreen(GameWindow, &origin)) return false;
    for (int32_t r = static_cast<int32_t>(Snapshot->Height); r >= 0; --r) {
        for (int32_t c = static_cast<int32_t>(Snapshot->Width); c >= 0; --c) {
            POINT p{origin.x + 12 + 16 * c, origin.y + 55 + 16 * r};
            if (!PtInRect(&desktop, p) || WindowFromPoint(p) != GameWindow) return false;
        }
    }
    return true;
}

bool CVelkorInterface::ReadBoard(CMineSweeperBoard** board) {
    if (!board) return false;
    int32_t cw, ch;
    if (!ClientSize(&cw, &ch)) return false;
    int32_t w, h;
    pixels::BoardSizeFromClient(cw, ch, &w, &h);
    if (*board) {
        if (!ClientMatchesBoard(cw, ch, *board)) {
            Width = w > 0 ? static_cast<uint32_t>(w) : 0;
            Height = h > 0 ? static_cast<uint32_t>(h) : 0;
            return false;
        }
        // The caller's board decides the size, so that the snapshot always
        // matches it and the final copy cannot fail unnoticed.
        Width = (*board)->Width;
        Height = (*board)->Height;
    } else {
        Width = w > 0 ? static_cast<uint32_t>(w) : 0;
        Height = h > 0 ? static_cast<uint32_t>(h) : 0;
        if (!pixels::IsUsableBoardSize(w, h)) return false;
        *board = new CMineSweeperBoard(Width, Height);
        GameLayout = pixels::DecideLayout(Width, Height, cw, ch);
    }
    CMineSweeperBoard* target = *board;
    if (!Snapshot || Snapshot->Width != target->Width || Snapshot->Height != target->Height) {
        delete Snapshot;
        Snapshot = nullptr;
        DeleteBoardBitmap();
        Snapshot = new CMineSweeperBoard(target->Width, target->Height);
        OwnOpened.assign(static_cast<size_t>(Snapshot->Width) * Snapshot->Height, 0);
    }
    TotalMines = 0;
    if (!IsCounterVisible()) return false;
    if (!IsBoardVisible()) return false;
    // Counter and squares from one capture, so that they cannot disagree.
    pixels::SPixelView view;
    if (!CaptureSettled(&view)) return false;
    // A resize during the copy would leave parts of the copy unwritten.
    int32_t cw2, ch2;
    if (!ClientSize(&cw2, &ch2) || cw2 != cw || ch2 != ch) return false;

    CMineSweeperBoard picture(Snapshot->Width, Snapshot->Height);
    pixels::SReadNotes notes;
    if (!ReadPicture(view, &picture, &notes)) return false;
    if (!IsAtRest(picture)) return false;
    Snapshot->CopyFrom(&picture);
    TotalMines = static_cast<uint32_t>(static_cast<int64_t>(notes.FlagsSeen) + picture.MinesLeft);
    return target->CopyFrom(Snapshot);
}

bool CVelkorInterface::UpdateBoard(CMineSweeperBoard* board, bool* changed, bool tolerant, bool* read) {
    bool scratch = false, readScratch = false;
    if (!changed) changed = &scratch;
    if (!read) read = &readScratch;
    *read = false;
    if (!board || !Snapshot || board->Width != Snapshot->Width || board->Height != Snapshot->Height) return false;
    // Nothing read: no change, and (through *read) nothing to act on.
    if (!IsBoardVisible()) {
        *changed = false;
        return true;
    }
    int32_t cw, ch;
    if (!ClientSize(&cw, &ch)) {
        *changed = false;
        return true;
    }
    if (!ClientMatchesBoard(cw, ch, board)) {
        *changed = true;
        return false;
    }
    if (!IsCounterVisible()) {
        *changed = false;
        return true;
    }
    pixels::SPixelView view;
    if (!CaptureSettled(&view)) {
        *changed = false;
        return true;
    }
    int32_t cw2, ch2;
    if (!ClientSize(&cw2, &ch2) || cw2 != cw || ch2 != ch) {
        *changed = true;
        return false;
    }
    CMineSweeperBoard picture(Snapshot->Width, Snapshot->Height);
    pixels::SReadNotes notes;
    if (!ReadPicture(view, &picture, &notes)) {
        // An unreadable counter, or a lost board that does not add up yet.
        *changed = false;
        return picture.State != GameState::Lost;
    }
    if (!IsAtRest(picture)) {
        *changed = false;
        return true;
    }
    *read = true;
    Snapshot->CopyFrom(&picture);

    TArray<SMineSweeperSquare> keptFlags;
    uint32_t changes = 0;
    bool onlyZeroOpenings = true;
    for (uint32_t y = Snapshot->Height; y-- > 0;) {
        for (uint32_t x = Snapshot->Width; x-- > 0;) {
            const SMineSweeperSquare& n = picture.GetColumn(x)[y];
            SMineSweeperSquare& o = board->GetColumn(x)[y];
            if (!SameSquare(n, o)) {
                ++changes;
                if (!tolerant) {
                    bool keep;
                    if (IsContradiction(n, o, &keep)) {
                        *changed = true;
                        return false;
                    }
                    if (keep) keptFlags.Add(&o);
                }
                if (!(n.Opened && n.Number == 0 && n.Mark == SquareMark::None && !o.Opened)) onlyZeroOpenings = false;
            }
        }
    }
    if (static_cast<int64_t>(picture.MinesLeft) + notes.FlagsSeen != static_cast<int64_t>(TotalMines)) return false;
    if (onlyZeroOpenings && picture.State == GameState::Playing) changes = 0;
    *changed = changes > 0;
    if (changes > 0 && keptFlags.Count < changes) {
        board->CopyFrom(Snapshot);
        for (uint32_t i = keptFlags.Count; i-- > 0;) {
            SMineSweeperSquare* s = keptFlags.Items[i];
            s->Mine = 1;
            s->Mark = SquareMark::Flag;
            --board->MinesLeft;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Mouse actions

bool CVelkorInterface::Click(uint32_t x, uint32_t y, UINT down, UINT up, WPARAM downKeys) {
    const LPARAM point = PackPoint(pixels::CentreX(x), pixels::CentreY(y));
    bool delivered = false;
    SendToGame(GameWindow, down, downKeys, point, &delivered);
    if (!delivered) {
        // A busy game still takes the press once it is free: the release is
        // queued behind it, so that no square is left held down.
        PostMessageA(GameWindow, up, 0, point);
        return false;
    }
    // A button-up that did not arrive would leave the square held pressed
    // (and its opening undone): send it again, a bounded number of times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SendToGame(GameWindow, up, 0, point, &delivered);
        if (delivered) {
            ++ClicksSent;
            return true;
        }
        if (!IsWindow(GameWindow)) break;
    }
    return false;
}

bool CVelkorInterface::OpenSquare(uint32_t x, uint32_t y) {
    if (!Snapshot || x >= Snapshot->Width || y >= Snapshot->Height) return false;
    if (Snapshot->GetColumn(x)[y].Mark == SquareMark::Flag) UnflagSquare(x, y);
    // A click that did not reach the game opened nothing.
    if (!Click(x, y, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON)) return false;
    Snapshot->MarkOpened(x, y);
    const size_t i = static_cast<size_t>(x) * Snapshot->Height + y;
    if (i < OwnOpened.size()) OwnOpened[i] = 1;
    return true;
}

bool CVelkorInterface::FlagSquare(uint32_t x, uint32_t y) {
    if (!Snapshot || x >= Snapshot->Width || y >= Snapshot->Height) return false;
    SMineSweeperSquare& s = Snapshot->GetColumn(x)[y];
    if (s.Opened) return false;
    if (s.Mark == SquareMark::Flag) return true;
    if (s.Mark == SquareMark::Question && !Click(x, y, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON)) return false;
    if (!Click(x, y, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON)) return false;
    Snapshot->MarkMine(x, y);
    return true;
}

bool CVelkorInterface::UnflagSquare(uint32_t x, uint32_t y) {
    if (!Snapshot || x >= Snapshot->Width || y >= Snapshot->Height) return false;
    SMineSweeperSquare& s = Snapshot->GetColumn(x)[y];
    if (s.Opened) return false;
    if (s.Mark == SquareMark::None) return true;
    if (!Click(x, y, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON)) return false;
    s.Mine = 0;
    s.Mark = SquareMark::None;
    ++Snapshot->MinesLeft;
    return true;
}

bool CVelkorInterface::MoveCursorToSquare(uint32_t x, uint32_t y) {
    // A pointer away from every place the program put it was moved by the
    // user since the last jump. The window's own message for that move may be
    // handled only after this jump, and then look like the program's: so the
    // move is reported here, as the hooks report input, and the pointer left
    // where the user put it.
    POINT now;
    if (SaverState.RecentCursorNext.load() > 0 && GetCursorPos(&now) &&
        !SaverState.IsOwnCursorPos(SScreenPoint{static_cast<int32_t>(now.x), static_cast<int32_t>(now.y)})) {
        HWND saver = static_cast<HWND>(SaverState.SaverWindow.load());
        if (saver) PostMessageA(saver, kReportMouseMove, 0, PackPoint(now.x, now.y));
        return false;
    }
    POINT p{pixels::CentreX(x), pixels::CentreY(y)};
    ClientToScreen(GameWindow, &p);
    SaverState.NoteCursorPos(SScreenPoint{static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)});
    SetCursorPos(p.x, p.y);
    return true;
}

// ---------------------------------------------------------------------------
// Menu and difficulty

bool CVelkorInterface::NewGame() {
    // A vanished game is a soft failure, so that callers stop asking.
    if (!IsWindow(GameWindow)) return false;
    SendToGame(GameWindow, WM_COMMAND, kCmdNewGame, 0);
    // Reads wait for the new game's picture: every square covered, the
    // level's mine count.
    std::fill(OwnOpened.begin(), OwnOpened.end(), 0);
    NewGameAsked = true;
    NewGameAskedAt = GetTickCount();
    NotAtRestSince = 0;
    return true;
}

// The menu state as the game itself reports it to the registered message
// "VelkorMenuState" (wParam the command, result its GetMenuState), for a
// system that keeps another process's menu out of reach. A game that does
// not know the message answers 0 for any command through its default
// procedure, so it must first report a command it has not as unknown.
static UINT AskMenuState(HWND game, UINT command) {
    static const UINT message = RegisterWindowMessageA("VelkorMenuState");
    const UINT kUnknown = static_cast<UINT>(-1), kNoCommand = 0xFFFF;
    DWORD_PTR probe = 0, state = 0;
    if (!message ||
        !SendMessageTimeoutA(game, message, kNoCommand, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &probe) ||
        static_cast<UINT>(probe) != kUnknown)
        return kUnknown;
    if (!SendMessageTimeoutA(game, message, command, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &state))
        return kUnknown;
    return static_cast<UINT>(state);
}

int CVelkorInterface::MenuItemState(UINT command) {
    HMENU menu = GetMenu(GameWindow);
    UINT state = menu ? GetMenuState(menu, command, MF_BYCOMMAND) : static_cast<UINT>(-1);
    if (state == static_cast<UINT>(-1)) state = AskMenuState(GameWindow, command);
    if (state == static_cast<UINT>(-1)) return -1;
    return (state & MF_CHECKED) ? 1 : 0;
}

bool CVelkorInterface::MenuItemChecked(UINT command) { return MenuItemState(command) == 1; }

BOOL CALLBACK FindCustomDialogProc(HWND hwnd, LPARAM search) {
    SCustomDialogSearch* s = reinterpret_cast<SCustomDialogSearch*>(search);
    if (!s || GetParent(hwnd) != s->GameWindow) return TRUE;
    if (!GetDlgItem(hwnd, kItemHeight) || !GetDlgItem(hwnd, kItemWidth) || !GetDlgItem(hwnd, kItemMines)) return TRUE;
    s->Dialog = hwnd;
    return FALSE;
}

HWND CVelkorInterface::OpenCustomDialog() {
    PostMessageA(GameWindow, WM_COMMAND, kCmdCustom, 0);
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(GameWindow, &pid);
    if (!thread) return nullptr;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!process || WaitForInputIdle(process, 100) == WAIT_FAILED) Sleep(100);
    if (process) CloseHandle(process);
    Sleep(10);
    SCustomDialogSearch search{GameWindow, nullptr};
    for (uint32_t attempt = 0; attempt < DialogAttempts; ++attempt) {
        EnumThreadWindows(thread, FindCustomDialogProc, reinterpret_cast<LPARAM>(&search));
        if (search.Dialog) break;
        if (AbortFlag && AbortFlag->load(std::memory_order_relaxed)) break;
        Sleep(100);
    }
    return search.Dialog;
}

bool CVelkorInterface::GetGameSettings(GameSettings* settings, bool readCustomMines) {
    if (!settings || !IsWindow(GameWindow)) return false;
    RECT rc;
    if (!GetClientRect(GameWindow, &rc)) return false;
    // No menu handle is no failure: the check marks can still be asked of the
    // game, or else the size tells the level.
    // A window too small for one square gives no negative size.
    int32_t w = (rc.right - rc.left - 12) / 16, h = (rc.bottom - rc.top - 55) / 16;
    settings->Width = w > 0 ? static_cast<uint32_t>(w) : 0;
    settings->Height = h > 0 ? static_cast<uint32_t>(h) : 0;
    static const uint32_t kMines[3] = {10, 40, 99};
    int checked = -1;
    bool readable = false;
    for (uint32_t level = 0; level < 4 && checked < 0; ++level) {
        int state = MenuItemState(kCmdLevel0 + level);
        if (state >= 0) readable = true;
        if (state == 1) checked = static_cast<int>(level);
    }
    if (!readable) {
        // Some systems keep another process's menu out of reach: the
        // standard sizes then tell the level, anything else is custom.
        static const uint32_t kSizes[3][2] = {{9, 9}, {16, 16}, {30, 16}};
        checked = 3;
        for (int level = 0; level < 3; ++level)
            if (settings->Width == kSizes[level][0] && settings->Height == kSizes[level][1]) checked = level;
    }
    if (checked < 0) return true;
    uint32_t level = static_cast<uint32_t>(checked);
    settings->Level = level;
    if (level < 3) {
        settings->Mines = kMines[level];
    } else if (readCustomMines) {
        settings->Mines = 10;
        HWND dialog = OpenCustomDialog();
        if (dialog) {
            char text[16] = "";
            SendMessageTimeoutA(GetDlgItem(dialog, kItemMines), WM_GETTEXT, sizeof text,
                                reinterpret_cast<LPARAM>(text), SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
            text[sizeof text - 1] = '\0';
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            unsigned mines = 0;
            if (std::sscanf(text, "%u", &mines) == 1) settings->Mines = mines;
        }
    }
    return true;
}

bool CVelkorInterface::SetGameSettings(const GameSettings* settings) {
    if (!settings || !IsWindow(GameWindow)) return false;
    if (settings->Level < 3) {
        PostMessageA(GameWindow, WM_COMMAND, kCmdLevel0 + settings->Level, 0);
    } else if (settings->Level == 3) {
        HWND dialog = OpenCustomDialog();
        if (dialog) {
            const struct {
                int Item;
                uint32_t Value;
            } fields[3] = {{kItemHeight, settings->Height}, {kItemWidth, settings->Width}, {kItemMines, settings->Mines}};
            for (const auto& f : fields) {
                char text[16];
                std::snprintf(text, sizeof text, "%i", static_cast<int>(f.Value));
                SendMessageTimeoutA(GetDlgItem(dialog, f.Item), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                                    SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
            }
            PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        }
    }
    return true;
}

bool CVelkorInterface::ReapplyCustomField() {
    if (!IsWindow(GameWindow)) return false;
    HWND dialog = OpenCustomDialog();
    if (!dialog) return false;
    return PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK))) != 0;
}

bool CVelkorInterface::IsGameOptionChecked() {
    if (!IsWindow(GameWindow)) return false;
    return MenuItemChecked(kCmdOption);
}

int CVelkorInterface::GameOptionState() {
    if (!IsWindow(GameWindow)) return -1;
    return MenuItemState(kCmdOption);
}

bool CVelkorInterface::SetGameOptionChecked(bool checked) {
    if (!IsWindow(GameWindow)) return false;
    // An item whose state cannot be read is left alone rather than toggled blindly.
    int state = MenuItemState(kCmdOption);
    if (state >= 0 && (state == 1) != checked) PostMessageA(GameWindow, WM_COMMAND, kCmdOption, 0);
    return true;
}
