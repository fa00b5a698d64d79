// Loads any bytes as a level and plays any keys on it, checking after every
// step that the board keeps its shape. The input is the level
// file, a 0xFF byte, then key bytes, decoded as a terminal's bytes or, when
// the first of them is odd, as a console's key codes.

#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <fstream>
#include <iostream>

#include "Gamefield.h"
#include "Keyboard.h"

namespace {

// The row lengths and the number of boulders, which no step may change.
std::string shape(const Gamefield& field) {
    std::string shape;
    std::ptrdiff_t boulders = 0;
    for (const auto& row : field.rows) {
        shape += std::to_string(row.size()) + " ";
        boulders += std::count(row.begin(), row.end(), boulderCell);
    }
    return shape + std::to_string(boulders);
}

// Plays keys as the game does, up to Q, the exit or the end of the keys; R
// plays on where the level stands. Every key takes at least one byte and
// never reads past the end.
void play(const std::string& path, std::string_view keys, bool console) {
    Gamefield field;
    Point player{0, 0};
    if (!field.load(path, player)) return;
    const std::string before = shape(field);
    while (!keys.empty() &&
           field.rows.at(std::size_t(player.y)).at(std::size_t(player.x)) != exitCell) {
        const DecodedKey key = (console ? decodeConsoleKey : decodeKey)(keys, true);
        assert(key.length > 0 && key.length <= keys.size());
        keys.remove_prefix(key.length);
        field.draw(player);
        std::int32_t deltaX = 0, deltaY = 0;
        if (command(key.key) == 'q') return;
        if (!stepFor(command(key.key), deltaX, deltaY)) continue;
        field.move(player, deltaX, deltaY);
        assert(shape(field) == before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/cairn-fuzz-" + std::to_string(getpid()) + ".txt";
    std::cout.rdbuf(nullptr);  // frames go nowhere, at no cost
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto split = std::min(input.find('\xff'), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input.substr(0, split);
    const auto keys = input.substr(std::min(split + 1, size));
    play(path, keys, !keys.empty() && (keys[0] & 1) != 0);
    return 0;
}
