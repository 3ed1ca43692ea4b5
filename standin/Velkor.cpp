// The stand-in Minesweeper game "velkor.exe": one window (title and class
// "MineSweeper") with the classic look, driven by real mouse input or by
// mouse and menu messages from another program. The rules live in
// StandinGame; this file draws, handles input and keeps the settings.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "StandinGame.h"
#include "VelkorGeometry.h"
#include "resource.h"

using namespace standin;

namespace {

const char kWindowName[] = "MineSweeper";
const char kRegistryKey[] = "Software\\VelkorGame";
const UINT_PTR kClockTimer = 1;
const UINT_PTR kDialogTimer = 2;  // a custom-field dialog opened late (VELKOR_DIALOG_DELAY)
const UINT_PTR kPaintTimer = 3;   // a picture drawn late (VELKOR_PAINT_DELAY, VELKOR_PRESSED_SHOWN)
#ifdef VELKOR_LAYOUT4
const int kLayout = 4;
#else
const int kLayout = 5;
#endif
const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

enum Face { FaceSmile, FaceOh, FaceDead, FaceCool };

struct SApp {
    HINSTANCE Instance = nullptr;
    HWND Window = nullptr;
    HBITMAP Squares = nullptr;      // the strip of square images (resource 410)
    CStandinGame Game;
    CLcgRandom Random;
    SField Field = StandardField(Beginner);
    SField LastCustom = ClampCustomField(30, 24, 667);
    bool Marks = true;              // question marks allowed (menu item 529)
    FirstClickRule FirstClick = FirstClickRule::Uniform;  // registry value FirstClick
    std::string RecordPath;         // VELKOR_RECORD: one line per finished game
    std::string DumpPath;           // VELKOR_BOARD_DUMP: the layout at the first opening
    std::string EventsPath;         // VELKOR_EVENTS: commands, outside moves, dialog and close, in order
    UINT DialogDelayMs = 0;         // VELKOR_DIALOG_DELAY: the custom-field dialog opens this late
    UINT PaintDelayMs = 0;          // VELKOR_PAINT_DELAY: every picture reaches the window this late
    UINT PressedShownMs = 0;        // VELKOR_PRESSED_SHOWN: a press drawn at once, its result this late
    UINT RedrawDelayMs = 0;         // the delay of the picture being asked for now
    UINT BusyButtonDownMs = 0;      // VELKOR_BUSY_BUTTON_DOWN: the first left press is taken this late
    UINT BusyButtonUpMs = 0;        // VELKOR_BUSY_BUTTON_UP: the first left release is taken this late
    bool OwnResize = false;         // the game is sizing its window to the field
    bool DialogOpen = false;        // the custom-field dialog is up
    bool KeepOnScreen = false;      // VELKOR_KEEP_ON_SCREEN: a grown window is shifted onto the screen
    int Seconds = 0;
    bool LeftDown = false;          // a left press began on our window
    bool PressOnFace = false;       // ... on the face button
    bool FacePressed = false;       // ... and the pointer is still over the face
    int PressedX = -1, PressedY = -1;  // square shown pressed while the button is held
    bool Chording = false;          // both buttons: press the neighbours too
};
SApp g_App;

// ---------------------------------------------------------------- settings

bool ReadDword(HKEY key, const char* name, DWORD* value) {
    DWORD type = 0, data = 0, size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof(DWORD)) return false;
    *value = data;
    return true;
}

// Bad or missing values keep the defaults; a custom size is brought into its limits.
void LoadSettings() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD level = Beginner, width = 9, height = 9, mines = 10, marks = 1, firstClick = 0;
    bool haveLevel = ReadDword(key, "Level", &level);
    bool haveSize = ReadDword(key, "Width", &width) & ReadDword(key, "Height", &height) &
                    ReadDword(key, "Mines", &mines);
    if (ReadDword(key, "Marks", &marks)) g_App.Marks = marks != 0;
    // Only read: 1 is the classic rule, anything else the uniform one.
    if (ReadDword(key, "FirstClick", &firstClick))
        g_App.FirstClick = firstClick == 1 ? FirstClickRule::Classic : FirstClickRule::Uniform;
    RegCloseKey(key);
    if (haveSize) g_App.LastCustom = ClampCustomField(width, height, mines);
    if (!haveLevel || level > Custom) level = Beginner;
    g_App.Field = level == Custom ? g_App.LastCustom : StandardField(level);
}

void SaveSettings() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    // The window's place too, last when it closes, so that a test can see
    // where it was left however soon after a move the window went.
    RECT place{0, 0, 0, 0};
    GetWindowRect(g_App.Window, &place);
    const DWORD values[] = {g_App.Field.Level,  g_App.LastCustom.Width, g_App.LastCustom.Height,
                            g_App.LastCustom.Mines, g_App.Marks ? 1u : 0u,  static_cast<DWORD>(place.left),
                            static_cast<DWORD>(place.top)};
    const char* names[] = {"Level", "Width", "Height", "Mines", "Marks", "Xpos", "Ypos"};
    for (int i = 0; i < 7; ++i)
        RegSetValueExA(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]), sizeof(DWORD));
    RegCloseKey(key);
}

std::string Environment(const char* name) {
    char buffer[1024];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    return n > 0 && n < sizeof(buffer) ? std::string(buffer, n) : std::string();
}

// A decimal test hook; anything else reads as 0.
UINT EnvironmentNumber(const char* name) {
    return static_cast<UINT>(std::strtoul(Environment(name).c_str(), nullptr, 10));
}

// One line appended to the VELKOR_EVENTS file, when one is given.
void LogEvent(const char* format, long a = 0, long b = 0) {
    if (g_App.EventsPath.empty()) return;
    FILE* f = std::fopen(g_App.EventsPath.c_str(), "a");
    if (!f) return;
    std::fprintf(f, format, a, b);
    std::fputc('\n', f);
    std::fclose(f);
}

// VELKOR_SEED: a decimal number; anything else seeds from the clock.
uint32_t ChooseSeed() {
    std::string text = Environment("VELKOR_SEED");
    uint32_t seed = 0;
    if (ParseSeed(text.c_str(), &seed)) return seed;
    return GetTickCount();
}

// ---------------------------------------------------------------- drawing

const COLORREF kSilver = RGB(192, 192, 192);
const COLORREF kGray = RGB(128, 128, 128);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);

void Fill(HDC dc, int x, int y, int w, int h, COLORREF colour) {
    if (w <= 0 || h <= 0) return;
    RECT r{x, y, x + w, y + h};
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A 3D frame of the given thickness just inside the rectangle: light on the
// top and left edges for a raised look, dark for a sunken one.
void Frame(HDC dc, int x, int y, int w, int h, int thickness, bool raised) {
    COLORREF topLeft = raised ? kWhite : kGray, bottomRight = raised ? kGray : kWhite;
    for (int i = 0; i < thickness; ++i) {
        Fill(dc, x + i, y + i, w - 2 * i - 1, 1, topLeft);
        Fill(dc, x + i, y + i, 1, h - 2 * i - 1, topLeft);
        Fill(dc, x + i + 1, y + h - 1 - i, w - 2 * i - 1, 1, bottomRight);
        Fill(dc, x + w - 1 - i, y + i + 1, 1, h - 2 * i - 1, bottomRight);
    }
}

void DrawDigit(HDC dc, int x0, int code) {
    for (const SSegmentSpan& span : SegmentSpans(code))
        Fill(dc, x0 + span.X, span.Y, span.Width, span.Height, kRed);
}

// A three-digit counter in its sunken black box; x is the first digit's left edge.
void DrawCounter(HDC dc, int x, int value) {
    Frame(dc, x - 1, kCounterTop - 1, 3 * kDigitWidth + 2, kDigitHeight + 2, 1, false);
    Fill(dc, x, kCounterTop, 3 * kDigitWidth, kDigitHeight, kBlack);
    int codes[3];
    CounterCodes(value, codes);
    for (int d = 0; d < 3; ++d) DrawDigit(dc, x + kDigitWidth * d, codes[d]);
}

void DrawFace(HDC dc, int x, int y, Face face, bool pressed) {
    Fill(dc, x, y, kFaceSize, kFaceSize, kGray);
    Fill(dc, x + 1, y + 1, kFaceSize - 2, kFaceSize - 2, kSilver);
    Frame(dc, x + 1, y + 1, kFaceSize - 2, kFaceSize - 2, 2, !pressed);
    int o = pressed ? 1 : 0;
    int cx = x + kFaceSize / 2 + o, cy = y + kFaceSize / 2 + o;
    HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
    HBRUSH yellow = CreateSolidBrush(kYellow);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, yellow);
    Ellipse(dc, cx - 8, cy - 8, cx + 9, cy + 9);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    switch (face) {
        case FaceSmile:
        case FaceOh:
            Fill(dc, cx - 4, cy - 3, 2, 2, kBlack);
            Fill(dc, cx + 3, cy - 3, 2, 2, kBlack);
            if (face == FaceSmile)
                Arc(dc, cx - 5, cy - 4, cx + 6, cy + 6, cx - 5, cy + 2, cx + 6, cy + 2);
            else
                Ellipse(dc, cx - 2, cy + 2, cx + 3, cy + 7);
            break;
        case FaceDead:
            for (int i = -1; i <= 1; ++i) {
                SetPixel(dc, cx - 3 + i, cy - 3 + i, kBlack);
                SetPixel(dc, cx - 3 + i, cy - 3 - i, kBlack);
                SetPixel(dc, cx + 4 + i, cy - 3 + i, kBlack);
                SetPixel(dc, cx + 4 + i, cy - 3 - i, kBlack);
            }
            Arc(dc, cx - 5, cy + 2, cx + 6, cy + 10, cx + 6, cy + 5, cx - 5, cy + 5);
            break;
        case FaceCool:
            Fill(dc, cx - 6, cy - 3, 13, 1, kBlack);
            Fill(dc, cx - 5, cy - 3, 4, 3, kBlack);
            Fill(dc, cx + 2, cy - 3, 4, 3, kBlack);
            Arc(dc, cx - 5, cy - 4, cx + 6, cy + 6, cx - 5, cy + 2, cx + 6, cy + 2);
            break;
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(yellow);
}

Face CurrentFace() {
    switch (g_App.Game.GetState()) {
        case CStandinGame::Won: return FaceCool;
        case CStandinGame::Lost: return FaceDead;
        default: return g_App.LeftDown && !g_App.PressOnFace ? FaceOh : FaceSmile;
    }
}

bool IsShownPressed(uint32_t x, uint32_t y) {
    if (g_App.PressedX < 0 || g_App.Game.IsOver()) return false;
    int dx = static_cast<int>(x) - g_App.PressedX, dy = static_cast<int>(y) - g_App.PressedY;
    int reach = g_App.Chording ? 1 : 0;
    if (dx < -reach || dx > reach || dy < -reach || dy > reach) return false;
    return !g_App.Game.IsOpened(x, y) && g_App.Game.GetMark(x, y) == CStandinGame::NoMark;
}

void DrawBoard(HDC dc) {
    HDC strip = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(strip, g_App.Squares);
    const CStandinGame& game = g_App.Game;
    for (uint32_t y = 0; y < game.Height(); ++y)
        for (uint32_t x = 0; x < game.Width(); ++x) {
            int image = IsShownPressed(x, y) ? ImgOpen : game.Image(x, y);
            BitBlt(dc, kBoardLeft + kSquare * static_cast<int>(x), kBoardTop + kSquare * static_cast<int>(y), kSquare,
                   kSquare, strip, 0, kSquare * image, SRCCOPY);
        }
    SelectObject(strip, old);
    DeleteDC(strip);
}

void Paint(HDC dc, int width, int height) {
    const CStandinGame& game = g_App.Game;
    const int boardW = kSquare * static_cast<int>(game.Width()), boardH = kSquare * static_cast<int>(game.Height());
    Fill(dc, 0, 0, width, height, kSilver);
    Frame(dc, 0, 0, width, height, 3, true);
    // The panel with the counters and the face, as wide as the board's frame.
    Frame(dc, kBoardLeft - 3, 9, boardW + 6, 37, 2, false);
    DrawCounter(dc, kCounterLeft, game.MinesLeft());
    DrawCounter(dc, TimerLeft(game.Width()), g_App.Seconds);
    DrawFace(dc, FaceLeft(game.Width()), kFaceTop, CurrentFace(), g_App.FacePressed);
    // The sunken board.
    Frame(dc, kBoardLeft - 3, kBoardTop - 3, boardW + 6, boardH + 6, 3, false);
    DrawBoard(dc);
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    // Drawn off screen and copied in one piece, so a reader never sees half a frame.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    Paint(memory, client.right, client.bottom);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(hwnd, &ps);
}

// Repaints now, so that the screen shows the move when a sent message returns.
void RedrawNow() {
    InvalidateRect(g_App.Window, nullptr, FALSE);
    UpdateWindow(g_App.Window);
}

// Repaints after ms (0: now). A later request moves the picture back again,
// so a burst of moves shows once, ms after the last.
void RedrawAfter(UINT ms) {
    if (ms == 0)
        RedrawNow();
    else
        SetTimer(g_App.Window, kPaintTimer, ms, nullptr);
}

void Redraw() { RedrawAfter(g_App.RedrawDelayMs); }

// ---------------------------------------------------------------- game flow

void EndPress();
void DumpLayout();

// VELKOR_KEEP_ON_SCREEN: after the field changed the window's size, shift
// the window back onto the screen, as the classic game does.
void KeepOnScreen() {
    RECT r;
    GetWindowRect(g_App.Window, &r);
    int x = r.left, y = r.top;
    if (r.right > GetSystemMetrics(SM_CXSCREEN)) x = GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left);
    if (r.bottom > GetSystemMetrics(SM_CYSCREEN)) y = GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top);
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x == r.left && y == r.top) return;
    g_App.OwnResize = true;
    SetWindowPos(g_App.Window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_App.OwnResize = false;
    LogEvent("shift %ld %ld", x, y);
}

void SizeWindowToField() {
    const int wantW = ClientWidth(g_App.Game.Width(), kLayout),
              wantH = ClientHeight(g_App.Game.Height(), kLayout);
    bool resized = false;
    // The menu bar may wrap on a narrow window, so correct until the client fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT client, outer;
        GetClientRect(g_App.Window, &client);
        GetWindowRect(g_App.Window, &outer);
        int dw = wantW - client.right, dh = wantH - client.bottom;
        if (dw == 0 && dh == 0) break;
        g_App.OwnResize = true;
        SetWindowPos(g_App.Window, nullptr, 0, 0, outer.right - outer.left + dw, outer.bottom - outer.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        g_App.OwnResize = false;
        resized = true;
    }
    if (resized && g_App.KeepOnScreen) KeepOnScreen();
}

void UpdateMenuChecks() {
    HMENU menu = GetMenu(g_App.Window);
    const UINT levels[] = {IDM_BEGINNER, IDM_INTERMEDIATE, IDM_EXPERT, IDM_CUSTOM};
    for (uint32_t i = 0; i < 4; ++i)
        CheckMenuItem(menu, levels[i], MF_BYCOMMAND | (g_App.Field.Level == i ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_MARKS, MF_BYCOMMAND | (g_App.Marks ? MF_CHECKED : MF_UNCHECKED));
}

void StartNewGame() {
    KillTimer(g_App.Window, kClockTimer);
    g_App.Seconds = 0;
    EndPress();
    g_App.Game.NewGame(g_App.Field, g_App.Random, g_App.FirstClick);
    DumpLayout();
    SizeWindowToField();
    Redraw();
}

void ChangeField(const SField& field) {
    g_App.Field = field;
    if (field.Level == Custom) g_App.LastCustom = field;
    SaveSettings();
    UpdateMenuChecks();
    StartNewGame();
}

void AppendRecord() {
    if (g_App.RecordPath.empty()) return;
    FILE* f = std::fopen(g_App.RecordPath.c_str(), "a");
    if (!f) return;
    std::fputs(RecordLine(g_App.Game.Field(), g_App.Game.GetState() == CStandinGame::Won).c_str(), f);
    std::fclose(f);
}

void DumpLayout() {
    if (g_App.DumpPath.empty()) return;
    FILE* f = std::fopen(g_App.DumpPath.c_str(), "w");
    if (!f) return;
    for (const std::string& row : g_App.Game.LayoutRows()) std::fprintf(f, "%s\n", row.c_str());
    std::fclose(f);
}

// Runs a move and does what follows from it: the clock, the record, the picture.
template <typename Move> void Play(Move move) {
    CStandinGame::State before = g_App.Game.GetState();
    bool changed = move();
    CStandinGame::State after = g_App.Game.GetState();
    if (before == CStandinGame::Ready && after != CStandinGame::Ready) {
        DumpLayout();
        g_App.Seconds = 1;
        SetTimer(g_App.Window, kClockTimer, 1000, nullptr);
    }
    if (!g_App.Game.IsOver() || before == after) {
        if (changed) Redraw();
        return;
    }
    KillTimer(g_App.Window, kClockTimer);
    AppendRecord();
    Redraw();
}

// ---------------------------------------------------------------- input

bool SquareAt(LPARAM lParam, uint32_t* x, uint32_t* y) {
    int px = static_cast<int>(static_cast<short>(LOWORD(lParam)));
    int py = static_cast<int>(static_cast<short>(HIWORD(lParam)));
    return PointToSquare(px, py, g_App.Game.Width(), g_App.Game.Height(), x, y);
}

bool OnFace(LPARAM lParam) {
    int px = static_cast<int>(static_cast<short>(LOWORD(lParam)));
    int py = static_cast<int>(static_cast<short>(HIWORD(lParam)));
    int left = FaceLeft(g_App.Game.Width());
    return px >= left && px < left + kFaceSize && py >= kFaceTop && py < kFaceTop + kFaceSize;
}

// The square under a held left button, shown pressed.
void TrackPress(LPARAM lParam) {
    uint32_t x, y;
    if (SquareAt(lParam, &x, &y)) {
        g_App.PressedX = static_cast<int>(x);
        g_App.PressedY = static_cast<int>(y);
    } else {
        g_App.PressedX = g_App.PressedY = -1;
    }
}

void OnLeftDown(WPARAM wParam, LPARAM lParam) {
    SetCapture(g_App.Window);
    g_App.LeftDown = true;
    g_App.Chording = (wParam & MK_RBUTTON) != 0;
    g_App.PressOnFace = OnFace(lParam);
    g_App.FacePressed = g_App.PressOnFace;
    if (!g_App.PressOnFace) TrackPress(lParam);
    if (g_App.PressedShownMs)
        RedrawNow();
    else
        Redraw();
}

// Follows a real held button; a press sent as a message has no capture.
void OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!g_App.LeftDown || !(wParam & MK_LBUTTON) || GetCapture() != g_App.Window) return;
    bool oldFace = g_App.FacePressed;
    int oldX = g_App.PressedX, oldY = g_App.PressedY;
    if (g_App.PressOnFace)
        g_App.FacePressed = OnFace(lParam);
    else
        TrackPress(lParam);
    if (oldFace != g_App.FacePressed || oldX != g_App.PressedX || oldY != g_App.PressedY) Redraw();
}

void EndPress() {
    g_App.LeftDown = g_App.PressOnFace = g_App.FacePressed = g_App.Chording = false;
    g_App.PressedX = g_App.PressedY = -1;
}

// Busy once, as a loaded game can be: a sender's wait ends first.
void BusyOnce(UINT* ms) {
    if (!*ms) return;
    Sleep(*ms);
    *ms = 0;
}

void OnLeftUp(WPARAM wParam, LPARAM lParam) {
    if (GetCapture() == g_App.Window) ReleaseCapture();
    if (!g_App.LeftDown) return;
    bool face = g_App.PressOnFace && OnFace(lParam);
    bool chord = g_App.Chording || (wParam & MK_RBUTTON) != 0;
    EndPress();
    if (face) {
        StartNewGame();
        return;
    }
    // The pressed square stays on the screen until the result is drawn.
    if (g_App.PressedShownMs > g_App.PaintDelayMs) g_App.RedrawDelayMs = g_App.PressedShownMs;
    uint32_t x, y;
    if (SquareAt(lParam, &x, &y)) {
        if (!chord) LogEvent("open %ld %ld", static_cast<long>(x), static_cast<long>(y));
        Play([&] { return chord ? g_App.Game.OpenNeighbours(x, y) : g_App.Game.Open(x, y); });
    }
    Redraw();
    g_App.RedrawDelayMs = g_App.PaintDelayMs;
}

void OnRightDown(LPARAM lParam) {
    if (g_App.LeftDown) {
        g_App.Chording = true;
        Redraw();
        return;
    }
    uint32_t x, y;
    if (SquareAt(lParam, &x, &y)) Play([&] { return g_App.Game.CycleMark(x, y, g_App.Marks); });
}

void OnMiddleUp(LPARAM lParam) {
    uint32_t x, y;
    if (SquareAt(lParam, &x, &y)) Play([&] { return g_App.Game.OpenNeighbours(x, y); });
}

// ---------------------------------------------------------------- custom field dialog

INT_PTR CALLBACK CustomDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            g_App.DialogOpen = true;
            LogEvent("dialog open");
            const SField& f = g_App.Game.Field();
            SetDlgItemInt(dialog, IDC_HEIGHT, f.Height, FALSE);
            SetDlgItemInt(dialog, IDC_WIDTH, f.Width, FALSE);
            SetDlgItemInt(dialog, IDC_MINES, f.Mines, FALSE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                // Text that is no number keeps the current value; the limits clamp the rest.
                const SField& f = g_App.Game.Field();
                uint32_t values[3] = {f.Height, f.Width, f.Mines};
                const int items[3] = {IDC_HEIGHT, IDC_WIDTH, IDC_MINES};
                for (int i = 0; i < 3; ++i) {
                    char text[32] = "";
                    GetDlgItemTextA(dialog, items[i], text, sizeof(text));
                    ParseFieldValue(text, &values[i]);
                }
                EndDialog(dialog, IDOK);
                LogEvent("dialog ok");
                ChangeField(ClampCustomField(values[1], values[0], values[2]));
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                LogEvent("dialog cancel");
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

void OpenCustomDialog() {
    DialogBoxParamA(g_App.Instance, MAKEINTRESOURCEA(IDD_CUSTOM), g_App.Window, CustomDialogProc, 0);
    g_App.DialogOpen = false;
}

void OnCommand(WPARAM wParam) {
    LogEvent("command %ld", static_cast<long>(LOWORD(wParam)));
    switch (LOWORD(wParam)) {
        case IDM_NEW: StartNewGame(); break;
        case IDM_BEGINNER: ChangeField(StandardField(Beginner)); break;
        case IDM_INTERMEDIATE: ChangeField(StandardField(Intermediate)); break;
        case IDM_EXPERT: ChangeField(StandardField(Expert)); break;
        case IDM_CUSTOM:
            if (g_App.DialogDelayMs > 0)
                SetTimer(g_App.Window, kDialogTimer, g_App.DialogDelayMs, nullptr);
            else
                OpenCustomDialog();
            break;
        case IDM_MARKS:
            g_App.Marks = !g_App.Marks;
            SaveSettings();
            UpdateMenuChecks();
            break;
        case IDM_EXIT: PostMessageA(g_App.Window, WM_CLOSE, 0, 0); break;
        default: break;
    }
}

// Menus of another process cannot be read under Wine, so the menu state is
// also answered to the registered message "VelkorMenuState" (wParam: the
// command; result: GetMenuState of it, 0xFFFFFFFF for an unknown command).
UINT g_MenuStateMessage = 0;

LRESULT CALLBACK GameWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g_MenuStateMessage && msg != 0)
        return static_cast<LRESULT>(GetMenuState(GetMenu(hwnd), static_cast<UINT>(wParam), MF_BYCOMMAND));
    switch (msg) {
        case WM_PAINT: OnPaint(hwnd); return 0;
        case WM_ERASEBKGND: return 1;  // painting covers the whole client
        case WM_LBUTTONDOWN:
            BusyOnce(&g_App.BusyButtonDownMs);
            OnLeftDown(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            BusyOnce(&g_App.BusyButtonUpMs);
            OnLeftUp(wParam, lParam);
            return 0;
        case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
        case WM_RBUTTONDOWN: OnRightDown(lParam); return 0;
        case WM_RBUTTONUP: return 0;
        case WM_MBUTTONUP: OnMiddleUp(lParam); return 0;
        case WM_KEYDOWN:
            if (wParam == VK_F2) StartNewGame();
            return 0;
        case WM_COMMAND: OnCommand(wParam); return 0;
        case WM_WINDOWPOSCHANGING: {
            // Moves and sizes asked for from outside the game (its own sizing
            // to the field is not logged).
            const WINDOWPOS* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!g_App.OwnResize && !(wp->flags & SWP_NOMOVE)) LogEvent("move %ld %ld", wp->x, wp->y);
            if (!g_App.OwnResize && !(wp->flags & SWP_NOSIZE)) LogEvent("size %ld %ld", wp->cx, wp->cy);
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
        case WM_CLOSE:
            LogEvent(g_App.DialogOpen ? "close with the dialog open" : "close");
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_TIMER:
            if (wParam == kDialogTimer) {
                KillTimer(hwnd, kDialogTimer);
                OpenCustomDialog();
                return 0;
            }
            if (wParam == kPaintTimer) {
                KillTimer(hwnd, kPaintTimer);
                RedrawNow();
                return 0;
            }
            if (wParam == kClockTimer && g_App.Seconds < 999) {
                ++g_App.Seconds;
                Redraw();
            }
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, kClockTimer);
            SaveSettings();
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    g_App.Instance = instance;
    g_MenuStateMessage = RegisterWindowMessageA("VelkorMenuState");
    g_App.Random.Seed(ChooseSeed());
    g_App.RecordPath = Environment("VELKOR_RECORD");
    g_App.DumpPath = Environment("VELKOR_BOARD_DUMP");
    g_App.EventsPath = Environment("VELKOR_EVENTS");
    g_App.KeepOnScreen = Environment("VELKOR_KEEP_ON_SCREEN") == "1";
    g_App.DialogDelayMs = EnvironmentNumber("VELKOR_DIALOG_DELAY");
    g_App.PaintDelayMs = EnvironmentNumber("VELKOR_PAINT_DELAY");
    g_App.PressedShownMs = EnvironmentNumber("VELKOR_PRESSED_SHOWN");
    g_App.BusyButtonDownMs = EnvironmentNumber("VELKOR_BUSY_BUTTON_DOWN");
    g_App.BusyButtonUpMs = EnvironmentNumber("VELKOR_BUSY_BUTTON_UP");
    g_App.RedrawDelayMs = g_App.PaintDelayMs;
    LoadSettings();
    g_App.Squares = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SQUARES));
    if (!g_App.Squares) return 1;

    WNDCLASSA wc{};
    wc.lpfnWndProc = GameWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));      // IDI_APPLICATION
    wc.lpszClassName = kWindowName;
    if (!RegisterClassA(&wc)) return 1;
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_GAME_MENU));
    // Created at the field's size, so that a program finding the window at
    // once already reads the right board size from its client area.
    RECT outer{0, 0, ClientWidth(g_App.Field.Width, kLayout), ClientHeight(g_App.Field.Height, kLayout)};
    AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
    g_App.Window = CreateWindowExA(0, kWindowName, kWindowName, kWindowStyle, 80, 60, outer.right - outer.left,
                                   outer.bottom - outer.top, nullptr, menu, instance, nullptr);
    if (!g_App.Window) return 1;
    UpdateMenuChecks();
    StartNewGame();
    ShowWindow(g_App.Window, show == SW_HIDE ? SW_SHOWNORMAL : show);
    SizeWindowToField();
    UpdateWindow(g_App.Window);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    DeleteObject(g_App.Squares);
    return 0;
}
