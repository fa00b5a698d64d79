#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The code of the Escape key. A whole escape sequence (an arrow or function
// key) is read as one key with this code, so it cannot be mistaken for the
// letters it is made of.
constexpr int escapeKey = '\x1b';

// What getKey returns once standard input has ended or failed.
constexpr int endOfInput = -1;

// What getKey returns when the game has been continued after a stop (Ctrl-Z,
// then fg), so that the screen the shell wrote over is drawn again. It is no
// command, so the play loop takes it as a key that only redraws.
constexpr int continuedKey = -2;

// One key decoded from the front of a run of bytes. A length of 0 means the
// bytes may be the start of an escape sequence and more are needed to tell.
struct DecodedKey {
    int key;
    std::size_t length;
};

// Decodes the first key of bytes. With complete set, no more bytes will come
// in time, so a lone or cut-off escape sequence is taken as one Escape key.
DecodedKey decodeKey(std::string_view bytes, bool complete);

// A console's key read gives a special key (an arrow, a function key, Delete)
// as two codes: one of these prefixes, then the key's own code, which may be
// a letter ('S' for Delete).
constexpr unsigned char specialKeyPrefix = 0x00;
constexpr unsigned char extendedKeyPrefix = 0xE0;

// Decodes the first key of a console's key codes: a prefix and the code after
// it are one Escape key, so a special key never moves the player or quits.
DecodedKey decodeConsoleKey(std::string_view codes, bool complete);

// Puts a terminal on standard input into single-key mode, without echo, so
// that keys typed while the first frame is drawn are neither shown nor lost.
// Every way out of the program restores the terminal's settings.
void startKeyboard();

// Blocks until a key is pressed and returns its code, without echo and without
// waiting for Enter. Reads a pipe or a file key by key just the same. On a
// terminal, a continue after a stop returns continuedKey.
int getKey();

// What the play loop acts on: a key's low byte in lower case, so either letter
// case works. The end of input acts as Q, so a script that runs out of keys
// ends the game.
int command(int key);

// The step of a movement command (w, a, s, d); false for any other command.
bool stepFor(int command, std::int32_t& deltaX, std::int32_t& deltaY);
