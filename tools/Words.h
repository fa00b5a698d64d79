#pragma once

#include <cstddef>
#include <string>

// A count with its noun, as the tools' reports write them: "1 boulder",
// "2 boulders".
inline std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
