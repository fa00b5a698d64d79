#include "Unplanned.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::size_t far = std::numeric_limits<std::size_t>::max();

// The byte at a place, and a wall's beyond the rows.
char at(const Gamefield& board, std::int64_t x, std::int64_t y) {
    if (y < 0 || y >= static_cast<std::int64_t>(board.rows.size())) return '\0';
    const std::string& row = board.rows[static_cast<std::size_t>(y)];
    return x >= 0 && x < static_cast<std::int64_t>(row.size()) ? row[static_cast<std::size_t>(x)]
                                                               : '\0';
}

// Whether a way over the board as it stands may step into (x, y) by step:
// onto floor or an exit, or into a boulder with floor beyond it.
bool open(const Gamefield& board, std::int64_t x, std::int64_t y, const Step& step) {
    const char cell = at(board, x, y);
    if (cell == floorCell || cell == exitCell) return true;
    return cell == boulderCell && at(board, x + step.deltaX, y + step.deltaY) == floorCell;
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
            const char from = at(board, x, y);
            if (from != floorCell && from != exitCell && from != boulderCell) continue;
            if (!open(board, to.x, to.y, step)) continue;
            std::size_t& known = stepsTo[std::size_t(y)][std::size_t(x)];
            if (known != far) continue;
            known = next;
            queue.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
    }
    return stepsTo;
}

// The steps that begin a shortest way to an exit over the board as it
// stands; none where no way is left.
std::vector<Step> firstSteps(const Gamefield& board, Point player) {
    const Distances stepsTo = distances(board);
    const std::size_t here = stepsTo[std::size_t(player.y)][std::size_t(player.x)];
    std::vector<Step> first;
    if (here == far) return first;
    for (const Step& step : steps) {
        const std::int64_t x = std::int64_t{player.x} + step.deltaX;
        const std::int64_t y = std::int64_t{player.y} + step.deltaY;
        if (open(board, x, y, step) && stepsTo[std::size_t(y)][std::size_t(x)] == here - 1) {
            first.push_back(step);
        }
    }
    return first;
}

struct Play {
    Gamefield board;
    Point player;
    std::string keys;
};

std::string positionOf(const Play& play) {
    std::string text = std::to_string(play.player.x) + "," + std::to_string(play.player.y);
    for (const auto& row : play.board.rows) text += "\n" + row;
    return text;
}

}  // namespace

// Breadth first over the plays' positions, so the first play to finish, and
// the first to jam, took the fewest moves.
Unplanned playUnplanned(const Gamefield& level, Point start, std::size_t positions,
                        std::size_t bytes) {
    Unplanned result;
    std::deque<Play> plays{{level, start, ""}};
    std::unordered_set<std::string> seen{positionOf(plays.front())};
    // Each board is held twice, as a key and as a play to take up, with what
    // a string and a set entry add.
    const std::size_t perBoard = 2 * seen.begin()->size() + 128;
    for (; !plays.empty(); plays.pop_front()) {
        const Play& play = plays.front();
        if (at(play.board, play.player.x, play.player.y) == exitCell) {
            return {Unplanned::Outcome::finishes, play.keys, play.player};
        }
        const std::vector<Step> first = firstSteps(play.board, play.player);
        if (first.empty() && result.outcome != Unplanned::Outcome::jams) {
            result = {Unplanned::Outcome::jams, play.keys, play.player};
        }
        for (const Step& step : first) {
            Play next{play.board, play.player, play.keys + step.key};
            next.board.move(next.player, step.deltaX, step.deltaY);
            if (!seen.insert(positionOf(next)).second) continue;
            if (seen.size() > positions || seen.size() * perBoard > bytes) {
                return {Unplanned::Outcome::gaveUp, "", play.player};
            }
            plays.push_back(std::move(next));
        }
    }
    return result;
}
