// Links, subset reduction, building and updating the logic board, and the
// fast rules.
#include <gtest/gtest.h>

#include "SolverTestSupport.h"

namespace {

TEST(LogicSquare, LinksStayUniqueAndConsistent) {
    CLogicSquare a(0, 0), b(1, 0), c(2, 0);
    a.AddConstraint(&b);
    a.AddConstraint(&b);
    a.AddConstraint(&a);
    a.AddConstraint(nullptr);
    EXPECT_EQ(a.ConstraintCount, 1u);
    EXPECT_TRUE(a.HasConstraints);
    a.RemoveConstraint(&c);  // not listed: only the flag is refreshed
    EXPECT_EQ(a.ConstraintCount, 1u);
    a.RemoveConstraint(&b);
    EXPECT_FALSE(a.HasConstraints);
    a.AddUnknown(&b);
    a.AddUnknown(&c);
    a.AddUnknown(&b);
    EXPECT_EQ(a.UnknownCount, 2u);
    a.RemoveUnknown(&b);
    ASSERT_EQ(a.UnknownCount, 1u);
    EXPECT_EQ(a.Unknowns[0], &c);
}

struct SRulesCase {
    const char* Name;
    const char* Board;
    int32_t MinesLeft;
    bool Opens;                 // ApplySimpleRules' result
    const char* Expected;       // after the rules: 'o' opened, 'M' deduced mine
};

// Squares decided by the fast rules, as text; other squares as given.
std::string Decided(const CLogicMineSweeperBoard& logic, const CMineSweeperBoard& game) {
    std::string text = BoardToText(game);
    for (uint32_t y = 0; y < logic.Height; ++y)
        for (uint32_t x = 0; x < logic.Width; ++x) {
            char& ch = text[y * (logic.Width + 1) + x];
            const CLogicSquare* s = logic.At(x, y);
            if (s->IsMine && ch == 'F') ch = 'M';
        }
    return text;
}

TEST(ApplySimpleRules, DecidesWhatOneOrTwoConstraintsForce) {
    const SRulesCase cases[] = {
        {"zero opens all", "...\n.0.\n...\n", 5, true, "ooo\no0o\nooo\n"},
        {"full marks all", "1.\n", 1, false, "1M\n"},
        {"subset settles a row", "...\n121\n", 2, true, "MoM\n121\n"},
        {"two and one over the same pair plus one", "...\n12o\n", 2, false, "..M\n12o\n"},
        {"same unknowns reduce to nothing", "..\n11\n", 1, false, "..\n11\n"},
        {"reduced larger constraint marks its rest", "1..\n.3.\n", 3, false, "1.M\n.3M\n"},
    };
    for (const SRulesCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto game = Board(c.Board, c.MinesLeft);
        ASSERT_TRUE(game);
        CLogicMineSweeperBoard logic(game->Width, game->Height);
        ASSERT_TRUE(logic.Rebuild(game.get()));
        CRecordingFace face(game->Width, game->Height);
        EXPECT_EQ(logic.ApplySimpleRules(game.get(), &face), c.Opens);
        EXPECT_EQ(Decided(logic, *game), c.Expected);
        for (uint32_t i = 0; i < logic.ConstraintSquares->Count; ++i) {
            const CLogicSquare* k = logic.ConstraintSquares->Items[i];
            EXPECT_EQ(k->Index, static_cast<int32_t>(i));
            EXPECT_GT(k->MinesLeft, 0);
            EXPECT_LT(k->MinesLeft, static_cast<int32_t>(k->UnknownCount));
        }
    }
}

TEST(ApplySimpleRules, ContradictionsEndAndOpenNothingWrong) {
    // Numbers that no layout satisfies: a 3 with two closed squares, an open
    // 1 whose only neighbour is open, a zero next to a flag.
    // "12" over the same pair reduces the 2 to no squares with a mine left:
    // a constraint that used to keep the rules busy forever.
    const char* boards[] = {"3.\n..\n", "1o\noo\n", "0F\n..\n", "8.\n..\n", "1F\n1F\n", "..\n12\n"};
    for (const char* text : boards) {
        SCOPED_TRACE(text);
        auto game = Board(text, 1);
        CLogicMineSweeperBoard logic(game->Width, game->Height);
        logic.Rebuild(game.get());
        CRecordingFace face(game->Width, game->Height);
        logic.ApplySimpleRules(game.get(), &face);  // must return at all
        std::atomic<bool> stop{false};
        logic.Solve(&face, &stop, game.get());
        for (const auto& a : face.Queued()) {
            EXPECT_GE(a.Probability, 0.0);
            EXPECT_LE(a.Probability, 1.0);
        }
    }
}

TEST(Rebuild, FreshBoardNumbersClosedSquaresInScanOrder) {
    CMineSweeperBoard game(3, 2);
    game.MinesLeft = 2;
    CLogicMineSweeperBoard logic(3, 2);
    ASSERT_TRUE(logic.Rebuild(&game));
    EXPECT_EQ(logic.ClosedCount, 6u);
    EXPECT_EQ(logic.ConstraintSquares->Count, 0u);
    EXPECT_EQ(logic.At(2, 1)->Index, 0);  // last row, last column first
    EXPECT_EQ(logic.At(0, 1)->Index, 2);
    EXPECT_EQ(logic.At(0, 0)->Index, 5);
    CMineSweeperBoard other(2, 3);
    EXPECT_FALSE(logic.Rebuild(&other));
    EXPECT_FALSE(logic.Rebuild(nullptr));
    EXPECT_FALSE(logic.Update(&other));
}

TEST(Rebuild, NumberWithNothingUnknownIsNoConstraint) {
    auto game = Board("1F\n11\n", 0);
    CLogicMineSweeperBoard logic(2, 2);
    logic.Rebuild(game.get());
    EXPECT_EQ(logic.ConstraintSquares->Count, 0u);
    EXPECT_EQ(logic.At(0, 0)->MinesLeft, 0);
}

TEST(Update, FlagSeenByRebuildIsNotCountedTwice) {
    // The game's counter already takes the flag off; an Update after the
    // Rebuild must not take it off again.
    auto game = Board("1F.\n11.\n", 1);
    CLogicMineSweeperBoard logic(3, 2);
    logic.Rebuild(game.get());
    EXPECT_EQ(logic.MinesNotLocated, 1);
    ASSERT_TRUE(logic.Update(game.get()));
    EXPECT_EQ(logic.MinesNotLocated, 1);
    EXPECT_EQ(logic.MinesLeft, 1);
    // Shown open later although held a mine: rebuild.
    game->GetColumn(1)[0] = SMineSweeperSquare{1, 0, 1, None};
    EXPECT_FALSE(logic.Update(game.get()));
}

TEST(Update, SettlesOpenedSquaresAndDeducedMines) {
    CHeadlessGame headless(4, 1, 1, 1);
    headless.SetLayout({0, 0, 0, 1});
    CMineSweeperBoard* game = nullptr;
    headless.OpenSquare(2, 0);
    ASSERT_TRUE(headless.ReadBoard(&game));  // ". . 1 ." 
    std::unique_ptr<CMineSweeperBoard> owner(game);
    CLogicMineSweeperBoard logic(4, 1);
    logic.Rebuild(game);
    EXPECT_EQ(logic.ClosedCount, 3u);
    CRecordingFace face(4, 1);
    logic.ApplySimpleRules(game, &face);  // nothing certain yet
    headless.OpenSquare(0, 0);            // cascades to (1, 0)
    headless.ReadBoard(&game);
    ASSERT_TRUE(logic.Update(game));
    logic.ApplySimpleRules(game, &face);  // the 1 at (2, 0) marks the last square
    EXPECT_TRUE(logic.At(3, 0)->IsMine);
    EXPECT_EQ(logic.MinesLeft, 0);
    headless.ReadBoard(&game);  // won: the game shows the mine flagged
    ASSERT_TRUE(logic.Update(game));
    EXPECT_TRUE(logic.At(3, 0)->IsSettled);
    EXPECT_EQ(logic.MinesNotLocated, 0);
    EXPECT_EQ(logic.MinesLeft, 0);
    // A new game shows closed what the logic board holds open.
    headless.NewGame();
    headless.ReadBoard(&game);
    EXPECT_FALSE(logic.Update(game));
}

TEST(Update, ReadsOfOpenedSquaresAgreeWithWhatIsSettled) {
    // A square opened while the screen does not show its number yet stays
    // unsettled and gets linked once the number shows; a number that
    // changes after it settled (a pressed square read as 0, a half-drawn
    // picture) makes Update refuse, so the player reads afresh.
    struct SCase {
        const char* Name;
        const char* Later;  // (2, 0) as read the second time: '.' opened without number
        bool Accepted;
        bool Linked;        // (2, 0) a constraint over (1, 0)
    };
    const SCase cases[] = {
        {"number shown late is linked", "1", true, true},
        {"still no number stays open, unlinked", ".", true, false},
        {"settled 0 turning into 1 is refused", "0>1", false, false},
        {"settled 1 turning into 2 is refused", "1>2", false, false},
        {"settled 1 read again as 1", "1>1", true, true},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto game = Board("...\n111\n000\n", 1);
        CLogicMineSweeperBoard logic(3, 3);
        ASSERT_TRUE(logic.Rebuild(game.get()));
        ASSERT_EQ(logic.ClosedCount, 3u);
        ASSERT_EQ(logic.At(1, 1)->UnknownCount, 3u);
        std::string later = c.Later;
        SMineSweeperSquare& s = game->GetColumn(2)[0];
        s = SMineSweeperSquare{1, 0, -1, None};
        if (later.size() == 3) {
            s.Number = later[0] - '0';  // shown with its number at once
            ASSERT_TRUE(logic.Update(game.get()));
            later = later.substr(2);
        } else {
            ASSERT_TRUE(logic.Update(game.get()));
            EXPECT_FALSE(logic.At(2, 0)->IsSettled);
        }
        s.Number = later == "." ? -1 : later[0] - '0';
        EXPECT_EQ(logic.Update(game.get()), c.Accepted);
        if (!c.Accepted) continue;
        EXPECT_EQ(logic.At(2, 0)->IsSettled, c.Linked);
        EXPECT_FALSE(logic.At(2, 0)->HasConstraints);
        EXPECT_EQ(logic.At(1, 1)->UnknownCount, 2u);
        EXPECT_EQ(logic.At(2, 0)->UnknownCount, c.Linked ? 1u : 0u);
        EXPECT_EQ(logic.At(2, 0)->MinesLeft, c.Linked ? 1 : 0);
        EXPECT_EQ(logic.At(1, 0)->ConstraintCount, c.Linked ? 4u : 3u);
        EXPECT_EQ(logic.ClosedCount, 2u);
    }
}

TEST(Solve, SquaresItOpensCountAsOpened) {
    // A read that still shows a square the solver opened, or its guess,
    // covered is stale: Update must refuse it rather than take it in.
    const char* boards[] = {"..1\n.11\n...\n", "...\n...\n...\n"};  // a safe square; only a guess
    for (const char* text : boards) {
        SCOPED_TRACE(text);
        auto game = Board(text, 1);
        CLogicMineSweeperBoard logic(game->Width, game->Height);
        logic.Rebuild(game.get());
        CRecordingFace face(game->Width, game->Height, 0.0);
        std::atomic<bool> stop{false};
        logic.Solve(&face, &stop, game.get());
        uint32_t opens = 0;
        for (const auto& a : face.Performed)
            if (a.Type == CMineSweeperInterface::Open) {
                EXPECT_TRUE(logic.At(a.X, a.Y)->IsOpen) << a.X << "," << a.Y;
                ++opens;
            }
        ASSERT_GT(opens, 0u);
        auto stale = Board(text, 1);
        EXPECT_FALSE(logic.Update(stale.get()));
    }
}

TEST(Solve, GroupWithoutSolutionOpensNothing) {
    // A 0 next to a flag: no layout fits, so its squares must not be "safe".
    auto game = Board("0F\n..\n", 5);
    CLogicMineSweeperBoard logic(2, 2);
    logic.Rebuild(game.get());
    CRecordingFace face(2, 2);
    std::atomic<bool> stop{false};
    EXPECT_FALSE(logic.Solve(&face, &stop, game.get()));
    for (const auto& a : face.Queued()) EXPECT_FALSE(a.Type == CMineSweeperInterface::Open && a.Probability == 1.0);
}

}  // namespace
