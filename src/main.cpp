#include <cstdint>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "Gamefield.h"
#include "Keyboard.h"

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

bool standsOnExit(const Gamefield& field, const Point& point) {
    const auto& row = field.rows[static_cast<std::size_t>(point.y)];
    return row[static_cast<std::size_t>(point.x)] == exitCell;
}

}  // namespace

void playLevel(const std::string& path) {
    Gamefield field;
    Point point{0, 0};
    if (!field.load(path, point)) return;
    for (;;) {
        field.draw(point);
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
    // Frames of big levels run to megabytes. Without the C streams' buffer in
    // between, each one leaves the process in a single system call.
    std::ios::sync_with_stdio(false);
    startKeyboard();
    discoverLevels();
    while (!levelQueue.empty()) {
        playLevel(levelQueue.front());
        if (levelQueue.empty()) {
            std::cout << "Bye!" << std::endl;
            getKey();
            return 0;
        }
        levelQueue.pop_front();
    }
    std::cout << "Gratz, you won!" << std::endl;
    getKey();
    return 0;
}
