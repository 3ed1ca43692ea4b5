// The player thread: plays game after game on the game window.
#include <windows.h>

#include "Saver.h"

DWORD WINAPI PlayerThreadProc(LPVOID) { return 0; }
