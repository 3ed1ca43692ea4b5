#include <gtest/gtest.h>

#include "Minesweeper.h"

namespace {

TEST(BoardTest, SizeIsLimitedTo1024) {
    struct Case { uint32_t w, h, ew, eh; } cases[] = {
        {2000, 16, 1024, 16}, {30, 1025, 30, 1024}, {1024, 1024, 1024, 1024},
        {0, 5, 0, 5}, {UINT32_MAX, UINT32_MAX, 1024, 1024},
    };
    for (const Case& c : cases) {
        CMineSweeperBoard b(c.w, c.h);
        EXPECT_EQ(c.ew, b.Width) << c.w;
        EXPECT_EQ(c.eh, b.Height) << c.h;
        EXPECT_EQ(0, b.MinesLeft);
        if (b.Width && b.Height) {  // zero-filled, and the last square is addressable
            SMineSweeperSquare& last = b.GetColumn(b.Width - 1)[b.Height - 1];
            EXPECT_EQ(0, last.Opened);
            EXPECT_EQ(0, last.Mark);
        }
    }
}

TEST(BoardTest, ColumnMajorAddressing) {
    CMineSweeperBoard b(30, 16);
    for (uint32_t x = 0; x < 30; ++x)
        for (uint32_t y = 0; y < 16; ++y) EXPECT_EQ(&b.Squares[x * 16 + y], &b.GetColumn(x)[y]);
    b.MarkOpened(3, 4);
    EXPECT_EQ(1, b.Squares[3 * 16 + 4].Opened);
    EXPECT_EQ(0, b.Squares[4 * 30 + 3].Opened);  // not row-major
}

TEST(BoardTest, CopyRefusesNullAndOtherSizes) {
    CMineSweeperBoard small(9, 9), big(16, 16), other(9, 9);
    small.State = Playing;
    small.MinesLeft = 7;
    small.MarkOpened(1, 1);
    big.State = Lost;
    big.MinesLeft = 40;
    EXPECT_FALSE(small.CopyFrom(&big));
    EXPECT_FALSE(small.CopyFrom(nullptr));
    EXPECT_EQ(Playing, small.State);
    EXPECT_EQ(7, small.MinesLeft);
    EXPECT_EQ(1, small.GetColumn(1)[1].Opened);

    other.State = Won;
    other.MinesLeft = -3;
    other.MarkMine(8, 8);
    ASSERT_TRUE(small.CopyFrom(&other));
    EXPECT_EQ(Won, small.State);
    EXPECT_EQ(-4, small.MinesLeft);
    EXPECT_EQ(0, small.GetColumn(1)[1].Opened);
    EXPECT_EQ(Flag, small.GetColumn(8)[8].Mark);
    EXPECT_TRUE(small.CopyFrom(&small));
}

TEST(BoardTest, MarksAreBlindToPreviousState) {
    CMineSweeperBoard b(9, 9);
    b.MinesLeft = 10;
    SMineSweeperSquare& s = b.GetColumn(2)[3];
    s.Opened = 1;
    s.Number = 3;
    b.MarkOpened(2, 3);
    EXPECT_EQ(-1, s.Number);
    EXPECT_EQ(1, s.Opened);
    b.MarkMine(4, 4);
    b.MarkMine(4, 4);
    EXPECT_EQ(8, b.MinesLeft);
    EXPECT_EQ(1, b.GetColumn(4)[4].Mine);
    EXPECT_EQ(Flag, b.GetColumn(4)[4].Mark);
}

}  // namespace
