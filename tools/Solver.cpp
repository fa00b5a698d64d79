#include "Solver.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <numeric>
#include <unordered_set>
#include <vector>

namespace {

using Cell = std::uint32_t;
using Id = std::uint32_t;
constexpr Id none = UINT32_MAX;

// What one step did: the index of its direction in steps, and whether it
// pushed a boulder. Two pushes of one kind in a row are one line.
using Kind = unsigned char;
constexpr Kind pushBit = 4;
constexpr Kind directionBits = 3;

Kind kindOf(std::size_t direction, bool push) {
    return static_cast<Kind>(direction | (push ? pushBit : 0U));
}

// The keys, pushes and lines of a run of steps. A push starts a line unless
// the step before it was a push the same way; last starts as a walk, so the
// first push always does.
Route routeOf(const std::vector<Kind>& kinds) {
    Route route;
    Kind last = 0;
    for (const Kind kind : kinds) {
        route.keys += steps[kind & directionBits].key;
        if ((kind & pushBit) != 0) {
            ++route.pushes;
            route.lines += kind != last ? 1 : 0;
        }
        last = kind;
    }
    return route;
}

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
    std::size_t count() const { return xs_.size(); }

  private:
    std::vector<Cell> starts_;
    std::vector<std::int32_t> xs_, ys_;
};

// How a position is packed into bytes: the player's cell, then the boulders,
// either as their sorted cells or as one bit for every cell a boulder can
// stand on, whichever is shorter for the level. A room full of boulders takes
// a bit a cell, a few boulders in a big level a few cells.
class Packing {
  public:
    Packing(const Gamefield& level, std::size_t cellCount, std::size_t boulders)
        : indexBytes_(cellCount <= 0xFFFF ? 2 : 4) {
        for (const auto& row : level.rows) {
            for (const char cell : row) {
                const bool standable = cell == floorCell || cell == boulderCell;
                bitOf_.push_back(standable ? static_cast<Cell>(cellOf_.size()) : none);
                if (standable) cellOf_.push_back(static_cast<Cell>(bitOf_.size() - 1));
            }
        }
        const std::size_t listBytes = boulders * indexBytes_;
        const std::size_t setBytes = (cellOf_.size() + 7) / 8;
        asSet_ = setBytes < listBytes;
        width_ = indexBytes_ + (asSet_ ? setBytes : listBytes);
    }

    std::size_t width() const { return width_; }

    // position holds the player's cell, then the boulders' cells in order.
    void pack(const std::vector<Cell>& position, unsigned char* out) const {
        out = put(position[0], out);
        if (!asSet_) {
            for (std::size_t i = 1; i < position.size(); ++i) out = put(position[i], out);
            return;
        }
        std::fill(out, out + width_ - indexBytes_, 0);
        for (std::size_t i = 1; i < position.size(); ++i) {
            const Cell bit = bitOf_[position[i]];
            out[bit / 8] = static_cast<unsigned char>(out[bit / 8] | 1U << (bit % 8));
        }
    }

    void unpack(const unsigned char* in, std::vector<Cell>& position) const {
        position.resize(1);
        in = get(in, position[0]);
        if (!asSet_) {
            for (const unsigned char* end = in + width_ - indexBytes_; in != end;) {
                position.emplace_back();
                in = get(in, position.back());
            }
            return;
        }
        for (std::size_t bit = 0; bit < cellOf_.size(); ++bit) {
            if ((in[bit / 8] >> (bit % 8) & 1U) != 0) position.push_back(cellOf_[bit]);
        }
    }

  private:
    unsigned char* put(Cell cell, unsigned char* out) const {
        for (std::size_t i = 0; i < indexBytes_; ++i)
            *out++ = static_cast<unsigned char>(cell >> 8 * i);
        return out;
    }
    const unsigned char* get(const unsigned char* in, Cell& cell) const {
        cell = 0;
        for (std::size_t i = 0; i < indexBytes_; ++i) cell |= Cell{*in++} << 8 * i;
        return in;
    }

    std::size_t indexBytes_;
    std::vector<Cell> bitOf_;   // by cell: its bit, or none where no boulder can stand
    std::vector<Cell> cellOf_;  // by bit: its cell
    bool asSet_ = false;
    std::size_t width_ = 0;
};

// Every position found, packed, with how it was first reached.
class Positions {
  public:
    explicit Positions(std::size_t width) : width_(width), seen_(0, Hash{this}, Equal{this}) {}
    Positions(const Positions&) = delete;
    Positions& operator=(const Positions&) = delete;

    // Room for the next position's bytes, valid until the next call.
    unsigned char* next() {
        bytes_.resize(bytes_.size() + width_);
        return bytes_.data() + bytes_.size() - width_;
    }

    // Adds the position written into next() unless it is known; returns its id.
    std::pair<Id, bool> add(Id parent, Kind kind) {
        const Id id = static_cast<Id>(parents_.size());
        parents_.push_back(parent);
        kinds_.push_back(kind);
        const auto [found, added] = seen_.insert(id);
        if (!added) {
            parents_.pop_back(), kinds_.pop_back();
            bytes_.resize(bytes_.size() - width_);
        }
        return {*found, added};
    }
    const unsigned char* of(Id id) const { return bytes_.data() + std::size_t{id} * width_; }
    std::size_t size() const { return parents_.size(); }
    Id parent(Id id) const { return parents_[id]; }
    Kind kind(Id id) const { return kinds_[id]; }

    // The bytes held, and the most that growing any one container adds for a
    // while: the new block is allocated before the old one is freed.
    std::size_t footprint() const {
        const std::size_t vectors[] = {bytes_.capacity(), parents_.capacity() * sizeof(Id),
                                       kinds_.capacity(), seen_.bucket_count() * sizeof(void*)};
        const std::size_t nodes = seen_.size() * nodeBytes;
        std::size_t total = nodes, largest = 0;
        for (const std::size_t bytes : vectors) total += bytes, largest = std::max(largest, bytes);
        return total + 2 * largest;
    }

  private:
    // A hash set entry: the id, its cached hash and a link, as the allocator
    // rounds it.
    static constexpr std::size_t nodeBytes = 32;

    struct Hash {
        const Positions* all;
        std::size_t operator()(Id id) const {
            std::size_t hash = 1469598103934665603ULL;
            for (const unsigned char* b = all->of(id); b != all->of(id) + all->width_; ++b) {
                hash = (hash ^ *b) * 1099511628211ULL;
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
    std::vector<unsigned char> bytes_;
    std::vector<Id> parents_;
    std::vector<Kind> kinds_;  // of the step by which each position was first reached
    std::unordered_set<Id, Hash, Equal> seen_;
};

class Search {
  public:
    // The board keeps the level's walls, floor and exits; the boulders of the
    // position being expanded are put on it and taken off again.
    Search(const Gamefield& level, Point start)
        : cells_(level),
          board_(level),
          current_(startPosition(start)),
          packing_(level, cells_.count(), current_.size() - 1),
          positions_(packing_.width()),
          stoodOn_(cells_.count(), false),
          holdsBoulder_(cells_.count(), 0) {
        packing_.pack(current_, positions_.next());
        positions_.add(none, 0);
        setBoulders(floorCell);
    }

    Solution run(const Limits& limits) {
        for (Id id = 0; id < positions_.size(); ++id) {
            if (positions_.size() > limits.positions) return givenUp(Outcome::tooManyPositions);
            if (footprint() > limits.bytes || !countable()) return givenUp(Outcome::tooMuchMemory);
            packing_.unpack(positions_.of(id), current_);
            for (const Cell cell : current_) stoodOn_[cell] = true;
            for (std::size_t i = 1; i < current_.size(); ++i) ++holdsBoulder_[current_[i]];
            if (finished()) {
                goals_.push_back(id);
                continue;
            }
            expand(id);
        }
        return result();
    }

  private:
    using Outcome = Solution::Outcome;

    // The player's cell, then the cells of the level's boulders, in order.
    std::vector<Cell> startPosition(Point start) const {
        std::vector<Cell> position{cells_.at(start)};
        for (std::size_t y = 0; y < board_.rows.size(); ++y) {
            for (std::size_t x = 0; x < board_.rows[y].size(); ++x) {
                if (board_.rows[y][x] == boulderCell) {
                    position.push_back(
                        cells_.at({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)}));
                }
            }
        }
        return position;
    }

    // What the search holds, with room for the passes over it at the end, of
    // which one runs at a time: counting the dead ends, and finding the fewest
    // pushes and lines. The steps taken count three times: the list, and the
    // list twice its size that growing it allocates before the old one is freed.
    std::size_t footprint() const {
        const std::size_t count = positions_.size();
        const std::size_t deadEndPass =
            count * (2 * sizeof(std::size_t) + sizeof(Id)) + edges_.size() * sizeof(Id);
        // Offsets, then for every state its cost, step and kind, and the two lists
        // of states to take up, each of which can grow to hold every state.
        const std::size_t cheapestPass = count * sizeof(std::size_t) +
                                         count * lineStates * (2 * sizeof(Id) + 1 + 2 * sizeof(Id));
        const std::size_t taken = edges_.capacity() * (sizeof(edges_[0]) + sizeof(Kind)) * 3;
        return positions_.footprint() + taken + std::max(deadEndPass, cheapestPass);
    }

    // States of the cheapest search and steps are counted in an Id.
    bool countable() const { return positions_.size() < none / lineStates && edges_.size() < none; }

    bool finished() const {
        const Point player = cells_.point(current_[0]);
        return board_.cellAt(player) == exitCell;
    }
    // Puts the boulders of current_ on the board, or takes them off.
    void setBoulders(char cell) {
        for (std::size_t i = 1; i < current_.size(); ++i) at(current_[i]) = cell;
    }

    char& at(Cell cell) {
        const Point point = cells_.point(cell);
        return board_.rows[static_cast<std::size_t>(point.y)][static_cast<std::size_t>(point.x)];
    }

    // Tries the four steps from the position in current_ with the game's own rules.
    void expand(Id id) {
        setBoulders(boulderCell);
        const Point from = cells_.point(current_[0]);
        for (std::size_t direction = 0; direction < std::size(steps); ++direction) {
            Point to = from;
            board_.move(to, steps[direction].deltaX, steps[direction].deltaY);
            if (to.x == from.x && to.y == from.y) continue;
            const auto [target, kind] = record(id, direction, to);
            edges_.push_back({id, target});
            edgeKinds_.push_back(kind);
        }
        setBoulders(floorCell);
    }

    // Adds the position a step led to, and undoes the step's push on the board.
    std::pair<Id, Kind> record(Id id, std::size_t direction, Point to) {
        const Step& step = steps[direction];
        next_ = current_;
        next_[0] = cells_.at(to);
        const auto pushed = std::find(next_.begin() + 1, next_.end(), next_[0]);
        const bool push = pushed != next_.end();
        if (push) {
            const Cell beyond = cells_.at({to.x + step.deltaX, to.y + step.deltaY});
            *pushed = beyond;
            at(beyond) = floorCell;
            at(next_[0]) = boulderCell;
            std::sort(next_.begin() + 1, next_.end());
        }
        packing_.pack(next_, positions_.next());
        const Kind kind = kindOf(direction, push);
        return {positions_.add(id, kind).first, kind};
    }

    Solution givenUp(Outcome outcome) const {
        Solution solution;
        solution.outcome = outcome;
        solution.positions = positions_.size();
        return solution;
    }

    Solution result() const {
        Solution solution;
        solution.positions = positions_.size();
        solution.deadEnds = solution.positions - canFinish();
        countUnreached(solution);
        countFixed(solution);
        if (goals_.empty()) return solution;
        solution.outcome = Solution::Outcome::finished;
        std::vector<Kind> kinds;
        for (Id id = goals_.front(); positions_.parent(id) != none; id = positions_.parent(id))
            kinds.push_back(positions_.kind(id));
        std::reverse(kinds.begin(), kinds.end());
        solution.shortest = routeOf(kinds);
        solution.fewestPushes = cheapest(pushStates);
        solution.fewestLines = cheapest(lineStates);
        return solution;
    }

    // The cheapest search tells states apart by what the last step was: by
    // pushes, one state for each position; by lines, five: after a walk, or
    // after a push in each of the four directions, which a push in the same
    // direction goes on with for free.
    static constexpr std::size_t pushStates = 1, lineStates = 5;

    // What a step of kind costs from a state of variant, and the variant it
    // leads to.
    static std::pair<Id, std::size_t> price(std::size_t variants, std::size_t variant, Kind kind) {
        if ((kind & pushBit) == 0) return {0, 0};
        if (variants == pushStates) return {1, 0};
        const std::size_t pushedOn = (kind & directionBits) + 1U;
        return {variant == pushedOn ? 0 : 1, pushedOn};
    }

    // For each position, where its steps begin in a list of the steps ordered
    // by the position at one end of them (leaving it: first, or reaching it:
    // second). edges_ itself is such a list by the position each step leaves.
    std::vector<std::size_t> firstSteps(Id std::pair<Id, Id>::*end) const {
        std::vector<std::size_t> first(positions_.size() + 1, 0);
        for (const auto& edge : edges_) ++first[edge.*end + 1];
        std::partial_sum(first.begin(), first.end(), first.begin());
        return first;
    }

    // The least cost from the start to an exit over the recorded steps, and a
    // route that has it, taking states up in order of cost: those of one cost
    // in the order they are found (a free step adds to the same list), then
    // those of the next.
    Route cheapest(std::size_t variants) const {
        const std::vector<std::size_t> first = firstSteps(&std::pair<Id, Id>::first);
        const std::size_t states = positions_.size() * variants;
        std::vector<Id> cost(states, none), via(states, none);
        std::vector<unsigned char> cameFrom(states, 0);
        std::vector<bool> goal(positions_.size(), false);
        for (const Id id : goals_) goal[id] = true;
        std::vector<Id> now{0}, later;
        cost[0] = 0;
        for (Id spent = 0; !now.empty(); ++spent, now.swap(later), later.clear()) {
            for (std::size_t i = 0; i < now.size(); ++i) {
                const Id state = now[i];
                const Id position = static_cast<Id>(state / variants);
                if (cost[state] != spent) continue;  // found cheaper after it was listed
                if (goal[position]) return walkBack(state, variants, via, cameFrom);
                for (std::size_t e = first[position]; e < first[position + 1]; ++e) {
                    const auto [add, variant] = price(variants, state % variants, edgeKinds_[e]);
                    const auto target = static_cast<Id>(edges_[e].second * variants + variant);
                    if (spent + add >= cost[target]) continue;
                    cost[target] = spent + add;
                    via[target] = static_cast<Id>(e);
                    cameFrom[target] = static_cast<unsigned char>(state % variants);
                    (add == 0 ? now : later).push_back(target);
                }
            }
        }
        return {};
    }

    // The route to state, from the step by which each state was reached.
    Route walkBack(Id state, std::size_t variants, const std::vector<Id>& via,
                   const std::vector<unsigned char>& cameFrom) const {
        std::vector<Kind> kinds;
        while (state != 0) {
            const Id e = via[state];
            kinds.push_back(edgeKinds_[e]);
            state = static_cast<Id>(edges_[e].first * variants + cameFrom[state]);
        }
        std::reverse(kinds.begin(), kinds.end());
        return routeOf(kinds);
    }

    // Open cells that neither the player nor a boulder stood on in any position
    // the search took up are ones no play can ever use.
    void countUnreached(Solution& solution) const {
        for (Cell cell = 0; cell < cells_.count(); ++cell) {
            const Point point = cells_.point(cell);
            const char byte = board_.cellAt(point);
            if (stoodOn_[cell] || !isWalkable(byte)) continue;
            if (solution.unreached++ == 0) solution.firstUnreached = point;
        }
    }

    // A boulder that moves leaves its cell empty in the position after its
    // first push, and none can take its place while it stays; so a cell that
    // holds a boulder in every position holds the same one throughout.
    void countFixed(Solution& solution) const {
        for (Cell cell = 0; cell < cells_.count(); ++cell) {
            if (holdsBoulder_[cell] != positions_.size()) continue;
            if (solution.fixed++ == 0) solution.firstFixed = cells_.point(cell);
        }
    }

    // Counts the positions from which some exit can be reached, walking the
    // recorded steps backwards from every finished position.
    std::size_t canFinish() const {
        const std::size_t count = positions_.size();
        const std::vector<std::size_t> firstIn = firstSteps(&std::pair<Id, Id>::second);
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
    std::vector<Cell> current_, next_;  // the position being expanded, and one step on
    Packing packing_;
    Positions positions_;
    std::vector<std::pair<Id, Id>> edges_;  // every step taken, from one position to another
    std::vector<Kind> edgeKinds_;           // and what each of them did
    std::vector<Id> goals_;
    std::vector<bool> stoodOn_;              // by cell: whether any position so far uses it
    std::vector<std::size_t> holdsBoulder_;  // by cell: in how many positions a boulder is there
};

}  // namespace

Solution solve(const Gamefield& level, Point start, const Limits& limits) {
    return Search(level, start).run(limits);
}
