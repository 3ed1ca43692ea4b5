// The screen saver's command line: tokens, quotes, "/" and "-", ":n" and
// separate numbers, and the mode each line asks for.
#include <gtest/gtest.h>

#include <string>

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
    {"/c 99999999999",           false, true,  false, 0xFFFFFFFFu, C, C},
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

TEST(CommandLine, NullAndLongLinesAndTextUnchanged) {
    EXPECT_EQ(ChooseRunMode(ParseCommandLine(nullptr), false), RunMode::Configure);
    // Far longer than any fixed buffer; the number at its end still counts.
    std::string text = "/c";
    for (int i = 0; i < 20000; ++i) text += " /x";
    text += " 4321";
    const std::string before = text;
    const SCommandLine line = ParseCommandLine(text.c_str());
    EXPECT_TRUE(line.Configure);
    EXPECT_EQ(line.WindowNumber, 4321u);
    EXPECT_EQ(text, before);
}

TEST(CommandLine, UnsignedScanLikeTheRuntime) {
    struct { const char* Text; bool Ok; uint32_t Value; } cases[] = {
        {"0", true, 0}, {"4294967295", true, 0xFFFFFFFFu}, {"4294967296", true, 0xFFFFFFFFu},
        {"+7", true, 7}, {"-1", true, 0xFFFFFFFFu}, {" \n12", true, 12}, {"12x", true, 12},
        {"", false, 9}, {"x1", false, 9}, {"-", false, 9}, {"+-1", false, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        uint32_t value = 9;
        EXPECT_EQ(ScanUnsigned(c.Text, &value), c.Ok);
        EXPECT_EQ(value, c.Value);
    }
}

}  // namespace
