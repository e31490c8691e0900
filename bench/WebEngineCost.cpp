// The engine's cost per sample through the browser build's C interface
// (web/ZephyrantWeb.h) compiled natively: the native half of the comparison that
// scripts/run-web-bench.sh makes with the same interface compiled to WebAssembly
// and run in Chromium, rendering the same thing in the same blocks of 128 frames.
//
//   zephyrant-web-cost RATE REPEATS SECONDS FROM (FILE.mid | hold KEY) [INDEX=VALUE...]
//
// Renders SECONDS of the file's events (or of KEY held from the first frame) after
// the given values, REPEATS times from a new instrument, and prints for each the
// nanoseconds per frame of the frames from FROM seconds on, in the thread's CPU
// time: what the render costs, whatever else the machine is doing.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <time.h>

#include "web/ZephyrantWeb.h"

namespace {

constexpr std::int32_t kBlock = 128;

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
// Each block's last sample goes here, so that no render can be left out.
volatile float lastSample = 0.0f;

struct Event {
    std::int64_t frame;
    std::uint8_t bytes[3];
};

bool readEvents(const std::string& path, std::int32_t rate, std::vector<Event>& events)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ZephyrantSchedule* schedule = zephyrant_schedule_midi_file(bytes.data(), bytes.size(), rate);
    if (schedule == nullptr || zephyrant_schedule_error(schedule)[0] != '\0') {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), schedule ? zephyrant_schedule_error(schedule) : "out of memory");
        zephyrant_schedule_free(schedule);
        return false;
    }
    const ZephyrantScheduledEvent* scheduled = zephyrant_schedule_events(schedule);
    for (std::int32_t n = 0; n < zephyrant_schedule_event_count(schedule); ++n) {
        events.push_back({static_cast<std::int64_t>(scheduled[n].frame),
                          {scheduled[n].bytes[0], scheduled[n].bytes[1], scheduled[n].bytes[2]}});
    }
    zephyrant_schedule_free(schedule);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: zephyrant-web-cost RATE REPEATS SECONDS FROM (FILE.mid | hold KEY) [INDEX=VALUE...]\n");
        return 2;
    }
    const auto rate = static_cast<std::int32_t>(std::atoi(argv[1]));
    const int repeats = std::atoi(argv[2]);
    const auto frames = static_cast<std::int64_t>(std::atof(argv[3]) * rate) / kBlock * kBlock;
    const auto timedFrom = static_cast<std::int64_t>(std::atof(argv[4]) * rate) / kBlock * kBlock;
    std::vector<Event> events;
    int next = 5;
    if (std::string(argv[next]) == "hold" && argc > next + 1) {
        events.push_back({0, {0x90, static_cast<std::uint8_t>(std::atoi(argv[next + 1])), 127}});
        next += 2;
    } else if (!readEvents(argv[next++], rate, events)) {
        return 1;
    }
    for (int repeat = 0; repeat < repeats; ++repeat) {
        ZephyrantInstrument* instrument = zephyrant_create(static_cast<float>(rate));
        for (int n = next; n < argc; ++n) {
            const std::string setting = argv[n];
            const std::size_t equals = setting.find('=');
            zephyrant_set_parameter(instrument, std::atoi(setting.substr(0, equals).c_str()),
                                    std::strtof(setting.c_str() + equals + 1, nullptr));
        }
        std::size_t nextEvent = 0;
        double started = threadSeconds();
        for (std::int64_t start = 0; start < frames; start += kBlock) {
            if (start == timedFrom) {
                started = threadSeconds();
            }
            while (nextEvent < events.size() && events[nextEvent].frame < start + kBlock) {
                const Event& event = events[nextEvent++];
                zephyrant_midi(instrument, static_cast<std::int32_t>(event.frame - start), event.bytes[0],
                               event.bytes[1], event.bytes[2]);
            }
            zephyrant_render(instrument, kBlock);
            lastSample = zephyrant_left(instrument)[kBlock - 1];
        }
        const double seconds = threadSeconds() - started;
        std::printf("%.3f\n", seconds * 1e9 / static_cast<double>(frames - timedFrom));
        zephyrant_destroy(instrument);
    }
    return 0;
}
