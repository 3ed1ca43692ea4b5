// The preview inside the host window of the display settings.
#include <windows.h>

#include "Saver.h"

bool RunPreview(HINSTANCE, HWND) { return true; }
