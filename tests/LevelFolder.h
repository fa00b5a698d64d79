#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using Files = std::map<std::string, std::string>;

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// A temporary folder to run a program in, with its own files.
class LevelFolder {
  public:
    explicit LevelFolder(const Files& levels = {}) {
        std::string name = std::filesystem::temp_directory_path() / "cairn-XXXXXX";
        path_ = ::mkdtemp(name.data());
        std::filesystem::create_directory(path_ / "levels");
        for (const auto& [file, text] : levels) write("levels/" + file, text);
    }
    ~LevelFolder() { std::filesystem::remove_all(path_); }

    void write(const std::string& file, const std::string& text) const {
        std::ofstream(path_ / file, std::ios::binary) << text;
    }
    std::string read(const std::string& file) const { return readFile(path_ / file); }

    // Runs a shell command here, its output in the files stdout and stderr;
    // its exit status, or -1 when a signal ended it.
    int run(const std::string& command) const {
        const int status = std::system(
            ("cd " + path_.string() + " && (" + command + ") > stdout 2> stderr").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    std::filesystem::path path_;
};

// What the game prints for one frame of the given rows.
inline std::string frameOf(const std::string& rows) {
    return std::string(30, '\n') + rows + "\n";
}

// Rows print as their names in failure messages, and name their test instances
// through testing::PrintToStringParamName.
namespace {
template <class Row>
auto operator<<(std::ostream& out, const Row& row) -> decltype(out << row.name) {
    return out << row.name;
}
}  // namespace
