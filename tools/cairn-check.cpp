// cairn-check: proves that level files can be finished, for level authors.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Gamefield.h"
#include "Solver.h"
#include "Unplanned.h"
#include "Words.h"

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
    "can reach and prints a shortest solution, the fewest pushes and lines of\n"
    "any solution, and the share of dead ends.\n"
    "\n"
    "  --limit POSITIONS    give up after this many positions (default 5000000)\n"
    "  --memory MEGABYTES   give up before holding more memory (default 2048)\n"
    "  --table              print one line of tab-separated figures per file,\n"
    "                       after a line naming the columns\n"
    "  -h, --help           show this and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "Exit status: 0 when every file can be finished, 1 when one cannot or the\n"
    "search gave up, 2 when a file does not load or the arguments are wrong.\n";

struct Options {
    Limits limits{defaultLimit, defaultMegabytes* megabyte};
    bool help = false;
    bool version = false;
    bool table = false;
    std::vector<std::string> files;
};

// The number after --limit or --memory into number; what was wrong otherwise.
std::string takeNumber(const std::string& option, Arguments& arguments, std::size_t& number) {
    std::string text;
    if (!arguments.value(text)) return option + " needs a value";
    std::uint64_t value = 0;
    if (wholeNumber(text, 1, SIZE_MAX / megabyte, value)) {
        number = static_cast<std::size_t>(value);
        return "";
    }
    return option + " needs a whole number from 1 to " + std::to_string(SIZE_MAX / megabyte) +
           ", not '" + text + "'";
}

// Reads one option into options; what was wrong with it otherwise.
std::string takeOption(const std::string& option, Arguments& arguments, Options& options) {
    if (option == "--limit") return takeNumber(option, arguments, options.limits.positions);
    if (option == "--memory") {
        std::size_t number = 0;
        std::string problem = takeNumber(option, arguments, number);
        options.limits.bytes = number * megabyte;
        return problem;
    }
    bool* const flag = option == "--help" || option == "-h" ? &options.help
                       : option == "--version"              ? &options.version
                       : option == "--table"                ? &options.table
                                                            : nullptr;
    if (flag == nullptr) return "unknown option " + option;
    if (arguments.valueLeft()) return option + " takes no value";
    *flag = true;
    return "";
}

// Reads the command line into options; what was wrong with it otherwise.
std::string parse(int argc, char** argv, Options& options) {
    for (Arguments arguments(argc, argv); !arguments.done();) {
        const std::string argument = arguments.next();
        if (argument.size() > 1 && argument[0] == '-') {
            if (std::string problem = takeOption(argument, arguments, options); !problem.empty())
                return problem;
        } else {
            options.files.push_back(argument);
        }
    }
    if (options.help || options.version || !options.files.empty()) return "";
    return "no level file given";
}

// Loads a level as the game does; the game's one-line complaint goes to the
// error stream here.
bool load(const std::string& path, Gamefield& level, Point& start) {
    const std::string problem = level.read(path, start);
    if (!problem.empty()) std::cerr << problem << "\n";
    return problem.empty();
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
    return isOpen(level.cellAt(x, y));
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

// A cell's place as editors and compilers give it: the line, then the column,
// both counted from 1.
std::string place(const std::string& path, Point cell) {
    return path + ":" + std::to_string(std::int64_t{cell.y} + 1) + ":" +
           std::to_string(std::int64_t{cell.x} + 1);
}

bool hasExit(const Gamefield& level) {
    return std::any_of(level.rows.begin(), level.rows.end(), [](const std::string& row) {
        return row.find(exitCell) != std::string::npos;
    });
}

// What follows the empty line that ends a level, which the game never reads:
// the level's name on the line right after it, and how many lines after the
// name there are, where any of them holds something (0 where nothing but
// empty lines follows).
struct Trailer {
    std::string name;
    std::size_t unread = 0;
};

Trailer readTrailer(const std::string& path, std::size_t rows) {
    std::ifstream file(path);
    std::string line;
    for (std::size_t skipped = 0; skipped <= rows && std::getline(file, line);) ++skipped;
    Trailer trailer;
    if (std::getline(file, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            trailer.name = line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
        }
    }
    bool anything = false;
    for (; std::getline(file, line); ++trailer.unread) {
        anything = anything || line.find_first_not_of('\r') != std::string::npos;
    }
    if (!anything) trailer.unread = 0;
    return trailer;
}

// The tabs of a level: how many, and where the first one is.
struct Tabs {
    std::size_t count = 0;
    Point first{0, 0};
};

Tabs findTabs(const Gamefield& level) {
    Tabs tabs;
    for (std::size_t y = 0; y < level.rows.size(); ++y) {
        const auto& row = level.rows[y];
        for (auto x = row.find('\t'); x != std::string::npos; x = row.find('\t', x + 1)) {
            if (tabs.count++ == 0) tabs.first = {std::int32_t(x), std::int32_t(y)};
        }
    }
    return tabs;
}

// A frame is the level's rows and one line more for the cursor.
constexpr std::size_t terminalColumns = 80, terminalRows = 24;

void warning(const std::string& where, const std::string& what) {
    std::cerr << where << ": warning: " << what << "\n";
}

// Mistakes an author is likely to have made, one line each on the error
// stream. The level is checked as the game plays it all the same.
void warn(const std::string& path, const Gamefield& level, bool marked, std::size_t unread) {
    if (!marked) {
        warning(place(path, {0, 0}),
                "no start marker P: the player starts here, in the top-left cell");
    }
    if (const Tabs tabs = findTabs(level); tabs.count > 0) {
        const std::string all = " (" + counted(tabs.count, "tab", "tabs") + " in all)";
        warning(place(path, tabs.first),
                "a tab is a wall, though the game shows it as blank space" +
                    (tabs.count > 1 ? all : ""));
    }
    if (unread > 0) {
        warning(path + ":" + std::to_string(level.rows.size() + 1),
                "this empty line ends the level; the " + counted(unread, "line", "lines") +
                    " after the name below it " + (unread == 1 ? "is" : "are") + " never read");
    }
    const std::size_t widest = measure(level).widest;
    if (widest > terminalColumns || level.rows.size() + 1 > terminalRows) {
        warning(path,
                counted(level.rows.size(), "row", "rows") + ", widest " + std::to_string(widest) +
                    ": an 80 x 24 terminal shows a level of at most 23 rows of 80 columns whole");
    }
}

void describe(const std::string& path, const Gamefield& level, Point start,
              const std::string& name) {
    const Layout layout = measure(level);
    std::cout << path << ": " << counted(level.rows.size(), "row", "rows") << ", widest "
              << layout.widest << ", " << counted(layout.boulders, "boulder", "boulders")
              << ", start at " << place(path, start) << "\n";
    if (!name.empty()) std::cout << "  name: " << name << "\n";
    std::cout << "  open area " << layout.openWidth << " x " << layout.openHeight << ", dead walls "
              << layout.deadWalls << " of " << counted(layout.cells, "cell", "cells") << " ("
              << share(layout.deadWalls, layout.cells) << "%)\n";
}

// "12 moves, 3 pushes, 2 lines".
std::string figures(const Route& route) {
    return counted(route.keys.size(), "move", "moves") + ", " +
           counted(route.pushes, "push", "pushes") + ", " + counted(route.lines, "line", "lines");
}

void report(const std::string& path, const Gamefield& level, const Solution& solution,
            const Limits& limits) {
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
        std::cout << "  no solution: "
                  << (hasExit(level) ? "the exit cannot be reached" : "the level has no exit")
                  << "\n";
    } else {
        const Route& fewest = solution.fewestPushes;
        const Route& straightest = solution.fewestLines;
        std::cout << "  solution: " << solution.shortest.keys << " (" << figures(solution.shortest)
                  << ")\n"
                  << "  fewest pushes: " << fewest.pushes << ", in " << fewest.keys << " ("
                  << figures(fewest) << ")\n"
                  << "  fewest lines: " << straightest.lines << ", in " << straightest.keys << " ("
                  << figures(straightest) << ")\n";
    }
    std::cout << "  dead ends: " << solution.deadEnds << " of "
              << counted(solution.positions, "position", "positions") << " ("
              << share(solution.deadEnds, solution.positions) << "%)\n";
    if (solution.unreached > 0) {
        std::cout << "  never reached: " << counted(solution.unreached, "cell", "cells")
                  << ", the first at " << place(path, solution.firstUnreached) << "\n";
    }
    if (solution.fixed > 0) {
        std::cout << "  " << counted(solution.fixed, "boulder never moves", "boulders never move")
                  << ", the first at " << place(path, solution.firstFixed)
                  << ": draw them as walls\n";
    }
}

// When a play ends: at once, or after how many moves, and which.
std::string ending(const std::string& keys, const std::string& after) {
    if (keys.empty()) return "at once";
    return after + counted(keys.size(), "move", "moves") + ", " + keys;
}

// What a player who does not plan gets, in one line.
void reportUnplanned(const std::string& path, const Unplanned& play) {
    std::cout << "  unplanned play: ";
    switch (play.outcome) {
        case Unplanned::Outcome::finishes:
            std::cout << "finishes " << ending(play.keys, "in ") << ": the level is straight\n";
            return;
        case Unplanned::Outcome::jams:
            std::cout << "jams whatever it chooses, " << ending(play.keys, "at the soonest after ")
                      << ", at " << place(path, play.jam) << "\n";
            return;
        case Unplanned::Outcome::circles:
            std::cout << "goes round in circles whatever it chooses\n";
            return;
        default:
            std::cout << "gave up: its choices lead past the limit\n";
    }
}

// The unplanned play in the table: the moves it finishes in, or how it fails.
std::string unplannedFigure(const Unplanned& play) {
    switch (play.outcome) {
        case Unplanned::Outcome::finishes:
            return std::to_string(play.keys.size());
        case Unplanned::Outcome::jams:
            return "jams";
        case Unplanned::Outcome::circles:
            return "circles";
        default:
            return "-";
    }
}

const char* const columns =
    "file\trows\twidest\topen width\topen height\tboulders\tdead walls\tresult\tmoves\t"
    "pushes\tfewest pushes\tfewest lines\tpositions\tdead ends\tnever reached\tsolution\tnever "
    "move\tunplanned\tname\n";

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
void tabulate(const std::string& path, const Gamefield& level, const Solution& solution,
              const Unplanned& play, const std::string& name) {
    const Layout layout = measure(level);
    const bool solved = solution.outcome == Solution::Outcome::finished;
    const bool searched = solved || solution.outcome == Solution::Outcome::unreachable;
    const auto figure = [](bool known, const std::string& text) { return known ? text : "-"; };
    std::cout << path << "\t" << level.rows.size() << "\t" << layout.widest << "\t"
              << layout.openWidth << "\t" << layout.openHeight << "\t" << layout.boulders << "\t"
              << share(layout.deadWalls, layout.cells) << "\t" << outcomeName(solution.outcome)
              << "\t" << figure(solved, std::to_string(solution.shortest.keys.size())) << "\t"
              << figure(solved, std::to_string(solution.shortest.pushes)) << "\t"
              << figure(solved, std::to_string(solution.fewestPushes.pushes)) << "\t"
              << figure(solved, std::to_string(solution.fewestLines.lines)) << "\t"
              << solution.positions << "\t"
              << figure(searched, share(solution.deadEnds, solution.positions)) << "\t"
              << figure(searched, std::to_string(solution.unreached)) << "\t"
              << figure(solved, solution.shortest.keys) << "\t"
              << figure(searched, std::to_string(solution.fixed)) << "\t" << unplannedFigure(play)
              << "\t" << name << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::string problem = parse(argc, argv, options); !problem.empty()) {
        std::cerr << "cairn-check: " << problem << "\n" << usage;
        return failed;
    }
    if (options.help) {
        std::cout << usage << "\n" << help;
        return allFinished;
    }
    if (options.version) {
        std::cout << "cairn-check " CAIRN_VERSION "\n";
        return allFinished;
    }
    int status = allFinished;
    if (options.table) std::cout << columns;
    for (const auto& path : options.files) {
        Gamefield level;
        Point start{-1, -1};  // where no marker moves it, the game starts at the top left
        if (!load(path, level, start)) {
            status = failed;
            continue;
        }
        const bool marked = start.x >= 0;
        if (!marked) start = Point{0, 0};
        const Trailer trailer = readTrailer(path, level.rows.size());
        warn(path, level, marked, trailer.unread);
        // shown while the search runs
        if (!options.table) describe(path, level, start, trailer.name);
        const Solution solution = solve(level, start, options.limits);
        const Unplanned play =
            playUnplanned(level, start, options.limits.positions, options.limits.bytes);
        if (options.table) {
            tabulate(path, level, solution, play, trailer.name);
        } else {
            report(path, level, solution, options.limits);
            reportUnplanned(path, play);
        }
        if (solution.outcome != Solution::Outcome::finished) status = std::max(status, notFinished);
    }
    return status;
}
