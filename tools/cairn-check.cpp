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

const char* const usage =
    "usage: cairn-check [--table] [--limit POSITIONS] [--memory MEGABYTES] FILE...\n";

const char* const help =
    "Proves that cairn levels can be finished: searches every position a level\n"
    "can reach and prints a shortest solution and the share of dead ends.\n"
    "\n"
    "  --limit POSITIONS    give up after this many positions (default 5000000)\n"
    "  --memory MEGABYTES   give up before holding more memory (default 2048)\n"
    "  --table              print one line of tab-separated figures per file,\n"
    "                       after a line naming the columns\n"
    "  --help               show this and exit\n"
    "\n"
    "Exit status: 0 when every file can be finished, 1 when one cannot or the\n"
    "search gave up, 2 when a file does not load or the arguments are wrong.\n";

struct Options {
    Limits limits{defaultLimit, defaultMegabytes* megabyte};
    bool help = false;
    bool table = false;
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
        } else if (arg == "--table") {
            options.table = true;
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

// A percentage with one decimal, without the sign.
std::string share(std::size_t part, std::size_t whole) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1)
         << (whole == 0 ? 0.0 : 100.0 * double(part) / double(whole));
    return text.str();
}

// What the shape of a level says about its design, before any search.
struct Layout {
    std::size_t widest = 0, boulders = 0, cells = 0;
    std::size_t deadWalls = 0;   // wall cells with no open cell among their eight neighbours
    std::size_t openWidth = 0;   // the box around the open cells, in columns
    std::size_t openHeight = 0;  // and in rows
};

bool open(const Gamefield& level, std::int64_t x, std::int64_t y) {
    if (y < 0 || y >= static_cast<std::int64_t>(level.rows.size()) || x < 0) return false;
    const auto& row = level.rows[static_cast<std::size_t>(y)];
    if (x >= static_cast<std::int64_t>(row.size())) return false;
    const char cell = row[static_cast<std::size_t>(x)];
    return cell == floorCell || cell == boulderCell || cell == exitCell;
}

bool deadWall(const Gamefield& level, std::int64_t x, std::int64_t y) {
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            if (open(level, x + dx, y + dy)) return false;
        }
    }
    return true;
}

Layout measure(const Gamefield& level) {
    Layout layout;
    std::size_t left = SIZE_MAX, right = 0, top = SIZE_MAX, bottom = 0;
    for (std::size_t y = 0; y < level.rows.size(); ++y) {
        const auto& row = level.rows[y];
        layout.widest = std::max(layout.widest, row.size());
        layout.cells += row.size();
        for (std::size_t x = 0; x < row.size(); ++x) {
            const auto cx = static_cast<std::int64_t>(x), cy = static_cast<std::int64_t>(y);
            layout.boulders += row[x] == boulderCell ? 1 : 0;
            if (!open(level, cx, cy)) {
                layout.deadWalls += deadWall(level, cx, cy) ? 1 : 0;
                continue;
            }
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (left != SIZE_MAX) layout.openWidth = right - left + 1, layout.openHeight = bottom - top + 1;
    return layout;
}

void describe(const std::string& path, const Gamefield& level, Point start) {
    const Layout layout = measure(level);
    std::cout << path << ": " << counted(level.rows.size(), "row", "rows") << ", widest "
              << layout.widest << ", " << counted(layout.boulders, "boulder", "boulders")
              << ", start at column " << start.x << " row " << start.y << "\n"
              << "  open area " << layout.openWidth << " x " << layout.openHeight << ", dead walls "
              << layout.deadWalls << " of " << counted(layout.cells, "cell", "cells") << " ("
              << share(layout.deadWalls, layout.cells) << "%)\n";
}

void report(const Solution& solution, const Limits& limits) {
    if (solution.outcome == Solution::Outcome::tooManyPositions) {
        std::cout << "  gave up: more than " << counted(limits.positions, "position", "positions")
                  << "; raise the limit with --limit\n";
        return;
    }
    if (solution.outcome == Solution::Outcome::tooMuchMemory) {
        std::cout << "  gave up: " << solution.positions << " positions need more than "
                  << limits.bytes / megabyte << " MB; raise the budget with --memory\n";
        return;
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
              << share(solution.deadEnds, solution.positions) << "%)\n";
    if (solution.unreached > 0) {
        std::cout << "  never reached: " << counted(solution.unreached, "cell", "cells")
                  << ", the first at column " << solution.firstUnreached.x << " row "
                  << solution.firstUnreached.y << "\n";
    }
}

const char* const columns =
    "file\trows\twidest\topen width\topen height\tboulders\tdead walls\tresult\tmoves\t"
    "pushes\tpositions\tdead ends\tnever reached\tsolution\n";

const char* outcomeName(Solution::Outcome outcome) {
    switch (outcome) {
        case Solution::Outcome::finished:
            return "solved";
        case Solution::Outcome::unreachable:
            return "no solution";
        default:
            return "gave up";
    }
}

// One line of figures per file, so a pack can be tabled and sorted; shares are
// percentages without the sign, and a figure the search did not reach is "-".
void tabulate(const std::string& path, const Gamefield& level, const Solution& solution) {
    const Layout layout = measure(level);
    const bool solved = solution.outcome == Solution::Outcome::finished;
    const bool searched = solved || solution.outcome == Solution::Outcome::unreachable;
    const auto figure = [](bool known, const std::string& text) { return known ? text : "-"; };
    std::cout << path << "\t" << level.rows.size() << "\t" << layout.widest << "\t"
              << layout.openWidth << "\t" << layout.openHeight << "\t" << layout.boulders << "\t"
              << share(layout.deadWalls, layout.cells) << "\t" << outcomeName(solution.outcome)
              << "\t" << figure(solved, std::to_string(solution.keys.size())) << "\t"
              << figure(solved, std::to_string(solution.pushes)) << "\t" << solution.positions
              << "\t" << figure(searched, share(solution.deadEnds, solution.positions)) << "\t"
              << figure(searched, std::to_string(solution.unreached)) << "\t"
              << figure(solved, solution.keys) << "\n";
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
    if (options.table) std::cout << columns;
    for (const auto& path : options.files) {
        Gamefield level;
        Point start{0, 0};
        if (!load(path, level, start)) {
            status = failed;
            continue;
        }
        if (!options.table) describe(path, level, start);  // shown while the search runs
        const Solution solution = solve(level, start, options.limits);
        if (options.table) {
            tabulate(path, level, solution);
        } else {
            report(solution, options.limits);
        }
        if (solution.outcome != Solution::Outcome::finished) status = std::max(status, notFinished);
    }
    return status;
}
