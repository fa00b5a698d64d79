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
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "LineSearch.h"

namespace {

const char* const usage =
    "usage: cairn-gen WIDTH HEIGHT ROUNDS SEED [POSITIONS [START]]\n"
    "       cairn-gen --lines FILE...\n";

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
Room fromFile(const std::string& path) {
    Room room;
    Gamefield field;
    field.load(path, room.start);
    room.rows = field.rows;
    for (std::size_t y = 0; y < room.rows.size(); ++y) {
        const auto x = room.rows[y].find(exitCell);
        if (x == std::string::npos) continue;
        room.exit = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
        room.rows[y][x] = floorCell;
    }
    return room;
}

void print(const Room& room, const Score& score) {
    std::cout << "candidate: " << score.lines << " lines, " << score.deadPercent << "% dead ends\n";
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

// The figures of each level file, as the climb sees them: its fewest lines,
// its positions and its dead ends.
int printLines(int count, char** paths) {
    int status = 0;
    for (int i = 0; i < count; ++i) {
        Gamefield field;
        Point start{0, 0};
        if (!field.load(paths[i], start)) {
            status = 2;
            continue;
        }
        const LineFigures figures = searchLines(field, start, SIZE_MAX);
        std::cout << paths[i] << ": " << figures.lines << " lines, " << figures.positions
                  << " positions, " << figures.deadEnds << " dead ends\n";
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--lines") return printLines(argc - 2, argv + 2);
    if (argc < 5 || argc > 7) {
        std::cerr << usage;
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const long rounds = std::atol(argv[3]);
    const std::size_t positions = argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 300'000;
    if (width < 2 || height < 1 || rounds < 1 || positions < 1) {
        std::cerr << usage;
        return 2;
    }
    std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
    // A crowded room is drawn again until it can be finished: the climb only
    // ever moves between rooms that can.
    Room room = argc > 6 ? fromFile(argv[6]) : crowdedRoom(width, height, random);
    while (argc <= 6 && score(room, positions).lines < 0) room = crowdedRoom(width, height, random);
    climb(room, rounds, positions, random);
    return 0;
}
