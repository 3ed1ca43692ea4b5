// The configuration dialog.
#include <windows.h>

#include "Saver.h"

bool ShowConfigureDialog(HINSTANCE, HWND) { return true; }
