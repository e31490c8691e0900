// MIDI as a front end hands it over: batches of messages, applied at their frames
// during the next render call. The gate, the note frequency and the controller
// values are read from the engine state, the rest from the output.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

constexpr int kLegatoOff = 0;
constexpr int kLegatoOn = 1;

float tableHz(int key)
{
    return noteFrequencyTable[key];
}

// The wheel's full throw, four equal-tempered semitones.
const double kBendRange = std::pow(1.059463094359, 4.0);

// noteFrequency after a bend entry multiplied hz by factor.
float bent(float hz, float factor)
{
    return static_cast<float>(static_cast<double>(hz) * factor);
}

TEST(MidiIntake, NoteOnOpensTheGateAtItsFrameAndTheStringSoundsFromTheNextSample)
{
    Engine engine;
    engine.send({noteOn(100, 69)});
    const Stereo out = engine.block(100 + 131);
    for (int i = 0; i <= 100; ++i) {
        ASSERT_EQ(out.left[i], 0.0f) << "sample " << i;
        ASSERT_EQ(out.right[i], 0.0f) << "sample " << i;
    }
    EXPECT_NE(out.left[101], 0.0f);
    EXPECT_TRUE(engine.note().noteActive);
    EXPECT_EQ(engine.note().noteFrequency, 440.0f);
    // The burst counter runs from sample 101: 1 there, 130 at the last burst
    // sample 230 (a 440 Hz note bursts for 131 - 1 samples).
    EXPECT_EQ(engine.pickCounter(), 130);
}

TEST(MidiIntake, SecondNoteOnWithoutNoteOffRetunesWithoutANewBurst)
{
    Engine engine;
    engine.send({noteOn(0, 69), noteOn(50, 72)});
    engine.block(200);
    EXPECT_TRUE(engine.note().noteActive);
    EXPECT_EQ(engine.note().noteFrequency, tableHz(72));
    EXPECT_EQ(engine.pickCounter(), 199);

    engine.send({noteOn(0, 60)});
    engine.block(100);
    EXPECT_EQ(engine.note().noteFrequency, tableHz(60));
    EXPECT_EQ(engine.pickCounter(), 299);
}

// Keys 40 and 52 are held from an earlier batch, then the listed batch arrives.
TEST(MidiIntake, NoteOffClosesTheGateOrFallsBackToTheLowestHeldKey)
{
    const struct {
        const char* name;
        int legato;
        std::vector<Midi> batch;
        std::int32_t frames;
        bool gate;
        float hz;
    } rows[] = {
        {"legato off, releasing a key that does not sound", kLegatoOff, {noteOn(0, 69), noteOff(10, 52)}, 20,
         false, 440.0f},
        {"legato off, releasing the sounding key", kLegatoOff, {noteOn(0, 69), noteOff(10, 69)}, 20, false,
         440.0f},
        {"legato on, releasing the sounding key", kLegatoOn, {noteOn(0, 69), noteOff(10, 69)}, 20, true,
         tableHz(40)},
        {"legato on, releasing a lower held key", kLegatoOn, {noteOn(0, 69), noteOff(10, 40)}, 20, true,
         tableHz(52)},
        // Each release falls back to the keys still held at its frame: 40, then 52, then none.
        {"legato on, releasing every key", kLegatoOn,
         {noteOn(0, 69), noteOff(10, 69), noteOff(11, 40), noteOff(12, 52)}, 20, false, tableHz(52)},
        // Held keys change at their entries' frames: at frame 10 key 60, pressed at
        // frame 20, is not held yet, so the release finds no key and the gate closes.
        {"legato on, a later press in the batch counts only from its frame", kLegatoOn,
         {noteOn(0, 69), noteOff(10, 69), noteOff(10, 40), noteOff(10, 52), noteOn(20, 60)}, 15, false,
         tableHz(52)},
        {"legato on, a press at an earlier frame counts", kLegatoOn,
         {noteOn(0, 69), noteOff(5, 40), noteOff(5, 52), noteOn(8, 60), noteOff(10, 69)}, 15, true, tableHz(60)},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.set(kLegato, static_cast<float>(row.legato));
        engine.send({noteOn(0, 40), noteOn(1, 52)});
        engine.block(64);
        engine.send(row.batch);
        engine.block(row.frames);
        EXPECT_EQ(engine.note().noteActive, row.gate) << row.name;
        EXPECT_EQ(engine.note().noteFrequency, row.hz) << row.name;
    }
}

TEST(MidiIntake, PitchBendAfterANoteOnRetakesThatNoteTimesTheWheelFactor)
{
    const float inverseRange = static_cast<float>(1.0 / kBendRange);
    const struct {
        int wheel;
        float factor;
        float tolerance;
    } rows[] = {
        {0, inverseRange, 0.0f},
        {7591, 0.981288f, 2e-6f},
        {7592, 1.0f, 0.0f},
        {8192, 1.0f, 0.0f},
        {8792, 1.0f, 0.0f},
        {8793, 1.019069f, 2e-6f},
        {16383, 1.259889f, 2e-6f},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.send({noteOn(0, 69, 64), pitchBend(3, row.wheel)});
        engine.block(8);
        const NoteState& s = engine.note();
        EXPECT_TRUE(s.noteActive) << row.wheel;
        EXPECT_EQ(s.noteVelocity, 64 * 0.007874015718698502f) << row.wheel;
        if (row.tolerance == 0.0f) {
            EXPECT_EQ(s.noteFrequency, bent(440.0f, row.factor)) << row.wheel;
        } else {
            EXPECT_NEAR(s.noteFrequency / 440.0f, row.factor, row.tolerance) << row.wheel;
        }
    }
}

// A wheel entry moves the wheel and nothing else: the gate, the velocity and the
// sounding key stay, and the sounding key takes the new position (one factor, never
// several). Key 69 is held from an earlier batch, then the listed batch arrives.
TEST(MidiIntake, PitchBendNeverOpensOrClosesTheGate)
{
    const float down = static_cast<float>(1.0 / kBendRange);
    const struct {
        const char* name;
        int legato;
        std::vector<Midi> batch;
        bool gate;
        float hz;
        int velocity; // of the last note-on
    } rows[] = {
        {"key held, legato off", kLegatoOff, {pitchBend(2, 0)}, true, bent(440.0f, down), 64},
        {"key held, legato on", kLegatoOn, {pitchBend(2, 0)}, true, bent(440.0f, down), 64},
        {"after its release, legato off", kLegatoOff, {noteOff(1, 69), pitchBend(2, 0)}, false, bent(440.0f, down),
         64},
        {"after all-notes-off, legato off", kLegatoOff, {controller(1, 123, 0), pitchBend(2, 0)}, true,
         bent(440.0f, down), 64},
        {"after all-sound-off, legato on", kLegatoOn, {controller(1, 120, 0), pitchBend(2, 0)}, true,
         bent(440.0f, down), 64},
        {"two messages, the last one counts", kLegatoOff, {pitchBend(2, 16383), pitchBend(3, 0)}, true,
         bent(440.0f, down), 64},
        {"released key 72 rings bent, legato off", kLegatoOff, {noteOn(0, 72), noteOff(1, 72), pitchBend(2, 0)},
         false, bent(tableHz(72), down), 100},
        {"released key 72 falls back to held 69, legato on", kLegatoOn,
         {noteOn(0, 72), noteOff(1, 72), pitchBend(2, 0)}, true, bent(440.0f, down), 100},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.set(kLegato, static_cast<float>(row.legato));
        engine.send({noteOn(0, 69, 64)});
        engine.block(32);
        engine.send(row.batch);
        engine.block(8);
        EXPECT_EQ(engine.note().noteActive, row.gate) << row.name;
        EXPECT_EQ(engine.note().noteFrequency, row.hz) << row.name;
        EXPECT_EQ(engine.note().noteVelocity, static_cast<float>(row.velocity * 0.007874015718698502)) << row.name;
    }
}

// Before any note the wheel moves the position only; the first note takes it.
TEST(MidiIntake, NoteOnTakesTheWheelPositionOfAnEarlierBatch)
{
    Engine engine;
    engine.send({pitchBend(0, 16383)});
    engine.block(16);
    EXPECT_EQ(engine.note().noteFrequency, 200.0f);
    EXPECT_FALSE(engine.note().noteActive);
    engine.send({noteOn(0, 57)});
    engine.block(16);
    const double x = static_cast<float>(16383 * 0.0001220703125 - 1.0);
    EXPECT_EQ(engine.note().noteFrequency, bent(220.0f, static_cast<float>(kBendRange * x + 1.0 - x)));
}

TEST(MidiIntake, NoteOnTakesTheBendOfAnEarlierMessageInTheSameBatch)
{
    Engine engine;
    engine.send({pitchBend(0, 0), noteOn(1, 57)});
    engine.block(16);
    EXPECT_EQ(engine.note().noteFrequency, bent(220.0f, static_cast<float>(1.0 / kBendRange)));
}

TEST(MidiIntake, AllNotesOffChangesNothingAudible)
{
    for (int legato : {kLegatoOff, kLegatoOn}) {
        Engine plain;
        Engine withAllNotesOff;
        for (Engine* engine : {&plain, &withAllNotesOff}) {
            engine->set(kLegato, static_cast<float>(legato));
        }
        plain.send({noteOn(0, 64)});
        withAllNotesOff.send({noteOn(0, 64), controller(100, 123, 0), controller(200, 120, 0)});
        EXPECT_TRUE(plain.render(4096).sameBits(withAllNotesOff.render(4096))) << "legato " << legato;
        EXPECT_TRUE(withAllNotesOff.note().noteActive) << "legato " << legato;
    }
}

TEST(MidiIntake, ControllersSetWheelAndChannelVolumeInSteps128)
{
    const struct {
        int number;
        int value;
        float wheel;
        float volume;
    } rows[] = {
        {1, 0, 0.0f, 1.0f},      {1, 64, 0.5f, 1.0f},  {1, 127, 0.9921875f, 1.0f},
        {7, 0, 1.0f, 0.0f},      {7, 100, 1.0f, 0.78125f},
        {2, 0, 1.0f, 1.0f},      {11, 0, 1.0f, 1.0f},  {64, 0, 1.0f, 1.0f},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.send({controller(0, row.number, row.value)});
        EXPECT_EQ(engine.note().modWheel, row.wheel) << "controller " << row.number << " = " << row.value;
        EXPECT_EQ(engine.note().channelVolume, row.volume) << "controller " << row.number << " = " << row.value;
    }
}

TEST(MidiIntake, ChannelVolumeZeroSilencesBothChannels)
{
    Engine engine;
    engine.set(kChorus, 1.0f);
    engine.send({controller(0, 7, 0), noteOn(0, 57)});
    EXPECT_TRUE(engine.render(8192).silent());
    EXPECT_TRUE(engine.note().noteActive);
}

TEST(MidiIntake, NoteVelocityIsTheMidiVelocityOver127)
{
    const struct {
        int velocity;
        float expected;
    } rows[] = {{127, 1.0f}, {1, 0.007874016f}, {64, 0.503937f}};
    for (const auto& row : rows) {
        Engine engine;
        engine.send({noteOn(0, 60, row.velocity)});
        engine.block(4);
        EXPECT_FLOAT_EQ(engine.note().noteVelocity, row.expected) << row.velocity;
    }
    // Velocity 0 on a note-on status is a release.
    Engine engine;
    engine.set(kLegato, 0.0f);
    engine.send({noteOn(0, 60, 90), noteOn(10, 60, 0)});
    engine.block(16);
    EXPECT_FALSE(engine.note().noteActive);
    EXPECT_EQ(engine.note().keyHeld[60], 0);
}

TEST(MidiIntake, AllSixteenChannelsPlayAlike)
{
    auto performance = [](int channel) {
        Engine engine;
        engine.set(kLegato, 0.0f);
        engine.send({controller(0, 7, 90, channel), controller(0, 1, 30, channel), noteOn(5, 62, 80, channel),
                     pitchBend(700, 12000, channel)});
        Stereo out = engine.render(2048, 1024);
        engine.send({noteOff(100, 62, channel)});
        out.append(engine.render(2048, 1024));
        return out;
    };
    const Stereo reference = performance(0);
    ASSERT_FALSE(reference.silent());
    for (int channel = 1; channel < 16; ++channel) {
        EXPECT_TRUE(performance(channel).sameBits(reference)) << "channel " << channel;
    }
}

TEST(MidiIntake, OtherMessagesAreSkipped)
{
    const std::vector<Midi> ignored = {
        {0, 0xA0, 50, 100},  // polyphonic pressure
        {0, 0xC0, 5, 0},     // program change
        {0, 0xD0, 90, 0},    // channel pressure
        {0, 0xF8, 0, 0},     // clock
        {0, 0xF0, 0x43, 0},  // system exclusive start
        {0, 0xB0, 64, 127},  // a controller the instrument does not read
    };
    Engine engine;
    std::vector<Midi> messages = ignored;
    messages.push_back(noteOn(3, 64));
    engine.send(messages);
    EXPECT_EQ(engine.state().getEventQueue().getQueuedEventCount(), 1);
    engine.block(8);
    EXPECT_EQ(engine.note().noteFrequency, tableHz(64));
    EXPECT_EQ(engine.note().keyHeld[50], 0);
    EXPECT_EQ(engine.note().modWheel, 1.0f);
    EXPECT_EQ(engine.note().channelVolume, 1.0f);

    // An empty batch leaves an empty queue.
    engine.send({});
    EXPECT_EQ(engine.state().getEventQueue().getQueuedEvent(0).frame, -1);
}

// A message without a batch begun first starts one: after a render call, and
// after switching on.
TEST(MidiIntake, AMessageAfterARenderCallStartsANewBatch)
{
    Engine engine;
    engine.set(kLegato, 0.0f);
    SynthEngine& core = engine.core();
    core.addMidiMessage(10, 0x90, 69, 100);
    core.addMidiMessage(20, 0x90, 72, 100);
    engine.block(32);
    EXPECT_EQ(engine.note().noteFrequency, tableHz(72));
    // The entries of the last call are gone: only the release at 5 is queued.
    core.addMidiMessage(5, 0x80, 72, 0);
    EXPECT_EQ(core.getEventQueue().getQueuedEventCount(), 1);
    engine.block(32);
    EXPECT_FALSE(engine.note().noteActive);

    core.addMidiMessage(0, 0x90, 60, 100);
    core.resume();
    core.addMidiMessage(3, 0x90, 64, 100);
    EXPECT_EQ(core.getEventQueue().getQueuedEventCount(), 1);
    engine.block(8);
    EXPECT_EQ(engine.note().noteFrequency, tableHz(64));
    EXPECT_EQ(engine.note().keyHeld[60], 1);
}

// Frames at or past the block's end, negative or out of order are never reached,
// and every entry behind them waits with them.
TEST(MidiIntake, EntriesOutsideTheBlockAndEntriesBehindThemAreNotApplied)
{
    const struct {
        const char* name;
        std::vector<Midi> batch;
        bool gate;
        float hz;
    } rows[] = {
        {"frame past the block", {noteOn(64, 69)}, false, 200.0f},
        {"negative frame", {noteOn(-1, 69), noteOn(10, 60)}, false, 200.0f},
        {"behind a frame past the block", {noteOn(100, 69), noteOn(10, 60)}, false, 200.0f},
        {"out of order", {noteOn(20, 69), noteOn(10, 60), noteOff(30, 69)}, true, 440.0f},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.set(kLegato, 0.0f);
        engine.send(row.batch);
        const Stereo out = engine.block(64);
        EXPECT_EQ(engine.note().noteActive, row.gate) << row.name;
        EXPECT_EQ(engine.note().noteFrequency, row.hz) << row.name;
        EXPECT_EQ(out.silent(), !row.gate) << row.name;
    }
}

TEST(MidiIntake, RenderingWithoutANewBatchAppliesNothingAgain)
{
    Engine engine;
    engine.set(kLegato, 0.0f);
    engine.send({noteOn(0, 60), noteOff(10, 60)});
    engine.block(32);
    EXPECT_FALSE(engine.note().noteActive);
    engine.block(32);
    engine.block(64);
    EXPECT_FALSE(engine.note().noteActive);
    EXPECT_EQ(engine.pickCounter(), 0);
}

// The queue holds 1023 entries; held keys and controllers of the dropped
// messages still count.
TEST(MidiIntake, OverfullBatchQueuesTheFirst1023EntriesAndKeepsTheRestsKeysAndControllers)
{
    std::vector<Midi> batch;
    for (int n = 0; n < 1023; ++n) {
        batch.push_back(pitchBend(0, 8192));
    }
    batch.push_back(noteOn(0, 45));
    batch.push_back(controller(0, 7, 32));
    batch.push_back(controller(0, 1, 16));
    batch.push_back(noteOff(0, 45));
    batch.push_back(noteOn(0, 47));

    Engine engine;
    engine.set(kLegato, 0.0f);
    engine.send(batch);
    const NoteState& s = engine.note();
    const EventQueue& queue = engine.state().getEventQueue();
    EXPECT_EQ(queue.getQueuedEventCount(), 1023);
    EXPECT_EQ(queue.getQueuedEvent(1023).frame, -1);
    EXPECT_EQ(s.keyHeld[45], 0);
    EXPECT_EQ(s.keyHeld[47], 1);
    EXPECT_EQ(s.channelVolume, 0.25f);
    EXPECT_EQ(s.modWheel, 0.125f);
    EXPECT_TRUE(engine.block(256).silent());
    EXPECT_FALSE(s.noteActive);
    EXPECT_EQ(s.noteFrequency, 200.0f);
}

// However long a batch, every message's controller value and held key counts;
// only the queue stops at its 1023 entries.
TEST(MidiIntake, ControllersAndHeldKeysOfAnyLongBatchTakeEffect)
{
    std::vector<Midi> batch;
    for (int n = 0; n < 6000; ++n) {
        batch.push_back(pitchBend(0, 8192));
    }
    batch.push_back(controller(0, 7, 96));
    batch.push_back(noteOn(0, 52));
    Engine engine;
    engine.send(batch);
    EXPECT_EQ(engine.note().channelVolume, 0.75f);
    EXPECT_EQ(engine.note().keyHeld[52], 1);
    EXPECT_EQ(engine.state().getEventQueue().getQueuedEventCount(), 1023);
}

} // namespace
