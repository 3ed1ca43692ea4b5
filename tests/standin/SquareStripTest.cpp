// The generated square strips of both layouts read back as the states they
// stand for, by the independent pixel checker.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "PackedDib.h"
#include "PixelChecker.h"

namespace {

TEST(SquareStrip, EveryCellReadsAsItsStateInBothLayouts) {
    struct {
        int Layout;
        const char* Path;
    } strips[] = {{5, STRIP_LAYOUT5}, {4, STRIP_LAYOUT4}};
    for (const auto& s : strips) {
        std::ifstream in(s.Path, std::ios::binary);
        std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(file.size(), 14u) << s.Path;
        pixelcheck::CPackedDib dib;
        ASSERT_TRUE(dib.Parse(file.data() + 14, file.size() - 14)) << s.Path;
        EXPECT_EQ(dib.Width, 16);
        EXPECT_EQ(dib.Height, 256);
        EXPECT_EQ(pixelcheck::MisreadCells([&](int x, int y) { return dib.At(x, y); }, s.Layout), "") << s.Path;
    }
}

}  // namespace
