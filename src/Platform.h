#pragma once

// What differs between the systems the game runs on: how keys are read, how
// bytes are written, where the game's own file is, and how a level file's
// lines end. Each system's part is a file of its own in src/platform/, which
// the build picks; the rest of the game is the same code everywhere.

#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

// Takes standard input over for single keys, where it is a terminal, with
// every way out giving it back. Returns whether keys come as a console's key
// codes (Windows' _getch) rather than as bytes.
bool takeOverInput();

// Whether the game has been continued after a stop since this was last asked.
bool takeContinued();

// Whether input arrives within the time; -1 waits as long as it takes.
bool waitForInput(int milliseconds);

// Some bytes read into buffer, 0 at the end of the input, or -1 when there is
// nothing yet.
long readInput(bool console, char* buffer, std::size_t size);

// Writes some of bytes to standard output: how many, or -1 with errno set.
long writeSome(const char* bytes, std::size_t size);

// After a write that failed, waits until the output takes bytes again;
// false when waiting cannot help.
bool waitUntilWritable();

// The game's own file, or an empty path where the system does not say.
std::filesystem::path gameFile();

// Drops what is left of a line end once a level file's line is read.
void dropCarriageReturn(std::string& line);

}  // namespace platform
