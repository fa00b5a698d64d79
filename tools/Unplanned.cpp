#include "Unplanned.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::size_t far = std::numeric_limits<std::size_t>::max();

// Whether a way over the board as it stands may step into (x, y) by step:
// onto floor or an exit, or into a boulder with floor beyond it.
bool open(const Gamefield& board, std::int64_t x, std::int64_t y, const Step& step) {
    const char cell = board.cellAt(x, y);
    if (isWalkable(cell)) return true;
    return cell == boulderCell && board.cellAt(x + step.deltaX, y + step.deltaY) == floorCell;
}

using Distances = std::vector<std::vector<std::size_t>>;

// How many steps each cell is from an exit over the board as it stands, far
// where no way leads; found backwards from the exits. A way may pass a cell
// whose boulder it pushes, so it may go on from one.
Distances distances(const Gamefield& board) {
    Distances stepsTo(board.rows.size());
    std::deque<Point> queue;
    for (std::size_t y = 0; y < board.rows.size(); ++y) {
        stepsTo[y].assign(board.rows[y].size(), far);
        for (std::size_t x = 0; x < board.rows[y].size(); ++x) {
            if (board.rows[y][x] != exitCell) continue;
            stepsTo[y][x] = 0;
            queue.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
    }
    for (; !queue.empty(); queue.pop_front()) {
        const Point to = queue.front();
        const std::size_t next = stepsTo[std::size_t(to.y)][std::size_t(to.x)] + 1;
        for (const Step& step : steps) {
            const std::int64_t x = std::int64_t{to.x} - step.deltaX;
            const std::int64_t y = std::int64_t{to.y} - step.deltaY;
            const char from = board.cellAt(x, y);
            if (!isOpen(from)) continue;
            if (!open(board, to.x, to.y, step)) continue;
            std::size_t& known = stepsTo[std::size_t(y)][std::size_t(x)];
            if (known != far) continue;
            known = next;
            queue.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
    }
    return stepsTo;
}

// A board the plays have made, with each cell's steps to an exit on it.
struct Board {
    Gamefield field;
    Distances stepsTo;
};

// The steps that begin a shortest way to an exit over the board as it
// stands; none where no way is left.
std::vector<Step> firstSteps(const Board& board, Point player) {
    const std::size_t here = board.stepsTo[std::size_t(player.y)][std::size_t(player.x)];
    std::vector<Step> first;
    if (here == far) return first;
    for (const Step& step : steps) {
        const std::int64_t x = std::int64_t{player.x} + step.deltaX;
        const std::int64_t y = std::int64_t{player.y} + step.deltaY;
        if (open(board.field, x, y, step) &&
            board.stepsTo[std::size_t(y)][std::size_t(x)] == here - 1) {
            first.push_back(step);
        }
    }
    return first;
}

// Every position the plays reach, by the board it is on and the player's
// place, with the step that first reached it; boards are kept once each, as
// only a push makes a new one.
class Plays {
  public:
    explicit Plays(const Gamefield& level) { boardOf(level); }

    std::size_t boardOf(const Gamefield& field) {
        std::string text;
        for (const auto& row : field.rows) text += row + "\n";
        const auto [found, added] = ids_.emplace(std::move(text), boards_.size());
        if (added) {
            boards_.push_back({field, distances(field)});
            bytes_ += 2 * found->first.size() + found->first.size() * sizeof(std::size_t);
        }
        return found->second;
    }
    const Board& board(std::size_t id) const { return boards_[id]; }

    // Adds a position unless it is known; whether it was added.
    bool add(std::size_t board, Point player, std::size_t parent, char key) {
        if (!seen_.insert(Key{board, player.x, player.y}).second) return false;
        positions_.push_back({board, player, parent, key});
        bytes_ += sizeof(Position) + 32;
        return true;
    }

    struct Position {
        std::size_t board;
        Point player;
        std::size_t parent;
        char key;
    };
    const Position& operator[](std::size_t id) const { return positions_[id]; }
    std::size_t size() const { return positions_.size(); }
    std::size_t bytes() const { return bytes_; }

    std::string keysTo(std::size_t id) const {
        std::string keys;
        for (; id != 0; id = positions_[id].parent) keys.insert(keys.begin(), positions_[id].key);
        return keys;
    }

  private:
    struct Key {
        std::size_t board;
        std::int32_t x, y;
        bool operator==(const Key& other) const {
            return board == other.board && x == other.x && y == other.y;
        }
    };
    struct Hash {
        std::size_t operator()(const Key& key) const {
            return (key.board * 1000003U + std::size_t(std::uint32_t(key.x))) * 1000003U +
                   std::size_t(std::uint32_t(key.y));
        }
    };
    std::deque<Board> boards_;  // which a new board does not move
    std::unordered_map<std::string, std::size_t> ids_;
    std::vector<Position> positions_;
    std::unordered_set<Key, Hash> seen_;
    std::size_t bytes_ = 0;
};

}  // namespace

// Breadth first over the plays' positions, so the first play to finish, and
// the first to jam, took the fewest moves.
Unplanned playUnplanned(const Gamefield& level, Point start, std::size_t positions,
                        std::size_t bytes) {
    Unplanned result;
    Plays plays(level);
    plays.add(0, start, 0, '\0');
    for (std::size_t id = 0; id < plays.size(); ++id) {
        const std::size_t boardId = plays[id].board;
        const Point player = plays[id].player;
        const Board& board = plays.board(boardId);
        if (board.field.cellAt(player.x, player.y) == exitCell) {
            return {Unplanned::Outcome::finishes, plays.keysTo(id), player};
        }
        const std::vector<Step> first = firstSteps(board, player);
        if (first.empty() && result.outcome != Unplanned::Outcome::jams) {
            result = {Unplanned::Outcome::jams, plays.keysTo(id), player};
        }
        for (const Step& step : first) {
            // A walk leaves the board as it is; a push, made with the game's
            // own rules, makes another.
            const Point to{player.x + step.deltaX, player.y + step.deltaY};
            std::size_t next = boardId;
            if (board.field.cellAt(to.x, to.y) == boulderCell) {
                Gamefield field = board.field;
                Point moved = player;
                field.move(moved, step.deltaX, step.deltaY);
                next = plays.boardOf(field);
            }
            if (!plays.add(next, to, id, step.key)) continue;
            if (plays.size() > positions || plays.bytes() > bytes) {
                return {Unplanned::Outcome::gaveUp, "", player};
            }
        }
    }
    return result;
}
