// The CLAP plug-in renders bit for bit what the VST 2.x module and the LV2 plug-in
// render for the same MIDI, values and blocks: each phrase in the CLAP host's
// blocks of 1, 64 and 4096 frames and in ragged ones, with every parameter change
// as a value event at its frame. The module and the LV2 plug-in get the same
// blocks, cut where a value changes, with the values set between the runs, as the
// CLAP plug-in splits its blocks itself.
#include <gtest/gtest.h>

#include <lv2/midi/midi.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "engine/EngineParameters.h"
#include "tests/clap/ClapHost.h"
#include "tests/lv2/IdentityPhrases.h"
#include "tests/lv2/Lv2Host.h"
#include "tests/lv2/ModuleVoice.h"

namespace {

using namespace identity_phrases;
using Values = std::array<float, kNumParameters>;

// One run of the module and the LV2 plug-in: its length, the values it renders
// with and its MIDI, stamped within it.
struct ModuleRun {
    std::uint32_t frames;
    Values values;
    std::vector<lv2_host::Midi> midi;
};

// One CLAP block: its length and its events, all stamped within it.
struct ClapBlock {
    std::uint32_t frames;
    clap_test_host::Events events;
};

// A phrase's MIDI in time order, without the messages stamped beyond their
// block, which a CLAP host cannot send.
std::vector<TimedMidi> sortedMidi(const Phrase& phrase)
{
    std::vector<TimedMidi> midi;
    for (const TimedMidi& message : phrase.midi) {
        if (!message.late) {
            midi.push_back(message);
        }
    }
    std::stable_sort(midi.begin(), midi.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.frame < b.frame; });
    return midi;
}

// Events every front end must skip, at a frame of a CLAP block.
void addSkipped(clap_test_host::Events& events, std::uint32_t time)
{
    static const std::uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    clap_event_midi_sysex sysexEvent{};
    sysexEvent.header = clap_test_host::Events::header(CLAP_EVENT_MIDI_SYSEX, time, sizeof sysexEvent);
    sysexEvent.buffer = sysex;
    sysexEvent.size = sizeof sysex;
    clap_event_midi2 midi2{};
    midi2.header = clap_test_host::Events::header(CLAP_EVENT_MIDI2, time, sizeof midi2);
    midi2.data[0] = 0x40903C00u;
    clap_event_note foreign = clap_test_host::Events::note(CLAP_EVENT_NOTE_ON, time, 60, 1.0, 0, 0, -1);
    foreign.header.space_id = 9;
    events.add(sysexEvent).add(midi2).add(foreign);
}

void addMidi(clap_test_host::Events& events, std::uint32_t time, const std::vector<std::uint8_t>& bytes,
             bool asNotes)
{
    const std::uint8_t status = bytes[0];
    const std::uint8_t data1 = bytes.size() > 1 ? bytes[1] : 0;
    const std::uint8_t data2 = bytes.size() > 2 ? bytes[2] : 0;
    const int kind = status & 0xF0;
    if (asNotes && kind == 0x90 && data2 != 0) {
        events.noteOn(time, data1, data2 / 127.0, status & 0x0F);
    } else if (asNotes && (kind == 0x80 || (kind == 0x90 && data2 == 0))) {
        events.noteOff(time, data1, status & 0x0F);
    } else {
        events.midi(time, status, data1, data2);
    }
}

// The phrase in CLAP blocks of the sizes given, in turn, and the module's runs:
// the same blocks cut where a setting changes a value. With asNotes, note-ons and
// note-offs are CLAP note events instead of MIDI.
void partition(const Phrase& phrase, const Values& basic, const std::vector<std::uint32_t>& sizes, bool asNotes,
               std::vector<ClapBlock>& blocks, std::vector<ModuleRun>& runs)
{
    const std::vector<TimedMidi> midi = sortedMidi(phrase);
    std::size_t sizeIndex = 0;
    for (std::int32_t start = 0; start < phrase.frames;) {
        const std::uint32_t size =
            std::min(sizes[sizeIndex++ % sizes.size()], static_cast<std::uint32_t>(phrase.frames - start));
        const std::int32_t end = start + static_cast<std::int32_t>(size);
        ClapBlock block{size, {}};
        std::vector<std::int32_t> cuts = {start, end};
        for (const TimedValue& setting : phrase.settings) {
            if (setting.frame >= start && setting.frame < end) {
                block.events.value(static_cast<std::uint32_t>(setting.frame - start),
                                   static_cast<clap_id>(setting.index), setting.value);
                cuts.push_back(setting.frame);
            }
        }
        for (std::int32_t frame : phrase.skipFrames) {
            if (frame >= start && frame < end) {
                addSkipped(block.events, static_cast<std::uint32_t>(frame - start));
            }
        }
        for (const TimedMidi& message : midi) {
            if (message.frame >= start && message.frame < end) {
                addMidi(block.events, static_cast<std::uint32_t>(message.frame - start), message.bytes, asNotes);
            }
        }
        block.events.sortByTime();
        blocks.push_back(block);

        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        if (cuts.size() == 1) {
            cuts.push_back(end); // a block of no frames is one run of none
        }
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const std::int32_t from = cuts[c];
            const std::int32_t to = cuts[c + 1];
            ModuleRun run{static_cast<std::uint32_t>(to - from), basic, {}};
            for (const TimedValue& setting : phrase.settings) {
                if (setting.frame <= from) {
                    run.values[setting.index] = setting.value;
                }
            }
            for (const TimedMidi& message : midi) {
                if (message.frame >= from && message.frame < to) {
                    run.midi.push_back({message.frame - from, message.bytes});
                }
            }
            runs.push_back(run);
        }
        start = end;
    }
}

using clap_test_host::Stereo;

Stereo renderModule(const ModuleLoader& module, std::int32_t rate, const std::vector<ModuleRun>& runs)
{
    lv2_host::ModuleVoice voice(module, rate);
    Stereo out;
    for (const ModuleRun& run : runs) {
        for (std::int32_t n = 0; n < kNumParameters; ++n) {
            voice.setParameter(n, run.values[n]);
        }
        std::vector<float> left(run.frames + 1);
        std::vector<float> right(run.frames + 1);
        voice.block(run.midi, static_cast<std::int32_t>(run.frames), left.data(), right.data());
        out.left.insert(out.left.end(), left.begin(), left.begin() + run.frames);
        out.right.insert(out.right.end(), right.begin(), right.begin() + run.frames);
    }
    return out;
}

Stereo renderLv2(double rate, const std::vector<ModuleRun>& runs)
{
    lv2_host::Instance instance(rate);
    EXPECT_TRUE(instance.valid());
    Stereo out;
    if (!instance.valid()) {
        return out;
    }
    instance.activate();
    const LV2_URID midiEvent = lv2_host::World::get().urids()(LV2_MIDI__MidiEvent);
    for (const ModuleRun& run : runs) {
        std::copy(run.values.begin(), run.values.end(), instance.controls);
        std::vector<lv2_host::AtomEvent> events;
        for (const lv2_host::Midi& message : run.midi) {
            events.push_back({message.frame, midiEvent, message.bytes});
        }
        instance.run(run.frames, events);
        out.left.insert(out.left.end(), instance.left.begin(), instance.left.begin() + run.frames);
        out.right.insert(out.right.end(), instance.right.begin(), instance.right.begin() + run.frames);
    }
    return out;
}

Stereo renderClap(double rate, const std::vector<ClapBlock>& blocks)
{
    clap_test_host::Library library;
    clap_test_host::Host host;
    clap_test_host::Instance instance(library, host);
    EXPECT_TRUE(instance.valid() && instance.activate(rate));
    Stereo out;
    for (const ClapBlock& block : blocks) {
        out.append(instance.process(block.frames, block.events));
    }
    return out;
}

class ClapIdentityTest : public ::testing::TestWithParam<IdentityCase> {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.load(ZEPHYRANT_MODULE_PATH, error)) << error;
        ASSERT_NE(lv2_host::World::get().plugin(), nullptr);
        std::copy(std::begin(kParameterDefaults), std::end(kParameterDefaults), basic.begin());
    }

    ModuleLoader module;
    Values basic{};
};

TEST_P(ClapIdentityTest, OutputIsBitIdenticalToTheModuleAndTheLv2PlugIn)
{
    const Phrase phrase = phrases()[GetParam().phrase];
    std::vector<ClapBlock> blocks;
    std::vector<ModuleRun> runs;
    partition(phrase, basic, GetParam().blocks, false, blocks, runs);
    const Stereo clap = renderClap(phrase.rate, blocks);
    const Stereo vst = renderModule(module, phrase.rate, runs);
    const Stereo lv2 = renderLv2(phrase.rate, runs);
    ASSERT_EQ(clap.left.size(), static_cast<std::size_t>(phrase.frames));
    EXPECT_GT(vst.peak(), 0.01f);
    EXPECT_EQ(firstDifference(vst, clap), -1) << "against the VST 2.x module";
    EXPECT_EQ(firstDifference(lv2, clap), -1) << "against the LV2 plug-in";
}

// The note-ons and note-offs of each phrase as CLAP note events, in the ragged blocks.
TEST(ClapNoteEvents, PhrasesWithNotesAsClapEventsRenderAsWithTheSameNotesAsMidi)
{
    Values basic{};
    std::copy(std::begin(kParameterDefaults), std::end(kParameterDefaults), basic.begin());
    for (const Phrase& phrase : phrases()) {
        std::vector<ClapBlock> asMidi;
        std::vector<ClapBlock> asNotes;
        std::vector<ModuleRun> runs;
        partition(phrase, basic, identityBlockLengths().back(), false, asMidi, runs);
        partition(phrase, basic, identityBlockLengths().back(), true, asNotes, runs);
        const Stereo midi = renderClap(phrase.rate, asMidi);
        EXPECT_GT(midi.peak(), 0.01f) << phrase.name;
        EXPECT_EQ(firstDifference(midi, renderClap(phrase.rate, asNotes)), -1) << phrase.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Phrases, ClapIdentityTest, ::testing::ValuesIn(identityCases()),
                         [](const ::testing::TestParamInfo<IdentityCase>& info) {
                             return identityCaseName(info.param, "Blocks");
                         });

} // namespace
