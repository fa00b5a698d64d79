#include "Gamefield.h"

#include <algorithm>
#include <cassert>
#include <fstream>
#include <iostream>
#include <utility>

// The board's checks guard every build we ship; a build without them would
// let a faulty caller corrupt the grid silently.
#ifdef NDEBUG
#error "cairn is always built with assertions enabled"
#endif

namespace {

// Each frame starts with this many newlines, which push the previous frame up
// the screen without any terminal control sequence.
constexpr std::size_t scrollLines = 30;

constexpr unsigned char deleteByte = 0x7F;

// Control bytes in a level file could clear the screen, set the window title
// or write the clipboard of whoever opens it, so they are shown as '?'. Tab and
// bytes from 0x80 up are shown as stored, which keeps UTF-8 wall art intact.
char visible(char cell) {
    const auto byte = static_cast<unsigned char>(cell);
    const bool control = (byte < ' ' && byte != '\t' && byte != '\n') || byte == deleteByte;
    return control ? '?' : cell;
}

// Reads the next line of a level into line. Returns false at the end of the
// level: an empty line, or the end of the file. One carriage return at the end
// of the line is dropped, so files saved with CRLF line ends read the same.
bool readLine(std::istream& file, std::string& line) {
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !line.empty();
}

// Turns every start marker of the line into floor; the last one wins.
void takeStartMarkers(std::string& line, std::int32_t y, Point& start) {
    for (auto x = line.find(playerMark); x != std::string::npos; x = line.find(playerMark, x + 1)) {
        line[x] = floorCell;
        start = Point{static_cast<std::int32_t>(x), y};
    }
}

}  // namespace

bool Gamefield::load(const std::string& path, Point& start) {
    std::ifstream file(path);
    if (!file) {
        std::cout << "Could not open " << path << "!" << std::endl;
        return false;
    }
    std::string line;
    for (std::int32_t y = 0; readLine(file, line); ++y) {
        takeStartMarkers(line, y, start);
        const auto length = line.size();
        rows.push_back(std::move(line));
        // Levels tend to have rows of one width; reserving it up front keeps
        // every row's storage at its own length instead of up to twice that.
        line.reserve(length);
    }
    if (rows.empty()) {
        std::cout << path << " is empty!" << std::endl;
        return false;
    }
    return true;
}

void Gamefield::draw(const Point& point) const {
    // One insertion for the whole frame: the terminal never shows half of one.
    std::cout << frame(point) << std::endl;
}

void Gamefield::move(Point& point, std::int32_t deltaX, std::int32_t deltaY) {
    // Widened so that the most negative step is caught as well: the standard
    // abs of that value is undefined. Assertion reports quote these checks by
    // file and line, so they keep their place at the top of the function.
    const auto abs = [](std::int64_t value) { return value < 0 ? -value : value; };

    assert(deltaX == 0 or deltaY == 0);
    assert(abs(deltaX) < 2);
    assert(abs(deltaY) < 2);

    const std::int64_t targetX = std::int64_t{point.x} + deltaX;
    const std::int64_t targetY = std::int64_t{point.y} + deltaY;
    if (!inside(targetX, targetY)) return;
    char& target = cell(targetX, targetY);
    if (target == boulderCell) {
        const std::int64_t beyondX = targetX + deltaX;
        const std::int64_t beyondY = targetY + deltaY;
        if (!inside(beyondX, beyondY) || cell(beyondX, beyondY) != floorCell) return;
        cell(beyondX, beyondY) = boulderCell;
        target = floorCell;
    } else if (target != floorCell && target != exitCell) {
        return;
    }
    point = Point{static_cast<std::int32_t>(targetX), static_cast<std::int32_t>(targetY)};
}

bool Gamefield::inside(std::int64_t x, std::int64_t y) const {
    if (y < 0 || y >= static_cast<std::int64_t>(rows.size())) return false;
    return x >= 0 && x < static_cast<std::int64_t>(rows[static_cast<std::size_t>(y)].size());
}

char& Gamefield::cell(std::int64_t x, std::int64_t y) {
    return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
}

std::string Gamefield::frame(const Point& point) const {
    std::size_t size = scrollLines;
    for (const auto& row : rows) size += row.size() + 1;
    std::string text(size, '\n');
    std::size_t at = scrollLines;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const auto& row = rows[y];
        std::transform(row.begin(), row.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                       visible);
        if (static_cast<std::int64_t>(y) == point.y && inside(point.x, point.y)) {
            text[at + static_cast<std::size_t>(point.x)] = playerMark;
        }
        at += row.size() + 1;
    }
    return text;
}
