#pragma once

#include <cstddef>
#include <string>

#include "Gamefield.h"

// What a full search of a level's positions found. A position is the player's
// cell together with the cells of all boulders.
struct Solution {
    enum class Outcome { finished, unreachable, tooManyPositions, tooMuchMemory };
    Outcome outcome = Outcome::unreachable;
    std::string keys;        // a shortest solution in w, a, s, d
    std::size_t pushes = 0;  // how many of those keys push a boulder
    std::size_t positions = 0;
    std::size_t deadEnds = 0;  // positions from which no exit can be reached
    // Floor and exit cells that neither the player nor a boulder ever stands on.
    std::size_t unreached = 0;
    Point firstUnreached{0, 0};  // the first of them, row by row
};

// How far a search may go before it gives up.
struct Limits {
    std::size_t positions;
    std::size_t bytes;  // of memory held for the positions found
};

// Searches every position reachable from start, breadth first, stepping with
// the game's own Gamefield::move, and gives up once it has found more
// positions, or holds more memory, than limits allow.
Solution solve(const Gamefield& level, Point start, const Limits& limits);
