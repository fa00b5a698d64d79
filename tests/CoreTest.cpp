// The key decoders, the rules of movement and the board's checks, called directly.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Keyboard.h"

namespace {

struct Bytes {
    const char* name;
    std::string bytes;
    bool complete;  // no more bytes will come
    std::vector<int> keys;
    std::size_t left;      // bytes still waiting for the rest of a sequence
    bool console = false;  // a console's key codes rather than bytes
};

const int esc = escapeKey;

const Bytes bytes[] = {
    // The edges of the parameter and final ranges; SS3; Alt as Escape, then the key; a sequence
    // cut off waits for its rest.
    {"Sequences",
     "\x1b[ ?@\x1b[0;1~w\x1bOQ\x1b"
     "d\x1b\x1b[Aw\x1b[1;",
     false,
     {esc, esc, 'w', esc, esc, 'd', esc, esc, 'w'},
     4},
    // Broken by a control byte, longer than any known, cut off by the end of the input.
    {"BrokenLongAndCut",
     "\x1b[2\x01\x1b[" + std::string(31, '1') + "\x1b[1;",
     true,
     {esc, 1, esc, '1', esc},
     0},
    {"LoneEscapeWaits", "\x1b", false, {}, 1},
    // A console gives Delete as 0xE0 'S' and F10 as 0x00 'D', one key each; its Escape is one key,
    // never the start of a sequence; a prefix waits for its code.
    {"ConsoleKeys",
     std::string("\xe0S\0Dd\xe0H\x1b[Aw\xe0", 12),
     false,
     {esc, esc, 'd', esc, esc, '[', 'A', 'w'},
     1,
     true},
    {"ConsolePrefixAtEnd", std::string("\0", 1), true, {esc}, 0, true},
};

TEST(Keyboard, DecodesBytesIntoKeys) {
    for (const auto& row : bytes) {
        SCOPED_TRACE(row.name);
        const auto decode = row.console ? decodeConsoleKey : decodeKey;
        std::string_view rest = row.bytes;
        std::vector<int> keys;
        for (auto d = decode(rest, row.complete); d.length > 0; d = decode(rest, row.complete)) {
            keys.push_back(d.key);
            rest.remove_prefix(d.length);
        }
        EXPECT_EQ(keys, row.keys);
        EXPECT_EQ(rest.size(), row.left);
    }
}

// A step on a board as a test pictures it: rows split at '/', the player
// drawn as 'P' on floor and as '@' on an exit.
struct Move {
    std::string before;
    std::int32_t deltaX, deltaY;
    std::string after;
};

const Move moves[] = {
    // Walks onto floor and the exit, and off it, which stays an exit; stops at walls of any byte.
    {"#P #", 1, 0, "# P#"},
    {"#PE#", 1, 0, "# @#"},
    {"#@ #", 1, 0, "#EP#"},
    {"#P#", 1, 0, "#P#"},
    {"P\t", 1, 0, "P\t"},
    {"P\x80", 1, 0, "P\x80"},
    // Pushes one boulder onto floor, each way; never onto the exit, a wall or a boulder.
    {"#Po #", 1, 0, "# Po#"},
    {"# oP#", -1, 0, "#oP #"},
    {" /o/P", 0, -1, "o/P/ "},
    {"P/o/ ", 0, 1, " /P/o"},
    {"#PoE#", 1, 0, "#PoE#"},
    {"#Po#", 1, 0, "#Po#"},
    {"#Poo #", 1, 0, "#Poo #"},
    // Never off the grid, nor into or past the missing end of a short row; a step of zero stays.
    {"P ", -1, 0, "P "},
    {"P/ ", 0, -1, "P/ "},
    {" /P", 0, 1, " /P"},
    {"Po", 1, 0, "Po"},
    {"o/P", 0, -1, "o/P"},
    {" /  P", 0, -1, " /  P"},
    {" /P ", 0, -1, "P/  "},
    {" P/ o/ ", 0, 1, " P/ o/ "},
    {"#P #", 0, 0, "#P #"},
};

struct Picture {
    std::vector<std::string> rows{""};
    Point player{-1, -1};
};

Picture picture(const std::string& text) {
    Picture board;
    for (char cell : text) {
        if (cell == '/') {
            board.rows.emplace_back();
            continue;
        }
        if (cell == 'P' || cell == '@') {
            board.player = {static_cast<std::int32_t>(board.rows.back().size()),
                            static_cast<std::int32_t>(board.rows.size() - 1)};
            cell = cell == 'P' ? ' ' : 'E';
        }
        board.rows.back() += cell;
    }
    return board;
}

TEST(Gamefield, MovesByTheRules) {
    for (const auto& step : moves) {
        SCOPED_TRACE(step.before + " by " + std::to_string(step.deltaX) + "," +
                     std::to_string(step.deltaY));
        const Picture before = picture(step.before), after = picture(step.after);
        Gamefield field;
        field.rows = before.rows;
        Point player = before.player;
        field.move(player, step.deltaX, step.deltaY);
        EXPECT_EQ(field.rows, after.rows);
        EXPECT_EQ(player.x, after.player.x);
        EXPECT_EQ(player.y, after.player.y);
    }
}

// A caller that passes anything but one of the four steps is stopped, and
// the report names the check, its file and its line.
TEST(Gamefield, BadStepNamesTheFailedCheck) {
    Gamefield field;
    field.rows = {"   ", "   ", "   "};
    Point point{1, 1};
    EXPECT_DEATH(field.move(point, 1, 1), "src/Gamefield.cpp:84: .*`deltaX == 0 or deltaY == 0'");
    EXPECT_DEATH(field.move(point, INT_MIN, 0), "src/Gamefield.cpp:85: .*`abs\\(deltaX\\) < 2'");
    EXPECT_DEATH(field.move(point, 0, -2), "src/Gamefield.cpp:86: .*`abs\\(deltaY\\) < 2'");
}

}  // namespace
