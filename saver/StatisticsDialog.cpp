// The statistics dialog (stored counts per level, reset) and the about
// dialog (name, version, two links), both modal under the configuration
// dialog.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <initializer_list>

#include "Saver.h"
#include "resource.h"

namespace {

// ---- Statistics ----

void SetNumber(HWND dialog, int id, uint32_t value) {
    char text[16];
    wsprintfA(text, "%u", value);
    SetDlgItemTextA(dialog, id, text);
}

void ShowCounts(HWND dialog, uint32_t won, uint32_t lost) {
    SetNumber(dialog, IDC_STATS_TOTAL, won + lost);
    SetNumber(dialog, IDC_STATS_WON, won);
    SetNumber(dialog, IDC_STATS_LOST, lost);
    char rate[32] = "";
    if (won + lost != 0)
        std::snprintf(rate, sizeof rate, "%.1f%%", static_cast<double>(won) / (won + lost) * 100.0);
    SetDlgItemTextA(dialog, IDC_STATS_RATE, rate);
}

// The counts of the selected tab, read afresh from the registry each time.
void ShowSelectedLevel(HWND dialog) {
    const LRESULT level = SendDlgItemMessageA(dialog, IDC_STATS_TABS, TCM_GETCURSEL, 0, 0);
    uint32_t won = 0, lost = 0;
    if (level >= 0) ReadLevelStatistics(static_cast<uint32_t>(level), &won, &lost);
    ShowCounts(dialog, won, lost);
}

void InitStatistics(HWND dialog) {
    HWND tabs = GetDlgItem(dialog, IDC_STATS_TABS);
    // Half the usual space beside the names, so that the three level names
    // fit on the narrow control in wider system fonts too.
    SendMessageA(tabs, TCM_SETPADDING, 0, MAKELPARAM(3, 3));
    const UINT names[3] = {IDS_BEGINNER, IDS_INTERMEDIATE, IDS_EXPERT};
    for (int i = 0; i < 3; ++i) {
        char text[128] = "";
        LoadStringA(AppInstance, names[i], text, sizeof text);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    NMHDR change = {};
    change.hwndFrom = tabs;
    change.idFrom = IDC_STATS_TABS;
    change.code = TCN_SELCHANGE;
    SendMessageA(dialog, WM_NOTIFY, IDC_STATS_TABS, reinterpret_cast<LPARAM>(&change));
}

void ResetAfterQuestion(HWND dialog) {
    char question[1023] = "";
    LoadStringA(AppInstance, IDS_RESET_QUESTION, question, sizeof question);
    if (MessageBoxA(dialog, question, "", MB_YESNO | MB_DEFBUTTON2) != IDYES) return;
    ResetStatistics();
    ShowCounts(dialog, 0, 0);
}

// ---- About ----

const char kWebsiteUrl[] = "https://korvane.example.org/";
const char kLandMinesUrl[] = "https://www.icbl.org/";

HFONT ControlFont(HWND dialog, int id) {
    return reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
}

HFONT DerivedFont(HWND dialog, bool title) {
    LOGFONTA font = {};
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!GetObjectA(base ? static_cast<HGDIOBJ>(base) : GetStockObject(SYSTEM_FONT), sizeof font, &font))
        return nullptr;
    if (title) {
        font.lfHeight = font.lfHeight * 4 / 3;
        font.lfWeight = FW_BOLD;
    } else {
        font.lfUnderline = TRUE;
    }
    return CreateFontIndirectA(&font);
}

// The version line of the template is a format for the major and minor
// product version of this program's own version block.
void ShowVersion(HWND dialog) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(AppInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return;
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (!block) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (GetFileVersionInfoW(path, 0, size, block) &&
        VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&info), &infoSize) && info &&
        infoSize >= sizeof *info) {
        char format[128] = "";
        char text[160];
        GetDlgItemTextA(dialog, IDC_ABOUT_VERSION, format, sizeof format);
        wsprintfA(text, format, HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS));
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
    }
    HeapFree(GetProcessHeap(), 0, block);
}

void InitAbout(HWND dialog) {
    if (HFONT title = DerivedFont(dialog, true))
        SendDlgItemMessageA(dialog, IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(title), TRUE);
    if (HFONT link = DerivedFont(dialog, false)) {
        SendDlgItemMessageA(dialog, IDC_ABOUT_WEBSITE, WM_SETFONT, reinterpret_cast<WPARAM>(link), FALSE);
        SendDlgItemMessageA(dialog, IDC_ABOUT_MINES, WM_SETFONT, reinterpret_cast<WPARAM>(link), FALSE);
    }
    ShowVersion(dialog);
    // The links are the only static texts that take mouse hits (the others
    // let them through to the dialog), so the hand as the class cursor of
    // the static texts shows over the links only.
    if (HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)))  // IDC_HAND
        SetClassLongPtrA(GetDlgItem(dialog, IDC_ABOUT_WEBSITE), GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand));
}

void FreeAboutFonts(HWND dialog) {
    const HFONT dialogFont = ControlFont(dialog, IDOK);
    for (int id : {IDC_ABOUT_TITLE, IDC_ABOUT_WEBSITE}) {
        HFONT font = ControlFont(dialog, id);
        if (font && font != dialogFont) DeleteObject(font);
    }
}

bool IsLink(HWND dialog, HWND control) {
    return control && (control == GetDlgItem(dialog, IDC_ABOUT_WEBSITE) || control == GetDlgItem(dialog, IDC_ABOUT_MINES));
}

void OpenPage(HWND dialog, const char* url) { ShellExecuteA(dialog, "open", url, "", "", SW_SHOWNORMAL); }

// The close box, WM_CLOSE and the commands OK and Cancel end both dialogs.
bool EndsDialog(UINT msg, WPARAM wParam) {
    switch (msg) {
    case WM_CLOSE:
        return true;
    case WM_SYSCOMMAND:
        return (wParam & 0xFFF0) == SC_CLOSE;
    case WM_COMMAND:
        return HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL);
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK StatisticsDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (EndsDialog(msg, wParam)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG:
        InitStatistics(dialog);
        return TRUE;
    case WM_NOTIFY:
        if (wParam != IDC_STATS_TABS || reinterpret_cast<const NMHDR*>(lParam)->code != static_cast<UINT>(TCN_SELCHANGE))
            return FALSE;
        ShowSelectedLevel(dialog);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_STATS_RESET:
            ResetAfterQuestion(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (EndsDialog(msg, wParam)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG:
        InitAbout(dialog);
        return TRUE;
    case WM_DESTROY:
        FreeAboutFonts(dialog);
        return FALSE;
    // Links in the classic link colour.
    case WM_CTLCOLORSTATIC:
        if (!IsLink(dialog, reinterpret_cast<HWND>(lParam))) return FALSE;
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 255));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_ABOUT_WEBSITE:
            OpenPage(dialog, kWebsiteUrl);
            return TRUE;
        case IDC_ABOUT_MINES:
            OpenPage(dialog, kLandMinesUrl);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
