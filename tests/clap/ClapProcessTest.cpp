// The CLAP plug-in playing: notes as CLAP events and as MIDI, parameter values at
// their frames, the events it must skip or hold to the rules, reset and choke,
// and what every block writes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/clap/ClapHost.h"

namespace {

using namespace clap_test_host;

constexpr clap_id kVolumeId = 9;
constexpr clap_id kReleaseId = 7;

class ClapProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.valid()); }

    // A fresh instance at rate, processing.
    std::unique_ptr<Instance> started(double rate = 44100.0, std::uint32_t maxFrames = 8192)
    {
        auto instance = std::make_unique<Instance>(library, host);
        EXPECT_TRUE(instance->valid());
        EXPECT_TRUE(instance->activate(rate, 1, maxFrames));
        return instance;
    }

    // The events of each block played in turn, then tail frames with none.
    Stereo play(const std::vector<std::pair<std::uint32_t, Events>>& blocks, std::uint32_t tail = 4096,
                double rate = 44100.0)
    {
        auto instance = started(rate);
        Stereo out;
        for (const auto& block : blocks) {
            out.append(instance->process(block.first, block.second));
        }
        out.append(instance->render(tail));
        return out;
    }

    Library library;
    Host host;
};

bool everySampleWrittenAndFinite(const Stereo& out)
{
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        if (!std::isfinite(out.left[i]) || !std::isfinite(out.right[i]) || out.left[i] == kUnwritten ||
            out.right[i] == kUnwritten) {
            return false;
        }
    }
    return true;
}

TEST_F(ClapProcessTest, EveryBlockWritesEverySampleFiniteAtAnyRateAndBlockLength)
{
    for (double rate : {1000.0, 22050.0, 44100.0, 48000.0, 88200.5, 192000.0, 768000.0}) {
        for (std::uint32_t block : {1u, 17u, 512u, 4096u, 16384u}) {
            auto instance = started(rate, block);
            Stereo out;
            std::int32_t status = -1;
            for (std::uint32_t done = 0; done < 20000; done += block) {
                Events events;
                if (done == 0) {
                    events.noteOn(0, 45, 1.0).value(0, 14, 0.8).value(0, 11, 0.6);
                }
                out.append(instance->process(block, events, &status));
                ASSERT_EQ(instance->guardLeft, kUnwritten) << "wrote past the block";
                ASSERT_EQ(instance->guardRight, kUnwritten) << "wrote past the block";
                ASSERT_EQ(instance->lastConstantMask, 0u);
                ASSERT_EQ(status, CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
            }
            EXPECT_TRUE(everySampleWrittenAndFinite(out)) << rate << " Hz, blocks of " << block;
            EXPECT_GT(out.peak(), 0.001f) << rate << " Hz, blocks of " << block;
        }
    }
}

TEST_F(ClapProcessTest, ActivationRefusesRatesTheEngineCannotRunAt)
{
    Instance instance(library, host);
    for (double rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_FALSE(instance.plugin->activate(instance.plugin, rate, 1, 512)) << rate;
    }
    std::int32_t status = -1;
    instance.process(64, Events(), &status);
    EXPECT_EQ(status, CLAP_PROCESS_ERROR) << "processing while inactive";
}

// A note-on's velocity v/127 is MIDI velocity v; 0 (still a note-on) plays at 1.
TEST_F(ClapProcessTest, NotesAsClapEventsSoundBitForBitAsTheSameNotesAsMidi)
{
    struct Note {
        std::uint32_t time;
        int key;
        double velocity;
        int midiVelocity;
        int channel;
    };
    const Note notes[] = {{5, 40, 1.0, 127, 0},       {700, 47, 64 / 127.0, 64, 3},  {1500, 52, 0.0, 1, 15},
                          {2300, 59, 1 / 127.0, 1, 0}, {3000, 64, 0.5, 64, 9},        {3500, 30, 1e-9, 1, 1}};
    Events clap;
    Events midi;
    for (const Note& note : notes) {
        clap.noteOn(note.time, note.key, note.velocity, note.channel);
        midi.midi(note.time, static_cast<std::uint8_t>(0x90 | note.channel), static_cast<std::uint8_t>(note.key),
                  static_cast<std::uint8_t>(note.midiVelocity));
        clap.noteOff(note.time + 300, note.key, note.channel);
        midi.midi(note.time + 300, static_cast<std::uint8_t>(0x80 | note.channel), static_cast<std::uint8_t>(note.key));
    }
    const Stereo asClap = play({{4096, clap}});
    const Stereo asMidi = play({{4096, midi}});
    EXPECT_GT(asMidi.peak(), 0.01f);
    EXPECT_TRUE(asClap.sameBits(asMidi));
    // A velocity above 1 plays as 1.
    EXPECT_TRUE(play({{512, Events().noteOn(0, 50, 7.5)}}).sameBits(play({{512, Events().midi(0, 0x90, 50, 127)}})));
}

TEST_F(ClapProcessTest, NotesWithKeysChannelsOrPortsOutOfRangeAreDroppedNotWrapped)
{
    const Stereo silence = play({{2048, Events()}});
    const std::vector<Events> dropped = {
        Events().noteOn(0, 128, 1.0),          Events().noteOn(0, 188, 1.0), // 188 & 0x7F would be 60
        Events().noteOn(0, -1, 1.0),           Events().noteOn(0, 60, 1.0, 16),
        Events().noteOn(0, 60, 1.0, -1),       Events().noteOn(0, 60, 1.0, 0, 1),
        Events().noteOn(0, 60, 1.0, 0, -1),    Events().midi(0, 0x90, 60, 100, 1),
    };
    for (std::size_t n = 0; n < dropped.size(); ++n) {
        EXPECT_TRUE(play({{2048, dropped[n]}}).sameBits(silence)) << "case " << n;
    }
    // A note-off out of range leaves the held note sounding.
    const Stereo held = play({{2048, Events().noteOn(0, 60, 1.0)}});
    const Stereo withBadOff = play({{2048, Events().noteOn(0, 60, 1.0).noteOff(100, 188).noteOff(200, 60, 16)}});
    EXPECT_TRUE(withBadOff.sameBits(held));
}

TEST_F(ClapProcessTest, ANoteOffForKeyMinusOneReleasesEveryHeldKey)
{
    const Events chord = Events().noteOn(0, 50, 0.9).noteOn(100, 55, 0.9).noteOn(200, 62, 0.9);
    Events wildcard = chord;
    wildcard.noteOff(1000, -1, -1);
    Events each = chord;
    each.noteOff(1000, 50).noteOff(1000, 55).noteOff(1000, 62);
    const Stereo released = play({{2048, wildcard}}, 44100);
    EXPECT_TRUE(released.sameBits(play({{2048, each}}, 44100)));
    // With Legato on, releasing only the sounding key falls back to a held one.
    Events onlyLast = chord;
    onlyLast.noteOff(1000, 62);
    EXPECT_FALSE(released.sameBits(play({{2048, onlyLast}}, 44100)));
    // Released keys stay released: a second wildcard changes nothing.
    Events twice = wildcard;
    twice.noteOff(1500, -1);
    EXPECT_TRUE(play({{2048, twice}}, 44100).sameBits(released));
}

TEST_F(ClapProcessTest, SysexMidi2ExpressionsModulationTransportAndForeignSpacesAreSkipped)
{
    const Events notes = Events().noteOn(10, 57, 0.8).noteOff(3000, 57);
    Events cluttered = notes;
    const std::uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    clap_event_midi_sysex sysexEvent{};
    sysexEvent.header = Events::header(CLAP_EVENT_MIDI_SYSEX, 20, sizeof sysexEvent);
    sysexEvent.buffer = sysex;
    sysexEvent.size = sizeof sysex;
    clap_event_midi2 midi2{};
    midi2.header = Events::header(CLAP_EVENT_MIDI2, 30, sizeof midi2);
    midi2.data[0] = 0x40903C00u; // a MIDI 2.0 note-on
    midi2.data[1] = 0xFFFF0000u;
    clap_event_note_expression expression{};
    expression.header = Events::header(CLAP_EVENT_NOTE_EXPRESSION, 40, sizeof expression);
    expression.key = 57;
    expression.note_id = -1;
    expression.value = 12.0;
    clap_event_param_mod modulation{};
    modulation.header = Events::header(CLAP_EVENT_PARAM_MOD, 50, sizeof modulation);
    modulation.param_id = kVolumeId;
    modulation.amount = 0.7;
    clap_event_transport transport{};
    transport.header = Events::header(CLAP_EVENT_TRANSPORT, 60, sizeof transport);
    clap_event_note foreign = Events::note(CLAP_EVENT_NOTE_ON, 70, 64, 1.0, 0, 0, -1);
    foreign.header.space_id = 77;
    clap_event_note shortNote = Events::note(CLAP_EVENT_NOTE_ON, 80, 64, 1.0, 0, 0, -1);
    shortNote.header.size = 20; // claims less than a note event
    clap_event_note noteEnd = Events::note(CLAP_EVENT_NOTE_END, 90, 57, 0.0, 0, 0, -1);
    clap_event_header unknown = Events::header(200, 100, sizeof(clap_event_header));
    cluttered.add(sysexEvent).add(midi2).add(expression).add(modulation).add(transport);
    cluttered.add(foreign).add(shortNote).add(noteEnd).add(unknown);
    cluttered.value(110, kVolumeId, 1.0, 5).midi(120, 0xF8).midi(130, 0xFE);
    const Stereo expected = play({{4096, notes}});
    EXPECT_GT(expected.peak(), 0.01f);
    EXPECT_TRUE(play({{4096, cluttered}}).sameBits(expected));
}

// A value at frame f plays as a host's blocks ending at f would, with the value
// set between them.
TEST_F(ClapProcessTest, ParameterValuesSplitTheBlockAtTheirFrames)
{
    Events split;
    split.noteOn(10, 45, 0.9).value(700, 11, 0.8).value(1500, kVolumeId, 0.9).value(1500, 14, 0.7);
    split.noteOff(2500, 45).value(3000, kReleaseId, 0.9);
    const Stereo oneBlock = play({{4096, split}});
    const Stereo blocks = play({{700, Events().noteOn(10, 45, 0.9)},
                                {800, Events().value(0, 11, 0.8)},
                                {1500, Events().value(0, kVolumeId, 0.9).value(0, 14, 0.7).noteOff(1000, 45)},
                                {1096, Events().value(0, kReleaseId, 0.9)}});
    EXPECT_GT(oneBlock.peak(), 0.01f);
    EXPECT_TRUE(oneBlock.sameBits(blocks));
    // Where the block splits is heard: the same values set at other frames sound otherwise.
    Events elsewhere;
    elsewhere.noteOn(10, 45, 0.9).value(701, 11, 0.8).value(1500, kVolumeId, 0.9).value(1500, 14, 0.7);
    elsewhere.noteOff(2500, 45).value(3000, kReleaseId, 0.9);
    EXPECT_FALSE(play({{4096, elsewhere}}).sameBits(oneBlock));
}

TEST_F(ClapProcessTest, BadValuesAreHeldToTheRangeOrIgnoredAndNeverSplitTheBlock)
{
    auto instance = started();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Events events;
    events.noteOn(0, 50, 1.0).value(100, kVolumeId, nan).value(200, 0, 9.0).value(300, 99, 0.5);
    events.value(400, 3, -std::numeric_limits<double>::infinity());
    const Stereo out = instance->process(1024, events);
    EXPECT_TRUE(everySampleWrittenAndFinite(out));
    EXPECT_EQ(instance->value(kVolumeId), static_cast<double>(0.3f));
    EXPECT_EQ(instance->value(0), 1.0);
    EXPECT_EQ(instance->value(3), 0.0);
    // NaN and the unknown id split nothing: the same as values at 200 and 400 only.
    EXPECT_TRUE(play({{1024, events}}).sameBits(
        play({{1024, Events().noteOn(0, 50, 1.0).value(200, 0, 1.0).value(400, 3, 0.0)}})));
}

TEST_F(ClapProcessTest, EventsOutOfOrderPlayAtTheLatestFrameSeenAndLateOnesAtTheLastFrame)
{
    const Stereo unordered = play({{1024, Events().noteOn(600, 60, 0.8).noteOn(300, 64, 0.8)}});
    const Stereo ordered = play({{1024, Events().noteOn(600, 60, 0.8).noteOn(600, 64, 0.8)}});
    EXPECT_TRUE(unordered.sameBits(ordered));
    // An event the plug-in skips moves no later one.
    clap_event_transport transport{};
    transport.header = Events::header(CLAP_EVENT_TRANSPORT, 900, sizeof transport);
    EXPECT_TRUE(play({{1024, Events().noteOn(600, 60, 0.8).add(transport).noteOn(700, 64, 0.8)}})
                    .sameBits(play({{1024, Events().noteOn(600, 60, 0.8).noteOn(700, 64, 0.8)}})));
    const Stereo late = play({{1024, Events().noteOn(5000, 60, 0.8)}});
    EXPECT_TRUE(late.sameBits(play({{1024, Events().noteOn(1023, 60, 0.8)}})));
    EXPECT_GT(late.peak(), 0.01f);
}

TEST_F(ClapProcessTest, ResetLeavesAnInstanceThatPlaysAsAFreshOne)
{
    const Events phrase = Events().noteOn(0, 52, 0.9).noteOff(3000, 52);
    auto used = started(48000.0);
    used->process(4096, Events().value(0, 14, 0.6).noteOn(0, 40, 1.0).noteOn(100, 47, 1.0).midi(200, 0xB0, 7, 40));
    used->process(512, Events().noteOn(300, 70, 1.0));
    used->plugin->reset(used->plugin);
    Stereo afterReset = used->process(4096, phrase);
    afterReset.append(used->render(8192));

    auto fresh = started(48000.0);
    fresh->process(0, Events().value(0, 14, 0.6));
    Stereo expected = fresh->process(4096, phrase);
    expected.append(fresh->render(8192));
    EXPECT_GT(expected.peak(), 0.01f);
    EXPECT_TRUE(afterReset.sameBits(expected));
}

// The fade of a choke: 4 ms, 176 samples at 44.1 kHz.
constexpr std::uint32_t kFade = 176;

TEST_F(ClapProcessTest, AChokeSilencesTheVoiceWithinFourMillisecondsWithoutAStep)
{
    for (const Events& choke : {Events().choke(1000), Events().choke(1000, 60, 0, 0), Events().choke(1000, 20)}) {
        auto choked = started();
        auto playing = started();
        const Events start = Events().noteOn(0, 60, 1.0).value(0, 14, 0.5);
        choked->process(2048, start);
        playing->process(2048, start);
        // The choke ends a part at its frame, as a host's block would end there.
        const Stereo faded = choked->process(2048, choke);
        Stereo open = playing->process(1000);
        open.append(playing->process(1048));
        for (std::uint32_t n = 0; n < 1000; ++n) {
            ASSERT_EQ(faded.left[n], open.left[n]) << n;
        }
        float largestStep = 0.0f;
        for (std::uint32_t n = 1000; n < 1000 + kFade; ++n) {
            const double gain = static_cast<double>(kFade - 1 - (n - 1000)) / kFade;
            ASSERT_EQ(faded.left[n], static_cast<float>(open.left[n] * gain)) << n;
            largestStep = std::max(largestStep, std::fabs(faded.left[n] - faded.left[n - 1]));
        }
        float openStep = 0.0f;
        for (std::uint32_t n = 1; n < 2048; ++n) {
            openStep = std::max(openStep, std::fabs(open.left[n] - open.left[n - 1]));
        }
        EXPECT_LE(largestStep, openStep * 1.05f) << "the fade steps further than the sound itself";
        EXPECT_EQ(peakFrom(faded, 1000 + kFade), 0.0f);
        EXPECT_EQ(choked->render(8192).peak(), 0.0f) << "a released key came back";
    }
}

TEST_F(ClapProcessTest, ChokesForAnotherPortAndMalformedOnesAreIgnored)
{
    const Stereo playing = play({{2048, Events().noteOn(0, 60, 1.0)}, {2048, Events()}});
    EXPECT_TRUE(play({{2048, Events().noteOn(0, 60, 1.0)}, {2048, Events().choke(10, -1, -1, 1)}}).sameBits(playing));
    EXPECT_TRUE(play({{2048, Events().noteOn(0, 60, 1.0)}, {2048, Events().choke(10, 300)}}).sameBits(playing));
}

TEST_F(ClapProcessTest, NotesDuringAChokesFadeStartAtItsEndOnAFreshVoiceEvenBlocksLater)
{
    // Choke and a new note at the same frame, in one block: the note starts where the fade ends.
    auto choked = started();
    choked->process(2048, Events().noteOn(0, 60, 1.0).midi(0, 0xB0, 7, 90));
    const Stereo after = choked->process(kFade + 2048, Events().choke(0).noteOn(0, 48, 0.7).midi(50, 0x80, 60));
    auto fresh = started();
    fresh->process(0, Events().midi(0, 0xB0, 7, 90));
    const Stereo expected = fresh->process(2048, Events().noteOn(0, 48, 0.7).midi(0, 0x80, 60));
    Stereo tail;
    tail.left.assign(after.left.begin() + kFade, after.left.end());
    tail.right.assign(after.right.begin() + kFade, after.right.end());
    EXPECT_GT(expected.peak(), 0.01f);
    EXPECT_TRUE(tail.sameBits(expected)) << "held-back note or kept controller wrong";

    // In blocks of 32, shorter than the fade: the note of a later block waits too.
    auto small = started();
    small->process(2048, Events().noteOn(0, 60, 1.0));
    Stereo blocks = small->process(32, Events().choke(5));
    blocks.append(small->process(32, Events().noteOn(3, 48, 0.7)));
    for (int n = 0; n < 10; ++n) {
        blocks.append(small->process(32));
    }
    EXPECT_EQ(blocks.left[5 + kFade - 1], 0.0f) << "the fade's last sample is silent";
    EXPECT_GT(peakFrom(blocks, 5 + kFade), 0.0f) << "the held-back note starts at the fade's end";
    EXPECT_GT(small->render(4096).peak(), 0.01f) << "the held-back note was lost";
}

TEST_F(ClapProcessTest, ABlockWithoutUsableOutputsTakesItsEventsAndReportsAnError)
{
    auto instance = started();
    clap_process block{};
    block.frames_count = 256;
    Events events = Events().value(0, kVolumeId, 0.8).noteOn(0, 60, 1.0);
    block.in_events = events.get();
    EXPECT_EQ(instance->plugin->process(instance->plugin, &block), CLAP_PROCESS_ERROR);
    EXPECT_EQ(instance->value(kVolumeId), static_cast<double>(0.8f));
    clap_audio_buffer mono{};
    float samples[256];
    float* channels[1] = {samples};
    mono.data32 = channels;
    mono.channel_count = 1;
    block.audio_outputs = &mono;
    block.audio_outputs_count = 1;
    EXPECT_EQ(instance->plugin->process(instance->plugin, &block), CLAP_PROCESS_ERROR);
    EXPECT_EQ(instance->plugin->process(instance->plugin, nullptr), CLAP_PROCESS_ERROR);

    // Channels beyond two are silenced.
    std::vector<float> extra(256, kUnwritten);
    std::vector<float> left(256, kUnwritten);
    std::vector<float> right(256, kUnwritten);
    float* three[3] = {left.data(), right.data(), extra.data()};
    clap_audio_buffer wide{};
    wide.data32 = three;
    wide.channel_count = 3;
    block.audio_outputs = &wide;
    block.in_events = nullptr;
    EXPECT_EQ(instance->plugin->process(instance->plugin, &block), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
    EXPECT_EQ(*std::max_element(extra.begin(), extra.end()), 0.0f);
    EXPECT_EQ(*std::min_element(extra.begin(), extra.end()), 0.0f);
}

} // namespace
