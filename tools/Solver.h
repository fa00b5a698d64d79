#pragma once

#include <cstddef>
#include <string>

#include "Gamefield.h"

// What a full search of a level's positions found. A position is the player's
// cell together with the cells of all boulders.
struct Solution {
    enum class Outcome { finished, unreachable, tooManyPositions };
    Outcome outcome = Outcome::unreachable;
    std::string keys;        // a shortest solution in w, a, s, d
    std::size_t pushes = 0;  // how many of those keys push a boulder
    std::size_t positions = 0;
    std::size_t deadEnds = 0;  // positions from which no exit can be reached
};

// Searches every position reachable from start, breadth first, stepping with
// the game's own Gamefield::move, and gives up once more than limit positions
// have been found.
Solution solve(const Gamefield& level, Point start, std::size_t limit);
