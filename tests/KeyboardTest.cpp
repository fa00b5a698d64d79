#include <gtest/gtest.h>

#include <vector>

#include "Keyboard.h"
#include "LevelFolder.h"

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    bool complete;
    std::vector<int> keys;
    std::size_t left;      // bytes still waiting for the rest of a sequence
    bool console = false;  // codes from a console's key read rather than bytes
};

const int esc = escapeKey;

const DecodeCase decodeCases[] = {
    {"PlainKeys", "wAsD", true, {'w', 'A', 's', 'D'}, 0},
    {"NulAndHighBytes", std::string("\0\xff", 2), true, {0, 0xff}, 0},
    {"ArrowUp", "\x1b[A", false, {esc}, 0},
    {"ArrowsBetweenKeys", "d\x1b[Dq\x1b[C", false, {'d', esc, 'q', esc}, 0},
    {"ModifiedArrow", "\x1b[1;5C", false, {esc}, 0},
    {"FunctionKey", "\x1bOQ", false, {esc}, 0},
    {"AltIsEscapeThenKey",
     "\x1b"
     "d",
     false,
     {esc, 'd'},
     0},
    {"EscapeBeforeSequence", "\x1b\x1b[A", false, {esc, esc}, 0},
    {"LoneEscapeWaits", "\x1b", false, {}, 1},
    {"LoneEscapeAtEnd", "\x1b", true, {esc}, 0},
    {"CutSequenceWaits", "w\x1b[1;", false, {'w'}, 4},
    {"CutSequenceAtEnd", "\x1b[1;", true, {esc}, 0},
    {"CutSs3AtEnd", "\x1bO", true, {esc}, 0},
    {"BrokenSequence", "\x1b[2\x01q", false, {esc, 1, 'q'}, 0},
    {"OverlongSequence",
     "\x1b[" + std::string(40, '1'),
     false,
     {esc, '1', '1', '1', '1', '1', '1', '1', '1', '1', '1'},
     0},
    // A console gives Delete as 0xE0 'S' and F10 as 0x00 'D': one key each, not S or D.
    {"ConsoleSpecialKeys", std::string("\xe0S\0Dd\xe0H", 7), false, {esc, esc, 'd', esc}, 0, true},
    {"ConsolePrefixWaits", "w\xe0", false, {'w'}, 1, true},
    {"ConsolePrefixAtEnd", std::string("\0", 1), true, {esc}, 0, true},
    {"ConsoleEscapeIsOneKey", "\x1b[A", false, {esc, '[', 'A'}, 0, true},
};

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, TurnsBytesIntoKeys) {
    const auto& c = GetParam();
    std::string_view rest = c.bytes;
    std::vector<int> keys;
    const auto decode = c.console ? decodeConsoleKey : decodeKey;
    for (auto d = decode(rest, c.complete); d.length > 0; d = decode(rest, c.complete)) {
        ASSERT_LE(d.length, rest.size());
        keys.push_back(d.key);
        rest.remove_prefix(d.length);
    }
    EXPECT_EQ(keys, c.keys);
    EXPECT_EQ(rest.size(), c.left);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Decode, testing::ValuesIn(decodeCases), ByName());

}  // namespace
