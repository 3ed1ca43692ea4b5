// Plays N games per level against the headless game with the player loop's
// solving pass and the no-animation policy (openings at once, flags queued
// and dropped), and prints win rates, speed and memory; then the time to
// weigh 10, 20 and 40 undetermined groups.
//
//   solver_bench [--level beginner|intermediate|expert|all] [--games N] [--seed S]
//                [--first-click uniform|classic]

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
};

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

// Plays one game to its end; false when it stopped making progress.
bool PlayGame(CHeadlessGame& game, CMineSweeperBoard*& board, CLogicMineSweeperBoard*& logic,
              const std::atomic<bool>& stop, SResult& result) {
    game.NewGame();
    uint64_t limit = 4ull * game.GameWidth() * game.GameHeight() + 16;
    for (uint64_t pass = 0; pass < limit; ++pass) {
        if (!game.ReadBoard(&board)) {
            delete board;
            board = nullptr;
            continue;
        }
        if (board->State == Won || board->State == Lost) {
            ++result.Games;
            if (board->State == Won) ++result.Wins;
            return true;
        }
        double start = Now();
        if (logic && (logic->Width != board->Width || logic->Height != board->Height)) {
            delete logic;
            logic = nullptr;
        }
        if (board->State == NotStarted && logic) logic->Rebuild(board);
        game.AbortFlag = &stop;
        game.QueueThreshold = 0.0;
        game.QueueFlags = true;
        game.ClearActions();
        if (!logic) {
            logic = new CLogicMineSweeperBoard(game.Width, game.Height);
            logic->Rebuild(board);
        } else if (!logic->Update(board)) {
            logic->Rebuild(board);
        }
        logic->LargestGroup = 0;
        if (!logic->ApplySimpleRules(board, &game)) logic->Solve(&game, &stop, board);
        result.PassMicros.push_back((Now() - start) * 1e6);
        result.MaxGroup = std::max(result.MaxGroup, logic->LargestGroup);
    }
    ++result.Games;
    ++result.Stuck;
    return false;
}

SResult RunLevel(const SLevel& level, uint32_t games, uint32_t seed, FirstClickRule rule, bool progress) {
    SResult result;
    result.PassMicros.reserve(static_cast<size_t>(games) * 64);
    CHeadlessGame game(level.Width, level.Height, level.Mines, seed, rule);
    SeedRandom(seed);
    CMineSweeperBoard* board = nullptr;
    CLogicMineSweeperBoard* logic = nullptr;
    std::atomic<bool> stop{false};
    double start = Now();
    for (uint32_t i = 0; i < games; ++i) {
        PlayGame(game, board, logic, stop, result);
        if (progress && (i + 1) % 500 == 0)
            std::fprintf(stderr, "\r%-12s %u/%u games, %u won", level.Name, i + 1, games, result.Wins);
    }
    result.Seconds = Now() - start;
    if (progress) std::fprintf(stderr, "\r%60s\r", "");
    delete board;
    delete logic;
    return result;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: solver_bench [--level beginner|intermediate|expert|all] [--games N] [--seed S]\n"
                 "                    [--first-click uniform|classic]\n");
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

}  // namespace

int main(int argc, char** argv) {
    std::string level = "all";
    unsigned long games = 10000, seed = 1;
    FirstClickRule rule = FirstClickRule::Uniform;
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
        } else {
            return Usage(), 2;
        }
        ++i;
    }
    bool any = false;
    bool progress = isatty(2) != 0;
    const char* ruleName = rule == FirstClickRule::Uniform ? "uniform" : "classic";
    std::printf("first click: %s, seed %lu\n", ruleName, seed);
    std::printf("%-12s %7s %7s %8s %17s %9s %9s %9s %10s %9s %8s\n", "level", "games", "wins", "win rate",
                "95% interval", "games/s", "p50 us", "p99 us", "max us", "max group", "rss kB");
    std::vector<std::string> lines;
    for (const SLevel& l : Levels) {
        if (level != "all" && level != l.Name) continue;
        any = true;
        SResult r = RunLevel(l, static_cast<uint32_t>(games), static_cast<uint32_t>(seed), rule, progress);
        double n = r.Games, p = r.Wins / n, z = 1.96;
        // Wilson score interval: sound near 0 and 1 as well.
        double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
        double half = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n)) / (1 + z * z / n);
        double gps = r.Seconds > 0 ? n / r.Seconds : 0.0;
        double p50 = Percentile(r.PassMicros, 0.50), p99 = Percentile(r.PassMicros, 0.99);
        double maxUs = r.PassMicros.empty() ? 0.0 : *std::max_element(r.PassMicros.begin(), r.PassMicros.end());
        long rss = PeakRssKb();
        std::printf("%-12s %7u %7u %8.4f  [%.4f, %.4f] %9.0f %9.1f %9.1f %10.0f %9u %8ld\n", l.Name, r.Games, r.Wins,
                    p, centre - half, centre + half, gps, p50, p99, maxUs, r.MaxGroup, rss);
        if (r.Stuck) std::printf("%-12s %u games stopped making progress\n", l.Name, r.Stuck);
        char line[512];
        std::snprintf(line, sizeof line,
                      "level=%s first_click=%s seed=%lu games=%u wins=%u win_rate=%.4f games_per_s=%.0f pass_p50_us=%.1f pass_p99_us=%.1f "
                      "pass_max_us=%.0f max_group=%u peak_rss_kb=%ld stuck=%u",
                      l.Name, ruleName, seed, r.Games, r.Wins, p, gps, p50, p99, maxUs, r.MaxGroup, rss, r.Stuck);
        lines.push_back(line);
        std::fflush(stdout);
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
