// The instrument as a host meets it while playing: its two render entries, its event
// batches, the requests that restart the limiter, and what it renders against the
// engine driven directly with the same events, values, programs and rates. The
// instrument only translates, so the two must agree bit for bit.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "ModuleHarness.h"
#include "engine/EngineHarness.h"

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace {

using namespace module_harness;

TEST(ModuleRender, BothRenderEntriesOverwriteTheirBuffersWithTheSameSamples)
{
    Instance replacing;
    Instance accumulating;
    for (Instance* instance : {&replacing, &accumulating}) {
        instance->set(kChorus, 0.5f);
        instance->send({noteOn(7, 60, 90)});
    }
    for (int block = 0; block < 8; ++block) {
        std::vector<float> buffers[4];
        for (int channel = 0; channel < 4; ++channel) {
            buffers[channel].assign(300, channel < 2 ? kGarbage : 1.0e30f);
        }
        float* first[2] = {buffers[0].data(), buffers[1].data()};
        float* second[2] = {buffers[2].data(), buffers[3].data()};
        replacing.effect()->processReplacing(replacing.effect(), nullptr, first, 300);
        accumulating.effect()->process(accumulating.effect(), nullptr, second, 300);
        EXPECT_EQ(buffers[0], buffers[2]) << "block " << block;
        EXPECT_EQ(buffers[1], buffers[3]) << "block " << block;
    }
}

TEST(ModuleRender, EmptyOrNegativeBlocksAndMissingOutputsWriteNothingAndKeepTheQueuedEvents)
{
    for (std::int32_t frames : {0, -1, -1024, 64}) {
        Instance instance;
        instance.send({noteOn(5, 60)});
        std::vector<float> left(64, kGarbage);
        std::vector<float> right(64, kGarbage);
        float* outputs[2] = {left.data(), right.data()};
        float* missingLeft[2] = {nullptr, right.data()};
        AEffect* effect = instance.effect();
        if (frames > 0) {
            effect->processReplacing(effect, nullptr, missingLeft, frames);
            effect->processReplacing(effect, nullptr, nullptr, frames);
        } else {
            effect->processReplacing(effect, nullptr, outputs, frames);
            effect->process(effect, nullptr, outputs, frames);
        }
        EXPECT_EQ(left, std::vector<float>(64, kGarbage)) << frames;
        EXPECT_EQ(right, std::vector<float>(64, kGarbage)) << frames;
        EXPECT_FALSE(instance.block(64).silent()) << frames;
    }
}

#if defined(__SSE__) || defined(_M_X64)
// Whatever rounding, flushing and exception flags the host has set, both render
// entries hand the control and status register back exactly as they found it.
TEST(ModuleRender, RenderEntriesHandBackTheHostsControlStateExactly)
{
    const unsigned int hostStates[] = {0x1F80,          0x1F80 | 0x6000, 0x1F80 | 0x2000,
                                       0x1F80 | 0x4000, 0x1F80 | 0x8040, 0x1F80 | 0x003F};
    Instance instance;
    instance.set({{kDynaTone, 0.5f}, {kChorus, 0.5f}});
    std::vector<float> left(512);
    std::vector<float> right(512);
    float* outputs[2] = {left.data(), right.data()};
    AEffect* effect = instance.effect();
    const struct {
        const char* name;
        ProcessProc entry;
        std::int32_t frames;
    } calls[] = {
        {"processReplacing", effect->processReplacing, 512},
        {"process", effect->process, 512},
        {"empty processReplacing", effect->processReplacing, 0},
    };
    for (unsigned int state : hostStates) {
        instance.send({noteOn(0, 52), noteOff(400, 52), noteOn(450, 59)});
        for (const auto& call : calls) {
            const unsigned int saved = _mm_getcsr();
            _mm_setcsr(state);
            call.entry(effect, nullptr, outputs, call.frames);
            const unsigned int after = _mm_getcsr();
            _mm_setcsr(saved);
            EXPECT_EQ(after, state) << std::hex << state << ", " << call.name;
        }
    }
}
#endif

TEST(ModuleRender, EventsOfOtherTypesNullEntriesAndEmptyBatchesAreSkipped)
{
    Instance instance;
    Batch batch({noteOn(0, 50), controller(0, 7, 0), noteOn(0, 55), noteOn(3, 64)});
    batch.setType(0, 6); // a system exclusive event
    batch.setType(1, 6);
    batch.pointers()[2] = nullptr;
    EXPECT_EQ(instance.dispatch(effProcessEvents, 0, 0, batch.get()), 1);
    const Stereo out = instance.block(256);
    EXPECT_FALSE(out.silent()); // the channel volume of the skipped controller never applied

    // The same note alone renders the same, from a fresh instance.
    Instance plain;
    plain.send({noteOn(3, 64)});
    EXPECT_TRUE(plain.block(256).sameBits(out));

    // A null batch never reaches the instrument; empty ones answer 1 and queue nothing.
    Instance quiet;
    EXPECT_EQ(quiet.dispatch(effProcessEvents, 0, 0, nullptr), 0);
    EXPECT_EQ(quiet.send({}), 1);
    Batch negative({noteOn(0, 70)});
    negative.get()->numEvents = -3;
    EXPECT_EQ(quiet.dispatch(effProcessEvents, 0, 0, negative.get()), 1);
    EXPECT_TRUE(quiet.block(256).silent());
}

// A loud note drives the limiter's gain down; the requests that restart it make
// the rest of the note render differently from an instance that got none.
TEST(ModuleRender, SampleRateAndSwitchingOnRestartTheLimiterButOtherRequestsDoNot)
{
    const struct {
        const char* request;
        std::int32_t opcode;
        VstIntPtr value;
        float opt;
        bool restarts;
    } rows[] = {
        {"effSetSampleRate", effSetSampleRate, 0, 44100.0f, true},
        {"effMainsChanged on", effMainsChanged, 1, 0.0f, true},
        {"effMainsChanged off", effMainsChanged, 0, 0.0f, false},
        {"effSetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 512, 44100.0f, false},
        {"effSetBlockSize", effSetBlockSize, 512, 0.0f, false},
    };
    for (const auto& row : rows) {
        Instance plain;
        Instance requested;
        for (Instance* instance : {&plain, &requested}) {
            instance->set({{kExciter, 1.0f}, {kPick, 1.0f}, {kDynaTone, 1.0f}, {kDistorter, 1.0f}, {kToneRama, 0.0f}});
            instance->send({noteOn(0, 40, 127)});
            instance->render(4096);
        }
        requested.dispatch(row.opcode, 0, row.value, nullptr, row.opt);
        EXPECT_EQ(!plain.render(2048).sameBits(requested.render(2048)), row.restarts) << row.request;
    }
}

// Parameter values, a program switch (Legato's integer included), the rate as both
// requests give it and switching on, between blocks of a lively performance.
TEST(ModuleRender, TheInstrumentRendersWhatTheEngineRendersForTheSameInput)
{
    const std::vector<Midi> notes = {noteOn(100, 52, 90), pitchBend(3000, 12000), noteOn(6000, 57, 127),
                                     controller(7000, 1, 30), noteOff(9000, 57), noteOff(9500, 52),
                                     noteOn(12000, 64, 70), controller(15000, 7, 100), noteOff(20000, 64),
                                     noteOn(22000, 45, 110), noteOff(26000, 45)};
    const std::vector<std::pair<std::int32_t, float>> programThree = {
        {kLegato, 0.0f}, {kDistorter, 0.4f}, {kDynaTone, 0.6f}, {kChorus, 0.7f}, {kFixing, 0.8f}};
    const std::vector<std::int32_t> blockSizes = {700, 64, 1999};
    constexpr std::size_t kChanges = 6;

    engine_harness::Engine direct;
    std::size_t change = 0;
    bool switched = false; // later switches to program 3 find its values live already
    const Stereo expected = direct.perform(notes, 30000, blockSizes, [&] {
        SynthEngine& engine = direct.core();
        switch (change++ % kChanges) {
        case 0: engine.setParameter(kOverdrive, 0.5f); break;
        case 1:
            if (switched) {
                break;
            }
            switched = true;
            for (std::int32_t index = 0; index < kNumParameters; ++index) {
                engine.setParameter(index, kParameterDefaults[index]);
            }
            for (const auto& value : programThree) {
                engine.setParameter(value.first, value.second);
            }
            break;
        case 2: engine.followSampleRate(48000.0f); break;
        case 3: engine.setSampleRate(44100.0f); break;
        case 4: engine.setParameter(kPowerChord, 1.0f); break;
        default: engine.resume(); break;
        }
    });

    Instance instance;
    instance.dispatch(effSetProgram, 0, 3);
    for (const auto& value : programThree) {
        instance.set(value.first, value.second);
    }
    instance.dispatch(effSetProgram, 0, 0);
    change = 0;
    const Stereo actual = instance.perform(notes, 30000, blockSizes, [&] {
        switch (change++ % kChanges) {
        case 0: instance.set(kOverdrive, 0.5f); break;
        case 1: instance.dispatch(effSetProgram, 0, 3); break;
        case 2: instance.dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f); break;
        case 3: instance.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f); break;
        case 4: instance.set(kPowerChord, 1.0f); break;
        default:
            instance.dispatch(effMainsChanged, 0, 0);
            instance.dispatch(effMainsChanged, 0, 1);
            break;
        }
    });
    EXPECT_GT(expected.peak(), 0.01f);
    EXPECT_TRUE(actual.sameBits(expected));
}

} // namespace
