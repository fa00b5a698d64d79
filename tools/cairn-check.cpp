// cairn-check: proves that level files can be finished, for level authors.

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Solver.h"

namespace {

constexpr std::size_t defaultLimit = 5'000'000;
constexpr int allFinished = 0, notFinished = 1, failed = 2;

const char* const usage = "usage: cairn-check [--limit POSITIONS] FILE...\n";

struct Options {
    std::size_t limit = defaultLimit;
    std::vector<std::string> files;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--limit" && i + 1 < argc) {
            std::istringstream number(argv[++i]);
            if (!(number >> options.limit) || !number.eof() || options.limit == 0) return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    return !options.files.empty();
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
    std::cout << path << ": " << level.rows.size() << " rows, widest " << widest << ", " << boulders
              << " boulders, start at column " << start.x << " row " << start.y << "\n";
}

int report(const Solution& solution, std::size_t limit) {
    if (solution.outcome == Solution::Outcome::tooManyPositions) {
        std::cout << "  gave up: more than " << limit
                  << " positions; raise the limit with --limit\n";
        return notFinished;
    }
    if (solution.outcome == Solution::Outcome::unreachable) {
        std::cout << "  no solution: the exit cannot be reached\n";
    } else {
        std::cout << "  solution: " << solution.keys << " (" << solution.keys.size() << " moves, "
                  << solution.pushes << " pushes)\n";
    }
    std::cout << "  dead ends: " << solution.deadEnds << " of " << solution.positions
              << " positions (" << share(solution.deadEnds, solution.positions) << ")\n";
    return solution.outcome == Solution::Outcome::finished ? allFinished : notFinished;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << usage;
        return failed;
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
        status = std::max(status, report(solve(level, start, options.limit), options.limit));
    }
    return status;
}
