// The player on a game whose pictures reach the window late, as on a busy
// machine: over fixed seeds, no first pass of a game opens more than one
// square, and no square the solver held certain is a mine. The game's
// layout dump is the judge of the mines, its events log of the clicks.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "PlayerSupport.h"
#include "PlayerThread.h"
#include "Saver.h"
#include "SaverState.h"
#include "StandinSupport.h"

namespace {

using standintest::CStandin;
using standintest::kLevels;

// The interface the player uses, noting each square it opens: whether the
// board it acted on showed a game not yet started (a first pass), and
// whether the solver held the square certain (its mine probability 0 when
// the move was made; guesses carry theirs).
class CWatchingFace : public CVelkorInterface {
public:
    struct SOpen {
        uint32_t X, Y;
        bool FirstPass, Certain;
    };
    struct SGame {
        std::vector<SOpen> Opens;
        std::vector<uint8_t> Mines;  // from the game's dump, column-major
    };

    CWatchingFace(HWND game, const SPlayer* player, const CStandin* standin)
        : CVelkorInterface(game), Player(player), Standin(standin) {}

    bool OpenSquare(uint32_t x, uint32_t y) override {
        const SPlayer* p = Player;
        bool first = p->Board && p->Board->State == NotStarted;
        bool certain = p->Logic && x < p->Logic->Width && y < p->Logic->Height &&
                       p->Logic->At(x, y)->MineProbability == 0.0;
        Current.Opens.push_back(SOpen{x, y, first, certain});
        return CVelkorInterface::OpenSquare(x, y);
    }
    bool NewGame() override {
        // The dump still holds the finished game's layout.
        if (!Current.Opens.empty() && Standin->ReadLayout(Width, Height, &Current.Mines)) Games.push_back(Current);
        Current = SGame{};
        return CVelkorInterface::NewGame();
    }

    std::vector<SGame> Games;

private:
    const SPlayer* Player;
    const CStandin* Standin;
    SGame Current;
};

size_t CountLines(const std::string& path, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& line : playertest::FileLines(path)) n += line.compare(0, prefix.size(), prefix) == 0;
    return n;
}

TEST(PlayerLatePicture, FirstPassesOpenOneSquareAndCertainSquaresAreSafe) {
    const uint32_t kSeeds[] = {11, 4242};
    const size_t kGames = 5;
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        playertest::ResetShared();
        SaverSettings.AnimationMode = 0;
        SaverSettings.GameMode = 1;
        const std::string events = standintest::TempDir() + "late-picture-" + std::to_string(seed) + ".events";
        DeleteFileA(events.c_str());
        CStandin game;
        ASSERT_TRUE(game.Start(5, kLevels[0], seed, {"VELKOR_PAINT_DELAY=150", "VELKOR_EVENTS=" + events}));
        SPlayer p;
        PlayerStart(&p, game.Window());
        CWatchingFace* face = new CWatchingFace(game.Window(), &p, &game);
        face->AbortFlag = p.Face->AbortFlag;
        face->NewGameMines = p.Face->NewGameMines;
        delete p.Face;
        p.Face = face;
        for (DWORD start = GetTickCount(); face->Games.size() < kGames && GetTickCount() - start < 60000;)
            ASSERT_TRUE(PlayerPass(&p));
        EXPECT_GE(face->Games.size(), kGames) << "games finished within a minute";
        size_t opens = 0;
        for (size_t g = 0; g < face->Games.size(); ++g) {
            const CWatchingFace::SGame& played = face->Games[g];
            opens += played.Opens.size();
            size_t firstPass = 0;
            for (const CWatchingFace::SOpen& o : played.Opens) {
                firstPass += o.FirstPass ? 1 : 0;
                const bool mine = played.Mines[static_cast<size_t>(o.X) * kLevels[0].Height + o.Y] != 0;
                EXPECT_FALSE(o.Certain && mine) << "game " << g << ": (" << o.X << ", " << o.Y << ") held certain";
            }
            EXPECT_EQ(firstPass, 1u) << "game " << g << ": squares opened on a board not started";
        }
        PlayerEnd(&p);
        // Every open the player noted reached the game (the last game's
        // opens were not noted as a game, so the log holds at least as many).
        EXPECT_GE(CountLines(events, "open "), opens);
        DeleteFileA(events.c_str());
    }
}

// A game in play that makes no progress (no move reaching the game, no
// square newly opened) after a few rebuilds, or for a long time, is given up
// for a new game and counted neither won nor lost.
TEST(PlayerLatePicture, StalledGameIsGivenUpUncounted) {
    struct SCase {
        const char* Name;
        uint32_t StallRebuilds, StalledMs;
        bool InGame, GivenUp;
    };
    const SCase cases[] = {
        {"progress lately", kStallRebuildsBeforeGiveUp - 1, 1000, true, false},
        {"rebuilds without progress", kStallRebuildsBeforeGiveUp, 1000, true, true},
        {"long without progress", 0, kStallGiveUpMs + 1000, true, true},
        {"not seen from its start, long without progress", 0, kStallGiveUpMs + 1000, false, true},
    };
    playertest::ResetShared();
    const std::string events = standintest::TempDir() + "late-picture-stall.events";
    DeleteFileA(events.c_str());
    CStandin game;
    ASSERT_TRUE(game.Start(5, kLevels[0], 5, {"VELKOR_EVENTS=" + events}));
    for (const SCase& c : cases) {
        SPlayer p;
        p.GameWindow = game.Window();
        p.Face = new CVelkorInterface(game.Window());
        // A read may fail for a moment (a window passing over the game).
        int reads = 1;
        while (!PlayerRead(&p, 0) && reads < 100) ++reads;
        ASSERT_LT(reads, 100) << c.Name;
        p.InGame = c.InGame;
        p.StallRebuilds = c.StallRebuilds;
        p.LastProgress = GetTickCount() - c.StalledMs;
        const size_t before = CountLines(events, "command 510");
        ASSERT_TRUE(PlayerPass(&p)) << c.Name;
        standintest::Settle(game.Window());
        EXPECT_EQ(CountLines(events, "command 510") - before, c.GivenUp ? 1u : 0u) << c.Name;
        EXPECT_EQ(p.InGame, !c.GivenUp) << c.Name;
        EXPECT_EQ(GameStatistics.WonThisRun[0] + GameStatistics.LostThisRun[0], 0u) << c.Name;
    }
    DeleteFileA(events.c_str());
}

}  // namespace

