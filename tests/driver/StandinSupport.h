// The stand-in game as a separate process for the driver's Wine tests and
// benchmark: started with a fixed seed and level, and read back through its
// layout dump so that an in-memory game can replay the same moves.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "HeadlessGame.h"
#include "WinTestSupport.h"

namespace standintest {

// Windows path of a file in this build's directory (given as a host path).
std::string BuildPath(const std::string& relative);
// "bin/velkor.exe" or "bin/layout4/velkor.exe" of this build.
std::string GamePath(int layout);
std::string TempDir();

struct SLevel {
    const char* Name;
    uint32_t Level;  // 0..3 as the game stores it
    uint32_t Width, Height, Mines;
};
extern const SLevel kLevels[4];  // Beginner, Intermediate, Expert, a custom 20 x 12

class CStandin {
public:
    CStandin() = default;
    ~CStandin() { Stop(); }
    // Starts the game of the layout on the level, with more environment
    // (NAME=value) for its test hooks; false when no window came.
    bool Start(int layout, const SLevel& level, uint32_t seed = 1234, const std::vector<std::string>& environment = {});
    void Stop();
    HWND Window() const { return GameWindow; }
    // The mine layout dumped at the first opening (column-major, 1 = mine).
    bool ReadLayout(uint32_t width, uint32_t height, std::vector<uint8_t>* mines) const;
    // Lines appended by finished games.
    std::vector<std::string> Records() const;

private:
    wintest::SChild Child;
    HWND GameWindow = nullptr;
    std::string DumpPath, RecordPath;
};

// Waits until the game has handled everything sent or posted so far.
void Settle(HWND window);

}  // namespace standintest
