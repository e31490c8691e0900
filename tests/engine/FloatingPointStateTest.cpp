// The engine's floating-point hygiene: no subnormal value left in its state after
// long notes, the host's floating-point control state handed back exactly after
// every render call, and hostile parameter values or pitch-wheel floods rendered
// without a fault (the sanitizer build of this suite reports any undefined
// behaviour or stray memory access they cause).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/FloatingPointMode.h"
#include "EngineHarness.h"

namespace {

using namespace engine_harness;

constexpr std::int32_t kSecond = 44100;

// Names of the engine floats that are subnormal, empty when none is.
std::string subnormalFields(const SynthEngine& engine)
{
    std::string names;
    engine.forEachState([&names](const char* name, float value) {
        if (std::fpclassify(value) == FP_SUBNORMAL) {
            names += std::string(name) + " ";
        }
    });
    return names;
}

// The engine reports every float it keeps from one sample to the next, so that
// the check below covers all of them.
TEST(FloatingPointState, EveryKeptFloatIsReported)
{
    const std::set<std::string> expected = {
        "noteFrequency",   "noteVelocity",    "channelVolume",   "modWheel",        "radiansPerSample",
        "limiterGain",     "chorusFeedbackA", "chorusFeedbackB", "noiseState",      "stringOutput",
        "dcState",         "previousOutput",  "velocitySmoothed", "envelope",       "attackCount",
        "decayCount",      "releaseCount",    "releaseLevel",    "attackStart",     "sustainSmoothed",
        "resonatorState1", "resonatorState2", "splitLow",        "splitBand",       "sweepBand",
        "sweepLow",        "chorusLow",       "readingA",        "readingB",
    };
    std::set<std::string> reported;
    SynthEngine engine;
    engine.forEachState([&reported](const char* name, float) { reported.insert(name); });
    EXPECT_EQ(reported, expected);
}

// Held for a minute, a note's string loop and the filters behind it decay far
// below the smallest normal float; with the wheel at 0 the sustain follower glides
// towards 0 until the envelope closes the gate. Neither the notes nor their
// releases may leave a subnormal value behind, at any block end.
TEST(FloatingPointState, MinuteLongNotesAndTheirReleasesLeaveNoSubnormalState)
{
    const struct {
        const char* name;
        std::vector<std::pair<std::int32_t, float>> settings;
        int wheel;
        bool gateAfterAMinute;
    } rows[] = {
        {"default program", {}, 127, true},
        {"all effects", {{kDistorter, 0.5f}, {kDynaTone, 0.6f}, {kOverdrive, 0.5f}, {kChorus, 0.8f}}, 127, true},
        {"all effects, wheel at 0",
         {{kDistorter, 0.5f}, {kDynaTone, 0.6f}, {kOverdrive, 0.5f}, {kChorus, 0.8f}},
         0,
         false},
        {"power chord, wheel at 0", {{kPowerChord, 1.0f}, {kDynaTone, 0.3f}, {kChorus, 0.5f}}, 0, false},
    };
    for (const auto& row : rows) {
        Engine engine;
        for (const auto& setting : row.settings) {
            engine.set(setting.first, setting.second);
        }
        std::string found;
        auto check = [&] {
            if (found.empty()) {
                found = subnormalFields(engine.state());
            }
        };
        engine.perform({controller(0, 1, row.wheel), noteOn(0, 81, 100)}, 60 * kSecond, {1024}, check);
        EXPECT_EQ(found, "") << row.name << ", held";
        EXPECT_EQ(engine.note().noteActive, row.gateAfterAMinute) << row.name;
        if (row.gateAfterAMinute) {
            // The string has rung out while the gate stayed open.
            EXPECT_EQ(engine.state().getStringLoop().getStringOutput(), 0.0f) << row.name;
        } else {
            EXPECT_EQ(engine.sustainSmoothed(), 0.0f) << row.name;
            EXPECT_EQ(engine.envelope(), 0.0f) << row.name;
        }

        engine.perform({noteOff(0, 81)}, 10 * kSecond, {1024}, check);
        EXPECT_EQ(found, "") << row.name << ", released";
        EXPECT_EQ(engine.envelope(), 0.0f) << row.name;
    }
}

#ifdef ZEPHYRANT_HAS_MXCSR
// Whatever rounding, flushing and exception flags the host has set, every render
// call hands the control and status register back exactly as it found it.
TEST(FloatingPointState, RenderCallsHandBackTheHostsControlStateExactly)
{
    const struct {
        const char* name;
        unsigned int mxcsr;
    } hostStates[] = {
        {"default", 0x1F80},
        {"round toward zero", 0x1F80 | 0x6000},
        {"round down", 0x1F80 | 0x2000},
        {"round up", 0x1F80 | 0x4000},
        {"flush to zero and denormals are zero", 0x1F80 | 0x8040},
        {"sticky exception flags raised", 0x1F80 | 0x003F},
    };
    Engine engine;
    engine.set({{kDynaTone, 0.5f}, {kChorus, 0.5f}});
    std::vector<float> left(512);
    std::vector<float> right(512);
    const struct {
        const char* name;
        float* left;
        std::int32_t frames;
    } calls[] = {
        {"a block", left.data(), 512},
        {"an empty block", left.data(), 0},
        {"a block without buffers", nullptr, 512},
    };
    for (const auto& state : hostStates) {
        engine.send({noteOn(0, 52), noteOff(400, 52), noteOn(450, 59)});
        for (const auto& call : calls) {
            const unsigned int saved = _mm_getcsr();
            _mm_setcsr(state.mxcsr);
            engine.core().render(call.left, right.data(), call.frames);
            const unsigned int after = _mm_getcsr();
            _mm_setcsr(saved);
            EXPECT_EQ(after, state.mxcsr) << state.name << ", " << call.name;
        }
    }
}
#endif

// Every parameter, one at a time and all together, takes each hostile value
// while a note with every effect on renders through attacks and releases.
TEST(FloatingPointState, NonFiniteAndHugeParameterValuesRenderWithoutFault)
{
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};
    for (float value : values) {
        for (std::int32_t target = -1; target < kNumParameters; ++target) {
            Engine engine;
            engine.set({{kDistorter, 1.0f}, {kDynaTone, 0.8f}, {kOverdrive, 0.7f}, {kChorus, 1.0f},
                        {kPowerChord, target % 2 == 0 ? 1.0f : 0.0f}, {kModulation, 1.0f}});
            engine.send({noteOn(0, 60, 120)});
            engine.render(512);
            for (std::int32_t index = 0; index < kNumParameters; ++index) {
                if (target == -1 || index == target) {
                    engine.set(index, value);
                }
            }
            bool gainInRange = true;
            engine.perform({noteOn(100, 64, 90), noteOff(1500, 64), noteOff(1600, 60), noteOn(2500, 30, 127),
                            pitchBend(2600, 16383), controller(2700, 1, 0)},
                           4096, {512, 1, 333}, [&] {
                               const float gain = engine.limiterGain();
                               gainInRange = gainInRange && gain >= 0.0f && gain <= 1.0f;
                           });
            EXPECT_TRUE(gainInRange) << "value " << value << " on parameter " << target;
        }
    }
}

TEST(FloatingPointState, HostileSampleRatesRenderWithoutFault)
{
    for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), 1.0f, 1e9f}) {
        Engine engine;
        engine.set({{kDynaTone, 0.5f}, {kChorus, 1.0f}, {kDistorter, 0.5f}, {kOverdrive, 0.5f}});
        engine.core().setSampleRate(rate);
        engine.perform({noteOn(0, 60), noteOff(700, 60), noteOn(900, 40)}, 2048, {256});
        engine.core().setSampleRate(44100.0f);
        engine.send({noteOn(0, 57)});
        engine.render(1024);
        EXPECT_EQ(engine.note().noteFrequency, 220.0f) << rate;
    }
}

} // namespace
