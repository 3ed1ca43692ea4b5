// The screen saver run: start-up, message loop and tear-down.
#include <windows.h>

#include "Saver.h"

void RunSaver() {}
