// The pitch wheel as a player meets it: a position that bends whatever key sounds,
// held or ringing, slid to or fallen back to, and the notes played after it moved,
// whatever the host's block size. Measured from the output: the pitch of the
// string (an octave below the key's table frequency) and its level.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"
#include "PitchEstimate.h"

namespace {

using namespace engine_harness;

constexpr float kRate = 44100.0f;
constexpr int kFullThrow = 16383;
constexpr int kCentre = 8192;

// The frequency factor the wheel gives at a 14-bit position (above the dead band).
double wheelFactor(int value)
{
    const double range = std::pow(1.059463094359, 4.0);
    const double x = static_cast<float>(value * 0.0001220703125 - 1.0);
    return range * x + 1.0 - x;
}

// Cents of the fundamental of out between two times above the unbent pitch of key
// (half its table frequency), measured near that pitch times factor.
double centsAboveKey(const std::vector<float>& out, double seconds, double untilSeconds, int key, double factor)
{
    const double unbent = noteFrequencyTable[key] / 2.0;
    const std::vector<float> part(out.begin() + static_cast<std::ptrdiff_t>(seconds * kRate),
                                  out.begin() + static_cast<std::ptrdiff_t>(untilSeconds * kRate));
    const double hz = pitch_estimate::fundamentalHz(part, 0, unbent * factor, kRate);
    return hz > 0.0 ? pitch_estimate::cents(hz, unbent) : 1e9;
}

// Cents of the fundamental off the pitch of key bent by factor.
double centsOff(const std::vector<float>& out, double seconds, double untilSeconds, int key, double factor)
{
    return centsAboveKey(out, seconds, untilSeconds, key, factor) - 1200.0 * std::log2(factor);
}

double rmsDb(const std::vector<float>& out, double seconds, double untilSeconds)
{
    double sum = 0.0;
    const std::size_t from = static_cast<std::size_t>(seconds * kRate);
    const std::size_t to = static_cast<std::size_t>(untilSeconds * kRate);
    for (std::size_t i = from; i < to; ++i) {
        sum += static_cast<double>(out[i]) * out[i];
    }
    return 10.0 * std::log10(sum / static_cast<double>(to - from) + 1e-300);
}

std::int32_t at(double seconds)
{
    return static_cast<std::int32_t>(seconds * kRate);
}

// A held key 57 bent to the full throw half a second in sounds four semitones up
// and keeps sounding at the level of the unbent note, with Legato on and off.
TEST(PitchWheel, HeldNoteBentToFullThrowSoundsFourSemitonesUpAndKeepsSounding)
{
    for (float legato : {0.0f, 1.0f}) {
        Engine plain;
        Engine bent;
        plain.set({{kLegato, legato}, {kModulation, 0.0f}});
        bent.set({{kLegato, legato}, {kModulation, 0.0f}});
        const std::vector<float> unbent = plain.perform({noteOn(0, 57)}, at(1.6), {512}).left;
        const std::vector<float> out =
            bent.perform({noteOn(0, 57), pitchBend(at(0.5), kFullThrow)}, at(1.6), {512}).left;
        EXPECT_NEAR(centsAboveKey(out, 0.7, 1.5, 57, wheelFactor(kFullThrow)), 400.0, 1.0) << "Legato " << legato;
        EXPECT_TRUE(bent.note().noteActive) << "Legato " << legato;
        // The higher pitch decays a little faster.
        EXPECT_NEAR(rmsDb(out, 1.4, 1.6), rmsDb(unbent, 1.4, 1.6), 6.0) << "Legato " << legato;
    }
}

// Moving the wheel in eight steps to a position sounds as one move there does, for
// a held note and for a released one ringing on.
TEST(PitchWheel, EightStepsToAPositionSoundAsOneMoveThere)
{
    const int target = kCentre + 4096; // half throw up
    for (bool released : {false, true}) {
        std::vector<Midi> stepped = {noteOn(0, 57)};
        std::vector<Midi> once = {noteOn(0, 57)};
        if (released) {
            stepped.push_back(noteOff(at(0.3), 57));
            once.push_back(noteOff(at(0.3), 57));
        }
        for (int step = 1; step <= 8; ++step) {
            stepped.push_back(pitchBend(at(0.4) + step * 700, kCentre + step * 512));
        }
        once.push_back(pitchBend(at(0.4) + 8 * 700, target));
        Engine a;
        Engine b;
        for (Engine* engine : {&a, &b}) {
            engine->set({{kModulation, 0.0f}, {kRelease, 1.0f}});
        }
        const std::vector<float> steppedOut = a.perform(stepped, at(1.4), {512}).left;
        const std::vector<float> onceOut = b.perform(once, at(1.4), {512}).left;
        EXPECT_EQ(a.note().noteFrequency, b.note().noteFrequency) << "released " << released;
        EXPECT_NEAR(centsOff(steppedOut, 0.7, 1.4, 57, wheelFactor(target)), 0.0, 1.0) << "released " << released;
        EXPECT_NEAR(centsOff(onceOut, 0.7, 1.4, 57, wheelFactor(target)), 0.0, 1.0) << "released " << released;
    }
}

// A note played while the wheel stands at full throw, moved there blocks earlier,
// sounds bent at any block size.
TEST(PitchWheel, NoteAfterTheWheelMovedSoundsBentWhateverTheBlockSize)
{
    for (std::int32_t blockSize : {32, 512, 4096}) {
        Engine engine;
        engine.set(kModulation, 0.0f);
        const std::vector<float> out =
            engine.perform({pitchBend(0, kFullThrow), noteOn(at(0.2), 57)}, at(1.2), {blockSize}).left;
        EXPECT_NEAR(centsAboveKey(out, 0.4, 1.2, 57, wheelFactor(kFullThrow)), 400.0, 1.0)
            << "blocks of " << blockSize;
    }
}

// With 60 then 64 held, the voice slid to 64: the wheel bends 64, and releasing 64
// falls back to 60, still bent.
TEST(PitchWheel, BendFollowsTheSlidKeyAndTheFallBack)
{
    Engine engine;
    engine.set({{kModulation, 0.0f}, {kLegato, 1.0f}});
    const double factor = wheelFactor(kCentre + 4096);
    const std::vector<float> out = engine
                                       .perform({noteOn(0, 60), noteOn(at(0.2), 64), pitchBend(at(0.4), kCentre + 4096),
                                                 noteOff(at(1.2), 64)},
                                                at(2.0), {512})
                                       .left;
    EXPECT_NEAR(centsOff(out, 0.5, 1.2, 64, factor), 0.0, 1.0);
    EXPECT_NEAR(centsOff(out, 1.3, 2.0, 60, factor), 0.0, 1.0);
    EXPECT_TRUE(engine.note().noteActive);
}

// A released note rings on at its pitch and follows the wheel; however often and
// however far the wheel moves, the note stands where the wheel stands.
TEST(PitchWheel, ReleasedRingingNoteFollowsTheWheelWithoutAccumulating)
{
    const struct {
        const char* name;
        int wheelAt[2]; // positions of even and odd messages
    } rows[] = {
        {"upwards", {kFullThrow, kFullThrow}},
        {"downwards", {0, 0}},
        {"back and forth", {0, kFullThrow}},
    };
    for (const auto& row : rows) {
        for (float legato : {0.0f, 1.0f}) {
            Engine engine;
            engine.set({{kLegato, legato}, {kRelease, 1.0f}, {kModulation, 0.0f}});
            engine.perform({noteOn(0, 69), noteOff(2000, 69)}, 4096);
            for (int block = 0; block < 8; ++block) {
                std::vector<Midi> sweep;
                for (int n = 0; n < 1000; ++n) {
                    sweep.push_back(pitchBend(n, row.wheelAt[(block * 1000 + n) % 2]));
                }
                engine.send(sweep);
                engine.block(1024);
            }
            const int last = row.wheelAt[(8 * 1000 - 1) % 2];
            const float factor = last == 0 ? static_cast<float>(1.0 / std::pow(1.059463094359, 4.0))
                                           : static_cast<float>(wheelFactor(last));
            EXPECT_FALSE(engine.note().noteActive) << row.name;
            EXPECT_EQ(engine.note().noteFrequency, static_cast<float>(440.0 * factor)) << row.name;
            const std::vector<float> tail = engine.render(at(0.6), 512).left;
            EXPECT_NEAR(centsOff(tail, 0.0, 0.6, 69, factor), 0.0, 1.0) << row.name << ", Legato " << legato;
            // The next note plays where the wheel stands.
            engine.send({noteOn(0, 57)});
            const Stereo next = engine.render(8192);
            EXPECT_EQ(engine.note().noteFrequency, static_cast<float>(220.0 * factor)) << row.name;
            EXPECT_TRUE(std::isfinite(next.peak())) << row.name;
            EXPECT_GT(next.peak(), 0.0f) << row.name;
        }
    }
}

// Reset all controllers (controller 121) brings the wheel back to its centre at the
// message's frame: exactly what a wheel message at the centre there does.
TEST(PitchWheel, ResetAllControllersCentresTheWheelAtItsFrame)
{
    Engine reset;
    Engine centred;
    for (Engine* engine : {&reset, &centred}) {
        engine->send({noteOn(0, 57), pitchBend(10, kFullThrow)});
        engine->render(8192, 512);
    }
    reset.send({controller(300, 121, 0)});
    centred.send({pitchBend(300, kCentre)});
    const Stereo a = reset.block(2048);
    const Stereo b = centred.block(2048);
    EXPECT_TRUE(a.sameBits(b));
    EXPECT_EQ(reset.note().noteFrequency, 220.0f);
    const std::vector<float> after = reset.render(at(0.8), 512).left;
    EXPECT_NEAR(centsOff(after, 0.0, 0.8, 57, 1.0), 0.0, 1.0);
}

} // namespace
