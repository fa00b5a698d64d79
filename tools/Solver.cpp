#include "Solver.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <numeric>
#include <unordered_set>
#include <vector>

namespace {

using Cell = std::uint32_t;
using Id = std::uint32_t;
constexpr Id none = UINT32_MAX;

struct Step {
    char key;
    std::int32_t deltaX, deltaY;
};
constexpr Step steps[] = {{'w', 0, -1}, {'a', -1, 0}, {'s', 0, 1}, {'d', 1, 0}};

// The level's cells numbered row by row, so a position fits in a few words.
class Cells {
  public:
    explicit Cells(const Gamefield& level) {
        for (std::size_t y = 0; y < level.rows.size(); ++y) {
            starts_.push_back(static_cast<Cell>(xs_.size()));
            for (std::size_t x = 0; x < level.rows[y].size(); ++x) {
                xs_.push_back(static_cast<std::int32_t>(x));
                ys_.push_back(static_cast<std::int32_t>(y));
            }
        }
    }
    Cell at(Point point) const {
        return starts_[static_cast<std::size_t>(point.y)] + static_cast<Cell>(point.x);
    }
    Point point(Cell cell) const { return {xs_[cell], ys_[cell]}; }

  private:
    std::vector<Cell> starts_;
    std::vector<std::int32_t> xs_, ys_;
};

// Every position found, each stored as the player's cell followed by the
// sorted boulder cells, with how it was first reached.
class Positions {
  public:
    explicit Positions(std::size_t boulders)
        : width_(boulders + 1), seen_(0, Hash{this}, Equal{this}) {}
    Positions(const Positions&) = delete;
    Positions& operator=(const Positions&) = delete;

    // Adds the position in candidate() unless it is known; returns its id.
    std::pair<Id, bool> add(Id parent, char key, bool pushed) {
        const Id id = static_cast<Id>(parents_.size());
        parents_.push_back(parent);
        keys_.push_back(key);
        pushed_.push_back(pushed);
        const auto [found, added] = seen_.insert(id);
        if (!added) {
            parents_.pop_back(), keys_.pop_back(), pushed_.pop_back();
            cells_.resize(cells_.size() - width_);
        }
        return {*found, added};
    }
    std::vector<Cell>& cells() { return cells_; }
    const Cell* of(Id id) const { return cells_.data() + std::size_t{id} * width_; }
    std::size_t size() const { return parents_.size(); }
    std::size_t width() const { return width_; }
    Id parent(Id id) const { return parents_[id]; }
    char key(Id id) const { return keys_[id]; }
    bool pushed(Id id) const { return pushed_[id]; }

  private:
    struct Hash {
        const Positions* all;
        std::size_t operator()(Id id) const {
            std::size_t hash = 1469598103934665603ULL;
            for (const Cell* c = all->of(id); c != all->of(id) + all->width_; ++c) {
                hash = (hash ^ *c) * 1099511628211ULL;
            }
            return hash;
        }
    };
    struct Equal {
        const Positions* all;
        bool operator()(Id a, Id b) const {
            return std::equal(all->of(a), all->of(a) + all->width_, all->of(b));
        }
    };

    std::size_t width_;
    std::vector<Cell> cells_;
    std::vector<Id> parents_;
    std::vector<char> keys_;
    std::vector<bool> pushed_;
    std::unordered_set<Id, Hash, Equal> seen_;
};

class Search {
  public:
    // The board keeps the level's walls, floor and exits; the boulders of the
    // position being expanded are put on it and taken off again.
    Search(const Gamefield& level, Point start)
        : cells_(level), board_(level), positions_(boulderCells().size()) {
        positions_.cells().push_back(cells_.at(start));
        const auto boulders = boulderCells();
        positions_.cells().insert(positions_.cells().end(), boulders.begin(), boulders.end());
        positions_.add(none, 0, false);
        setBoulders(0, floorCell);
    }

    // The cells of the level's boulders, in order.
    std::vector<Cell> boulderCells() const {
        std::vector<Cell> boulders;
        for (std::size_t y = 0; y < board_.rows.size(); ++y) {
            for (std::size_t x = 0; x < board_.rows[y].size(); ++x) {
                if (board_.rows[y][x] == boulderCell) {
                    boulders.push_back(
                        cells_.at({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)}));
                }
            }
        }
        return boulders;
    }

    Solution run(std::size_t limit) {
        for (Id id = 0; id < positions_.size(); ++id) {
            if (positions_.size() > limit) return tooMany();
            if (finished(id)) {
                goals_.push_back(id);
                continue;
            }
            expand(id);
        }
        return result();
    }

  private:
    bool finished(Id id) const {
        const Point player = cells_.point(positions_.of(id)[0]);
        return board_
                   .rows[static_cast<std::size_t>(player.y)][static_cast<std::size_t>(player.x)] ==
               exitCell;
    }

    void setBoulders(Id id, char cell) {
        const Cell* boulders = positions_.of(id) + 1;
        for (std::size_t i = 0; i + 1 < positions_.width(); ++i) at(boulders[i]) = cell;
    }

    char& at(Cell cell) {
        const Point point = cells_.point(cell);
        return board_.rows[static_cast<std::size_t>(point.y)][static_cast<std::size_t>(point.x)];
    }

    // Tries the four steps from a position with the game's own rules.
    void expand(Id id) {
        setBoulders(id, boulderCell);
        const Point from = cells_.point(positions_.of(id)[0]);
        for (const Step& step : steps) {
            Point to = from;
            board_.move(to, step.deltaX, step.deltaY);
            if (to.x != from.x || to.y != from.y) edges_.push_back({id, record(id, step, to)});
        }
        setBoulders(id, floorCell);
    }

    // Adds the position a step led to, and undoes the step's push on the board.
    Id record(Id id, const Step& step, Point to) {
        const Cell player = cells_.at(to);
        std::vector<Cell>& cells = positions_.cells();
        const std::size_t begin = cells.size();
        cells.push_back(player);
        cells.resize(begin + positions_.width());  // may move the stored positions
        const Cell* old = positions_.of(id);
        std::copy(old + 1, old + positions_.width(),
                  cells.begin() + static_cast<std::ptrdiff_t>(begin) + 1);
        const auto boulders = cells.begin() + static_cast<std::ptrdiff_t>(begin) + 1;
        const auto pushed = std::find(boulders, cells.end(), player);
        const bool push = pushed != cells.end();
        if (push) {
            const Cell beyond = cells_.at({to.x + step.deltaX, to.y + step.deltaY});
            *pushed = beyond;
            at(beyond) = floorCell;
            at(player) = boulderCell;
            std::sort(boulders, cells.end());
        }
        return positions_.add(id, step.key, push).first;
    }

    Solution tooMany() const {
        Solution solution;
        solution.outcome = Solution::Outcome::tooManyPositions;
        solution.positions = positions_.size();
        return solution;
    }

    Solution result() const {
        Solution solution;
        solution.positions = positions_.size();
        solution.deadEnds = solution.positions - canFinish();
        if (goals_.empty()) return solution;
        solution.outcome = Solution::Outcome::finished;
        for (Id id = goals_.front(); positions_.parent(id) != none; id = positions_.parent(id)) {
            solution.keys += positions_.key(id);
            solution.pushes += positions_.pushed(id) ? 1 : 0;
        }
        std::reverse(solution.keys.begin(), solution.keys.end());
        return solution;
    }

    // Counts the positions from which some exit can be reached, walking the
    // recorded steps backwards from every finished position.
    std::size_t canFinish() const {
        const std::size_t count = positions_.size();
        std::vector<std::size_t> firstIn(count + 1, 0);
        for (const auto& edge : edges_) ++firstIn[edge.second + 1];
        std::partial_sum(firstIn.begin(), firstIn.end(), firstIn.begin());
        std::vector<Id> from(edges_.size());
        std::vector<std::size_t> fill(firstIn.begin(), firstIn.end() - 1);
        for (const auto& [source, target] : edges_) from[fill[target]++] = source;
        std::vector<bool> reached(count, false);
        std::deque<Id> queue(goals_.begin(), goals_.end());
        for (Id goal : goals_) reached[goal] = true;
        std::size_t total = goals_.size();
        for (; !queue.empty(); queue.pop_front()) {
            for (std::size_t i = firstIn[queue.front()]; i < firstIn[queue.front() + 1]; ++i) {
                if (!reached[from[i]]) {
                    reached[from[i]] = true;
                    ++total;
                    queue.push_back(from[i]);
                }
            }
        }
        return total;
    }

    Cells cells_;
    Gamefield board_;
    Positions positions_;
    std::vector<std::pair<Id, Id>> edges_;  // every step taken, from one position to another
    std::vector<Id> goals_;
};

}  // namespace

Solution solve(const Gamefield& level, Point start, std::size_t limit) {
    return Search(level, start).run(limit);
}
