// The LV2 plug-in as a host meets it through lilv: what its bundle describes, how
// it takes rates, ports and runs, and that it sounds bit for bit like the VST 2.x
// module given the same MIDI, the same parameter values and the same blocks.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/lv2/IdentityPhrases.h"
#include "tests/lv2/Lv2Host.h"
#include "tests/lv2/ModuleVoice.h"

namespace {

using namespace lv2_host;
using namespace identity_phrases;

using Values = std::array<float, kControlCount>;

// The values of a fresh module instance: the basic program.
Values basicValues(const ModuleLoader& module)
{
    ModuleVoice voice(module, 44100);
    Values values{};
    for (std::uint32_t n = 0; n < kControlCount; ++n) {
        values[n] = voice.getParameter(static_cast<std::int32_t>(n));
    }
    return values;
}

// One run (one block for the module): its length, the parameter values, the MIDI
// both front ends get, and atoms only the plug-in gets, which it must skip.
struct Block {
    std::uint32_t frames;
    Values values;
    std::vector<Midi> midi;
    std::vector<AtomEvent> skipped;
};

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
};

Stereo renderModule(const ModuleLoader& module, std::int32_t rate, const std::vector<Block>& runs)
{
    ModuleVoice voice(module, rate);
    Stereo out;
    std::vector<float> left;
    std::vector<float> right;
    for (const Block& run : runs) {
        for (std::uint32_t n = 0; n < kControlCount; ++n) {
            voice.setParameter(static_cast<std::int32_t>(n), run.values[n]);
        }
        left.assign(run.frames + 1, 0.0f);
        right.assign(run.frames + 1, 0.0f);
        voice.block(run.midi, static_cast<std::int32_t>(run.frames), left.data(), right.data());
        out.left.insert(out.left.end(), left.begin(), left.begin() + run.frames);
        out.right.insert(out.right.end(), right.begin(), right.begin() + run.frames);
    }
    return out;
}

std::vector<AtomEvent> sequenceOf(const Block& run)
{
    const LV2_URID midiEvent = World::get().urids()(LV2_MIDI__MidiEvent);
    std::vector<AtomEvent> events = run.skipped;
    for (const Midi& message : run.midi) {
        events.push_back({message.frame, midiEvent, message.bytes});
    }
    return events;
}

// Appends the first frames samples the instance's last run wrote.
void collect(const Instance& instance, std::uint32_t frames, Stereo& out)
{
    out.left.insert(out.left.end(), instance.left.begin(), instance.left.begin() + frames);
    out.right.insert(out.right.end(), instance.right.begin(), instance.right.begin() + frames);
}

void playRun(Instance& instance, const Block& run, Stereo& out)
{
    std::copy(run.values.begin(), run.values.end(), instance.controls);
    instance.run(run.frames, sequenceOf(run));
    collect(instance, run.frames, out);
}

Stereo renderPlugin(double rate, const std::vector<Block>& runs)
{
    Instance instance(rate);
    EXPECT_TRUE(instance.valid());
    Stereo out;
    if (instance.valid()) {
        instance.activate();
        for (const Block& run : runs) {
            playRun(instance, run, out);
        }
    }
    return out;
}

float peak(const Stereo& s)
{
    float level = 0.0f;
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        level = std::max({level, std::fabs(s.left[i]), std::fabs(s.right[i])});
    }
    return level;
}

bool allFinite(const Stereo& s)
{
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) {
            return false;
        }
    }
    return true;
}

// Atoms that are not short MIDI messages: a sysex, a four-byte message that
// would be a note-on, an empty MIDI event and an integer atom.
std::vector<AtomEvent> atomsToSkip(std::int64_t frame)
{
    UridMap& urids = World::get().urids();
    const LV2_URID midiEvent = urids(LV2_MIDI__MidiEvent);
    return {
        {frame, midiEvent, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
        {frame, midiEvent, {0x90, 60, 100, 0}},
        {frame, midiEvent, {}},
        {frame, urids(LV2_ATOM__Int), {1, 0, 0, 0}},
    };
}

std::vector<Block> partition(const Phrase& phrase, const Values& basic,
                           const std::vector<std::uint32_t>& sizes)
{
    std::vector<Block> runs;
    Values values = basic;
    std::size_t sizeIndex = 0;
    for (std::int32_t start = 0; start < phrase.frames;) {
        const std::uint32_t size =
            std::min(sizes[sizeIndex++ % sizes.size()], static_cast<std::uint32_t>(phrase.frames - start));
        const std::int32_t end = start + static_cast<std::int32_t>(size);
        for (const TimedValue& setting : phrase.settings) {
            if (setting.frame <= start) {
                values[setting.index] = setting.value;
            }
        }
        Block run{size, values, {}, {}};
        for (const TimedMidi& message : phrase.midi) {
            if (message.frame >= start && message.frame < end) {
                run.midi.push_back({message.frame - start + (message.late ? end - start : 0), message.bytes});
            }
        }
        for (std::int32_t frame : phrase.skipFrames) {
            if (frame >= start && frame < end) {
                const std::vector<AtomEvent> atoms = atomsToSkip(frame - start);
                run.skipped.insert(run.skipped.end(), atoms.begin(), atoms.end());
            }
        }
        runs.push_back(run);
        start = end;
    }
    return runs;
}

class Lv2PluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.load(ZEPHYRANT_MODULE_PATH, error)) << error;
        ASSERT_NE(World::get().plugin(), nullptr) << "no " << kPluginUri << " under " << ZEPHYRANT_LV2_PATH;
        basic = basicValues(module);
    }

    // A performance of explicit runs: the module's and the plug-in's output.
    void expectSameAsModule(std::int32_t rate, const std::vector<Block>& runs, const std::string& what)
    {
        const Stereo expected = renderModule(module, rate, runs);
        const Stereo actual = renderPlugin(rate, runs);
        EXPECT_EQ(firstDifference(expected, actual), -1) << what;
    }

    ModuleLoader module;
    Values basic{};
};

// Each phrase in runs of 1, 64 and 4096 frames, and in a ragged partition with
// runs of 0 frames.
class Lv2IdentityTest : public Lv2PluginTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(Lv2IdentityTest, OutputIsBitIdenticalToTheModuleForTheSameRuns)
{
    const Phrase phrase = phrases()[GetParam().phrase];
    const std::vector<Block> runs = partition(phrase, basic, GetParam().blocks);
    const Stereo expected = renderModule(module, phrase.rate, runs);
    const Stereo actual = renderPlugin(phrase.rate, runs);
    ASSERT_EQ(actual.left.size(), static_cast<std::size_t>(phrase.frames)) << phrase.name;
    EXPECT_GT(peak(expected), 0.01f) << phrase.name;
    EXPECT_TRUE(allFinite(actual)) << phrase.name;
    EXPECT_EQ(firstDifference(expected, actual), -1) << phrase.name;
}

INSTANTIATE_TEST_SUITE_P(Phrases, Lv2IdentityTest, ::testing::ValuesIn(identityCases()),
                         [](const ::testing::TestParamInfo<IdentityCase>& info) {
                             return identityCaseName(info.param, "Runs");
                         });

TEST_F(Lv2PluginTest, RendersFiniteSoundAtEveryRate)
{
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
        Instance instance(rate);
        ASSERT_TRUE(instance.valid()) << rate;
        instance.activate();
        std::copy(basic.begin(), basic.end(), instance.controls);
        for (std::int32_t stage : {11, 12, 13, 14, 18}) {
            instance.controls[stage] = 0.7f;
        }
        const LV2_URID midiEvent = World::get().urids()(LV2_MIDI__MidiEvent);
        Stereo out;
        for (int n = 0; n < 8; ++n) {
            instance.run(4096, n == 0 ? std::vector<AtomEvent>{{10, midiEvent, noteOn(45)}} : std::vector<AtomEvent>{});
            collect(instance, 4096, out);
        }
        EXPECT_TRUE(allFinite(out)) << rate;
        EXPECT_GT(peak(out), 0.01f) << rate;
        EXPECT_LT(peak(out), 16.0f) << rate;
    }
}

TEST_F(Lv2PluginTest, RunsOfNoFramesAndOfLongBlocksPlayAsTheModuleDoes)
{
    std::vector<Block> runs = {
        {0, basic, {{0, noteOn(50)}}, {}},
        {8192, basic, {{0, noteOn(50)}, {8191, noteOff(50)}}, {}},
        {0, basic, {}, {}},
        {8192, basic, {}, {}},
    };
    Instance instance(44100.0);
    ASSERT_TRUE(instance.valid());
    instance.activate();
    Stereo out;
    playRun(instance, runs[0], out);
    EXPECT_EQ(instance.left[0], Instance::kUnwritten) << "a run of 0 frames writes nothing";
    playRun(instance, runs[1], out);
    EXPECT_NE(instance.left[8191], Instance::kUnwritten);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peak(out), 0.01f);
    expectSameAsModule(44100, runs, "runs of 0 and 8192 frames");
}

TEST_F(Lv2PluginTest, PortsConnectedAfterActivateWork)
{
    const std::vector<Block> runs = {{512, basic, {{3, noteOn(62)}}, {}}, {4096, basic, {}, {}}};
    Instance instance(44100.0, false);
    ASSERT_TRUE(instance.valid());
    instance.activate();
    instance.connectAll();
    Stereo actual;
    for (const Block& run : runs) {
        playRun(instance, run, actual);
    }
    EXPECT_EQ(firstDifference(renderModule(module, 44100, runs), actual), -1);
}

TEST_F(Lv2PluginTest, UnconnectedControlKeepsTheLastValueRead)
{
    Values loud = basic;
    loud[kVolume] = 0.9f;
    const std::vector<Block> runs = {{1000, loud, {{0, noteOn(55)}}, {}}, {3000, loud, {}, {}}};
    Instance instance(44100.0);
    ASSERT_TRUE(instance.valid());
    instance.activate();
    Stereo actual;
    playRun(instance, runs[0], actual);
    lilv_instance_connect_port(instance.get(), kFirstControlPort + kVolume, nullptr);
    Values quiet = loud;
    quiet[kVolume] = 0.0f;
    playRun(instance, {3000, quiet, {}, {}}, actual);
    EXPECT_EQ(firstDifference(renderModule(module, 44100, runs), actual), -1);
}

TEST_F(Lv2PluginTest, SkipsEventsItCannotPlace)
{
    UridMap& urids = World::get().urids();
    const LV2_URID midiEvent = urids(LV2_MIDI__MidiEvent);
    const std::vector<Block> expected = {{2048, basic, {{7, noteOn(57)}}, {}}, {2048, basic, {}, {}},
                                       {2048, basic, {}, {}}};
    Instance instance(44100.0);
    ASSERT_TRUE(instance.valid());
    instance.activate();
    Stereo actual;
    // The note, then an event whose size runs past the sequence: reading stops there.
    instance.sequence.write({{7, midiEvent, noteOn(57)}, {9, midiEvent, noteOff(57)}});
    instance.sequence.overstateLastEvent(1u << 20);
    std::copy(basic.begin(), basic.end(), instance.controls);
    lilv_instance_run(instance.get(), 2048);
    collect(instance, 2048, actual);
    // A sequence stamped in beats and an atom that is not a sequence carry no frames to play at.
    instance.run(2048, {{0, midiEvent, noteOff(57)}}, urids(LV2_ATOM__beatTime));
    collect(instance, 2048, actual);
    instance.sequence.write({{0, midiEvent, noteOff(57)}});
    instance.sequence.get()->atom.type = urids(LV2_ATOM__Chunk);
    lilv_instance_run(instance.get(), 2048);
    collect(instance, 2048, actual);
    EXPECT_EQ(firstDifference(renderModule(module, 44100, expected), actual), -1);
}

TEST_F(Lv2PluginTest, InstantiationRefusesUnusableRatesAndAHostWithoutUridMap)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double rate : {0.0, -44100.0, std::nan(""), inf, -inf, 1e300, 1e-300}) {
        Instance instance(rate);
        EXPECT_FALSE(instance.valid()) << rate;
    }
    const LV2_Feature* const none[] = {nullptr};
    Instance withoutMap(44100.0, true, none);
    EXPECT_FALSE(withoutMap.valid());
    Instance lowest(1.0);
    EXPECT_TRUE(lowest.valid());
}

} // namespace
