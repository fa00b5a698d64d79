#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "Gamefield.h"
#include "Keyboard.h"
#include "Output.h"

// The paths of the levels still to play, front first. A restart puts a second
// copy of the level's path in front; a quit empties it.
std::deque<std::string> levelQueue;

namespace {

std::string levelPath(std::int32_t number) {
    std::ostringstream path;
    path << "levels/" << number << ".txt";
    return path.str();
}

// Queues levels/1.txt, levels/2.txt, ... up to the first file that does not
// open.
void discoverLevels() {
    for (std::int32_t number = 1;; ++number) {
        const std::string path = levelPath(number);
        if (!std::ifstream(path).good()) return;
        levelQueue.push_back(path);
    }
}

// Output that is gone cannot be played to: say why on the error stream and
// stop at once, rather than go on reading keys for a screen nobody sees. The
// terminal is put back on the way out.
void stopIfOutputFailed() {
    if (std::cout) return;
    std::cerr << "cairn: cannot write to standard output: " << std::strerror(outputError())
              << std::endl;
    std::exit(1);
}

// Says one of the two closing lines, then waits for the last key.
void closeWith(const char* message) {
    std::cout << message << std::endl;
    stopIfOutputFailed();
    getKey();
}

bool standsOnExit(const Gamefield& field, const Point& point) {
    const auto& row = field.rows[static_cast<std::size_t>(point.y)];
    return row[static_cast<std::size_t>(point.x)] == exitCell;
}

}  // namespace

void playLevel(const std::string& path) {
    Gamefield field;
    Point point{0, 0};
    const bool loaded = field.load(path, point);
    stopIfOutputFailed();
    if (!loaded) return;
    for (;;) {
        field.draw(point);
        stopIfOutputFailed();
        if (standsOnExit(field, point)) return;
        const int key = command(getKey());
        if (key == 'r') {
            levelQueue.push_front(path);
            return;
        }
        if (key == 'q') {
            levelQueue.clear();
            return;
        }
        std::int32_t deltaX = 0, deltaY = 0;
        if (stepFor(key, deltaX, deltaY)) field.move(point, deltaX, deltaY);
    }
}

int main() {
    startOutput();
    startKeyboard();
    discoverLevels();
    while (!levelQueue.empty()) {
        playLevel(levelQueue.front());
        if (levelQueue.empty()) {
            closeWith("Bye!");
            return 0;
        }
        levelQueue.pop_front();
    }
    closeWith("Gratz, you won!");
    return 0;
}
