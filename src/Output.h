#pragma once

#include <cstddef>
#include <string>

// Standard output for the game's frames and messages. Every byte reaches the
// output in order, whatever mode the descriptor was left in by whoever started
// the game, and a write that fails for good is remembered rather than lost.

// Puts the game's own buffer under std::cout. Each insertion that ends in a
// flush leaves the process in one system call, unless the output takes it in
// pieces.
void startOutput();

// The error number of the first write that failed, or 0 while all is well.
// Once a write has failed std::cout is bad and nothing more is written.
int outputError();

// Tells whoever shows the output that the level at path starts, and how many
// columns and rows its board takes, before its first frame. A web page names
// the level and sizes its terminal to it; a terminal needs no telling, so
// everywhere else this does nothing and the bytes written stay the same.
void announceLevel(const std::string& path, std::size_t width, std::size_t height);
