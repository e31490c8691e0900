// Render cost per sample at a block size of 512, for an idle instrument, a held note
// with the default program and a held note with every stage on, against a reference
// plucked-string instrument rendering one held note in the same run. Each case counts
// its samples as items, so the report shows samples per second; scripts/run-bench.sh
// turns the medians into nanoseconds per sample and ratios to the reference.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <stk/Mandolin.h>
#include <stk/Stk.h>

#include "engine/FloatingPointMode.h"
#include "host/PluginMain.h"
#include "instrument/Parameters.h"
#include "tools/hostkit/EventBatch.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

constexpr std::int32_t kBlockSize = 512;
constexpr std::int32_t kSampleRate = 44100;
constexpr std::uint8_t kKey = 60;
constexpr std::uint8_t kVelocity = 100;

// An instrument opened as a host opens it and switched on, optionally with a note-on
// at the first sample of the next block; the note is never released.
std::unique_ptr<OfflineHost> makeInstrument(bool holdNote, bool everyStage)
{
    auto host = std::make_unique<OfflineHost>(HostSettings{kSampleRate, kBlockSize});
    std::string error;
    if (!host->open([](HostCallback audioMaster, std::string&) { return pluginMain(audioMaster); }, error)) {
        return nullptr;
    }
    if (everyStage) {
        host->setParameter(kDistorter, 0.6f);
        host->setParameter(kDynaTone, 0.7f);
        host->setParameter(kOverdrive, 0.5f);
        host->setParameter(kChorus, 0.4f);
        host->setParameter(kPowerChord, 1.0f);
    }
    host->instance().dispatch(effMainsChanged, 0, 1);
    if (holdNote) {
        EventBatch batch(1);
        batch.add({0x90, kKey, kVelocity}, 0);
        host->instance().dispatch(effProcessEvents, 0, 0, batch.get());
    }
    return host;
}

void renderBlocks(benchmark::State& state, bool holdNote, bool everyStage)
{
    const auto host = makeInstrument(holdNote, everyStage);
    if (!host) {
        state.SkipWithError("the instrument made no instance");
        return;
    }
    AEffect* const effect = host->effect();
    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        effect->processReplacing(effect, nullptr, outputs, kBlockSize);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlockSize);
}

void NoNote(benchmark::State& state)
{
    renderBlocks(state, false, false);
}

void HeldNoteDefaultProgram(benchmark::State& state)
{
    renderBlocks(state, true, false);
}

void HeldNoteEveryStage(benchmark::State& state)
{
    renderBlocks(state, true, true);
}

// The reference: one held note of a commuted-synthesis plucked string, one tick per
// sample into a block of 512. It runs with subnormals flushed, as the instrument's
// blocks do, so that its decaying tail never takes the slow subnormal path.
void ReferenceMandolin(benchmark::State& state)
{
#ifdef ZEPHYRANT_STK_RAWWAVES
    stk::Stk::setRawwavePath(ZEPHYRANT_STK_RAWWAVES);
#endif
    stk::Stk::setSampleRate(kSampleRate);
    stk::Mandolin mandolin(50.0);
    mandolin.noteOn(261.6255653005986, kVelocity / 127.0);
    std::vector<stk::StkFloat> block(kBlockSize);
    FloatingPointMode flushDenormals;
    for (auto _ : state) {
        for (std::int32_t i = 0; i < kBlockSize; ++i) {
            block[static_cast<std::size_t>(i)] = mandolin.tick();
        }
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlockSize);
}

} // namespace

BENCHMARK(ReferenceMandolin);
BENCHMARK(NoNote);
BENCHMARK(HeldNoteDefaultProgram);
BENCHMARK(HeldNoteEveryStage);

BENCHMARK_MAIN();
