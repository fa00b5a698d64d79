// cairn-gen: searches for rooms that ask many decisions, for level authors.
//
// A climb over the contents of a walled room: each round changes a cell or
// a few (floor, wall or boulder, or where the start or the exit is) and keeps
// the change when the room needs at least as many lines as before, and now
// and then when it needs fewer, so that the climb can leave a lesser hill.
// What it prints are candidates: an author still chooses, trims and names a
// level by hand, and proves it with cairn-check. A START level is climbed
// from instead of a room of WIDTH x HEIGHT, and keeps its own size.
//
// Rooms are scored by the search by lines, which takes a room in about a
// tenth of the solver's time; --lines prints its figures for level files,
// which must agree with cairn-check's.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "Arguments.h"
#include "LineSearch.h"
#include "Words.h"

namespace {

const char* const usage =
    "usage: cairn-gen WIDTH HEIGHT ROUNDS SEED [POSITIONS [START]]\n"
    "       cairn-gen [--limit AREAS] --lines FILE...\n";

const char* const help =
    "Climbs towards rooms that need many lines (pushes of one boulder in one\n"
    "direction), for level authors, and prints each room better than the ones\n"
    "before it: a crowded room of WIDTH x HEIGHT inside its walls, or the level\n"
    "START at its own size, changed for ROUNDS rounds from SEED; POSITIONS\n"
    "(default 300000) limits the search of each room, in areas.\n"
    "\n"
    "  --lines        print the fewest lines, positions and dead ends of files\n"
    "  --limit AREAS  with --lines, give up past this many (default 1000000)\n"
    "  -h, --help     show this and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status: 0 when done, 1 when no room could be drawn or a search gave\n"
    "up, 2 when a file does not load or the arguments are wrong.\n";

// The largest room is what an 80 x 24 terminal shows whole, walls and the
// cursor's line included.
constexpr std::uint64_t widest = 78, tallest = 21;
// How many areas --lines takes up before it gives up: a few seconds' worth.
constexpr std::uint64_t defaultAreas = 1'000'000;
// How many crowded rooms are drawn, at the most, for one that can be
// finished and needs a push; a room too small for any never has one.
constexpr int draws = 10'000;

// A room whose positions pass cairn-check's default limit, with room to
// spare, would take too long to prove.
constexpr std::size_t checkable = 4'000'000;

struct Room {
    std::vector<std::string> rows;
    Point start{1, 1};
    Point exit{1, 1};
};

// What the climb compares: the fewest lines first, the share of dead ends
// (which gives the climb a slope between two counts of lines) after them. A
// room where fewer than half the positions are dead ends loses ground for
// each point it lacks: the pack's hard levels punish a wrong push, and a
// room that forgives every push asks its lines without asking a decision of
// each.
struct Score {
    long lines = -1;
    long deadPercent = 0;
    long value() const {
        if (lines < 0) return -1;
        return lines * 100 + deadPercent - 10 * std::max(0L, 50 - deadPercent);
    }
};

char& at(Room& room, Point point) {
    return room.rows[static_cast<std::size_t>(point.y)][static_cast<std::size_t>(point.x)];
}

// The room as a level file shows it.
std::vector<std::string> level(Room room) {
    at(room, room.exit) = exitCell;
    at(room, room.start) = playerMark;
    return room.rows;
}

// A room that cannot be finished, or needs no push, or whose search passes
// the limit, scores below every other.
Score score(const Room& room, std::size_t limit) {
    Gamefield field;
    field.rows = room.rows;
    field.rows[static_cast<std::size_t>(room.exit.y)][static_cast<std::size_t>(room.exit.x)] =
        exitCell;
    const LineFigures figures = searchLines(field, room.start, limit);
    if (figures.lines < 1 || figures.positions > checkable) return {};
    return {figures.lines, static_cast<long>(figures.deadEnds * 100 / figures.positions)};
}

bool same(Point a, Point b) {
    return a.x == b.x && a.y == b.y;
}

// A random change to the inside of the room; the border stays wall.
void mutate(Room& room, std::mt19937& random) {
    const int width = static_cast<int>(room.rows[0].size()) - 2;
    const int height = static_cast<int>(room.rows.size()) - 2;
    std::uniform_int_distribution<int> column(1, width), row(1, height), what(0, 9);
    const Point cell{column(random), row(random)};
    const int choice = what(random);
    if (same(cell, room.start) || same(cell, room.exit)) return;
    if (choice == 0 && at(room, cell) == floorCell) {
        room.start = cell;
    } else if (choice == 1 && at(room, cell) == floorCell) {
        room.exit = cell;
    } else {
        const char cells[] = {floorCell, floorCell, boulderCell, boulderCell, boulderCell, '#'};
        at(room, cell) = cells[std::uniform_int_distribution<int>(0, 5)(random)];
    }
}

// A walled room of the size asked for, nearly half of it boulders and some
// walls: crowded rooms, where boulders block one another, are where lines
// come from.
Room crowdedRoom(int width, int height, std::mt19937& random) {
    Room room;
    room.rows.assign(static_cast<std::size_t>(height) + 2,
                     std::string(static_cast<std::size_t>(width) + 2, '#'));
    for (int y = 1; y <= height; ++y) {
        for (int x = 1; x <= width; ++x) {
            const int roll = std::uniform_int_distribution<int>(0, 99)(random);
            at(room, {x, y}) = roll < 45 ? boulderCell : roll < 53 ? '#' : floorCell;
        }
    }
    room.exit = {width, height};
    at(room, room.start) = floorCell;
    at(room, room.exit) = floorCell;
    return room;
}

// A room to start from, as a level file: its start and exit become floor.
// What was wrong with the file, or "".
std::string fromFile(const std::string& path, Room& room) {
    Gamefield field;
    if (std::string problem = field.read(path, room.start); !problem.empty()) return problem;
    room.rows = field.rows;
    for (std::size_t y = 0; y < room.rows.size(); ++y) {
        const auto x = room.rows[y].find(exitCell);
        if (x == std::string::npos) continue;
        room.exit = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
        room.rows[y][x] = floorCell;
    }
    return "";
}

void print(const Room& room, const Score& score) {
    std::cout << "candidate: " << counted(static_cast<std::size_t>(score.lines), "line", "lines")
              << ", " << score.deadPercent << "% dead ends\n";
    for (const auto& row : level(room)) std::cout << row << "\n";
    std::cout << std::endl;
}

// Whether to go on from a room that scores got, from one that scores now: a
// change for the worse is kept the less often the worse it is.
bool keep(long got, long now, std::mt19937& random) {
    if (got < 0) return false;
    if (got >= now) return true;
    const double chance = std::exp(static_cast<double>(got - now) / 30.0);
    return std::uniform_real_distribution<double>(0, 1)(random) < chance;
}

// Climbs from room for the rounds given, printing each room better than any
// before it. A climb that stalls starts again from the best room, shaken.
void climb(Room room, long rounds, std::size_t limit, std::mt19937& random) {
    Score now = score(room, limit), best = now;
    Room bestRoom = room;
    for (long round = 0, stale = 0; round < rounds; ++round) {
        if (++stale > 1500) {
            room = bestRoom;
            for (int i = 0; i < 6; ++i) mutate(room, random);
            now = score(room, limit);
            stale = 0;
        }
        Room next = room;
        for (int i = std::uniform_int_distribution<int>(1, 3)(random); i > 0; --i)
            mutate(next, random);
        const Score got = score(next, limit);
        if (!keep(got.value(), now.value(), random)) continue;
        if (got.value() > now.value()) stale = 0;
        room = next, now = got;
        if (got.value() > best.value()) best = got, bestRoom = room, print(room, got);
    }
}

// The figures of each level file, as the climb sees them: its fewest lines
// (or that it has no solution), its positions and its dead ends. Exits as
// cairn-check does: 2 when a file does not load, else 1 when a search gave
// up.
int printLines(const std::vector<std::string>& paths, std::uint64_t limit) {
    int status = 0;
    for (const auto& path : paths) {
        Gamefield field;
        Point start{0, 0};
        if (const std::string problem = field.read(path, start); !problem.empty()) {
            std::cerr << problem << "\n";
            status = 2;
            continue;
        }
        const LineFigures figures = searchLines(field, start, limit);
        if (figures.gaveUp) {
            std::cout << path << ": gave up: more than " << limit
                      << (limit == 1 ? " area" : " areas") << "; raise the limit with --limit\n";
            status = std::max(status, 1);
            continue;
        }
        const std::string lines =
            figures.lines < 0 ? "no solution"
                              : counted(static_cast<std::size_t>(figures.lines), "line", "lines");
        std::cout << path << ": " << lines << ", "
                  << counted(figures.positions, "position", "positions") << ", "
                  << counted(figures.deadEnds, "dead end", "dead ends") << "\n";
    }
    return status;
}

// What a climb is asked to do, as the command line gives it.
struct Request {
    std::uint64_t width = 0, height = 0, rounds = 0, seed = 0, positions = 300'000;
    std::string start;
};

// Reads the climb's words into climb; what was wrong otherwise.
std::string readClimb(const std::vector<std::string>& words, Request& climb) {
    if (words.size() < 4 || words.size() > 6) return "a climb takes 4 to 6 arguments";
    struct Field {
        const char* name;
        std::uint64_t least, most;
        std::uint64_t* value;
    };
    const Field fields[] = {{"WIDTH", 2, widest, &climb.width},
                            {"HEIGHT", 1, tallest, &climb.height},
                            {"ROUNDS", 1, UINT32_MAX, &climb.rounds},
                            {"SEED", 0, UINT32_MAX, &climb.seed},
                            {"POSITIONS", 1, UINT32_MAX, &climb.positions}};
    for (std::size_t i = 0; i < words.size() && i < std::size(fields); ++i) {
        const Field& field = fields[i];
        if (!wholeNumber(words[i], field.least, field.most, *field.value)) {
            return std::string(field.name) + " needs a whole number from " +
                   std::to_string(field.least) + " to " + std::to_string(field.most) + ", not '" +
                   words[i] + "'";
        }
    }
    if (words.size() == 6) climb.start = words[5];
    return "";
}

// What the command line asks for: help, the version, the --lines form on
// the files in words, or a climb, whose words are read apart.
struct Command {
    bool help = false, version = false, lines = false, limited = false;
    std::uint64_t limit = defaultAreas;
    std::vector<std::string> words;
};

// Reads the command line into command; what was wrong otherwise.
std::string parse(int argc, char** argv, Command& command) {
    for (Arguments arguments(argc, argv); !arguments.done();) {
        const std::string argument = arguments.next();
        bool* const flag = argument == "--help" || argument == "-h" ? &command.help
                           : argument == "--version"                ? &command.version
                           : argument == "--lines"                  ? &command.lines
                                                                    : nullptr;
        std::string value;
        if (flag != nullptr) {
            if (arguments.valueLeft()) return argument + " takes no value";
            *flag = true;
        } else if (argument == "--limit") {
            if (!arguments.value(value)) return "--limit needs a value";
            if (!wholeNumber(value, 1, UINT64_MAX / 2, command.limit)) {
                return "--limit needs a whole number of areas, not '" + value + "'";
            }
            command.limited = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option " + argument;
        } else {
            command.words.push_back(argument);
        }
    }
    if (command.help || command.version) return "";
    if (command.lines && command.words.empty()) return "--lines needs a level file";
    if (command.limited && !command.lines) return "--limit goes with --lines";
    return "";
}

// A crowded room that can be finished and needs a push, or none after as
// many draws as the climb may take.
bool drawRoom(const Request& climb, std::mt19937& random, Room& room) {
    for (int draw = 0; draw < draws; ++draw) {
        room = crowdedRoom(static_cast<int>(climb.width), static_cast<int>(climb.height), random);
        if (score(room, climb.positions).lines >= 0) return true;
    }
    return false;
}

int fail(const std::string& problem, int status) {
    std::cerr << "cairn-gen: " << problem << "\n";
    if (status == 2) std::cerr << usage;
    return status;
}

// Draws the room to climb from, or reads it from START, and climbs.
int climbFrom(const Request& asked) {
    std::mt19937 random(static_cast<unsigned>(asked.seed));
    Room room;
    if (!asked.start.empty()) {
        if (const std::string problem = fromFile(asked.start, room); !problem.empty()) {
            return fail(problem, 2);
        }
    } else if (!drawRoom(asked, random, room)) {
        return fail("no " + std::to_string(asked.width) + " x " + std::to_string(asked.height) +
                        " room drawn could be finished with a push; try a larger room",
                    1);
    }
    climb(room, static_cast<long>(asked.rounds), asked.positions, random);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Command command;
    Request asked;
    std::string problem = parse(argc, argv, command);
    const bool climbing = !command.help && !command.version && !command.lines;
    if (problem.empty() && climbing) problem = readClimb(command.words, asked);
    if (!problem.empty()) return fail(problem, 2);
    if (command.help) {
        std::cout << usage << "\n" << help;
    } else if (command.version) {
        std::cout << "cairn-gen " CAIRN_VERSION "\n";
    } else if (command.lines) {
        return printLines(command.words, command.limit);
    } else {
        return climbFrom(asked);
    }
    return 0;
}
