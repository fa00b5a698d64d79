#pragma once

#include <cstddef>
#include <string>

#include "Gamefield.h"

// What a player who does not plan gets. Such a player looks at the board as
// it stands and takes the first step of a shortest way to an exit over it, in
// which a step may go onto floor or an exit, or into a boulder that can be
// pushed on that way as the board stands; then looks again. Where shortest
// ways begin with different steps, any of them may be taken: a push and a
// walk round count alike, a step each. Every choice is followed.
struct Unplanned {
    // A play jams where no way to an exit is left; it can also go round in
    // circles without ever jamming or finishing.
    enum class Outcome { finishes, jams, circles, gaveUp };
    Outcome outcome = Outcome::circles;
    std::string keys;  // the fewest moves of a play that finishes, or to the soonest jam
    Point jam{0, 0};   // where the player stands in that jam
};

// Follows every unplanned play from start, giving up past positions boards
// or about bytes of memory held for them.
Unplanned playUnplanned(const Gamefield& level, Point start, std::size_t positions,
                        std::size_t bytes);
