#pragma once

#include <cstddef>
#include <string>

#include "Gamefield.h"

// One way to finish a level, in w, a, s, d. A push is a step that moves a
// boulder; a line is a run of pushes of one boulder in one direction, with no
// other step between them, so it is one decision however long it is.
struct Route {
    std::string keys;
    std::size_t pushes = 0;
    std::size_t lines = 0;
};

// What a full search of a level's positions found. A position is the player's
// cell together with the cells of all boulders.
struct Solution {
    enum class Outcome { finished, unreachable, tooManyPositions, tooMuchMemory };
    Outcome outcome = Outcome::unreachable;
    // Each the least of its figure over every solution, not the count along
    // another: the fewest moves, the fewest pushes, the fewest lines.
    Route shortest, fewestPushes, fewestLines;
    std::size_t positions = 0;
    std::size_t deadEnds = 0;  // positions from which no exit can be reached
    // Floor and exit cells that neither the player nor a boulder ever stands on.
    std::size_t unreached = 0;
    Point firstUnreached{0, 0};  // the first of them, row by row
    // Boulders that stay where they start in every position: walls, to a player.
    std::size_t fixed = 0;
    Point firstFixed{0, 0};  // the first of them, row by row
};

// How far a search may go before it gives up.
struct Limits {
    std::size_t positions;
    std::size_t bytes;  // of memory held for the positions found
};

// Searches every position reachable from start, breadth first, stepping with
// the game's own Gamefield::move, and gives up once it has found more
// positions, or holds more memory, than limits allow. The fewest pushes and
// lines are then found over the steps that search recorded.
Solution solve(const Gamefield& level, Point start, const Limits& limits);
