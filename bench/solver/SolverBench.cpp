// Plays N games per level against the headless game with the player loop's
// solving pass and the no-animation policy (openings at once, flags queued
// and dropped), and prints win rates, speed and memory; then the time to
// weigh 10, 20 and 40 undetermined groups.
//
//   solver_bench [--level beginner|intermediate|expert|all] [--games N] [--seed S]
//                [--first-click uniform|classic] [--fault pressed|stale|torn P]
//
// --fault feeds the solver, with probability P per read, a read that the
// saver can get from the screen instead of the truth (FaultyReads.h), and
// plays the same games once without and once with it.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FaultyReads.h"
#include "HeadlessGame.h"
#include "Logicsolve.h"
#include "Random.h"

namespace {

struct SLevel {
    const char* Name;
    uint32_t Width, Height, Mines;
};

const SLevel Levels[] = {
    {"beginner", 9, 9, 10},
    {"intermediate", 16, 16, 40},
    {"expert", 30, 16, 99},
};

struct SResult {
    uint32_t Games = 0, Wins = 0, Stuck = 0;
    double Seconds = 0.0;
    std::vector<double> PassMicros;
    uint32_t MaxGroup = 0;
    uint32_t FaultyReads = 0;
};

// Seeds of the solver's generator and of the fault draws, apart from the
// layouts' seed.
const uint32_t kSolverSeedMix = 0x9E3779B9u;
const uint32_t kFaultSeedMix = 0x85EBCA6Bu;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long PeakRssKb() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Percentile(std::vector<double>& v, double q) {
    if (v.empty()) return 0.0;
    size_t k = static_cast<size_t>(q * double(v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

// Solving passes in a row without a move before the player reads afresh and
// rebuilds its logic board (the player thread's kIdlePassesBeforeRebuild).
const uint32_t kIdlePassesBeforeRebuild = 50;

// The headless game, telling the fault injector which square the player
// opened last.
class CBenchGame : public CHeadlessGame {
public:
    CBenchGame(const SLevel& level, uint32_t seed, FirstClickRule rule, CFaultyReads& faults)
        : CHeadlessGame(level.Width, level.Height, level.Mines, seed, rule), Faults(faults) {}
    bool OpenSquare(uint32_t x, uint32_t y) override {
        Faults.Opened(x, y);
        return CHeadlessGame::OpenSquare(x, y);
    }

private:
    CFaultyReads& Faults;
};

// Plays one game to its end as the player thread does without animation:
// every pass reads the game (through the fault injector), follows it with
// the logic board and solves; a game is counted only when it was seen from
// its start, and a finished board seen before that starts another game.
// False when it stopped making progress.
bool PlayGame(CBenchGame& game, CFaultyReads& faults, CMineSweeperBoard*& board, CLogicMineSweeperBoard*& logic,
              const std::atomic<bool>& stop, SResult& result) {
    game.NewGame();
    bool inGame = false, rebuild = false;
    uint32_t idlePasses = 0;
    uint64_t limit = 4ull * game.GameWidth() * game.GameHeight() + 16;
    for (uint64_t pass = 0; pass < limit; ++pass) {
        if (!game.ReadBoard(&board)) {
            delete board;
            board = nullptr;
            continue;
        }
        faults.Apply(board);
        if (board->State == Won || board->State == Lost) {
            if (!inGame) {
                game.NewGame();
                continue;
            }
            ++result.Games;
            if (board->State == Won) ++result.Wins;
            return true;
        }
        double start = Now();
        if (logic && (logic->Width != board->Width || logic->Height != board->Height)) {
            delete logic;
            logic = nullptr;
        }
        if (board->State == NotStarted) {
            inGame = true;
            if (logic) logic->Rebuild(board);
        }
        game.AbortFlag = &stop;
        game.QueueThreshold = 0.0;
        game.QueueFlags = true;
        game.ClearActions();
        if (!logic) {
            logic = new CLogicMineSweeperBoard(game.Width, game.Height);
            logic->Rebuild(board);
        } else if (rebuild || !logic->Update(board)) {
            logic->Rebuild(board);
        }
        rebuild = false;
        logic->LargestGroup = 0;
        const uint32_t moves = game.MovesPerformed;
        if (!logic->ApplySimpleRules(board, &game)) logic->Solve(&game, &stop, board);
        result.PassMicros.push_back((Now() - start) * 1e6);
        result.MaxGroup = std::max(result.MaxGroup, logic->LargestGroup);
        idlePasses = game.MovesPerformed == moves ? idlePasses + 1 : 0;
        if (idlePasses >= kIdlePassesBeforeRebuild) {
            idlePasses = 0;
            rebuild = true;
        }
    }
    ++result.Games;
    ++result.Stuck;
    return false;
}

SResult RunLevel(const SLevel& level, uint32_t games, uint32_t seed, FirstClickRule rule, ReadFault fault,
                 double probability, bool progress) {
    SResult result;
    result.PassMicros.reserve(static_cast<size_t>(games) * 64);
    CFaultyReads faults(fault, probability, seed ^ kFaultSeedMix);
    CBenchGame game(level, seed, rule, faults);
    // The player's draws and the game's are independent (two processes,
    // each seeded from its own clock): give the solver a stream apart from
    // the layouts' instead of the same sequence a few hundred draws behind.
    SeedRandom(seed ^ kSolverSeedMix);
    CMineSweeperBoard* board = nullptr;
    CLogicMineSweeperBoard* logic = nullptr;
    std::atomic<bool> stop{false};
    double start = Now();
    for (uint32_t i = 0; i < games; ++i) {
        PlayGame(game, faults, board, logic, stop, result);
        if (progress && (i + 1) % 500 == 0)
            std::fprintf(stderr, "\r%-12s %u/%u games, %u won", level.Name, i + 1, games, result.Wins);
    }
    result.Seconds = Now() - start;
    result.FaultyReads = faults.Faults;
    if (progress) std::fprintf(stderr, "\r%60s\r", "");
    delete board;
    delete logic;
    return result;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: solver_bench [--level beginner|intermediate|expert|all] [--games N] [--seed S]\n"
                 "                    [--first-click uniform|classic] [--fault pressed|stale|torn P]\n");
}

// groups of "...o" over "1o1o" (one mine or two among three squares each)
// above a row of opened squares and an interior of 5 rows.
std::string WeighingBoard(uint32_t groups) {
    std::string top, middle;
    for (uint32_t u = 0; u < groups; ++u) top += "...o", middle += "1o1o";
    std::string text = top + "\n" + middle + "\n" + std::string(top.size(), 'o') + "\n";
    for (int r = 0; r < 5; ++r) text += std::string(top.size(), '.') + "\n";
    return text;
}

// Median time of the weighing alone, over repeated runs on fresh counts.
double WeighingMicros(uint32_t groupCount, uint64_t directLimit) {
    CMineSweeperBoard* board = BoardFromText(WeighingBoard(groupCount));
    board->MinesLeft = static_cast<int32_t>(groupCount * 3 / 2 + board->Width * 5 / 4);
    CLogicMineSweeperBoard logic(board->Width, board->Height);
    uint64_t saved = CConstraintSolutionSets::DirectLimit;
    CConstraintSolutionSets::DirectLimit = directLimit;
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        logic.Rebuild(board);
        logic.ApplySimpleRules(nullptr, nullptr);
        TInstanceArray<CSquareSolutionSet> groups;
        TArray<CLogicSquare> interior;
        logic.FindGroups(groups, interior);
        for (uint32_t k = 0; k < groups.Count; ++k) groups.Items[k]->Evaluate(nullptr);
        double start = Now();
        delete new CConstraintSolutionSets(groups, interior, board->MinesLeft);
        times.push_back((Now() - start) * 1e6);
        RecycleBin.PutAll(groups);
    }
    CConstraintSolutionSets::DirectLimit = saved;
    delete board;
    return Percentile(times, 0.5);
}

struct SInterval {
    double Rate, Low, High;
};

// Wilson score interval at 95%: sound near 0 and 1 as well.
SInterval Wilson(uint32_t wins, uint32_t games) {
    double n = games, p = games ? wins / n : 0.0, z = 1.96;
    if (!games) return {0.0, 0.0, 1.0};
    double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
    double half = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n)) / (1 + z * z / n);
    return {p, centre - half, centre + half};
}

const char* FaultName(ReadFault f) {
    switch (f) {
        case ReadFault::Pressed: return "pressed";
        case ReadFault::Stale: return "stale";
        case ReadFault::Torn: return "torn";
        default: return "none";
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string level = "all";
    unsigned long games = 10000, seed = 1;
    FirstClickRule rule = FirstClickRule::Uniform;
    ReadFault fault = ReadFault::None;
    double faultP = 0.0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        char* end = nullptr;
        if (arg == "--level" && value) {
            level = value;
        } else if (arg == "--games" && value) {
            games = std::strtoul(value, &end, 10);
            if (*end || games == 0 || games > 100000000ul) return Usage(), 2;
        } else if (arg == "--first-click" && value) {
            std::string v = value;
            if (v == "uniform") rule = FirstClickRule::Uniform;
            else if (v == "classic") rule = FirstClickRule::Classic;
            else return Usage(), 2;
        } else if (arg == "--seed" && value) {
            seed = std::strtoul(value, &end, 10);
            if (*end) return Usage(), 2;
        } else if (arg == "--fault" && value && i + 2 < argc) {
            std::string v = value;
            if (v == "pressed") fault = ReadFault::Pressed;
            else if (v == "stale") fault = ReadFault::Stale;
            else if (v == "torn") fault = ReadFault::Torn;
            else return Usage(), 2;
            faultP = std::strtod(argv[i + 2], &end);
            if (*end || !(faultP >= 0.0 && faultP <= 1.0)) return Usage(), 2;
            ++i;
        } else {
            return Usage(), 2;
        }
        ++i;
    }
    bool any = false;
    bool progress = isatty(2) != 0;
    const char* ruleName = rule == FirstClickRule::Uniform ? "uniform" : "classic";
    std::printf("first click: %s, seed %lu\n", ruleName, seed);
    std::printf("%-12s %-14s %7s %7s %8s %17s %9s %9s %9s %10s %9s %8s\n", "level", "fault", "games", "wins",
                "win rate", "95% interval", "games/s", "p50 us", "p99 us", "max us", "max group", "rss kB");
    std::vector<std::string> lines;
    for (const SLevel& l : Levels) {
        if (level != "all" && level != l.Name) continue;
        any = true;
        // With a fault, the same games are played first without it.
        std::vector<ReadFault> runs{ReadFault::None};
        if (fault != ReadFault::None) runs.push_back(fault);
        std::vector<SResult> results;
        for (ReadFault f : runs) {
            double p = f == ReadFault::None ? 0.0 : faultP;
            SResult r = RunLevel(l, static_cast<uint32_t>(games), static_cast<uint32_t>(seed), rule, f, p, progress);
            SInterval w = Wilson(r.Wins, r.Games);
            double gps = r.Seconds > 0 ? r.Games / r.Seconds : 0.0;
            double p50 = Percentile(r.PassMicros, 0.50), p99 = Percentile(r.PassMicros, 0.99);
            double maxUs = r.PassMicros.empty() ? 0.0 : *std::max_element(r.PassMicros.begin(), r.PassMicros.end());
            long rss = PeakRssKb();
            char faultText[32];
            std::snprintf(faultText, sizeof faultText, f == ReadFault::None ? "%s" : "%s %.4g", FaultName(f), p);
            std::printf("%-12s %-14s %7u %7u %8.4f  [%.4f, %.4f] %9.0f %9.1f %9.1f %10.0f %9u %8ld\n", l.Name,
                        faultText, r.Games, r.Wins, w.Rate, w.Low, w.High, gps, p50, p99, maxUs, r.MaxGroup, rss);
            if (f != ReadFault::None)
                std::printf("%-12s %u faulty reads (%.2f per game)\n", l.Name, r.FaultyReads,
                            double(r.FaultyReads) / r.Games);
            if (r.Stuck) std::printf("%-12s %u games stopped making progress\n", l.Name, r.Stuck);
            char line[512];
            std::snprintf(line, sizeof line,
                          "level=%s first_click=%s seed=%lu fault=%s fault_p=%g faulty_reads=%u games=%u wins=%u "
                          "win_rate=%.4f ci_low=%.4f ci_high=%.4f games_per_s=%.0f pass_p50_us=%.1f "
                          "pass_p99_us=%.1f pass_max_us=%.0f max_group=%u peak_rss_kb=%ld stuck=%u",
                          l.Name, ruleName, seed, FaultName(f), p, r.FaultyReads, r.Games, r.Wins, w.Rate, w.Low,
                          w.High, gps, p50, p99, maxUs, r.MaxGroup, rss, r.Stuck);
            lines.push_back(line);
            results.push_back(std::move(r));
            std::fflush(stdout);
        }
        if (results.size() == 2) {
            // The cost of the fault: the difference of the two win rates and
            // its z-score (two independent proportions, unpooled).
            double n0 = results[0].Games, n1 = results[1].Games;
            double p0 = results[0].Wins / n0, p1 = results[1].Wins / n1;
            double se = std::sqrt(p0 * (1 - p0) / n0 + p1 * (1 - p1) / n1);
            std::printf("%-12s %s at %g per read: win rate %+.2f points (z = %.1f)\n", l.Name, FaultName(fault), faultP,
                        100 * (p1 - p0), se > 0 ? (p1 - p0) / se : 0.0);
        }
    }
    if (!any) return Usage(), 2;
    // The weighing alone, by the sums before and after each group; with 10
    // groups (1,024 combinations of totals) also one combination at a time,
    // as the pass does for so few, and with 20 that way for comparison.
    std::printf("\n%-8s %14s %14s\n", "groups", "sums us", "one by one us");
    for (uint32_t k : {10u, 20u, 40u}) {
        double sums = WeighingMicros(k, 0);
        if (k <= 20) std::printf("%-8u %14.1f %14.1f\n", k, sums, WeighingMicros(k, uint64_t(1) << 40));
        else std::printf("%-8u %14.1f %14s\n", k, sums, "-");
        char line[128];
        std::snprintf(line, sizeof line, "weighing groups=%u sums_us=%.1f", k, sums);
        lines.push_back(line);
    }
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    return 0;
}
