// The game on a web page, compiled with emscripten: keys from the page's
// queue, waited for through Asyncify, and each write to the page's terminal.

#include <emscripten.h>

#include "Output.h"
#include "Platform.h"

namespace {

// On a web page, keys typed into the page's terminal wait in a queue there.
// The game takes them as bytes, just as from a pipe; waiting for them
// suspends the game's call stack until the page has a key for it (Asyncify),
// so getKey blocks here as everywhere else.

// Copies up to size bytes of waiting keys into buffer; how many it copied.
EM_JS(int, takeWaitingKeys, (char* buffer, int size), {
    const keys = Module.cairnTakeKeys(size);
    HEAPU8.set(keys, buffer);
    return keys.length;
});

// Whether a key is waiting, or comes within the time; -1 waits for one.
EM_ASYNC_JS(int, waitForWaitingKeys, (int milliseconds),
            { return await Module.cairnWaitForKeys(milliseconds); });

// On a web page the bytes go to the page's terminal in one call, a frame at
// a time, as they would go to a terminal in one write.
EM_JS(void, writeToPage, (const char* bytes, std::size_t size),
      { Module.cairnWrite(HEAPU8.slice(bytes, bytes + size)); });

EM_JS(void, levelToPage, (const char* path, std::size_t width, std::size_t height),
      { Module.cairnLevel(UTF8ToString(path), width, height); });

}  // namespace

namespace platform {

// The page is not a terminal: there is nothing to take over or give back.
bool takeOverInput() {
    return false;
}

// A page is not stopped and continued.
bool takeContinued() {
    return false;
}

bool waitForInput(int milliseconds) {
    return waitForWaitingKeys(milliseconds) != 0;
}

// Keys from a page never end; a page that is closed takes the game with it.
long readInput(bool /*console*/, char* buffer, std::size_t size) {
    const int room = static_cast<int>(size);
    int count = takeWaitingKeys(buffer, room);
    while (count == 0) {
        waitForWaitingKeys(-1);
        count = takeWaitingKeys(buffer, room);
    }
    return count;
}

long writeSome(const char* bytes, std::size_t size) {
    writeToPage(bytes, size);
    return static_cast<long>(size);
}

bool waitUntilWritable() {
    return false;
}

// A page has no file of its own: the levels are in its file system.
std::filesystem::path gameFile() {
    return {};
}

// Level files end their lines as they were written; one carriage return
// before the newline goes, as on other systems but Windows.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace platform

void announceLevel(const std::string& path, std::size_t width, std::size_t height) {
    levelToPage(path.c_str(), width, height);
}
