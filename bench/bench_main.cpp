// brastor-bench: runs every measurement and prints one table. With valgrind on
// the path it also runs each measurement under callgrind (a fresh process of
// this program in --callgrind mode) for the instructions per frame, which stay
// steady on a shared machine where times do not.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "bench_levels.h"
#include "bench_record.h"
#include "bench_references.h"
#include "bench_routes.h"
#include "mapcheck/routes.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "world/world.h"

// ---------------------------------------------------------------- allocations
// Every operator new of the process is counted; a frame of play must add none.
namespace {
long long allocationCount = 0;
}

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t align) {
    ++allocationCount;
    const std::size_t a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

// ---------------------------------------------------------------- scenarios
enum Scenario { busyFrame, busySdl, busyFloor, solidBig, solidSmall, passBig, passBigDirect, startUpData,
                routesBig, routesHostile, routesMission1, routesMission2, routesGenerators, enemiesMission1,
                enemiesMission2, scenarioCount };

struct ScenarioInfo {
    const char* name;   // benchmark and --callgrind name
    const char* label;  // row of the table
};
constexpr ScenarioInfo scenarios[scenarioCount] = {
    {"busy_frame", "busy frame: playFrame()"},
    {"busy_sdl", "  same drawing, SDL2 software surfaces"},
    {"busy_floor", "  same drawing, memory floor"},
    {"solid_201", "all-solid 201 x 201 frame"},
    {"solid_32", "all-solid 32 x 32 frame"},
    {"pass_201", "  solid pass alone, 201 x 201"},
    {"pass_201_direct", "  cell-by-cell solid pass, 201 x 201"},
    {"start_up", "start-up: 101 pictures + map"},
    {"routes_201", "route check, full 201 x 201 map"},
    {"routes_hostile", "route check, worst hostile 40 x 20 map"},
    {"routes_mission1", "route search, shipped mission 1"},
    {"routes_mission2", "route search, shipped mission 2"},
    {"routes_generators", "route search, 201 x 201, 60 gen., 400 dia."},
    {"routes_enemies_mission1", "search + enemy replays, mission 1 (wall)"},
    {"routes_enemies_mission2", "search + enemy replays, mission 2 (wall)"},
};
constexpr bool isRouteScenario(int s) {
    return s == routesBig || s == routesHostile || s == routesMission1 || s == routesMission2 || s == routesGenerators ||
           s == enemiesMission1 || s == enemiesMission2;
}

constexpr bool onWallClock(int s) { return s == enemiesMission1 || s == enemiesMission2; }

// The shipped mission's baked map picture, as the game reads it.
std::string shippedMap(int mission) {
    return std::string(BRASTOR_BINARY_DIR) + "/level" + std::to_string(mission) + "/map.bmp";
}
constexpr int smallLevel = 32;

void setUp(Scenario s) {
    switch (s) {
    case busyFrame:
        buildBusyLevel();
        break;
    case busySdl:
    case busyFloor:
        buildBusyLevel();
        restoreFrameState();
        drawOpCount = 0;
        recordingDraws = true;
        playFrame(sampleFrameInput(), Drawing::on);
        recordingDraws = false;
        prepareReferences();
        break;
    case solidBig:
    case passBig:
    case passBigDirect:
        buildSolidLevel(gridSize);
        break;
    case solidSmall:
        buildSolidLevel(smallLevel);
        break;
    case routesBig:
        routeLevelPath();
        break;
    case routesHostile:
        hostileRouteLevelPath();
        break;
    case routesGenerators:
        generatorRouteLevelPath();
        break;
    case routesMission1:
    case routesMission2:
    case enemiesMission1:
    case enemiesMission2:
    case startUpData:
    case scenarioCount:
        break;
    }
}

// One measured step of a scenario.
void step(Scenario s) {
    switch (s) {
    case busyFrame:
    case solidBig:
    case solidSmall:
        restoreFrameState();
        playFrame(sampleFrameInput(), Drawing::on);
        break;
    case busySdl:
        drawWithSdl();
        break;
    case busyFloor:
        drawMemoryFloor();
        break;
    case passBig:
        restoreFrameState();
        solidPass();
        break;
    case passBigDirect:
        restoreFrameState();
        solidPassDirect();
        break;
    case startUpData:
        loadStartUpData();
        break;
    case routesBig:
    case routesHostile: {
        std::ostringstream report;
        RouteOptions options;
        options.mission = s == routesBig ? 1 : 2;
        options.enemySeeds = 0;
        checkRoutes(s == routesBig ? routeLevelPath() : hostileRouteLevelPath(), options, report);
        break;
    }
    case routesMission1:
    case routesMission2:
    case routesGenerators: {
        std::ostringstream report;
        RouteOptions options;
        options.mission = s == routesMission2 ? 2 : 1;
        options.enemySeeds = 0;  // the search alone
        checkRoutes(s == routesGenerators ? generatorRouteLevelPath() : shippedMap(options.mission), options, report);
        break;
    }
    case enemiesMission1:
    case enemiesMission2: {
        // The search, the mission's proof fitted to the enemies and every
        // proof replayed with them on seeds 1 to 100, as brastor-mapcheck runs.
        std::ostringstream report;
        RouteOptions options;
        options.mission = s == enemiesMission2 ? 2 : 1;
        checkRoutes(shippedMap(options.mission), options, report);
        break;
    }
    case scenarioCount:
        break;
    }
}

void runScenario(benchmark::State& state, Scenario s) {
    setUp(s);
    step(s);  // warm the caches and, for start-up, create the pictures
    const long long allocationsBefore = allocationCount;
    for (auto _ : state) step(s);
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocationCount - allocationsBefore),
                                                  benchmark::Counter::kAvgIterations);
}

// ---------------------------------------------------------------- callgrind
extern "C" __attribute__((noinline)) void measuredFrames(int s, int frames) {
    for (int i = 0; i < frames; ++i) step(static_cast<Scenario>(s));
    asm volatile("" ::: "memory");
}

constexpr int callgrindFrames = 20;

int callgrindChild(const char* name) {
    for (int s = 0; s < scenarioCount; ++s) {
        if (std::strcmp(name, scenarios[s].name) != 0) continue;
        prepareGame();
        setUp(static_cast<Scenario>(s));
        step(static_cast<Scenario>(s));
        measuredFrames(s, callgrindFrames);
        return 0;
    }
    std::fprintf(stderr, "unknown scenario %s\n", name);
    return 2;
}

// Instructions per frame of one scenario, or -1 when valgrind cannot run it.
double callgrindInstructions(const char* self, const char* name) {
    const std::string out = std::string("/tmp/brastor-bench-callgrind.") + name;
    const std::string command = "valgrind --tool=callgrind --collect-atstart=no --toggle-collect=measuredFrames "
                                "--callgrind-out-file=" + out + " '" + self + "' --callgrind " + name +
                                " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return -1;
    std::FILE* f = std::fopen(out.c_str(), "r");
    if (!f) return -1;
    char line[512];
    double total = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "totals:", 7) == 0 || std::strncmp(line, "summary:", 8) == 0)
            total = std::atof(std::strchr(line, ':') + 1);
    std::fclose(f);
    std::remove(out.c_str());
    return total < 0 ? -1 : total / callgrindFrames;
}

// ---------------------------------------------------------------- report
// Keeps every repetition; the table shows the median.
class CollectingReporter : public benchmark::BenchmarkReporter {
public:
    std::vector<double> times[scenarioCount];  // microseconds per step
    double allocs[scenarioCount] = {};
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            for (int s = 0; s < scenarioCount; ++s) {
                if (run.benchmark_name().rfind(scenarios[s].name, 0) != 0) continue;
                if (run.benchmark_name().size() > std::strlen(scenarios[s].name) &&
                    run.benchmark_name()[std::strlen(scenarios[s].name)] != '/')
                    continue;
                times[s].push_back(onWallClock(s) ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime());
                auto it = run.counters.find("allocs");
                if (it != run.counters.end()) allocs[s] = std::max(allocs[s], double(it->second));
            }
        }
    }
    double median(int s) {
        std::vector<double> v = times[s];
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

const char* verdict(bool ok) { return ok ? "met" : "NOT MET"; }

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--callgrind") == 0) return callgrindChild(argv[2]);
    bool withCallgrind = std::system("valgrind --version >/dev/null 2>&1") == 0;
    std::vector<char*> args(argv, argv + argc);
    args.erase(std::remove_if(args.begin() + 1, args.end(),
                              [&](char* a) {
                                  if (std::strcmp(a, "--no-callgrind") != 0) return false;
                                  withCallgrind = false;
                                  return true;
                              }),
               args.end());
    int count = static_cast<int>(args.size());

    // The very first start-up of the process, images created and loaded.
    const auto t0 = std::chrono::steady_clock::now();
    prepareGame();
    loadLevelMap(1);
    const double firstStartUp =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();

    for (int s = 0; s < scenarioCount; ++s) {
        auto* b = benchmark::RegisterBenchmark(scenarios[s].name, [s](benchmark::State& st) {
            runScenario(st, static_cast<Scenario>(s));
        });
        b->Unit(benchmark::kMicrosecond)->Repetitions(5);
        // The enemy replays run in forked workers, whose time the bench's own
        // CPU clock does not see: these rows are timed on the wall clock.
        if (onWallClock(s)) b->UseRealTime()->Repetitions(3);
    }
    benchmark::Initialize(&count, args.data());
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // The program's own path: valgrind is started through the shell, for
    // which /proc/self/exe would be the shell.
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) withCallgrind = false;
    double instructions[scenarioCount];
    for (int s = 0; s < scenarioCount; ++s)
        // The route check runs for seconds: too long for callgrind.
        instructions[s] = withCallgrind && !isRouteScenario(s)
                              ? callgrindInstructions(self, scenarios[s].name)
                              : -1;

    std::printf("\n%-40s %14s %16s %14s\n", "measurement (one frame / one start-up)", "time (us)",
                "instructions", "allocations");
    for (int s = 0; s < scenarioCount; ++s) {
        char ir[32] = "n/a";
        if (instructions[s] >= 0) std::snprintf(ir, sizeof ir, "%.0f", instructions[s]);
        std::printf("%-40s %14.1f %16s %14.2f\n", scenarios[s].label, reporter.median(s), ir, reporter.allocs[s]);
    }
    std::printf("%-40s %14.1f %16s %14s\n", "  first start-up of the process", firstStartUp, "", "");
    std::printf("(median of 5 repetitions; instructions from callgrind over %d steps; memory floor copies %lld picture rows)\n\n",
                callgrindFrames, floorRowCount());

    const double busy = reporter.median(busyFrame), sdl = reporter.median(busySdl),
                 floorTime = reporter.median(busyFloor), big = reporter.median(solidBig),
                 small = reporter.median(solidSmall), start = reporter.median(startUpData);
    std::printf("%-52s %8.2f  (target <= 1.5: %s)\n", "busy frame / memory floor", busy / floorTime,
                verdict(busy <= 1.5 * floorTime));
    std::printf("%-52s %8.2f  (target >= 4: %s)\n", "SDL2 drawing / busy frame", sdl / busy, verdict(sdl >= 4 * busy));
    std::printf("%-52s %8.2f  (target <= 1.2: %s)\n", "all-solid 201 x 201 frame / 32 x 32 frame", big / small,
                verdict(big <= 1.2 * small));
    std::printf("%-52s %8.2f  (target < 50: %s)\n", "start-up (ms)", start / 1000, verdict(start < 50000));
    const double routes = reporter.median(routesBig) / 1e6;
    std::printf("%-52s %8.2f  (target < 2: %s)\n", "route check of a full 201 x 201 map (s)", routes,
                verdict(routes < 2));
    std::printf("%-52s %8.2f\n", "route check of the worst hostile 40 x 20 map (s)",
                reporter.median(routesHostile) / 1e6);
    for (const Scenario s : {routesMission1, routesMission2}) {
        const double seconds = reporter.median(s) / 1e6;
        std::printf("%-52s %8.2f  (target < 0.5: %s)\n",
                    s == routesMission1 ? "route search of shipped mission 1 (s)" : "route search of shipped mission 2 (s)",
                    seconds, verdict(seconds < 0.5));
    }
    for (const Scenario s : {enemiesMission1, enemiesMission2}) {
        const double seconds = reporter.median(s) / 1e6;
        std::printf("%-52s %8.2f  (target < 5: %s)\n",
                    s == enemiesMission1 ? "search + enemy replays, mission 1 (s, wall clock)"
                                         : "search + enemy replays, mission 2 (s, wall clock)",
                    seconds, verdict(seconds < 5));
    }
    const double generators = reporter.median(routesGenerators) / 1e6;
    std::printf("%-52s %8.2f  (target < 10: %s)\n", "route search, 201 x 201, 60 generators, 400 diamonds (s)",
                generators, verdict(generators < 10));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-52s %8.0f  (target < 1024: %s)\n", "peak memory of the whole bench process (MB)",
                usage.ru_maxrss / 1024.0, verdict(usage.ru_maxrss < 1024 * 1024));
    std::printf("%-52s %8.2f  (target 0: %s)\n", "allocations per busy frame", reporter.allocs[busyFrame],
                verdict(reporter.allocs[busyFrame] == 0));
    return 0;
}
