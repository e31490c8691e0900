// Render cost per sample through the record at a block size of 512, for an idle
// instrument, a held note with the default program and a held note with every stage
// on, with and without PowerChord, against a reference plucked-string instrument
// rendering one held note in the same run; and the default program's held note in
// blocks of 8, 32 and 512 samples, which shows the work done once per block. Each
// case counts its samples as items, so the report shows samples per second;
// scripts/run-bench.sh turns the medians into nanoseconds per sample and ratios.

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

// Which stages a case switches on.
enum class Stages { Default, EveryStage, EveryStageButPowerChord };

// An instrument opened as a host opens it and switched on, optionally with a note-on
// at the first sample of the next block; the note is never released.
std::unique_ptr<OfflineHost> makeInstrument(bool holdNote, Stages stages, std::int32_t blockSize)
{
    auto host = std::make_unique<OfflineHost>(HostSettings{kSampleRate, blockSize});
    std::string error;
    if (!host->open([](HostCallback audioMaster, std::string&) { return pluginMain(audioMaster); }, error)) {
        return nullptr;
    }
    if (stages != Stages::Default) {
        host->setParameter(kDistorter, 0.6f);
        host->setParameter(kDynaTone, 0.7f);
        host->setParameter(kOverdrive, 0.5f);
        host->setParameter(kChorus, 0.4f);
        host->setParameter(kPowerChord, stages == Stages::EveryStage ? 1.0f : 0.0f);
    }
    host->instance().dispatch(effMainsChanged, 0, 1);
    if (holdNote) {
        EventBatch batch(1);
        batch.add({0x90, kKey, kVelocity}, 0);
        host->instance().dispatch(effProcessEvents, 0, 0, batch.get());
    }
    return host;
}

void renderBlocks(benchmark::State& state, bool holdNote, Stages stages, std::int32_t blockSize = kBlockSize)
{
    const auto host = makeInstrument(holdNote, stages, blockSize);
    if (!host) {
        state.SkipWithError("the instrument made no instance");
        return;
    }
    AEffect* const effect = host->effect();
    std::vector<float> left(static_cast<std::size_t>(blockSize)), right(static_cast<std::size_t>(blockSize));
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        effect->processReplacing(effect, nullptr, outputs, blockSize);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * blockSize);
}

void NoNote(benchmark::State& state)
{
    renderBlocks(state, false, Stages::Default);
}

void HeldNoteDefaultProgram(benchmark::State& state)
{
    renderBlocks(state, true, Stages::Default);
}

void HeldNoteEveryStage(benchmark::State& state)
{
    renderBlocks(state, true, Stages::EveryStage);
}

void HeldNoteEveryStageButPowerChord(benchmark::State& state)
{
    renderBlocks(state, true, Stages::EveryStageButPowerChord);
}

// The argument is the block size.
void HeldNoteInBlocksOf(benchmark::State& state)
{
    renderBlocks(state, true, Stages::Default, static_cast<std::int32_t>(state.range(0)));
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
BENCHMARK(HeldNoteEveryStageButPowerChord);
BENCHMARK(HeldNoteInBlocksOf)->Arg(8)->Arg(32)->Arg(512);

BENCHMARK_MAIN();
