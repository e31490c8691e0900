// Silencing the voice from outside: reset() leaves an engine that plays as a
// fresh one with the same values would, and choke() fades the output out within a
// few milliseconds, without a step, before doing the same.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"

using namespace engine_harness;

namespace {

struct Setting {
    const char* name;
    float rate;
    std::vector<std::pair<std::int32_t, float>> values;
};

std::vector<Setting> settings()
{
    return {
        {"basic program", 44100.0f, {}},
        {"chorus, DynaTone and distorter", 48000.0f, {{kChorus, 0.8f}, {kDynaTone, 0.6f}, {kDistorter, 0.5f}}},
        {"PowerChord with overdrive", 96000.0f, {{kPowerChord, 1.0f}, {kOverdrive, 0.7f}, {kChorus, 0.3f}}},
    };
}

void apply(Engine& engine, const Setting& setting)
{
    for (const auto& value : setting.values) {
        engine.set(value.first, value.second);
    }
}

// What a fresh engine plays after the setting: two notes, a bend and a release.
std::vector<Midi> phrase()
{
    return {noteOn(10, 57, 90), noteOn(3000, 64, 120), pitchBend(5000, 12000), noteOff(7000, 64),
            noteOff(9000, 57)};
}

// A voice in the middle of everything: notes held, bent, controllers moved, the
// chorus and every line full, MIDI still queued for a block that never comes.
void playSomething(Engine& engine)
{
    engine.perform({noteOn(0, 40, 127), noteOn(900, 45), pitchBend(1500, 2000), controller(2000, 1, 30),
                    controller(2100, 7, 70)},
                   6000, {512});
    engine.send({noteOn(100, 70)});
}

} // namespace

TEST(VoiceReset, AfterResetTheEnginePlaysAsAFreshOneWithTheSameValues)
{
    for (const Setting& setting : settings()) {
        Engine used(setting.rate);
        apply(used, setting);
        playSomething(used);
        used.core().reset();
        const Stereo afterReset = used.perform(phrase(), 20000, {256, 100, 1024});

        Engine fresh(setting.rate);
        apply(fresh, setting);
        const Stereo expected = fresh.perform(phrase(), 20000, {256, 100, 1024});
        EXPECT_GT(expected.peak(), 0.01f) << setting.name;
        EXPECT_TRUE(afterReset.sameBits(expected)) << setting.name;
    }
}

TEST(VoiceReset, ResetIsSilentAtOnceDropsQueuedMidiAndForgetsHeldKeys)
{
    Engine engine;
    engine.set(kChorus, 0.5f);
    engine.send({noteOn(0, 50), noteOn(100, 55)});
    engine.render(4096);
    engine.send({noteOn(20, 62)});
    engine.core().reset();
    EXPECT_TRUE(engine.block(512).silent()) << "queued note-on played after the reset";
    // With Legato on, releasing a key held before the reset would fall back to the other one.
    engine.send({noteOff(0, 55)});
    EXPECT_TRUE(engine.render(2048).silent());
    EXPECT_FALSE(engine.note().noteActive);
}

TEST(VoiceReset, ResetKeepsTheParameterValuesAndTheRate)
{
    Engine engine(32000.0f);
    engine.set({{kVolume, 0.7f}, {kLegato, 0.0f}, {kFixing, 0.25f}});
    engine.send({noteOn(0, 50)});
    engine.render(1000);
    engine.core().reset();
    EXPECT_EQ(engine.state().getParameter(kVolume), 0.7f);
    EXPECT_EQ(engine.state().getParameter(kLegato), 0.0f);
    EXPECT_EQ(engine.state().getParameter(kFixing), 0.25f);
    EXPECT_EQ(engine.state().getSampleRate(), 32000.0f);
}

TEST(VoiceChoke, TheOutputFadesInEqualStepsToSilenceWithinFourMilliseconds)
{
    for (const Setting& setting : settings()) {
        Engine choked(setting.rate);
        Engine playing(setting.rate);
        for (Engine* engine : {&choked, &playing}) {
            apply(*engine, setting);
            engine->send({noteOn(0, 52, 110)});
            engine->render(3000);
        }
        choked.core().choke();
        const std::int32_t fade = choked.core().getChokeFramesLeft();
        EXPECT_EQ(fade, static_cast<std::int32_t>(std::lround(setting.rate * 0.004))) << setting.name;

        // In blocks that end inside and after the fade, as a host's would.
        const Stereo faded = choked.render(fade + 300, 37);
        const Stereo unfaded = playing.render(fade + 300, 37);
        ASSERT_GT(unfaded.peak(), 0.01f) << setting.name;
        for (std::int32_t n = 0; n < fade + 300; ++n) {
            const double gain = n < fade ? static_cast<double>(fade - 1 - n) / fade : 0.0;
            ASSERT_EQ(faded.left[n], static_cast<float>(unfaded.left[n] * gain)) << setting.name << " sample " << n;
            ASSERT_EQ(faded.right[n], static_cast<float>(unfaded.right[n] * gain)) << setting.name << " sample " << n;
        }
        EXPECT_EQ(choked.core().getChokeFramesLeft(), 0);
        EXPECT_TRUE(choked.render(4096).silent()) << setting.name;
    }
}

TEST(VoiceChoke, AfterTheFadeTheVoicePlaysAsAFreshOneKeepingTheControllers)
{
    for (const Setting& setting : settings()) {
        Engine choked(setting.rate);
        apply(choked, setting);
        playSomething(choked);
        choked.core().choke();
        // A block that ends exactly where the fade does.
        choked.block(choked.core().getChokeFramesLeft());
        const Stereo afterChoke = choked.perform(phrase(), 20000, {256});

        Engine fresh(setting.rate);
        apply(fresh, setting);
        fresh.send({controller(0, 1, 30), controller(0, 7, 70)});
        const Stereo expected = fresh.perform(phrase(), 20000, {256});
        EXPECT_GT(expected.peak(), 0.01f) << setting.name;
        EXPECT_TRUE(afterChoke.sameBits(expected)) << setting.name;
    }
}

TEST(VoiceChoke, ANoteStartedAfterTheFadeInTheSameBlockIsLostWithTheVoice)
{
    // The engine silences the voice at the end of the block the fade ends in: a
    // front end ends its block at the fade's end to keep later notes.
    Engine engine;
    engine.send({noteOn(0, 50)});
    engine.render(2048);
    engine.core().choke();
    const std::int32_t fade = engine.core().getChokeFramesLeft();
    engine.send({noteOn(fade + 10, 60)});
    const Stereo block = engine.block(fade + 500);
    for (std::int32_t n = fade; n < fade + 500; ++n) {
        ASSERT_EQ(block.left[n], 0.0f) << n;
    }
    EXPECT_FALSE(engine.note().noteActive);
}

TEST(VoiceChoke, ASilentVoiceIsSilencedAtOnceAndAChokeDuringAFadeDoesNotProlongIt)
{
    Engine idle;
    idle.core().choke();
    EXPECT_EQ(idle.core().getChokeFramesLeft(), 0);

    Engine engine;
    engine.send({noteOn(0, 50)});
    engine.render(2048);
    engine.core().choke();
    const std::int32_t fade = engine.core().getChokeFramesLeft();
    engine.block(10);
    engine.core().choke();
    EXPECT_EQ(engine.core().getChokeFramesLeft(), fade - 10);
}

TEST(VoiceChoke, ResetDuringAFadeEndsIt)
{
    Engine engine;
    engine.send({noteOn(0, 50)});
    engine.render(2048);
    engine.core().choke();
    engine.core().reset();
    EXPECT_EQ(engine.core().getChokeFramesLeft(), 0);
    engine.send({noteOn(0, 50)});
    EXPECT_GT(engine.render(2048).peak(), 0.01f);
}
