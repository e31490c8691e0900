// Rendering the demo piece (examples/demo.mid) with the default program, through
// the same offline host the command-line renderer uses, in-process. The counter
// "realtime" is seconds of audio rendered per second: the real-time multiple.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/PluginMain.h"
#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

constexpr std::int32_t kSampleRate = 44100;
constexpr std::int64_t kTailFrames = 2 * kSampleRate;

void DemoPiece(benchmark::State& state)
{
    MidiFile file;
    std::string error;
    if (!file.load(ZEPHYRANT_DEMO_MIDI, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::int64_t endFrame = 0;
    const std::vector<TimedMidiEvent> events = eventsOfFile(file, kSampleRate, endFrame);
    const std::int64_t totalFrames = endFrame + kTailFrames;

    float checksum = 0.0f;
    for (auto _ : state) {
        OfflineHost host(HostSettings{kSampleRate, 512});
        if (!host.open([](HostCallback audioMaster, std::string&) { return pluginMain(audioMaster); }, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        host.render(events, totalFrames, [&checksum](const float* left, const float*, std::int32_t frames) {
            checksum += left[frames - 1];
            return true;
        });
        host.close();
    }
    benchmark::DoNotOptimize(checksum);
    state.SetItemsProcessed(state.iterations() * totalFrames);
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(totalFrames) / kSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(DemoPiece)->Unit(benchmark::kMillisecond);
