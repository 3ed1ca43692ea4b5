// The screen saver's command line: tokens, quotes, "/" and "-", ":n" and
// separate numbers, and the mode each line asks for.
#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "CommandLine.h"

namespace {

struct SLineCase {
    const char* Text;
    bool Saver, Configure, Preview;
    uint32_t Number;
    RunMode Mode;        // with the number naming an existing window
    RunMode ModeNoWindow;  // with no such window
};

constexpr RunMode C = RunMode::Configure, P = RunMode::Preview, S = RunMode::Saver;

const SLineCase kLines[] = {
    // text                      saver  conf   prev   number       mode ModeNoWindow
    {"/s",                       true,  false, false, 0,           S, S},
    {"/S",                       true,  false, false, 0,           S, S},
    {"-s",                       true,  false, false, 0,           S, S},
    {"//--s",                    true,  false, false, 0,           S, S},
    {"/scr",                     true,  false, false, 0,           S, S},
    {"  \t/s\t ",                true,  false, false, 0,           S, S},
    {"/s /c",                    true,  false, false, 0,           S, S},
    {"/c /s",                    false, true,  false, 0,           C, C},
    {"/c",                       false, true,  false, 0,           C, C},
    {"/C:1234",                  false, true,  false, 1234,        C, C},
    {"/c 1234",                  false, true,  false, 1234,        C, C},
    {"/c\t1234",                 false, true,  false, 1234,        C, C},
    {"/c:0",                     false, true,  false, 0,           C, C},
    {"/c1234",                   false, true,  false, 0,           C, C},
    {"/c:x",                     false, true,  false, 0,           C, C},
    {"/c:12ab",                  false, true,  false, 12,          C, C},
    {"/c 99999999999",           false, true,  false, 1215752191,  C, C},  // modulo 2^32
    {"/p 1234",                  false, false, true,  1234,        P, C},
    {"/P:1234",                  false, false, true,  1234,        P, C},
    {"-p -77",                   false, false, true,  77,          P, C},
    {"/p",                       false, false, true,  0,           P, C},
    {"/s /p 5",                  true,  false, true,  5,           P, S},
    {"/p 5 /s",                  false, false, true,  5,           P, C},
    {"/p 5 /c 6",                false, false, true,  6,           P, C},
    {"/c 5 /p:7",                false, true,  true,  7,           P, C},
    {"/a 1234",                  false, false, false, 0,           C, C},
    {"1234",                     false, false, false, 0,           C, C},
    {"",                         false, false, false, 0,           C, C},
    {"   ",                      false, false, false, 0,           C, C},
    {"\"/s\"",                   true,  false, false, 0,           S, S},
    {"\"/c:42\"",                false, true,  false, 42,          C, C},
    {"\"/p\" \"88\"",            false, false, true,  88,          P, C},
    {"\"/s",                     false, false, false, 0,           C, C},  // unclosed: begins with a quote
    {"\"/s x\"",                 false, false, false, 0,           C, C},  // quotes do not join across blanks
    {"/c \"",                    false, true,  false, 0,           C, C},
    {"/",                        false, false, false, 0,           C, C},
    {"/c /",                     false, true,  false, 0,           C, C},
};

TEST(CommandLine, TableOfLines) {
    for (const SLineCase& c : kLines) {
        SCOPED_TRACE(std::string("command line: [") + c.Text + "]");
        const SCommandLine line = ParseCommandLine(c.Text);
        EXPECT_EQ(line.Saver, c.Saver);
        EXPECT_EQ(line.Configure, c.Configure);
        EXPECT_EQ(line.Preview, c.Preview);
        EXPECT_EQ(line.WindowNumber, c.Number);
        EXPECT_EQ(ChooseRunMode(line, true), c.Mode);
        EXPECT_EQ(ChooseRunMode(line, false), c.ModeNoWindow);
    }
}

TEST(CommandLine, NullAndLongLines) {
    EXPECT_EQ(ChooseRunMode(ParseCommandLine(nullptr), false), RunMode::Configure);
    // Far longer than any fixed buffer; the number at its end still counts.
    std::string text = "/c";
    for (int i = 0; i < 20000; ++i) text += " /x";
    text += " 4321";
    const SCommandLine line = ParseCommandLine(text.c_str());
    EXPECT_TRUE(line.Configure);
    EXPECT_EQ(line.WindowNumber, 4321u);
}

// Window numbers name handles sign-extended from 32 bits, as the system
// makes them; a number printed signed reads as the same handle.
TEST(CommandLine, WindowNumbersFrom0x80000000NameSignExtendedHandles) {
    const struct {
        const char* Text;
        int64_t Handle;
    } cases[] = {
        {"/p 0", 0},
        {"/p 1234", 1234},
        {"/p 2147483647", 0x7FFFFFFF},
        {"/p 2147483648", -0x7FFFFFFF - 1},
        {"/p:4294967294", -2},
        {"/p:-2", -2},
        {"/c 4294967295", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(static_cast<int64_t>(WindowHandleValue(ParseCommandLine(c.Text).WindowNumber)), c.Handle);
    }
}

// The "%u" scan of the window numbers; under Wine it must agree with the
// system's C runtime.
const struct {
    const char* Text;
    bool Ok;
    uint32_t Value;
} kScans[] = {
    {"0", true, 0}, {"4294967295", true, 0xFFFFFFFFu}, {"4294967296", true, 0}, {"99999999999", true, 1215752191},
    {"18446744073709551617", true, 1}, {"+7", true, 7}, {"-1", true, 0xFFFFFFFFu}, {"-2147483648", true, 0x80000000u},
    {" \n12", true, 12}, {"\t\v\f\r3", true, 3}, {"12x", true, 12}, {"007", true, 7},
    {"", false, 9}, {"x1", false, 9}, {"-", false, 9}, {"+-1", false, 9}, {"- 1", false, 9},
};

TEST(CommandLine, UnsignedScan) {
    for (const auto& c : kScans) {
        SCOPED_TRACE(c.Text);
        uint32_t value = 9;
        EXPECT_EQ(ScanUnsigned(c.Text, &value), c.Ok);
        EXPECT_EQ(value, c.Value);
    }
}

#ifdef _WIN32
TEST(CommandLine, UnsignedScanAgreesWithTheSystemRuntime) {
    // The system's msvcrt.dll, not the compiler's own scanner.
    typedef int(__cdecl * TScan)(const char*, const char*, ...);
    const auto scan = reinterpret_cast<TScan>(
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA("msvcrt.dll"), "sscanf")));
    ASSERT_TRUE(scan);
    for (const auto& c : kScans) {
        SCOPED_TRACE(c.Text);
        unsigned int runtime = 9;
        uint32_t ours = 9;
        EXPECT_EQ(ScanUnsigned(c.Text, &ours), scan(c.Text, "%u", &runtime) == 1);
        EXPECT_EQ(ours, runtime);
    }
}
#endif

}  // namespace
