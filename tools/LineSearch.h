#pragma once

#include <cstddef>

#include "Gamefield.h"

// What a search by lines found: the fewest lines of any solution (-1 when
// there is none, or the search gave up), and the positions, one for each
// cell the player can stand on. An area ends at the exits it borders, where
// the level is over, so these are cairn-check's positions less those with the
// player on an exit; none of those is a dead end, and the dead ends agree.
struct LineFigures {
    bool gaveUp = false;
    long lines = -1;
    std::size_t positions = 0;
    std::size_t deadEnds = 0;  // positions from which no exit can be reached
};

// Finds the fewest lines of a level by a search whose steps are lines: a
// boulder pushed any number of cells in one direction. A position is the
// boulders together with the area the player can walk to, so the walks
// between lines cost nothing and are never searched one step at a time. This
// is the generator's search, far quicker than the solver's; the solver,
// which steps with the game's own move, stays the one that proves a level.
// Gives up past limit positions of its own (areas, not cells).
LineFigures searchLines(const Gamefield& level, Point start, std::size_t limit);
