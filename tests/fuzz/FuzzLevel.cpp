// Loads any bytes as a level and plays any keys on it, checking after every
// step that the board keeps its shape and its rules. The input is the level
// file, then a 0xFF byte, then the keys.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Keyboard.h"

namespace {

// Where frames go: nowhere, at no cost.
class Discard : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

[[noreturn]] void broken(const char* rule) {
    std::cerr << "broken: " << rule << "\n";
    std::abort();
}

std::size_t boulders(const Gamefield& field) {
    std::size_t count = 0;
    for (const auto& row : field.rows)
        count += static_cast<std::size_t>(std::count(row.begin(), row.end(), boulderCell));
    return count;
}

void checkShape(const Gamefield& field, const std::vector<std::size_t>& lengths,
                std::size_t boulderCount) {
    if (field.rows.size() != lengths.size()) broken("the number of rows changed");
    for (std::size_t y = 0; y < lengths.size(); ++y) {
        if (field.rows[y].size() != lengths[y]) broken("a row changed its length");
        if (field.rows[y].find(playerMark) != std::string::npos) broken("a cell holds P");
    }
    if (boulders(field) != boulderCount) broken("the number of boulders changed");
}

void checkPlayer(const Gamefield& field, Point player) {
    if (player.y < 0 || static_cast<std::size_t>(player.y) >= field.rows.size())
        broken("player off the rows");
    const auto& row = field.rows[static_cast<std::size_t>(player.y)];
    if (player.x < 0 || static_cast<std::size_t>(player.x) >= row.size())
        broken("player off his row");
    const char under = row[static_cast<std::size_t>(player.x)];
    if (under != floorCell && under != exitCell) broken("player on a wall or a boulder");
}

// Plays keys on the level at path as the game does, up to Q, the exit or the
// end of the keys. Returns where the keys go on after R, or npos.
std::size_t play(const std::string& path, const std::string& keys, std::size_t next) {
    Gamefield field;
    Point player{0, 0};
    if (!field.load(path, player)) return std::string::npos;
    std::vector<std::size_t> lengths;
    for (const auto& row : field.rows) lengths.push_back(row.size());
    const std::size_t boulderCount = boulders(field);
    bool moved = false;
    for (; next < keys.size(); ++next) {
        field.draw(player);
        const auto& row = field.rows[static_cast<std::size_t>(player.y)];
        if (row[static_cast<std::size_t>(player.x)] == exitCell) break;
        const int key = command(static_cast<unsigned char>(keys[next]));
        if (key == 'q') break;
        if (key == 'r') return next + 1;
        std::int32_t deltaX = 0, deltaY = 0;
        if (!stepFor(key, deltaX, deltaY)) continue;
        const Gamefield before = field;
        const Point from = player;
        field.move(player, deltaX, deltaY);
        checkShape(field, lengths, boulderCount);
        const bool refused = player.x == from.x && player.y == from.y;
        if (refused && field.rows != before.rows) broken("a refused step changed the grid");
        moved = moved || !refused;
        if (moved) checkPlayer(field, player);
    }
    return std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/cairn-fuzz-" + std::to_string(getpid()) + ".txt";
    static Discard screen;
    std::cout.rdbuf(&screen);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\xff');
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input.substr(0, split);
    const std::string keys = split == std::string::npos ? "" : input.substr(split + 1);
    for (std::size_t next = 0; next != std::string::npos;) next = play(path, keys, next);
    return 0;
}
