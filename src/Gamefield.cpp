#include "Gamefield.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <fstream>
#include <iostream>
#include <memory>
#include <utility>

#include "Platform.h"

// The board's checks stay in every build: without them a faulty caller would corrupt the grid.
#ifdef NDEBUG
#error "cairn is always built with assertions enabled"
#endif

namespace {

// Reads the next line of a level; false at its end (an empty line, or the end of the file).
bool readLine(std::istream& file, std::string& line) {
    std::getline(file, line);
    platform::dropCarriageReturn(line);
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

// Reads the level up to its first empty line. A level is played whole or not
// at all: a read error, or a level too big for a Point to count, is reported
// and leaves no rows. What went wrong is said by the caller: load prints it,
// and the tools pass it on to their error stream.
//
// Messages about a file that opened start with its path, like the one about an
// empty level, so that a list of them reads as a list of the files at fault.
std::string Gamefield::read(const std::string& path, Point& start) {
    std::ifstream file(path);
    if (!file) return refuse("Could not open " + path + "!");
    Point found = start;
    try {
        // Without this a read error, like a failed allocation, would only set a
        // flag and look like the end of the level.
        file.exceptions(std::ios::badbit);
        if (!readRows(file, found)) return refuse(path + " is too large!");
    } catch (const std::ios_base::failure&) {
        return refuse(path + " could not be read!");
    }
    if (rows.empty()) return refuse(path + " is empty!");
    start = found;
    return "";
}

// Rows may differ in length, so whether a column exists depends on its row.
// Coordinates are wide enough that one step beyond any Point cannot overflow.
bool Gamefield::inside(std::int64_t x, std::int64_t y) const {
    if (y < 0 || y >= static_cast<std::int64_t>(rows.size())) return false;
    return x >= 0 && x < static_cast<std::int64_t>(rows[static_cast<std::size_t>(y)].size());
}

// The cell at a position that inside() has accepted.
char& Gamefield::cell(std::int64_t x, std::int64_t y) {
    return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
}

// A step onto floor or an exit moves the player; a step into a boulder pushes
// it one cell on, onto floor only. Anything else is refused and changes
// nothing. The cell the player leaves is never written.
//
// The checks below catch a caller that passes anything but one of the four
// steps. Their reports name this file and line, so they keep their place at
// the top of the function. abs is widened so that the most negative step is
// caught too: the standard abs of that value is undefined.
void Gamefield::move(Point& point, std::int32_t deltaX, std::int32_t deltaY) {
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
    } else if (!isWalkable(target)) {
        return;
    }
    point = Point{static_cast<std::int32_t>(targetX), static_cast<std::int32_t>(targetY)};
}

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

// Copies a row into out as it is shown. Copying and checking run in one pass
// that the compiler turns into vector code; only a row that turns out to hold
// a control byte is gone over again.
// The row's bytes and length are taken first: out could alias them as far as
// the compiler knows, which would keep it from vectorising.
void copyVisible(const std::string& row, char* out) {
    const char* const in = row.data();
    const std::size_t length = row.size();
    unsigned char lowest = UCHAR_MAX;
    unsigned char deletes = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(in[i]);
        out[i] = in[i];
        lowest = std::min(lowest, byte);
        deletes |= static_cast<unsigned char>(byte == deleteByte);
    }
    if (lowest < ' ' || deletes != 0) std::transform(out, out + length, out, visible);
}

std::size_t frameSize(const std::vector<std::string>& rows) {
    std::size_t size = scrollLines + 1;
    for (const auto& row : rows) size += row.size() + 1;
    return size;
}

}  // namespace

// Every byte of out is written: a frame is built in memory left uninitialised
// by draw, as a std::string would be cleared first, which costs a third again
// as much on a big level.
void Gamefield::drawInto(const Point& point, char* out) const {
    out = std::fill_n(out, scrollLines, '\n');
    for (std::size_t y = 0; y < rows.size(); ++y) {
        copyVisible(rows[y], out);
        if (static_cast<std::int64_t>(y) == point.y && inside(point.x, point.y)) {
            out[point.x] = playerMark;
        }
        out += rows[y].size();
        *out++ = '\n';
    }
    *out = '\n';
}

void Gamefield::draw(const Point& point) const {
    const std::size_t size = frameSize(rows);
    const std::unique_ptr<char[]> frame(new char[size]);
    drawInto(point, frame.get());
    // One insertion for the whole frame, final newline included, so that the
    // terminal never shows half of one.
    std::cout.write(frame.get(), static_cast<std::streamsize>(size)) << std::flush;
}

std::string Gamefield::frame(const Point& point) const {
    std::string text(frameSize(rows), '\0');
    drawInto(point, text.data());
    return text;
}

// Reads rows until the level ends. False as soon as a row is longer, or the
// rows more, than a Point can count.
bool Gamefield::readRows(std::istream& file, Point& start) {
    constexpr std::size_t longest = INT32_MAX;
    std::string line;
    for (std::int32_t y = 0; readLine(file, line); ++y) {
        if (line.size() > longest || y == INT32_MAX) return false;
        takeStartMarkers(line, y, start);
        const auto length = line.size();
        rows.push_back(std::move(line));
        // Rows tend to share one width: reserved, each keeps only its own length.
        line.clear();
        line.reserve(length);
    }
    return true;
}

bool Gamefield::load(const std::string& path, Point& start) {
    const std::string problem = read(path, start);
    if (problem.empty()) return true;
    std::cout << problem << std::endl;
    return false;
}

std::string Gamefield::refuse(const std::string& message) {
    rows.clear();
    return message;
}

char Gamefield::cellAt(std::int64_t x, std::int64_t y) const {
    return inside(x, y) ? rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] : noCell;
}
