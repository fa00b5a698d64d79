// cairn-check: proves that level files can be finished, for level authors.

#include <algorithm>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Solver.h"

namespace {

constexpr std::size_t defaultLimit = 5'000'000;
// Leaves room for everything else on a machine of 4 GB.
constexpr std::size_t defaultMegabytes = 2048;
constexpr std::size_t megabyte = 1 << 20;
constexpr int allFinished = 0, notFinished = 1, failed = 2;

const char* const usage = "usage: cairn-check [--limit POSITIONS] [--memory MEGABYTES] FILE...\n";

const char* const help =
    "Proves that cairn levels can be finished: searches every position a level\n"
    "can reach and prints a shortest solution and the share of dead ends.\n"
    "\n"
    "  --limit POSITIONS    give up after this many positions (default 5000000)\n"
    "  --memory MEGABYTES   give up before holding more memory (default 2048)\n"
    "  --help               show this and exit\n"
    "\n"
    "Exit status: 0 when every file can be finished, 1 when one cannot or the\n"
    "search gave up, 2 when a file does not load or the arguments are wrong.\n";

struct Options {
    Limits limits{defaultLimit, defaultMegabytes* megabyte};
    bool help = false;
    std::vector<std::string> files;
};

// A whole number from 1 up to most, in plain decimal digits.
bool positive(const std::string& text, std::size_t most, std::size_t& number) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    number = std::stoull(text);
    return number > 0 && number <= most;
}

// The number after --limit or --memory; false when it is missing or bad.
bool value(int argc, char** argv, int& i, std::size_t& number) {
    return ++i < argc && positive(argv[i], SIZE_MAX / megabyte, number);
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::size_t number = 0;
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--limit") {
            if (!value(argc, argv, i, options.limits.positions)) return false;
        } else if (arg == "--memory") {
            if (!value(argc, argv, i, number)) return false;
            options.limits.bytes = number * megabyte;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    return options.help || !options.files.empty();
}

// "1 boulder", "2 boulders".
std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Loads a level as the game does; the game's one-line complaint goes to the
// error stream here.
bool load(const std::string& path, Gamefield& level, Point& start) {
    std::ostringstream message;
    auto* const console = std::cout.rdbuf(message.rdbuf());
    const bool loaded = level.load(path, start);
    std::cout.rdbuf(console);
    std::cerr << message.str();
    return loaded;
}

std::string share(std::size_t part, std::size_t whole) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1)
         << (whole == 0 ? 0.0 : 100.0 * double(part) / double(whole)) << "%";
    return text.str();
}

void describe(const std::string& path, const Gamefield& level, Point start) {
    std::size_t widest = 0, boulders = 0;
    for (const auto& row : level.rows) {
        widest = std::max(widest, row.size());
        boulders += static_cast<std::size_t>(std::count(row.begin(), row.end(), boulderCell));
    }
    std::cout << path << ": " << counted(level.rows.size(), "row", "rows") << ", widest " << widest
              << ", " << counted(boulders, "boulder", "boulders") << ", start at column " << start.x
              << " row " << start.y << "\n";
}

int report(const Solution& solution, const Limits& limits) {
    if (solution.outcome == Solution::Outcome::tooManyPositions) {
        std::cout << "  gave up: more than " << counted(limits.positions, "position", "positions")
                  << "; raise the limit with --limit\n";
        return notFinished;
    }
    if (solution.outcome == Solution::Outcome::tooMuchMemory) {
        std::cout << "  gave up: " << solution.positions << " positions need more than "
                  << limits.bytes / megabyte << " MB; raise the budget with --memory\n";
        return notFinished;
    }
    if (solution.outcome == Solution::Outcome::unreachable) {
        std::cout << "  no solution: the exit cannot be reached\n";
    } else {
        std::cout << "  solution: " << solution.keys << " ("
                  << counted(solution.keys.size(), "move", "moves") << ", "
                  << counted(solution.pushes, "push", "pushes") << ")\n";
    }
    std::cout << "  dead ends: " << solution.deadEnds << " of "
              << counted(solution.positions, "position", "positions") << " ("
              << share(solution.deadEnds, solution.positions) << ")\n";
    return solution.outcome == Solution::Outcome::finished ? allFinished : notFinished;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << usage;
        return failed;
    }
    if (options.help) {
        std::cout << usage << "\n" << help;
        return allFinished;
    }
    int status = allFinished;
    for (const auto& path : options.files) {
        Gamefield level;
        Point start{0, 0};
        if (!load(path, level, start)) {
            status = failed;
            continue;
        }
        describe(path, level, start);
        status = std::max(status, report(solve(level, start, options.limits), options.limits));
    }
    return status;
}
