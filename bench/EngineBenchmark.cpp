// Render cost per sample at a block size of 512, for an idle instrument, a held note
// with the default program and a held note with every stage on, against a reference
// plucked-string instrument rendering one held note in the same run. Each case counts
// its samples as items, so the report shows samples per second; scripts/run-bench.sh
// turns the medians into nanoseconds per sample and ratios to the reference.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include <stk/Mandolin.h>
#include <stk/Stk.h>

#include "engine/FloatingPointMode.h"
#include "instrument/SynthPlugin.h"

namespace {

constexpr std::int32_t kBlockSize = 512;
constexpr float kSampleRate = 44100.0f;
constexpr unsigned char kKey = 60;
constexpr unsigned char kVelocity = 100;

VstIntPtr VSTCALLBACK quietHost(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// An instrument set up as a host does, optionally with a note-on sent at the first
// sample of the next block; the note is never released.
std::unique_ptr<SynthPlugin> makeInstrument(bool holdNote, bool everyStage)
{
    auto plugin = std::make_unique<SynthPlugin>(quietHost);
    plugin->setSampleRate(kSampleRate);
    plugin->setBlockSize(kBlockSize);
    plugin->resume();
    if (everyStage) {
        plugin->setParameter(kDistorter, 0.6f);
        plugin->setParameter(kDynaTone, 0.7f);
        plugin->setParameter(kOverdrive, 0.5f);
        plugin->setParameter(kChorus, 0.4f);
        plugin->setParameter(kPowerChord, 1.0f);
    }
    if (holdNote) {
        VstMidiEvent noteOn{};
        noteOn.type = kVstMidiType;
        noteOn.byteSize = sizeof(VstMidiEvent);
        noteOn.deltaFrames = 0;
        noteOn.midiData[0] = static_cast<char>(0x90);
        noteOn.midiData[1] = static_cast<char>(kKey);
        noteOn.midiData[2] = static_cast<char>(kVelocity);
        VstEvents batch{};
        batch.numEvents = 1;
        batch.events[0] = reinterpret_cast<VstEvent*>(&noteOn);
        plugin->processEvents(&batch);
    }
    return plugin;
}

void renderBlocks(benchmark::State& state, bool holdNote, bool everyStage)
{
    auto plugin = makeInstrument(holdNote, everyStage);
    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        plugin->processReplacing(nullptr, outputs, kBlockSize);
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
