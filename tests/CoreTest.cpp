// The key decoders and the board's checks, called directly.
#include <gtest/gtest.h>

#include <climits>
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
