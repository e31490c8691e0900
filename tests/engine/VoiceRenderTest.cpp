// The rendered voice as a listener hears it: silence without a note, render calls
// overwriting their buffers, PowerChord's two loops, and identical output for
// identical input (the ordinary string's tuning is TuningTest's).

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

constexpr double kRate = 44100.0;

// Energy of x at hz under a Hann window (Goertzel).
double energyAt(const std::vector<float>& x, double hz)
{
    const double pi = std::acos(-1.0);
    const double coefficient = 2.0 * std::cos(2.0 * pi * hz / kRate);
    double s1 = 0.0;
    double s2 = 0.0;
    const std::size_t n = x.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) / static_cast<double>(n - 1));
        const double s0 = x[i] * window + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

std::vector<float> slice(const std::vector<float>& x, std::size_t from, std::size_t count)
{
    return std::vector<float>(x.begin() + static_cast<std::ptrdiff_t>(from),
                              x.begin() + static_cast<std::ptrdiff_t>(from + count));
}

TEST(VoiceRender, WithoutANoteBothChannelsAreExactlyZero)
{
    Engine plain;
    EXPECT_TRUE(plain.render(4096).silent());

    Engine allEffects;
    allEffects.set({{kDistorter, 1.0f}, {kDynaTone, 1.0f}, {kOverdrive, 1.0f}, {kChorus, 1.0f}, {kPowerChord, 1.0f}});
    allEffects.send({controller(0, 1, 90), pitchBend(10, 0)});
    EXPECT_TRUE(allEffects.render(4096).silent());
}

TEST(VoiceRender, RenderCallsOverwriteWhateverTheBuffersHeld)
{
    Engine garbage;
    Engine huge;
    for (Engine* engine : {&garbage, &huge}) {
        engine->set(kChorus, 0.5f);
        engine->send({noteOn(7, 60, 90)});
    }
    for (int block = 0; block < 8; ++block) {
        std::vector<float> buffers[4];
        for (int channel = 0; channel < 4; ++channel) {
            buffers[channel].assign(300, channel < 2 ? kGarbage : 1.0e30f);
        }
        garbage.core().render(buffers[0].data(), buffers[1].data(), 300);
        huge.core().render(buffers[2].data(), buffers[3].data(), 300);
        EXPECT_EQ(buffers[0], buffers[2]) << "block " << block;
        EXPECT_EQ(buffers[1], buffers[3]) << "block " << block;
    }
}

TEST(VoiceRender, EmptyOrNegativeBlocksWriteNothingAndKeepTheQueuedEvents)
{
    for (std::int32_t frames : {0, -1, -1024}) {
        Engine engine;
        engine.send({noteOn(5, 60)});
        std::vector<float> left(64, kGarbage);
        std::vector<float> right(64, kGarbage);
        engine.core().render(left.data(), right.data(), frames);
        EXPECT_EQ(left, std::vector<float>(64, kGarbage)) << frames;
        EXPECT_EQ(right, std::vector<float>(64, kGarbage)) << frames;
        EXPECT_FALSE(engine.block(64).silent()) << frames;
    }
}

// A missing buffer writes nothing into the other one, and the block still counts:
// the queued note sounds from the next call on, as after an empty block.
TEST(VoiceRender, ABlockWithAMissingBufferWritesNothing)
{
    Engine engine;
    engine.send({noteOn(5, 60)});
    std::vector<float> right(64, kGarbage);
    engine.core().render(nullptr, right.data(), 64);
    EXPECT_EQ(right, std::vector<float>(64, kGarbage));
    EXPECT_FALSE(engine.block(64).silent());
}

// Two parallel loops, at three quarters and half the note frequency.
TEST(VoiceRender, PowerChordSoundsAFifthApartAtThreeQuartersAndHalfTheNote)
{
    Engine engine;
    engine.set({{kPowerChord, 1.0f}, {kModulation, 0.0f}});
    engine.send({noteOn(0, 69)});
    const std::vector<float> out = slice(engine.render(20480, 512).left, 4096, 16384);
    const double fifth = energyAt(out, 330.0);
    const double root = energyAt(out, 220.0);
    for (double neighbour : {165.0, 275.0, 385.0, 495.0}) {
        EXPECT_GT(fifth, 30.0 * energyAt(out, neighbour)) << neighbour << " Hz";
        EXPECT_GT(root, 30.0 * energyAt(out, neighbour)) << neighbour << " Hz";
    }
}

TEST(VoiceRender, SameEventsAndParametersGiveBitIdenticalOutput)
{
    auto play = [](Engine& engine) {
        engine.set({{kChorus, 0.7f}, {kDynaTone, 0.4f}, {kDistorter, 0.3f}, {kModulation, 1.0f}});
        return engine.perform({noteOn(10, 50), pitchBend(3000, 12000), noteOn(6000, 55), noteOff(9000, 55),
                               noteOff(9500, 50), noteOn(12000, 62)},
                              16384, {256, 100, 1024});
    };
    Engine first;
    const Stereo reference = play(first);
    Engine second;
    EXPECT_TRUE(play(second).sameBits(reference));
}

// Each instance has its own pick noise, starting from the same state: rendering
// one instance leaves what another renders unchanged.
TEST(VoiceRender, InstancesRenderIndependently)
{
    const std::vector<Midi> notes = {noteOn(0, 48, 110), noteOff(3000, 48), noteOn(4000, 53)};
    Engine alone;
    const Stereo reference = alone.perform(notes, 8192);

    Engine a;
    Engine b;
    Engine busy;
    busy.send({noteOn(0, 70)});
    busy.render(5000);
    const Stereo first = a.perform(notes, 8192);
    busy.render(5000);
    EXPECT_TRUE(first.sameBits(reference));
    EXPECT_TRUE(b.perform(notes, 8192).sameBits(reference));
}

} // namespace
