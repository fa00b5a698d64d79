#include "LineSearch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace {

using Id = std::uint32_t;
using Word = std::uint64_t;
constexpr std::size_t wordBits = 64;
constexpr char wallCell = '#';

class Search {
  public:
    Search(const Gamefield& level, Point start, std::size_t limit);
    // The set of positions found refers back to the search.
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    LineFigures run();

  private:
    // Hashes and compares positions by their index, so the set of positions
    // found holds nothing but indices into the packed positions.
    struct Hash {
        const Search* search;
        std::size_t operator()(Id id) const;
    };
    struct Same {
        const Search* search;
        bool operator()(Id a, Id b) const;
    };

    const Word* boulders(Id id) const { return &sets_[id * words_]; }
    static bool has(const Word* set, std::size_t cell) {
        return ((set[cell / wordBits] >> (cell % wordBits)) & 1U) != 0;
    }
    std::size_t next(std::size_t cell, int direction) const;
    bool free(const Word* set, std::size_t cell) const {
        return open_[cell] == floorCell && !has(set, cell);
    }
    void walk(const Word* set, std::size_t from);
    Id add(std::size_t player, std::size_t depth);
    void expand(Id id);
    std::size_t deadEnds() const;

    std::size_t width_ = 0, words_ = 0, limit_;
    std::vector<char> open_;  // floorCell (a boulder's cell too), exitCell or wallCell
    // Each position's boulders, a bit a cell; the lowest cell of its area, an
    // exit aside, which names the area; a cell of it to walk it from again.
    std::vector<Word> sets_;
    std::vector<std::size_t> anchors_, players_, sizes_, depths_;
    std::vector<bool> exits_;  // whether an exit borders the area
    std::unordered_set<Id, Hash, Same> found_;
    std::vector<std::pair<Id, Id>> lines_;
    // The area of the last walk and whether an exit borders it; the last walk
    // that reached each cell.
    std::vector<std::size_t> area_, walked_;
    std::size_t walks_ = 0;
    bool exit_ = false;
};

// The level on a grid with wall all round, so that every step from an open
// cell stays on it; rows are as wide as the widest, walled where they end.
Search::Search(const Gamefield& level, Point start, std::size_t limit)
    : limit_(limit), found_(64, Hash{this}, Same{this}) {
    std::size_t widest = 0;
    for (const auto& row : level.rows) widest = std::max(widest, row.size());
    width_ = widest + 2;
    open_.assign(width_ * (level.rows.size() + 2), wallCell);
    words_ = (open_.size() + wordBits - 1) / wordBits;
    sets_.assign(words_, 0);
    walked_.assign(open_.size(), 0);
    for (std::size_t y = 0; y < level.rows.size(); ++y) {
        for (std::size_t x = 0; x < level.rows[y].size(); ++x) {
            const char cell = level.rows[y][x];
            const std::size_t at = (y + 1) * width_ + x + 1;
            if (cell == boulderCell) sets_[at / wordBits] |= Word{1} << (at % wordBits);
            if (isOpen(cell)) {
                open_[at] = cell == exitCell ? exitCell : floorCell;
            }
        }
    }
    add((static_cast<std::size_t>(start.y) + 1) * width_ + static_cast<std::size_t>(start.x) + 1,
        0);
}

std::size_t Search::Hash::operator()(Id id) const {
    std::uint64_t hash = search->anchors_[id] * 0x9E3779B97F4A7C15U;
    for (std::size_t i = 0; i < search->words_; ++i) {
        hash = (hash ^ search->boulders(id)[i]) * 0xFF51AFD7ED558CCDU;
        hash ^= hash >> 32;
    }
    return static_cast<std::size_t>(hash);
}

bool Search::Same::operator()(Id a, Id b) const {
    return search->anchors_[a] == search->anchors_[b] &&
           std::equal(search->boulders(a), search->boulders(a) + search->words_,
                      search->boulders(b));
}

// The cell one step on from cell, by the table of steps the game plays with.
std::size_t Search::next(std::size_t cell, int direction) const {
    const Step& step = steps[direction];
    const auto row = static_cast<std::ptrdiff_t>(width_);
    return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(cell) + step.deltaY * row +
                                    step.deltaX);
}

// Every cell the player can walk to from one cell. A player who steps on an
// exit has finished, so no walk goes on past one, and one exit may border two
// areas: it belongs to neither, and is not counted as a position. A player
// who starts on the exit has no area at all.
void Search::walk(const Word* set, std::size_t from) {
    ++walks_;
    exit_ = open_[from] == exitCell;
    area_.assign(exit_ ? 0 : 1, from);
    walked_[from] = walks_;
    for (std::size_t i = 0; i < area_.size(); ++i) {
        for (int direction = 0; direction < static_cast<int>(std::size(steps)); ++direction) {
            const std::size_t cell = next(area_[i], direction);
            if (walked_[cell] == walks_ || open_[cell] == wallCell || has(set, cell)) continue;
            walked_[cell] = walks_;
            if (open_[cell] == exitCell) {
                exit_ = true;
            } else {
                area_.push_back(cell);
            }
        }
    }
}

// The position whose boulders were last written past the end of sets_, with
// the player at the cell given; it is dropped again if it was found before.
Id Search::add(std::size_t player, std::size_t depth) {
    const Id id = static_cast<Id>(anchors_.size());
    walk(&sets_[id * words_], player);
    anchors_.push_back(area_.empty() ? player : *std::min_element(area_.begin(), area_.end()));
    const auto [at, fresh] = found_.insert(id);
    if (!fresh) {
        anchors_.pop_back();
        sets_.resize(sets_.size() - words_);
        return *at;
    }
    players_.push_back(player);
    sizes_.push_back(area_.size());
    depths_.push_back(depth);
    exits_.push_back(exit_);
    return id;
}

// Every line from a position: each boulder next to its area, pushed one cell
// or more in one direction.
void Search::expand(Id id) {
    walk(boulders(id), players_[id]);
    const std::vector<std::size_t> area = area_;
    for (const std::size_t cell : area) {
        for (int direction = 0; direction < static_cast<int>(std::size(steps)); ++direction) {
            const std::size_t boulder = next(cell, direction);
            if (!has(boulders(id), boulder)) continue;
            for (std::size_t behind = boulder, to = next(boulder, direction);
                 free(boulders(id), to); behind = to, to = next(to, direction)) {
                sets_.resize(sets_.size() + words_);
                std::copy_n(sets_.begin() + static_cast<std::ptrdiff_t>(id * words_), words_,
                            sets_.end() - static_cast<std::ptrdiff_t>(words_));
                Word* moved = &sets_[sets_.size() - words_];
                moved[boulder / wordBits] &= ~(Word{1} << (boulder % wordBits));
                moved[to / wordBits] |= Word{1} << (to % wordBits);
                lines_.emplace_back(id, add(behind, depths_[id] + 1));
            }
        }
    }
}

// The positions, counted by their cells, from which no line leads to an exit.
std::size_t Search::deadEnds() const {
    std::vector<std::vector<Id>> into(anchors_.size());
    for (const auto& [from, to] : lines_) into[to].push_back(from);
    std::vector<bool> live(exits_);
    std::vector<Id> waiting;
    for (Id id = 0; id < exits_.size(); ++id) {
        if (exits_[id]) waiting.push_back(id);
    }
    while (!waiting.empty()) {
        const Id id = waiting.back();
        waiting.pop_back();
        for (const Id from : into[id]) {
            if (!live[from]) live[from] = true, waiting.push_back(from);
        }
    }
    std::size_t dead = 0;
    for (Id id = 0; id < live.size(); ++id) dead += live[id] ? 0 : sizes_[id];
    return dead;
}

LineFigures Search::run() {
    LineFigures figures;
    for (Id id = 0; id < anchors_.size(); ++id) {
        if (anchors_.size() > limit_) return {true};
        if (exits_[id] && figures.lines < 0) figures.lines = static_cast<long>(depths_[id]);
        expand(id);
    }
    for (const std::size_t size : sizes_) figures.positions += size;
    figures.deadEnds = deadEnds();
    return figures;
}

}  // namespace

LineFigures searchLines(const Gamefield& level, Point start, std::size_t limit) {
    return Search(level, start, limit).run();
}
