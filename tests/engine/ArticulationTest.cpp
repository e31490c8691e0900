// How notes are articulated, as a listener hears it: every separate note is plucked,
// notes drawn end to end included; overlapping notes slide under Legato; and the
// plucks fall on the same samples whatever the host's buffer size. Plucks are counted
// from the output's energy: the settings let a held note fall to a quiet sustain
// level quickly, so a fresh pluck stands well out of it and a slide does not.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

constexpr std::int32_t kHop = 128;

// A short decay to a low sustain: a held note is 26 dB down before the next one.
void quietSustain(Engine& engine, int legato)
{
    engine.set({{kDecay, 0.1f}, {kSustain, 0.05f}, {kModulation, 0.0f}, {kLegato, static_cast<float>(legato)}});
}

// Frames at which the output's energy jumps: a hop of 128 samples carrying more than
// 16 times (12 dB above) the energy of each of the eight hops before the one just
// before it (a rise may straddle two hops). Each onset is reported at its hop's
// first frame; onsets closer than 2048 frames count once.
std::vector<std::int32_t> plucks(const Stereo& out)
{
    std::vector<double> energy;
    for (std::size_t start = 0; start + kHop <= out.size(); start += kHop) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + kHop; ++i) {
            sum += static_cast<double>(out.left[i]) * out.left[i];
        }
        energy.push_back(sum);
    }
    std::vector<std::int32_t> onsets;
    for (std::size_t h = 2; h < energy.size(); ++h) {
        double before = 0.0;
        for (std::size_t back = 2; back <= 9 && back <= h; ++back) {
            before = std::max(before, energy[h - back]);
        }
        const std::int32_t frame = static_cast<std::int32_t>(h) * kHop;
        if (energy[h] > 16.0 * before && energy[h] > 1e-9 && (onsets.empty() || frame - onsets.back() >= 2048)) {
            onsets.push_back(frame);
        }
    }
    return onsets;
}

// True when each onset lies within two hops after the matching note-on frame.
bool onsetsMatch(const std::vector<std::int32_t>& onsets, const std::vector<std::int32_t>& noteOns)
{
    if (onsets.size() != noteOns.size()) {
        return false;
    }
    for (std::size_t n = 0; n < onsets.size(); ++n) {
        if (onsets[n] < noteOns[n] - kHop || onsets[n] > noteOns[n] + 2 * kHop) {
            return false;
        }
    }
    return true;
}

std::string list(const std::vector<std::int32_t>& frames)
{
    std::string text;
    for (std::int32_t frame : frames) {
        text += " " + std::to_string(frame);
    }
    return text;
}

const int kMelody[] = {57, 60, 64, 62, 69, 67, 72, 60, 45, 81};

// The melody's notes each `length` frames long from frame 1000 on, each note-off
// `gap` frames before the next note-on (0: drawn end to end, the note-off sent
// first; negative: overlapping). noteOns receives the note-on frames.
std::vector<Midi> melody(std::int32_t length, std::int32_t gap, std::vector<std::int32_t>* noteOns = nullptr)
{
    std::vector<Midi> messages;
    std::int32_t start = 1000;
    for (int key : kMelody) {
        if (noteOns) {
            noteOns->push_back(start);
        }
        messages.push_back(noteOn(start, key));
        messages.push_back(noteOff(start + length - gap, key));
        start += length;
    }
    std::stable_sort(messages.begin(), messages.end(), [](const Midi& a, const Midi& b) { return a.frame < b.frame; });
    return messages;
}

TEST(Articulation, NotesDrawnEndToEndArePluckedAfreshWithLegatoOnAndOff)
{
    for (int legato : {0, 1}) {
        for (std::int32_t blockSize : {64, 512, 4096}) {
            Engine engine;
            quietSustain(engine, legato);
            std::vector<std::int32_t> noteOns;
            const std::vector<Midi> notes = melody(6000, 0, &noteOns);
            const std::vector<std::int32_t> onsets = plucks(engine.perform(notes, 70000, {blockSize}));
            EXPECT_TRUE(onsetsMatch(onsets, noteOns))
                << "legato " << legato << ", blocks of " << blockSize << ": plucks at" << list(onsets)
                << ", notes at" << list(noteOns);
        }
    }
}

TEST(Articulation, OverlappingNotesSlideUnderLegato)
{
    for (std::int32_t blockSize : {64, 512, 4096}) {
        Engine engine;
        quietSustain(engine, 1);
        const std::vector<std::int32_t> onsets = plucks(engine.perform(melody(6000, -1500), 70000, {blockSize}));
        EXPECT_TRUE(onsetsMatch(onsets, {1000})) << "blocks of " << blockSize << ": plucks at" << list(onsets);
    }
}

// The repeated key pressed again at the frame it is released is plucked again too.
TEST(Articulation, ARepeatedKeyReleasedAndPressedAtTheSameFrameIsPluckedAgain)
{
    for (int legato : {0, 1}) {
        Engine engine;
        quietSustain(engine, legato);
        const std::vector<Midi> notes = {noteOn(1000, 60), noteOff(7000, 60), noteOn(7000, 60), noteOff(13000, 60),
                                         noteOn(13000, 60)};
        const std::vector<std::int32_t> onsets = plucks(engine.perform(notes, 20000, {512}));
        EXPECT_TRUE(onsetsMatch(onsets, {1000, 7000, 13000})) << "legato " << legato << ": plucks at" << list(onsets);
    }
}

// A release and the next note in one batch: a note-off at frame 10 and a note-on at
// frame 20, with Legato on. The release at 10 finds no key held (the key of frame 20 is
// not pressed yet), so the gate closes there, and the note at 20 is plucked.
TEST(Articulation, BatchExampleClosesTheGateAtTheReleaseAndPlucksAtTheNextNote)
{
    const std::vector<Midi> batch = {noteOff(10, 57), noteOn(20, 60)};
    Engine closing;
    Engine plucking;
    for (Engine* engine : {&closing, &plucking}) {
        engine->set(kLegato, 1.0f);
        engine->send({noteOn(0, 57)});
        engine->block(4096);
        engine->send(batch);
    }
    closing.block(15);
    EXPECT_FALSE(closing.note().noteActive);
    EXPECT_EQ(closing.note().keyHeld[57], 0);
    // Frame 20 is beyond this block: its key's press takes effect as the call ends.
    EXPECT_EQ(closing.note().keyHeld[60], 1);

    plucking.block(64);
    EXPECT_TRUE(plucking.note().noteActive);
    EXPECT_EQ(plucking.note().noteFrequency, noteFrequencyTable[60]);
    // The pick burst restarted with the note: counted from frame 21 on.
    EXPECT_EQ(plucking.pickCounter(), 64 - 21);
}

// The same phrase played in host buffers of 32, 512 and 4096 frames: notes drawn end
// to end and notes 10 ms apart, so some releases and the following notes share a
// batch in the larger buffers and not in the smaller ones.
TEST(Articulation, PlucksFallOnTheSameFramesWhateverTheBlockSize)
{
    std::vector<Midi> phrase;
    std::vector<std::int32_t> noteOns;
    std::int32_t start = 1000;
    int n = 0;
    for (int key : kMelody) {
        const std::int32_t gap = n++ % 2 == 0 ? 0 : 441; // end to end, or 10 ms apart
        noteOns.push_back(start);
        phrase.push_back(noteOn(start, key));
        phrase.push_back(noteOff(start + 5000, key));
        start += 5000 + gap;
    }
    std::stable_sort(phrase.begin(), phrase.end(), [](const Midi& a, const Midi& b) { return a.frame < b.frame; });
    for (int legato : {0, 1}) {
        std::vector<std::vector<std::int32_t>> onsets;
        for (std::int32_t blockSize : {32, 512, 4096}) {
            Engine engine;
            quietSustain(engine, legato);
            onsets.push_back(plucks(engine.perform(phrase, start + 8000, {blockSize})));
            EXPECT_TRUE(onsetsMatch(onsets.back(), noteOns))
                << "legato " << legato << ", blocks of " << blockSize << ": plucks at" << list(onsets.back())
                << ", notes at" << list(noteOns);
        }
        EXPECT_EQ(onsets[0], onsets[1]) << "legato " << legato << ", 32 against 512";
        EXPECT_EQ(onsets[0], onsets[2]) << "legato " << legato << ", 32 against 4096";
    }
}

// Held-key flags change at their entry's frame, and the flags of entries that are
// never applied still take effect: when the render call ends, when a new batch
// replaces the queue, and when switching on empties it. No key stays held by mistake.
TEST(Articulation, HeldKeysOfEntriesNeverAppliedStillTakeEffect)
{
    {
        // Beyond the block: the press counts once the call ends.
        Engine engine;
        engine.send({noteOn(100, 50), noteOn(200, 52), noteOff(300, 50)});
        engine.block(64);
        EXPECT_EQ(engine.note().keyHeld[50], 0);
        EXPECT_EQ(engine.note().keyHeld[52], 1);
        EXPECT_FALSE(engine.note().noteActive);
    }
    {
        // A second batch before the render call: the first one's keys still change.
        Engine engine;
        engine.send({noteOn(5, 50), noteOn(6, 52)});
        EXPECT_EQ(engine.note().keyHeld[50], 0);
        engine.send({noteOff(0, 52)});
        EXPECT_EQ(engine.note().keyHeld[50], 1);
        EXPECT_EQ(engine.note().keyHeld[52], 1);
        engine.block(16);
        EXPECT_EQ(engine.note().keyHeld[50], 1);
        EXPECT_EQ(engine.note().keyHeld[52], 0);
    }
    {
        // Switching on empties the queue; its keys' changes take effect.
        Engine engine;
        engine.send({noteOn(5, 50), noteOn(6, 52), noteOff(7, 50)});
        engine.core().resume();
        EXPECT_EQ(engine.note().keyHeld[50], 0);
        EXPECT_EQ(engine.note().keyHeld[52], 1);
        EXPECT_TRUE(engine.block(64).silent());
    }
    {
        // Behind an entry out of order: never applied, flags taken at the call's end.
        Engine engine;
        engine.send({noteOn(20, 50), noteOn(10, 52), noteOff(30, 52)});
        engine.block(64);
        EXPECT_EQ(engine.note().keyHeld[50], 1);
        EXPECT_EQ(engine.note().keyHeld[52], 0);
    }
    {
        // An overfull batch: the dropped release of a queued press wins.
        std::vector<Midi> batch = {noteOn(0, 45)};
        for (int n = 0; n < 1022; ++n) {
            batch.push_back(pitchBend(0, 8192));
        }
        batch.push_back(noteOff(0, 45));
        Engine engine;
        engine.send(batch);
        EXPECT_EQ(engine.note().keyHeld[45], 0);
        engine.block(64);
        EXPECT_EQ(engine.note().keyHeld[45], 0);
    }
}

} // namespace
