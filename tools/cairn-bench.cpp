// cairn-bench: how fast the board loads, draws and moves on big levels, each
// figure set against the floor that no implementation can beat.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "Gamefield.h"
#include "Output.h"

namespace {

const std::int32_t sizes[] = {100, 1000, 4000};

// A square level: a border of walls, floor with scattered walls and
// boulders, the player at the top left and the exit at the bottom right.
// Row 1 is an open lane with one boulder in it, for pushing.
char levelCell(std::int32_t x, std::int32_t y, std::int32_t size) {
    const bool border = x == 0 || y == 0 || x == size - 1 || y == size - 1;
    if (border || (y > 2 && (x * 7 + y * 3) % 11 == 0)) return '#';
    if (y == 1) return x == 1 ? playerMark : x == 3 ? boulderCell : floorCell;
    return y > 2 && (x * 5 + y) % 13 == 0 ? boulderCell : floorCell;
}

std::string levelText(std::int32_t size) {
    std::string text;
    for (std::int32_t y = 0; y < size; ++y) {
        for (std::int32_t x = 0; x < size; ++x) text += levelCell(x, y, size);
        text += '\n';
    }
    text[text.size() - size - 3] = exitCell;  // bottom right, inside the border
    return text;
}

// The level files, written once per size into a folder of their own.
const std::string& levelFile(std::int32_t size) {
    static const auto folder =
        std::filesystem::temp_directory_path() / ("cairn-bench-" + std::to_string(getpid()));
    static std::map<std::int32_t, std::string> files;
    auto& path = files[size];
    if (path.empty()) {
        std::filesystem::create_directories(folder);
        path = folder / (std::to_string(size) + ".txt");
        std::ofstream(path, std::ios::binary) << levelText(size);
    }
    return path;
}

Gamefield loaded(std::int32_t size, Point& player) {
    Gamefield field;
    field.read(levelFile(size), player);
    return field;
}

std::int32_t sizeOf(const benchmark::State& state) {
    return static_cast<std::int32_t>(state.range(0));
}

void load(benchmark::State& state) {
    const std::string& path = levelFile(sizeOf(state));
    for (auto _ : state) {
        Gamefield field;
        Point player{0, 0};
        field.load(path, player);
        benchmark::DoNotOptimize(field.rows.data());
    }
}

// Reading the file's bytes and finding its newlines.
void loadFloor(benchmark::State& state) {
    const std::string& path = levelFile(sizeOf(state));
    std::vector<char> bytes(std::filesystem::file_size(path));
    for (auto _ : state) {
        const int file = open(path.c_str(), O_RDONLY);
        std::size_t got = 0;
        for (ssize_t n = 1; n > 0 && got < bytes.size(); got += static_cast<std::size_t>(n)) {
            n = read(file, bytes.data() + got, bytes.size() - got);
        }
        close(file);
        std::size_t lines = 0;
        const char* const end = bytes.data() + bytes.size();
        for (const char* at = bytes.data(); at != end; ++at, ++lines) {
            at =
                static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
            if (at == nullptr) break;
        }
        benchmark::DoNotOptimize(lines);
    }
}

void draw(benchmark::State& state) {
    Point player{0, 0};
    const Gamefield field = loaded(sizeOf(state), player);
    for (auto _ : state) field.draw(player);
}

// Copying the frame's bytes into a buffer and writing it once.
void drawFloor(benchmark::State& state) {
    Point player{0, 0};
    const Gamefield field = loaded(sizeOf(state), player);
    std::string frame(30, '\n');
    for (const auto& row : field.rows) frame += row + '\n';
    frame += '\n';
    std::string buffer(frame.size(), '\0');
    for (auto _ : state) {
        char* out = buffer.data() + 30;
        for (const auto& row : field.rows) {
            out = std::copy(row.begin(), row.end(), out);
            *out++ = '\n';
        }
        benchmark::DoNotOptimize(write(STDOUT_FILENO, buffer.data(), buffer.size()));
    }
}

// Steps right and left on the open lane, one step per iteration.
void step(benchmark::State& state) {
    Point player{0, 0};
    Gamefield field = loaded(sizeOf(state), player);
    std::int32_t deltaX = 1;
    for (auto _ : state) {
        field.move(player, deltaX, 0);
        deltaX = -deltaX;
    }
}

// Pushes the lane's boulder one cell per iteration, starting over at the
// lane's end.
void push(benchmark::State& state) {
    Point player{0, 0};
    Gamefield field = loaded(sizeOf(state), player);
    const Point start = player;
    std::string& lane = field.rows[1];
    for (auto _ : state) {
        field.move(player, 1, 0);
        if (static_cast<std::size_t>(player.x) + 3 == lane.size()) {
            lane[lane.size() - 2] = floorCell;
            lane[3] = boulderCell;
            player = start;
        }
    }
}

// One turn of the play loop: a frame, then a step.
void turn(benchmark::State& state) {
    Point player{0, 0};
    Gamefield field = loaded(sizeOf(state), player);
    std::int32_t deltaX = 1;
    for (auto _ : state) {
        field.draw(player);
        field.move(player, deltaX, 0);
        deltaX = -deltaX;
    }
}

// Keeps the median of every benchmark, in nanoseconds, for the ratios.
class Medians : public benchmark::ConsoleReporter {
  public:
    explicit Medians(bool colour) : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.aggregate_name == "median") {
                nanoseconds[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) *
                    1e9;
            }
        }
    }
    std::map<std::string, double> nanoseconds;
};

void ratio(std::ostream& out, const Medians& medians, const std::string& ours,
           const std::string& floor, const std::string& target) {
    if (medians.nanoseconds.count(ours) == 0 || medians.nanoseconds.count(floor) == 0) return;
    const double a = medians.nanoseconds.at(ours), b = medians.nanoseconds.at(floor);
    out << std::left << std::setw(18) << ours << std::right << std::setw(12) << std::fixed
        << std::setprecision(0) << a << " ns   " << std::left << std::setw(20) << floor
        << std::right << std::setw(12) << b << " ns   ratio " << std::setprecision(2) << a / b
        << "  (target " << target << ")\n";
}

void registerAll() {
    const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
        {"load", load},      {"load-floor", loadFloor}, {"draw", draw}, {"draw-floor", drawFloor},
        {"move-step", step}, {"move-push", push},       {"turn", turn}};
    for (const auto& [name, function] : all) {
        auto* benchmark = benchmark::RegisterBenchmark(name, function);
        for (const auto size : sizes) benchmark->Arg(size);
        benchmark->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)->Unit(
            benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Frames go to /dev/null; the report goes where standard output went.
    const int console = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    std::ofstream report("/dev/fd/" + std::to_string(console));

    startOutput();  // frames leave as the game writes them
    benchmark::Initialize(&argc, argv);
    registerAll();
    Medians medians(isatty(console) != 0);
    medians.SetOutputStream(&report);
    medians.SetErrorStream(&report);
    benchmark::RunSpecifiedBenchmarks(&medians);
    benchmark::Shutdown();

    report << "\nMedians against their floors (a turn against the frame's floor, a move on a big\n"
              "level against the same move on the smallest):\n";
    for (const std::string size : {"100", "1000", "4000"}) {
        const bool big = size != "100";
        ratio(report, medians, "draw/" + size, "draw-floor/" + size, big ? "2, stretch 1.5" : "-");
        ratio(report, medians, "load/" + size, "load-floor/" + size, size == "4000" ? "3" : "-");
        ratio(report, medians, "turn/" + size, "draw-floor/" + size, "-");
        if (!big) continue;
        ratio(report, medians, "move-step/" + size, "move-step/100", size == "4000" ? "2" : "-");
        ratio(report, medians, "move-push/" + size, "move-push/100", size == "4000" ? "2" : "-");
    }
    std::filesystem::remove_all(std::filesystem::path(levelFile(100)).parent_path());
    return 0;
}
