// The configuration dialog: edits the settings, saves them on OK, and opens
// the statistics and about dialogs. It runs modelessly with its own loop;
// closing it in any way ends the program.
#include <windows.h>

#include <cstdlib>

#include "Saver.h"
#include "SaverState.h"
#include "resource.h"

namespace {

typedef void(WINAPI* InitCommonControlsFn)();
const char kInitCommonControlsName[] = "InitCommonControls";

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void InitControls(HWND dialog) {
    const SSaverSettings& s = SaverSettings;
    const uint32_t animation = s.AnimationMode;
    Check(dialog, animation == 1 ? IDC_ANIMATION_FAST : animation == 2 ? IDC_ANIMATION_SLOW : IDC_ANIMATION_NONE, true);
    // Custom size (4) has no button: nothing is selected and OK keeps it.
    switch (s.GameMode.load()) {
    case 1: Check(dialog, IDC_LEVEL_BEGINNER, true); break;
    case 2: Check(dialog, IDC_LEVEL_INTERMEDIATE, true); break;
    case 3: Check(dialog, IDC_LEVEL_EXPERT, true); break;
    case 4: break;
    default: Check(dialog, IDC_LEVEL_RANDOM, true); break;
    }
    Check(dialog, IDC_BLANK_BACKGROUND, s.BlankBackground);
    Check(dialog, IDC_SHOW_STATISTICS, s.ShowStatistics);
    Check(dialog, IDC_SWITCH_TO_BLANK, s.SwitchToBlankScreen);
    char minutes[16];
    wsprintfA(minutes, "%d", static_cast<int>(s.SwitchToBlankScreenAfter.load()));
    SetDlgItemTextA(dialog, IDC_BLANK_MINUTES, minutes);
    EnableWindow(GetDlgItem(dialog, IDC_BLANK_MINUTES), s.SwitchToBlankScreen);
}

void ReadControls(HWND dialog) {
    SSaverSettings& s = SaverSettings;
    s.AnimationMode = IsChecked(dialog, IDC_ANIMATION_FAST) ? 1 : IsChecked(dialog, IDC_ANIMATION_SLOW) ? 2 : 3;
    if (IsChecked(dialog, IDC_LEVEL_BEGINNER)) s.GameMode = 1;
    else if (IsChecked(dialog, IDC_LEVEL_INTERMEDIATE)) s.GameMode = 2;
    else if (IsChecked(dialog, IDC_LEVEL_EXPERT)) s.GameMode = 3;
    else if (IsChecked(dialog, IDC_LEVEL_RANDOM)) s.GameMode = 5;
    s.BlankBackground = IsChecked(dialog, IDC_BLANK_BACKGROUND);
    s.ShowStatistics = IsChecked(dialog, IDC_SHOW_STATISTICS);
    s.SwitchToBlankScreen = IsChecked(dialog, IDC_SWITCH_TO_BLANK);
    // The first 14 characters, read like strtol (long is 32 bits here): no
    // digits give 0, a value out of range saturates; no range check beyond.
    char minutes[15] = "";
    GetDlgItemTextA(dialog, IDC_BLANK_MINUTES, minutes, sizeof minutes);
    s.SwitchToBlankScreenAfter = static_cast<uint32_t>(std::strtol(minutes, nullptr, 10));
}

// The statistics dialog holds a tab control, so the common controls are
// registered first; comctl32 is bound by name and only for that time.
void RunStatisticsDialog(HWND owner) {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    if (comctl) {
        auto init = reinterpret_cast<InitCommonControlsFn>(
            reinterpret_cast<void*>(GetProcAddress(comctl, kInitCommonControlsName)));
        if (init) init();
    }
    DialogBoxParamA(AppInstance, "VelkorScreenSaverStatisticsDialog", owner, StatisticsDialogProc, 0);
    if (comctl) FreeLibrary(comctl);
}

bool OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        ReadControls(dialog);
        SaveSettings();
        PostQuitMessage(0);
        return true;
    case IDCANCEL:
        PostQuitMessage(0);
        return true;
    case IDC_BLANK_BACKGROUND:
        EnableWindow(GetDlgItem(dialog, IDC_SHOW_STATISTICS), IsChecked(dialog, IDC_BLANK_BACKGROUND));
        return true;
    case IDC_SWITCH_TO_BLANK:
        EnableWindow(GetDlgItem(dialog, IDC_BLANK_MINUTES), IsChecked(dialog, IDC_SWITCH_TO_BLANK));
        return true;
    case IDC_STATISTICS:
        RunStatisticsDialog(dialog);
        return true;
    case IDC_ABOUT:
        DialogBoxParamA(AppInstance, "VelkorScreenSaverAboutDialog", dialog, AboutDialogProc, 0);
        return true;
    default:
        return false;
    }
}

void PlaceDialog(HWND dialog, HWND owner) {
    RECT r;
    GetWindowRect(dialog, &r);
    POINT p = {r.left, r.top};
    if (owner) {
        ScreenToClient(owner, &p);
    } else {
        RECT desktop;
        GetWindowRect(GetDesktopWindow(), &desktop);
        p.x = (desktop.right - desktop.left) / 2 - (r.right - r.left) / 2;
        p.y = (desktop.bottom - desktop.top) / 2 - (r.bottom - r.top) / 2;
    }
    SetWindowPos(dialog, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR CALLBACK ConfigureDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        InitControls(dialog);
        return TRUE;
    case WM_COMMAND:
        return HIWORD(wParam) == 0 && OnCommand(dialog, LOWORD(wParam));
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
        PostQuitMessage(0);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

bool ShowConfigureDialog(HINSTANCE instance, HWND owner) {
    LoadSettings();
    HWND dialog = CreateDialogParamA(instance, "VelkorScreenSaverConfigureDialog", owner, ConfigureDialogProc, 0);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELKOR));
    if (dialog) {
        SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
        // The dialog is already shown: its caption takes the icon now.
        RedrawWindow(dialog, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        PlaceDialog(dialog, owner);
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0) {
            if (IsDialogMessageA(dialog, &m)) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        DestroyWindow(dialog);
    }
    if (icon) DestroyIcon(icon);
    return true;
}
