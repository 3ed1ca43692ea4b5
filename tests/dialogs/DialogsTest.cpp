// velkor.scr's configuration, statistics and about dialogs and its preview,
// run as a separate process under Wine and driven from here through their
// controls, with the test prefix's registry and real host windows.
//
// With DIALOG_SHOTS set to a directory, the dialogs and the preview are
// also saved there as PNG files (the pictures in docs/ come from this).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PackedDib.h"
#include "Saver.h"
#include "WinTestSupport.h"

namespace {

const char kKey[] = "Software\\VelkorScreenSaver";
const char* const kSettings[9] = {"SwitchToBlankScreenAfter", "SwitchToBlankScreen", "BlankBackground",
                                  "ShowStatistics", "AnimationMode", "GameMode",
                                  "CustomGameWidth", "CustomGameHeight", "CustomGameMines"};

std::string BinDir() { return wintest::ProgramDir() + "..\\..\\bin\\"; }
std::string Number(HWND h) { return std::to_string(static_cast<unsigned>(reinterpret_cast<uintptr_t>(h))); }

// Every value of the key as type and bytes; "(no key)" when it is absent.
typedef std::map<std::string, std::pair<DWORD, std::string>> TValues;
TValues ReadKey() {
    TValues values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {{"(no key)", {}}};
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[256];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    RegCloseKey(key);
    return values;
}
std::pair<DWORD, std::string> Dword(DWORD v) { return {REG_DWORD, std::string(reinterpret_cast<char*>(&v), 4)}; }

void ResetKey(const std::vector<std::pair<const char*, DWORD>>& values) {
    wintest::RegDeleteTree(kKey);
    for (const auto& v : values) wintest::RegSetDword(kKey, v.first, v.second);
}

std::string Text(HWND w) {
    char text[256] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}
std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

// A click handled at once; the buttons that open a modal dialog or a
// message box are posted instead (PostClick), since that would block here.
void Click(HWND dialog, int id) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}
void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

struct SFind {
    DWORD Pid;
    const char* Title;
    HWND Owner;
    HWND Found;
};
BOOL CALLBACK FindProc(HWND h, LPARAM lParam) {
    auto* f = reinterpret_cast<SFind*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != f->Pid || !IsWindowVisible(h) || (f->Title && Text(h) != f->Title)) return TRUE;
    if (f->Owner && GetWindow(h, GW_OWNER) != f->Owner) return TRUE;
    f->Found = h;
    return FALSE;
}

// One run of velkor.scr.
class CSaver {
public:
    ~CSaver() { wintest::KillProcess(&Child); }
    bool Start(const std::string& args, const std::string& dir = "", const std::string& program = BinDir() + "velkor.scr") {
        return wintest::StartProcess("\"" + program + "\" " + args, &Child, {}, dir.empty() ? nullptr : dir.c_str());
    }
    HWND Window(const char* title, HWND owner = nullptr) {
        SFind f = {Child.Pid, title, owner, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&f));
        return f.Found;
    }
    HWND WaitWindow(const char* title, HWND owner = nullptr) {
        HWND found = nullptr;
        wintest::WaitFor([&] { return (found = Window(title, owner)) != nullptr; });
        return found;
    }
    // Ended by itself with exit code 0 (a crash gives another code).
    bool WaitEnd() {
        DWORD code = 1;
        if (!wintest::WaitFor([&] { return WaitForSingleObject(Child.Process, 0) == WAIT_OBJECT_0; })) return false;
        return wintest::WaitProcess(&Child, 1000, &code) && code == 0;
    }
    wintest::SChild Child;
};

// The classic look of the program's target system: no visual styles, and
// window frames drawn by Wine itself (there is no window manager), so that
// the screenshots show captions. Read by each process at its start.
class CClassicLook : public ::testing::Environment {
public:
    void SetUp() override {
        RegSetString("Software\\Wine\\X11 Driver", "Decorated", "N");
        RegSetString("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "0");
    }
    void TearDown() override {
        RegSetString("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "1");
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Decorated");
            RegCloseKey(key);
        }
    }
    static void RegSetString(const char* key, const char* name, const char* value) {
        wintest::RegSetRaw(key, name, REG_SZ, value, static_cast<DWORD>(std::strlen(value) + 1));
    }
};
const auto* const kClassicLook = ::testing::AddGlobalTestEnvironment(new CClassicLook);

// ---- Configuration dialog ----

enum EEnd { Ok, Cancel, CloseBox };
const int kButtons[] = {144, 145, 146, 160, 161, 162, 164, 128, 129, 192};

struct SConfigCase {
    const char* Name;
    std::vector<std::pair<const char*, DWORD>> Stored;  // the key is made afresh from these
    std::set<int> Checked;                              // buttons ticked when the dialog opens
    const char* Minutes;                                // text of 193 then
    bool MinutesEnabled;
    std::vector<int> Clicks;
    const char* TypedMinutes;  // null: left alone
    std::set<int> Disabled;    // of 129 and 193 after the clicks
    EEnd End;
    std::vector<DWORD> Saved;  // the nine values in order, after OK
    const char* Shot = nullptr;
};

const SConfigCase kConfigCases[] = {
    {"fresh profile, OK unchanged: all nine values, custom size at defaults", {},
     {144, 164, 128, 129, 192}, "30", true, {}, nullptr, {}, Ok, {30, 1, 1, 1, 3, 5, 30, 16, 99}, "dialog-setup.png"},
    {"every control changed", {}, {144, 164, 128, 129, 192}, "30", true,
     {145, 162, 128, 192}, "12abc", {129, 193}, Ok, {12, 0, 0, 1, 1, 3, 30, 16, 99}},
    {"stored settings shown; Cancel writes nothing",
     {{"SwitchToBlankScreenAfter", 7}, {"SwitchToBlankScreen", 0}, {"BlankBackground", 0},
      {"ShowStatistics", 0}, {"AnimationMode", 1}, {"GameMode", 2}, {"CustomGameWidth", 20}},
     {145, 161}, "7", false, {146, 160, 128, 192}, "45", {}, Cancel, {}},
    {"custom size kept while no level is chosen",
     {{"GameMode", 4}, {"AnimationMode", 2}, {"CustomGameWidth", 20}, {"CustomGameHeight", 10},
      {"CustomGameMines", 30}, {"SwitchToBlankScreenAfter", 0xFFFFFFFBu}},
     {146, 128, 129, 192}, "-5", true, {129}, " \t-5x", {}, Ok, {0xFFFFFFFBu, 1, 1, 0, 2, 4, 20, 10, 30}},
    {"custom size left when a level is chosen", {{"GameMode", 4}}, {144, 128, 129, 192}, "30", true,
     {160}, nullptr, {}, Ok, {30, 1, 1, 1, 3, 1, 30, 16, 99}},
    {"empty minutes store 0; unknown modes shown as defaults", {{"GameMode", 9}, {"AnimationMode", 7}},
     {144, 164, 128, 129, 192}, "30", true, {161}, "", {}, Ok, {0, 1, 1, 1, 3, 2, 30, 16, 99}},
    {"only the first 14 characters of the minutes, saturated", {{"GameMode", 1}}, {144, 160, 128, 129, 192},
     "30", true, {164}, "99999999999999999", {}, Ok, {0x7FFFFFFF, 1, 1, 1, 3, 5, 30, 16, 99}},
    {"fresh profile, close box writes nothing", {}, {144, 164, 128, 129, 192}, "30", true, {145}, "3", {},
     CloseBox, {}},
};

TEST(ConfigureDialog, ShowsStoredSettingsAndSavesOnlyOnOk) {
    for (const SConfigCase& c : kConfigCases) {
        SCOPED_TRACE(c.Name);
        ResetKey(c.Stored);
        const TValues before = ReadKey();
        CSaver saver;
        ASSERT_TRUE(saver.Start("/c"));
        HWND dialog = saver.WaitWindow("Korvane Setup");
        ASSERT_TRUE(dialog);
        std::set<int> checked, disabled;
        for (int id : kButtons)
            if (SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED) checked.insert(id);
        EXPECT_EQ(checked, c.Checked);
        EXPECT_EQ(ItemText(dialog, 193), c.Minutes);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, 193)) != 0, c.MinutesEnabled);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 129)));  // not tied to 128 until 128 is clicked
        if (c.Shot) wintest::SaveWindowShot(dialog, "DIALOG_SHOTS", c.Shot);
        for (int id : c.Clicks) Click(dialog, id);
        if (c.TypedMinutes) SetDlgItemTextA(dialog, 193, c.TypedMinutes);
        for (int id : {129, 193})
            if (!IsWindowEnabled(GetDlgItem(dialog, id))) disabled.insert(id);
        EXPECT_EQ(disabled, c.Disabled);
        if (c.End == CloseBox) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        else Click(dialog, c.End == Ok ? IDOK : IDCANCEL);
        ASSERT_TRUE(saver.WaitEnd());
        TValues expected = before;
        if (c.End == Ok) {
            expected.clear();
            for (int i = 0; i < 9; ++i) expected[kSettings[i]] = Dword(c.Saved[i]);
        }
        EXPECT_EQ(ReadKey(), expected);
    }
}

// The dialog owned by the window the command line names (the forms of the
// number are the parser's own tests); a number that names no window ends the
// program at once, without a dialog and without a crash.
TEST(ConfigureDialog, OwnerWindowFromTheCommandLine) {
    HWND host = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 420, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
    HWND gone = CreateWindowExA(0, "STATIC", "Gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(host && gone);
    const std::string stale = Number(gone);
    DestroyWindow(gone);
    ASSERT_FALSE(IsWindow(gone));
    const struct {
        std::string Args;
        HWND Owner;
    } cases[] = {{"/c:" + Number(host), host}, {"-C " + stale, nullptr}, {"/p " + stale, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        CSaver saver;
        ASSERT_TRUE(saver.Start(c.Args));
        if (c.Owner) {
            HWND dialog = saver.WaitWindow("Korvane Setup", c.Owner);
            ASSERT_TRUE(dialog);
            Click(dialog, IDCANCEL);
        }
        EXPECT_TRUE(saver.WaitEnd());
        EXPECT_FALSE(saver.Window("Korvane Setup"));
    }
    DestroyWindow(host);
}

// ---- Statistics dialog ----

std::vector<std::string> Shown(HWND stats) {
    return {ItemText(stats, 128), ItemText(stats, 129), ItemText(stats, 130), ItemText(stats, 131)};
}
void ExpectShown(HWND stats, const std::vector<std::string>& expected) {
    wintest::WaitFor([&] { return Shown(stats) == expected; }, 5000);
    EXPECT_EQ(Shown(stats), expected);
}

TEST(StatisticsDialog, CountsPerLevelReadAfreshAndReset) {
    ResetKey({{"BeginnerWonGames", 1}, {"BeginnerLostGames", 2}, {"IntermediateWonGames", 5},
              {"IntermediateLostGames", 0}, {"ExpertLostGames", 7}});
    wintest::RegSetRaw(kKey, "ExpertWonGames", REG_SZ, "123456789", 10);  // longer than 4 bytes: 0
    CSaver saver;
    ASSERT_TRUE(saver.Start(""));  // no arguments: the configuration dialog
    HWND dialog = saver.WaitWindow("Korvane Setup");
    ASSERT_TRUE(dialog);
    PostClick(dialog, 64);
    HWND stats = saver.WaitWindow("Korvane Statistics", dialog);
    ASSERT_TRUE(stats);
    HWND tabs = GetDlgItem(stats, 48);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    ExpectShown(stats, {"3", "1", "2", "33.3%"});
    wintest::SaveWindowShot(stats, "DIALOG_SHOTS", "dialog-statistics.png");

    // The arrow keys move between the tabs as the user would.
    const struct {
        WPARAM Key;
        int Tab;
        std::vector<std::string> Shown;
    } steps[] = {{VK_RIGHT, 1, {"5", "5", "0", "100.0%"}},
                 {VK_RIGHT, 2, {"7", "0", "7", "0.0%"}},
                 {VK_LEFT, 1, {"5", "5", "0", "100.0%"}},
                 {VK_LEFT, 0, {"6", "4", "2", "66.7%"}}};  // changed below before this step
    for (const auto& s : steps) {
        if (s.Tab == 0) wintest::RegSetDword(kKey, "BeginnerWonGames", 4);
        PostMessageA(tabs, WM_KEYDOWN, s.Key, 0);
        EXPECT_TRUE(wintest::WaitFor([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == s.Tab; }, 5000));
        ExpectShown(stats, s.Shown);
    }

    // Reset asks first, No being the default; only Yes writes 0 to all six.
    const TValues before = ReadKey();
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        PostClick(stats, 64);
        HWND box = saver.WaitWindow("", stats);
        ASSERT_TRUE(box);
        // Ready once it shows the question with No as the default button,
        // which has the focus.
        HWND no = GetDlgItem(box, IDNO);
        GUITHREADINFO input = {};
        input.cbSize = sizeof input;
        EXPECT_TRUE(wintest::WaitFor([&] {
            return FindWindowExA(box, nullptr, nullptr, "Really delete statistic?") &&
                   (GetWindowLongA(no, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON &&
                   GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &input) && input.hwndFocus == no;
        }, 5000));
        // No: Enter on the default button, as the user would press it.
        if (answer == IDNO) PostMessageA(no, WM_KEYDOWN, VK_RETURN, 0);
        else PostClick(box, IDYES);
        EXPECT_TRUE(wintest::WaitFor([&] { return !IsWindow(box); }));
        if (answer == IDNO) {
            EXPECT_EQ(ReadKey(), before);
            EXPECT_EQ(Shown(stats), (std::vector<std::string>{"6", "4", "2", "66.7%"}));
        }
    }
    TValues zero;
    for (const char* name : {"BeginnerWonGames", "BeginnerLostGames", "IntermediateWonGames",
                             "IntermediateLostGames", "ExpertWonGames", "ExpertLostGames"})
        zero[name] = Dword(0);
    EXPECT_EQ(ReadKey(), zero);
    ExpectShown(stats, {"0", "0", "0", ""});

    PostClick(stats, IDOK);
    EXPECT_TRUE(wintest::WaitFor([&] { return !IsWindow(stats); }));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(saver.WaitEnd());
    EXPECT_EQ(ReadKey(), zero);  // no settings written
}

// ---- About dialog ----

std::string ProductVersion(const std::string& file) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length))
        return "";
    return std::to_string(HIWORD(info->dwProductVersionMS)) + "." + std::to_string(LOWORD(info->dwProductVersionMS));
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

POINT Middle(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The pointer shape at a point once the window there has set it (the same
// in two looks 300 ms apart).
HCURSOR SettledCursorAt(POINT p) {
    wintest::MovePointer(p);
    CURSORINFO now = {}, before = {};
    now.cbSize = before.cbSize = sizeof now;
    wintest::WaitFor([&] {
        GetCursorInfo(&before);
        wintest::PumpFor(300);
        return GetCursorInfo(&now) && now.hCursor == before.hCursor;
    }, 5000);
    return now.hCursor;
}

// The links open through the shell's "open" verb; the test prefix routes
// web addresses to a program that only writes them down.
TEST(AboutDialog, VersionAndLinks) {
    const std::string catcher = wintest::ProgramDir() + "dialogs_url_catch.exe";
    const std::string caught = wintest::ProgramDir() + "url-caught.txt";
    DeleteFileA(caught.c_str());
    const std::string command = "\"" + catcher + "\" \"%1\"";
    wintest::CSchemeHandler http("http", command), https("https", command);
    ASSERT_TRUE(http.Set && https.Set);

    CSaver saver;
    ASSERT_TRUE(saver.Start("/c"));
    HWND dialog = saver.WaitWindow("Korvane Setup");
    ASSERT_TRUE(dialog);
    PostClick(dialog, 65);
    HWND about = saver.WaitWindow("About Korvane", dialog);
    ASSERT_TRUE(about);
    const std::string version = ProductVersion(BinDir() + "velkor.scr");
    EXPECT_EQ(version, "1.5");
    EXPECT_EQ(ItemText(about, 51), "Version " + version + ", freeware without warranty");
    EXPECT_EQ(ItemText(about, 16), "The Korvane");
    wintest::SaveWindowShot(about, "DIALOG_SHOTS", "dialog-about.png");
    // The hand shows over the two links only; the other texts keep the
    // pointer of the dialog itself.
    RECT frame;
    GetWindowRect(GetDlgItem(about, 16), &frame);
    const HCURSOR dialogPointer = SettledCursorAt({frame.left - 4, frame.bottom + 2});
    const HCURSOR website = SettledCursorAt(Middle(GetDlgItem(about, 48)));
    EXPECT_NE(website, dialogPointer);
    EXPECT_EQ(SettledCursorAt(Middle(GetDlgItem(about, 49))), website);
    EXPECT_EQ(SettledCursorAt(Middle(FindWindowExA(about, nullptr, "Static", "Website:"))), dialogPointer);
    EXPECT_EQ(SettledCursorAt(Middle(GetDlgItem(about, 16))), dialogPointer);

    const struct {
        int Id;
        const char* Url;
    } links[] = {{48, "https://korvane.example.org/"}, {49, "https://www.icbl.org/"}};
    std::vector<std::string> expected;
    for (const auto& link : links) {
        SCOPED_TRACE(link.Url);
        wintest::ClickAt(Middle(GetDlgItem(about, link.Id)));
        expected.push_back(link.Url);
        EXPECT_TRUE(wintest::WaitFor([&] { return Lines(caught) == expected; }));
    }
    EXPECT_EQ(Lines(caught), expected);

    PostClick(about, IDOK);
    EXPECT_TRUE(wintest::WaitFor([&] { return !IsWindow(about); }));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(saver.WaitEnd());
}

// ---- Preview ----

const int kCell = 16;

// The 16 x 16 block at cell (i, j), clipped to the image.
std::vector<COLORREF> Block(const wintest::SImage& image, int i, int j) {
    std::vector<COLORREF> block;
    for (int y = 0; y < kCell && j * kCell + y < image.Height; ++y)
        for (int x = 0; x < kCell && i * kCell + x < image.Width; ++x)
            block.push_back(image.At(i * kCell + x, j * kCell + y));
    return block;
}
// Cell k of the strip, clipped like a block at the image's edge.
std::vector<COLORREF> StripCell(const pixelcheck::CPackedDib& strip, int k, int width, int height) {
    std::vector<COLORREF> block;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) block.push_back(strip.At(x, kCell * k + y));
    return block;
}

bool AllBlack(const wintest::SImage& image) {
    for (uint32_t p : image.Pixels)
        if ((p & 0xFFFFFF) != 0) return false;
    return true;
}

// The phase (0..15) at which every cell (i, j) shows strip cell
// (65535 - (i + j + phase)) mod 16, partial cells at the edges included; -1
// when there is none.
int TilePhase(const wintest::SImage& image, const pixelcheck::CPackedDib& strip) {
    const int columns = (image.Width + kCell - 1) / kCell, rows = (image.Height + kCell - 1) / kCell;
    for (int phase = 0; phase < 16; ++phase) {
        bool all = true;
        for (int i = 0; i < columns && all; ++i)
            for (int j = 0; j < rows && all; ++j) {
                const int k = (65535 - (i + j + phase)) % 16;
                const int w = std::min(kCell, image.Width - i * kCell), h = std::min(kCell, image.Height - j * kCell);
                all = Block(image, i, j) == StripCell(strip, k, w, h);
            }
        if (all) return phase;
    }
    return -1;
}

pixelcheck::CPackedDib GameStrip() {
    pixelcheck::CPackedDib strip;
    HMODULE game = LoadLibraryExA((BinDir() + "velkor.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = game ? FindResourceA(game, MAKEINTRESOURCEA(410), MAKEINTRESOURCEA(2)) : nullptr;
    HGLOBAL data = found ? LoadResource(game, found) : nullptr;
    if (data) strip.Parse(static_cast<const uint8_t*>(LockResource(data)), SizeofResource(game, found));
    if (game) FreeLibrary(game);
    return strip;
}

// A host like the display settings' preview area; white, so that black can
// only come from the preview. 152 pixels wide: a partial last column.
HWND CreateHost() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "DialogsTestHost";
    RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOPMOST, "DialogsTestHost", "Preview host", WS_POPUP | WS_VISIBLE, 40, 40, 152, 120,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

HWND WaitPreview(HWND host) {
    HWND preview = nullptr;
    wintest::WaitFor([&] {
        return (preview = FindWindowExA(host, nullptr, "VelkorScreenSaverClass", "VelkorScreenSaverMainWindow"));
    });
    return preview;
}

// Maximised in the host (the window may be found before it is).
void ExpectFillsHost(HWND host, HWND preview) {
    RECT hostClient, previewClient;
    EXPECT_TRUE(wintest::WaitFor([&] {
        return GetClientRect(host, &hostClient) && GetClientRect(preview, &previewClient) &&
               EqualRect(&hostClient, &previewClient);
    }, 5000));
}

DWORD WINAPI PreviewThread(LPVOID host) {
    RunPreview(GetModuleHandleA(nullptr), static_cast<HWND>(host));
    return 0;
}

// Wine shows nothing that one process paints into a child window of
// another, so the pixels are checked with the preview run in this process,
// on a thread of its own as in velkor.scr; the game is found by the normal
// search, here through the current directory.
TEST(Preview, AnimatesTheGamesSquaresOrStaysBlack) {
    const pixelcheck::CPackedDib strip = GameStrip();
    ASSERT_EQ(strip.Height, 16 * kCell);
    const std::string empty = wintest::ProgramDir() + "nogame\\";
    CreateDirectoryA(empty.c_str(), nullptr);
    const struct {
        const char* Name;
        std::string Dir;
        bool Animates;
    } cases[] = {{"game 5.1", BinDir(), true},
                 {"game 4.0", BinDir() + "layout4\\", false},
                 {"no game", empty, false},
                 {"game 5.1 with its bitmap cut short", wintest::ProgramDir() + "shortgame\\", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(SetCurrentDirectoryA(c.Dir.c_str()));
        HWND host = CreateHost();
        ASSERT_TRUE(host);
        HANDLE thread = CreateThread(nullptr, 0, PreviewThread, host, 0, nullptr);
        ASSERT_TRUE(thread);
        HWND preview = WaitPreview(host);
        ASSERT_TRUE(preview);
        ExpectFillsHost(host, preview);
        wintest::SImage first, second;
        if (c.Animates) {
            int firstPhase = -1, secondPhase = -1;
            EXPECT_TRUE(wintest::WaitFor([&] {
                return wintest::CaptureClient(host, &first) && (firstPhase = TilePhase(first, strip)) >= 0;
            }));
            const DWORD firstTime = GetTickCount();
            EXPECT_TRUE(wintest::WaitFor([&] {
                return wintest::CaptureClient(host, &second) && GetTickCount() - firstTime >= 100 &&
                       (secondPhase = TilePhase(second, strip)) >= 0 && secondPhase != firstPhase;
            }));
            EXPECT_NE(first.Pixels, second.Pixels);
            if (const char* dir = std::getenv("DIALOG_SHOTS")) wintest::SavePng(second, std::string(dir) + "\\preview.png");
        } else {
            // Black over the white host, and still black ten timer periods on.
            EXPECT_TRUE(wintest::WaitFor([&] { return wintest::CaptureClient(host, &first) && AllBlack(first); }));
            const DWORD start = GetTickCount();
            while (GetTickCount() - start < 1000) {
                ASSERT_TRUE(wintest::CaptureClient(host, &second));
                EXPECT_TRUE(AllBlack(second));
                wintest::PumpFor(100);
            }
        }
        // The host ends the preview by destroying its window.
        DestroyWindow(host);
        EXPECT_TRUE(wintest::WaitFor([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }));
        CloseHandle(thread);
    }
    SetCurrentDirectoryA(wintest::ProgramDir().c_str());
}

// velkor.scr /p n: the preview window in the given host, until the host
// destroys it (the forms of the number are the parser's own tests).
TEST(Preview, RunsInTheHostFromTheCommandLine) {
    HWND host = CreateHost();
    ASSERT_TRUE(host);
    CSaver saver;
    ASSERT_TRUE(saver.Start("/p:" + Number(host), BinDir()));
    HWND preview = WaitPreview(host);
    ASSERT_TRUE(preview);
    DWORD pid = 0;
    GetWindowThreadProcessId(preview, &pid);
    EXPECT_EQ(pid, saver.Child.Pid);
    ExpectFillsHost(host, preview);
    DestroyWindow(host);
    EXPECT_TRUE(saver.WaitEnd());
}

// A host process that is killed (the settings closed from the task manager)
// leaves no preview behind.
TEST(Preview, EndsWhenTheHostProcessIsKilled) {
    CSaver host;
    ASSERT_TRUE(host.Start("", "", "notepad.exe"));
    HWND hostWindow = host.WaitWindow(nullptr);
    ASSERT_TRUE(hostWindow);
    CSaver saver;
    ASSERT_TRUE(saver.Start("/p " + Number(hostWindow), BinDir()));
    ASSERT_TRUE(WaitPreview(hostWindow));
    wintest::KillProcess(&host.Child);
    EXPECT_TRUE(saver.WaitEnd()) << "the preview outlived its host";
}

}  // namespace
