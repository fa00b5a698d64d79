// Loads any bytes as a level and plays any keys on it, checking after every
// step that the board keeps its shape and its rules. The input is the level
// file, a 0xFF byte, then key bytes, decoded as a terminal's bytes or, when
// the first of them is odd, as a console's key codes.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Keyboard.h"

namespace {

void check(bool rule, const char* what) {
    if (rule) return;
    std::cerr << "broken: " << what << "\n";
    std::abort();
}

// Every key takes at least one byte and never reads past the end.
std::vector<int> decodeAll(std::string_view rest, bool console) {
    std::vector<int> keys;
    while (!rest.empty()) {
        const DecodedKey key = (console ? decodeConsoleKey : decodeKey)(rest, true);
        check(key.length > 0 && key.length <= rest.size(), "a key's length");
        check(key.key >= 0 && key.key <= 0xFF, "a key's code");
        keys.push_back(key.key);
        rest.remove_prefix(key.length);
    }
    return keys;
}

// The row lengths and the number of boulders, which no step may change.
std::string shape(const Gamefield& field) {
    std::string shape;
    std::ptrdiff_t boulders = 0;
    for (const auto& row : field.rows) {
        check(row.find(playerMark) == std::string::npos, "a cell holds P");
        shape += std::to_string(row.size()) + " ";
        boulders += std::count(row.begin(), row.end(), boulderCell);
    }
    return shape + std::to_string(boulders);
}

// Plays keys as the game does, up to Q, the exit or the end of the keys.
// Returns where the keys go on after R, or npos.
std::size_t play(const std::string& path, const std::vector<int>& keys, std::size_t next) {
    Gamefield field;
    Point player{0, 0};
    if (!field.load(path, player)) return std::string::npos;
    const std::string before = shape(field);
    for (bool moved = false; next < keys.size(); ++next) {
        field.draw(player);
        const auto& row = field.rows[static_cast<std::size_t>(player.y)];
        if (row[static_cast<std::size_t>(player.x)] == exitCell || command(keys[next]) == 'q')
            break;
        if (command(keys[next]) == 'r') return next + 1;
        std::int32_t deltaX = 0, deltaY = 0;
        if (!stepFor(command(keys[next]), deltaX, deltaY)) continue;
        const Point from = player;
        field.move(player, deltaX, deltaY);
        check(shape(field) == before, "a step changed the rows or the boulders");
        moved = moved || player.x != from.x || player.y != from.y;
        if (!moved) continue;
        const auto& now = field.rows.at(static_cast<std::size_t>(player.y));
        const char under = now.at(static_cast<std::size_t>(player.x));
        check(under == floorCell || under == exitCell, "the player on a wall or a boulder");
    }
    return std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/cairn-fuzz-" + std::to_string(getpid()) + ".txt";
    std::cout.rdbuf(nullptr);  // frames go nowhere, at no cost
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = std::min(input.find('\xff'), input.size());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input.substr(0, split);
    const std::string bytes = split < input.size() ? input.substr(split + 1) : "";
    const auto keys = decodeAll(bytes, !bytes.empty() && (bytes[0] & 1) != 0);
    for (std::size_t next = 0; next != std::string::npos;) next = play(path, keys, next);
    return 0;
}
