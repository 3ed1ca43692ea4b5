// Program entry of the screen saver.
#include <windows.h>

#include "Saver.h"

int SaverMain(HINSTANCE instance, const char* commandLine) {
    AppInstance = instance;
    (void)commandLine;
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return SaverMain(instance, commandLine);
}
