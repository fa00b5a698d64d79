#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// The player's position: x is the byte index within a row, y the row index,
// both counted from 0 at the top left.
struct Point {
    std::int32_t x;
    std::int32_t y;
};

// Cell bytes. Every byte not named here is a wall.
constexpr char floorCell = ' ';
constexpr char boulderCell = 'o';
constexpr char exitCell = 'E';
constexpr char playerMark = 'P';

// What lies beyond the rows: no cell, which is a wall like any other byte.
constexpr char noCell = '\0';

// What a cell is to the player: one to step onto (floor or an exit), and one
// that is open at all, as a boulder's cell is to a later push.
constexpr bool isWalkable(char cell) {
    return cell == floorCell || cell == exitCell;
}
constexpr bool isOpen(char cell) {
    return isWalkable(cell) || cell == boulderCell;
}

// The four steps a player can take, each with the key that takes it.
struct Step {
    char key;
    std::int32_t deltaX, deltaY;
};
constexpr Step steps[] = {{'w', 0, -1}, {'a', -1, 0}, {'s', 0, 1}, {'d', 1, 0}};

// The board of the level being played. Rows keep the length of their line in
// the level file, so the grid may be ragged; after a successful load no row is
// empty and neither the number of rows nor any row's length changes again.
class Gamefield {
  public:
    Gamefield() = default;
    virtual ~Gamefield() = default;

    // Reads the level file at path. Writes start only where the file marks
    // the player with 'P'. On failure (no such file, no row, a read error, a
    // level too big to count) prints one line and returns false, with no rows.
    bool load(const std::string& path, Point& start);

    // Reads the level file at path as load does, printing nothing: the line
    // load would print, or "" once the level is read.
    std::string read(const std::string& path, Point& start);

    // Writes one frame: 30 newlines, the grid with the player on it, one more
    // newline, then a flush.
    void draw(const Point& point) const;

    // The frame draw writes, as text.
    std::string frame(const Point& point) const;

    // One step of the player: onto floor or an exit, or pushing one boulder
    // onto floor. A step the rules refuse changes nothing.
    void move(Point& point, std::int32_t deltaX, std::int32_t deltaY);

    // The byte of the cell at (x, y), or noCell where no row reaches.
    char cellAt(std::int64_t x, std::int64_t y) const;
    char cellAt(Point point) const { return cellAt(point.x, point.y); }

    std::vector<std::string> rows;

  private:
    bool readRows(std::istream& file, Point& start);
    std::string refuse(const std::string& message);
    void drawInto(const Point& point, char* out) const;
    bool inside(std::int64_t x, std::int64_t y) const;
    char& cell(std::int64_t x, std::int64_t y);
};
