// Program entry of the screen saver: the command line chooses the mode.
#include <windows.h>

#include <cstdint>

#include "CommandLine.h"
#include "Saver.h"

namespace {

HWND WindowFromNumber(uint32_t number) { return reinterpret_cast<HWND>(WindowHandleValue(number)); }

}  // namespace

int SaverMain(HINSTANCE instance, const char* commandLine) {
    AppInstance = instance;
    const SCommandLine line = ParseCommandLine(commandLine);
    HWND window = WindowFromNumber(line.WindowNumber);
    switch (ChooseRunMode(line, line.WindowNumber != 0 && IsWindow(window))) {
    case RunMode::Preview:
        RunPreview(instance, window);
        break;
    case RunMode::Configure:
        ShowConfigureDialog(instance, window);
        break;
    case RunMode::Saver:
        RunSaver();
        break;
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return SaverMain(instance, commandLine);
}
