// The screen saver's command line: /s runs the saver, /c (with an optional
// owner window number) opens the configuration dialog, /p with a window
// number shows the preview in that window. Portable, so that it is tested
// natively.
#pragma once

#include <cstdint>

struct SCommandLine {
    bool Saver = false;
    bool Configure = false;
    bool Preview = false;
    uint32_t WindowNumber = 0;  // a window handle in numeric form
};

// Cuts the text into tokens (blanks and tabs between them, a token may be
// quoted) and collects the flags and the window number. The text is not
// changed and may be of any length; null reads as empty.
SCommandLine ParseCommandLine(const char* text);

// The handle value a window number stands for: window handles are 32-bit
// numbers sign-extended to the pointer's width, so on 64-bit Windows a
// number from 0x80000000 up names a handle with the upper half set.
intptr_t WindowHandleValue(uint32_t number);

enum class RunMode { Configure, Preview, Saver };

// The mode a parsed command line asks for; previewWindowExists tells whether
// WindowNumber names an existing window.
RunMode ChooseRunMode(const SCommandLine& line, bool previewWindowExists);

// The "%u" conversion of the system's C runtime (msvcrt): optional leading
// white space and sign, then at least one digit. The digits are taken modulo
// 2^32 (no overflow check), and a minus sign negates modulo 2^32. False when
// no digit follows.
bool ScanUnsigned(const char* text, uint32_t* value);
