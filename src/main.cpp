#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "Arguments.h"
#include "Gamefield.h"
#include "Keyboard.h"
#include "Output.h"
#include "Platform.h"

// The paths of the levels still to play, front first. A restart puts a second
// copy of the level's path in front; a quit empties it.
std::deque<std::string> levelQueue;

namespace {

// What the command line asks for. Without options the game plays levels/1.txt,
// levels/2.txt, ... below the folder it is started in.
struct Options {
    std::string folder = "levels";
    bool folderGiven = false;
    std::int32_t from = 1;
};

enum class Request { play, help, version, bad };

const char* const usage = "usage: cairn [--from N] [--levels DIR] [--help] [--version]\n";

const char* const help =
    "Push the boulders (o) out of your way and stand on the exit (E).\n"
    "Keys: W A S D move, R restarts the level, Q quits.\n"
    "\n"
    "  --from N       start with level N\n"
    "  --levels DIR   play DIR/1.txt, DIR/2.txt, ... instead of levels/\n"
    "  -h, --help     show this and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "The levels are levels/1.txt, levels/2.txt, ... below the current folder, up\n"
    "to the first number missing; where there is no levels/1.txt, the levels\n"
    "installed with the game.\n";

// A level number: 1 up to the largest a level counter holds, in plain digits.
bool levelNumber(const std::string& text, std::int32_t& number) {
    std::uint64_t value = 0;
    if (!wholeNumber(text, 1, INT32_MAX, value)) return false;
    number = static_cast<std::int32_t>(value);
    return true;
}

// Reads the option just taken from arguments and its value into options; what
// was wrong otherwise.
std::string takeOption(const std::string& option, Arguments& arguments, Options& options) {
    std::string value;
    if (!arguments.value(value)) return option + " needs a value";
    if (option == "--from") {
        if (!levelNumber(value, options.from)) {
            return "--from needs a level number from 1 to " + std::to_string(INT32_MAX) +
                   ", not '" + value + "'";
        }
        return "";
    }
    if (value.empty()) return "--levels needs a folder";
    options.folder = value;  // paths read DIR/1.txt, whether DIR ends in a slash or not
    while (options.folder.size() > 1 && options.folder.back() == '/') options.folder.pop_back();
    options.folderGiven = true;
    return "";
}

// Reads the command line into options; problem says what was wrong with it.
Request parse(int argc, char** argv, Options& options, std::string& problem) {
    for (Arguments arguments(argc, argv); !arguments.done();) {
        const std::string option = arguments.next();
        if (option == "--help" || option == "-h" || option == "--version") {
            if (!arguments.valueLeft()) {
                return option == "--version" ? Request::version : Request::help;
            }
            problem = option + " takes no value";
            return Request::bad;
        }
        if (option == "--from" || option == "--levels") {
            problem = takeOption(option, arguments, options);
        } else {
            problem =
                (option.rfind('-', 0) == 0 ? "unknown option " : "unexpected argument ") + option;
        }
        if (!problem.empty()) return Request::bad;
    }
    return Request::play;
}

// A folder without levels of its own plays the levels installed with the
// game. They are found from the game's own place, so an installed tree plays
// wherever it was put or unpacked. Returns the folder that holds them, where
// it was looked for.
std::filesystem::path useInstalledLevelsIfNoneHere() {
    if (std::ifstream("levels/1.txt").good()) return {};
    const auto game = platform::gameFile();
    if (game.empty()) return {};
    std::error_code error;
    const auto data = game.parent_path() / CAIRN_DATA_FROM_GAME;
    if (std::ifstream(data / "levels" / "1.txt").good()) std::filesystem::current_path(data, error);
    return std::filesystem::weakly_canonical(data / "levels", error);
}

std::string levelPath(const std::string& folder, std::int32_t number) {
    std::ostringstream path;
    path << folder << "/" << number << ".txt";
    return path.str();
}

// Queues the level files from the first one asked for up to the first file
// that does not open.
void discoverLevels(const Options& options) {
    for (std::int32_t number = options.from;; ++number) {
        const std::string path = levelPath(options.folder, number);
        if (!std::ifstream(path).good()) return;
        levelQueue.push_back(path);
        if (number == INT32_MAX) return;
    }
}

// Why an option left nothing to play: the first level asked for is missing.
// Paths are named as the person who gave the option can find them: in full
// where the installed levels were looked at.
std::string nothingToPlay(const Options& options, bool installed) {
    const auto shown = [installed](const std::string& path) {
        std::error_code error;
        return installed ? std::filesystem::absolute(path, error).lexically_normal().string()
                         : path;
    };
    std::string problem = "there is no " + shown(levelPath(options.folder, options.from));
    if (options.from == 1) return problem;
    std::int32_t last = 0;
    while (last + 1 < options.from && std::ifstream(levelPath(options.folder, last + 1)).good())
        ++last;
    if (last == 0) return problem + ", nor a level 1";
    return problem + "; the last level is " + shown(levelPath(options.folder, last));
}

// Where a game without options looked for levels and found none.
std::string whereLooked(const std::filesystem::path& installed) {
    std::error_code error;
    const auto here = std::filesystem::current_path(error) / "levels" / "1.txt";
    std::string looked = "cairn: found no levels: there is no " + here.string();
    if (!installed.empty()) looked += " and no " + (installed / "1.txt").string();
    return looked;
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

// Says one of the two closing lines, then waits for the last key. A continue
// after a stop is no key: the line is said again, so the screen is not empty.
void closeWith(const char* message) {
    do {
        std::cout << message << std::endl;
        stopIfOutputFailed();
    } while (getKey() == continuedKey);
}

std::size_t widest(const Gamefield& field) {
    std::size_t width = 0;
    for (const auto& row : field.rows) width = std::max(width, row.size());
    return width;
}

bool standsOnExit(const Gamefield& field, const Point& point) {
    return field.cellAt(point) == exitCell;
}

}  // namespace

void playLevel(const std::string& path) {
    Gamefield field;
    Point point{0, 0};
    const bool loaded = field.load(path, point);
    stopIfOutputFailed();
    if (!loaded) return;
    announceLevel(path, widest(field), field.rows.size());
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

namespace {

// The whole game, once the command line has been read. Levels are found
// before the terminal is touched, so an option that leaves nothing to play is
// refused with the terminal as it was. Without options the game keeps to what
// it has always done, and only says where it looked.
int play(const Options& options) {
    const auto installed =
        options.folderGiven ? std::filesystem::path() : useInstalledLevelsIfNoneHere();
    discoverLevels(options);
    if (levelQueue.empty() && (options.folderGiven || options.from > 1)) {
        std::cerr << "cairn: " << nothingToPlay(options, !installed.empty()) << "\n";
        return 2;
    }
    if (levelQueue.empty()) std::cerr << whereLooked(installed) << "\n";
    startOutput();
    startKeyboard();
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

}  // namespace

// Options are read before the terminal is touched, so --help, --version and a
// mistyped option leave it as it was.
int main(int argc, char** argv) {
    Options options;
    std::string problem;
    switch (parse(argc, argv, options, problem)) {
        case Request::help:
            std::cout << usage << "\n" << help;
            return 0;
        case Request::version:
            std::cout << "cairn " CAIRN_VERSION "\n";
            return 0;
        case Request::bad:
            std::cerr << "cairn: " << problem << "\n" << usage;
            return 2;
        case Request::play:
            break;
    }
    return play(options);
}
