// Plays complete games on the stand-in game (a separate process) with the
// solver and the driver, without the player loop's threads: wins on every
// level, and counts that agree with the game's own record.
//
//   driver_play [--layout 4|5] [--level beginner|intermediate|expert|custom|all]
//               [--games N] [--until-win]
// --games N: games per level (default 3); with --until-win, at most N games
// per level, stopping at the first win. Exit code 0 when every level was won
// at least once (with --until-win) and the counts agree with the record.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "Logicsolve.h"
#include "Random.h"
#include "StandinSupport.h"
#include "VelkorInterface.h"

namespace {

using standintest::SLevel;

struct SOptions {
    int Layout = 5;
    int LevelIndex = -1;  // -1: all four
    uint32_t Games = 3;
    bool UntilWin = false;
    uint32_t Seed = 1234;
};

const std::atomic<bool> kNeverStop{false};

bool SameBoard(const CMineSweeperBoard* a, const CMineSweeperBoard* b) {
    if (!a || !b || a->Width != b->Width || a->Height != b->Height) return false;
    if (a->State != b->State || a->MinesLeft != b->MinesLeft) return false;
    return std::memcmp(a->Squares, b->Squares, sizeof(SMineSweeperSquare) * a->Width * a->Height) == 0;
}

// Reads the board in full; retries for up to timeoutMs while reads fail or,
// when unlike is given, while the screen still shows that board (the game's
// drawing reaches the screen some time after a click).
bool ReadFresh(CVelkorInterface& face, CMineSweeperBoard** board, const CMineSweeperBoard* unlike, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (*board && ((*board)->Width != face.Width || (*board)->Height != face.Height)) {
            delete *board;
            *board = nullptr;
        }
        bool ok = face.ReadBoard(board);
        if (ok && !SameBoard(*board, unlike)) return true;
        if (face.IsGameClosed() || GetTickCount() - start >= timeoutMs) return ok;
        Sleep(10);
    }
}

// One game from a new start to its end: 1 won, 0 lost, -1 no end reached.
int PlayGame(CVelkorInterface& face) {
    CMineSweeperBoard* board = nullptr;
    CMineSweeperBoard* before = nullptr;
    CLogicMineSweeperBoard* logic = nullptr;
    int result = -1;
    face.NewGame();
    // Wait until the new game is on the screen, not the last one's end.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        if (ReadFresh(face, &board, nullptr, 1000) && board->State == NotStarted) break;
        Sleep(20);
    }
    uint32_t limit = 8 * face.Width * face.Height + 64;
    for (uint32_t pass = 0; pass < limit && board && board->State != Won && board->State != Lost; ++pass) {
        if (!logic || logic->Width != board->Width || logic->Height != board->Height) {
            delete logic;
            logic = new CLogicMineSweeperBoard(board->Width, board->Height);
            logic->Rebuild(board);
        } else if (board->State == NotStarted || !logic->Update(board)) {
            logic->Rebuild(board);
        }
        // Openings at once, flags never placed (no animation).
        face.AbortFlag = &kNeverStop;
        face.QueueThreshold = 0.0;
        face.QueueFlags = true;
        face.PauseAfterAction = false;
        face.ClearActions();
        // The board before this pass's moves, to wait for the screen to change.
        if (!before || !before->CopyFrom(board)) {
            delete before;
            before = new CMineSweeperBoard(board->Width, board->Height);
            before->CopyFrom(board);
        }
        if (!logic->ApplySimpleRules(board, &face)) logic->Solve(&face, &kNeverStop, board);
        if (!ReadFresh(face, &board, before, 2000)) break;
    }
    if (board && board->State == Won) result = 1;
    if (board && board->State == Lost) result = 0;
    delete before;
    delete logic;
    delete board;
    return result;
}

bool ParseOptions(int argc, char** argv, SOptions* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--layout" && next) o->Layout = std::atoi(argv[++i]) == 4 ? 4 : 5;
        else if (a == "--games" && next) o->Games = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--until-win") o->UntilWin = true;
        else if (a == "--level" && next) {
            std::string l = argv[++i];
            o->LevelIndex = -2;
            if (l == "all") o->LevelIndex = -1;
            for (int k = 0; k < 4; ++k)
                if (l == standintest::kLevels[k].Name) o->LevelIndex = k;
            if (o->LevelIndex == -2) return false;
        } else {
            return false;
        }
    }
    return o->Games > 0;
}

}  // namespace

int main(int argc, char** argv) {
    SOptions options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: driver_play [--layout 4|5] [--level NAME|all] [--games N] [--until-win]\n");
        return 2;
    }
    SeedRandom(options.Seed);
    bool ok = true;
    for (int k = 0; k < 4; ++k) {
        if (options.LevelIndex >= 0 && options.LevelIndex != k) continue;
        const SLevel& level = standintest::kLevels[k];
        standintest::CStandin game;
        if (!game.Start(options.Layout, level, options.Seed + k)) {
            std::fprintf(stderr, "%s: the game did not start\n", level.Name);
            return 1;
        }
        CVelkorInterface face(game.Window());
        uint32_t played = 0, won = 0, unfinished = 0;
        while (played < options.Games && !(options.UntilWin && won > 0)) {
            int r = PlayGame(face);
            ++played;
            if (r == 1) ++won;
            if (r < 0) ++unfinished;
            std::printf("%s game %u: %s\n", level.Name, played, r == 1 ? "won" : r == 0 ? "lost" : "unfinished");
            std::fflush(stdout);
            if (face.IsGameClosed()) break;
        }
        // The game's own record is the judge of what was played.
        uint32_t recordedWon = 0, recorded = 0;
        std::string expectLevel = std::string("level=") + level.Name + " ";
        for (const std::string& line : game.Records()) {
            ++recorded;
            if (line.rfind(expectLevel, 0) != 0) ok = false;
            if (line.find("result=won") != std::string::npos) ++recordedWon;
        }
        bool agree = recorded == played - unfinished && recordedWon == won;
        std::printf("level=%s games=%u wins=%u unfinished=%u recorded=%u recorded_wins=%u%s\n", level.Name, played,
                    won, unfinished, recorded, recordedWon, agree ? "" : " MISMATCH");
        if (!agree || unfinished) ok = false;
        if (options.UntilWin && won == 0) ok = false;
        game.Stop();
    }
    return ok ? 0 : 1;
}
