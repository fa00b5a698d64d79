// Loads any bytes as a level and plays any keys on it. The input is the level file, a 0xFF byte,
// then key bytes, decoded as a terminal's bytes or, when the first of them is odd, as a console's
// key codes. Every key takes at least one byte and never reads past the end, and no step changes
// the number of boulders.

#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <fstream>

#include "Gamefield.h"
#include "Keyboard.h"

namespace {

std::ptrdiff_t boulders(const Gamefield& field) {
    std::ptrdiff_t count = 0;
    for (const auto& row : field.rows) count += std::count(row.begin(), row.end(), boulderCell);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/cairn-fuzz-" + std::to_string(getpid()) + ".txt";
    std::string_view keys(reinterpret_cast<const char*>(data), size);
    const auto split = std::min(keys.find('\xff'), size);
    std::ofstream(path, std::ios::binary) << keys.substr(0, split);
    keys.remove_prefix(std::min(split + 1, size));
    const auto decode = !keys.empty() && (keys[0] & 1) != 0 ? decodeConsoleKey : decodeKey;
    Gamefield field;
    Point player{0, 0};
    if (!field.read(path, player).empty()) return 0;
    const std::ptrdiff_t before = boulders(field);
    while (!keys.empty()) {
        const DecodedKey key = decode(keys, true);
        assert(key.length > 0 && key.length <= keys.size());
        keys.remove_prefix(key.length);
        assert(field.frame(player).size() > 30);  // built as the game builds it
        std::int32_t deltaX = 0, deltaY = 0;
        if (stepFor(command(key.key), deltaX, deltaY)) field.move(player, deltaX, deltaY);
        assert(boulders(field) == before);
    }
    return 0;
}
