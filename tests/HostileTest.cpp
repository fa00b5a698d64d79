#include <filesystem>
#include <functional>

#include "LevelFolder.h"

namespace {

std::string everyByte() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    return bytes;
}

// Bytes that look like nothing in particular, the same on every run.
std::string binary(std::size_t size) {
    std::string bytes;
    for (std::uint32_t state = 1; bytes.size() < size;) {
        state = state * 1664525U + 1013904223U;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

bool noControlBytes(const std::string& output) {
    return std::none_of(output.begin(), output.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < ' ' && c != '\t' && c != '\n') || byte == 0x7F;
    });
}

std::string times(std::size_t count, const std::string& text) {
    std::string all;
    all.reserve(count * text.size());
    for (std::size_t i = 0; i < count; ++i) all += text;
    return all;
}

struct HostileCase {
    const char* name;
    std::function<void(const LevelFolder&)> prepare;
    std::string keys;
    std::function<bool(const std::string&)> printedRightly;
};

const std::string walk = "#P E#\n";

const HostileCase hostileCases[] = {
    {"OnlyNulBytes", [](auto& f) { f.write("levels/1.txt", std::string(100, '\0')); }, "wasd",
     [](auto& out) {
         return out == times(5, frameOf("P" + std::string(99, '?') + "\n")) + "Bye!\n";
     }},
    {"RowOf50MB", [](auto& f) { f.write("levels/1.txt", "P" + times(50'000'000, " ") + "E"); }, "q",
     [](auto& out) { return out == frameOf("P" + times(50'000'000, " ") + "E\n") + "Bye!\n"; }},
    {"HundredThousandRows",
     [](auto& f) { f.write("levels/1.txt", "P\nE\n" + times(99'998, "#\n")); }, "s",
     [](auto& out) {
         return out == frameOf("P\nE\n" + times(99'998, "#\n")) +
                           frameOf(" \nP\n" + times(99'998, "#\n")) + "Gratz, you won!\n";
     }},
    {"BinaryFile", [](auto& f) { f.write("levels/1.txt", binary(100'000)); },
     times(50, "wasdr") + "q",
     [](auto& out) {
         return noControlBytes(out) && out.size() > 5 && out.substr(out.size() - 5) == "Bye!\n";
     }},
    {"DirectoryAsLevel",
     [](auto& f) {
         f.write("levels/1.txt", walk);
         std::filesystem::create_directory(f.path("levels/2.txt"));
         f.write("levels/3.txt", walk);
     },
     "dddd",
     [](auto& out) {
         return out.find("levels/2.txt could not be read!\n") != std::string::npos &&
                out.substr(out.size() - 16) == "Gratz, you won!\n";
     }},
    {"LinkToMissingFile",
     [](auto& f) {
         f.write("levels/1.txt", walk);
         std::filesystem::create_symlink(f.path("nowhere"), f.path("levels/2.txt"));
         f.write("levels/3.txt", "never played");
     },
     "dd",
     [](auto& out) {
         return out ==
                frameOf("#P E#\n") + frameOf("# PE#\n") + frameOf("#  P#\n") + "Gratz, you won!\n";
     }},
    {"EveryByteInTheLevel", [](auto& f) { f.write("levels/1.txt", everyByte()); }, "wasd",
     [](auto& out) { return noControlBytes(out) && out.find('P') != std::string::npos; }},
    // Keys 0 to 0x50 in turn: only D (0x44) moves, and Q (0x51) ends the game.
    {"EveryByteAsAKey", [](auto& f) { f.write("levels/1.txt", walk); }, everyByte(),
     [](auto& out) {
         return out == times(69, frameOf(walk)) + times(13, frameOf("# PE#\n")) + "Bye!\n";
     }},
};

class Hostile : public testing::TestWithParam<HostileCase> {};

TEST_P(Hostile, NeitherCrashesNorHangs) {
    const auto& c = GetParam();
    const LevelFolder folder({});
    c.prepare(folder);
    folder.write("keys", c.keys);
    EXPECT_EQ(folder.run("cat keys | timeout 60 '" CAIRN_BINARY "'"), 0);
    EXPECT_TRUE(c.printedRightly(folder.read("stdout")));
}

INSTANTIATE_TEST_SUITE_P(Inputs, Hostile, testing::ValuesIn(hostileCases), ByName());

}  // namespace
