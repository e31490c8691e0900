// The host kit's offline host driving a recording fake instance: the order of
// requests, switching on and off, events on their exact frames for any block size
// or block pattern, parameters found by name, and a host that refuses to make instances.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/AEffect.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

// A stand-in instance that records what its host asks of it. Its output is the
// render position itself, so the caller can see every frame arrive in order.
class FakeInstance {
public:
    static constexpr std::int32_t kProcess = -1;
    static constexpr std::int32_t kSetParameter = -2;

    struct Call {
        std::int32_t opcode;
        std::int32_t index;
        VstIntPtr value;
        float opt;
    };

    explicit FakeInstance(std::vector<std::string> parameterNames) : names(std::move(parameterNames))
    {
        record.magic = kEffectMagic;
        record.dispatcher = &FakeInstance::dispatch;
        record.processReplacing = &FakeInstance::render;
        record.setParameter = &FakeInstance::setParameter;
        record.numPrograms = 16;
        record.numParams = static_cast<std::int32_t>(names.size());
        record.numOutputs = 2;
        record.object = this;
    }

    // Makes the instance as an entry point would, asking the host what it may.
    AEffect* make(HostCallback callback)
    {
        audioMaster = callback;
        for (std::int32_t opcode : {audioMasterVersion, audioMasterGetSampleRate, audioMasterGetBlockSize}) {
            answersInEntryPoint.push_back(callback(nullptr, opcode, 0, 0, nullptr, 0.0f));
        }
        return &record;
    }

    AEffect record{};
    HostCallback audioMaster = nullptr;
    std::vector<VstIntPtr> answersInEntryPoint;
    std::vector<VstIntPtr> answersWhenOpened;
    std::vector<Call> calls;
    std::vector<TimedMidiEvent> received; // with frames counted from the start of the render
    std::vector<std::int32_t> blockLengths;
    std::int64_t rendered = 0;
    std::int64_t misplacedEvents = 0; // events whose offset lies outside the block that follows

private:
    static FakeInstance& of(AEffect* effect) { return *static_cast<FakeInstance*>(effect->object); }

    static VstIntPtr VSTCALLBACK dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                                          void* ptr, float opt)
    {
        FakeInstance& self = of(effect);
        self.calls.push_back({opcode, index, value, opt});
        if (opcode == effOpen) {
            for (std::int32_t request : {audioMasterGetSampleRate, audioMasterGetBlockSize}) {
                self.answersWhenOpened.push_back(self.audioMaster(effect, request, 0, 0, nullptr, 0.0f));
            }
        } else if (opcode == effGetParamName && index >= 0 && static_cast<std::size_t>(index) < self.names.size()) {
            std::snprintf(static_cast<char*>(ptr), 64, "%s", self.names[static_cast<std::size_t>(index)].c_str());
        } else if (opcode == effProcessEvents) {
            const VstEvents* batch = static_cast<const VstEvents*>(ptr);
            VstEvent* const* events = &batch->events[0];
            self.pending.clear();
            for (std::int32_t i = 0; i < batch->numEvents; ++i) {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(events[i]);
                EXPECT_EQ(midi->type, kVstMidiType);
                EXPECT_EQ(midi->byteSize, 32);
                self.pending.push_back(*midi);
            }
        }
        return 0;
    }

    static void VSTCALLBACK render(AEffect* effect, float** /*inputs*/, float** outputs, std::int32_t frames)
    {
        FakeInstance& self = of(effect);
        self.calls.push_back({kProcess, 0, frames, 0.0f});
        for (const VstMidiEvent& midi : self.pending) {
            if (midi.deltaFrames < 0 || midi.deltaFrames >= frames) {
                ++self.misplacedEvents;
            }
            TimedMidiEvent event;
            event.frame = self.rendered + midi.deltaFrames;
            for (int i = 0; i < 3; ++i) {
                event.bytes[i] = static_cast<std::uint8_t>(midi.midiData[i]);
            }
            self.received.push_back(event);
        }
        self.pending.clear();
        for (std::int32_t i = 0; i < frames; ++i) {
            outputs[0][i] = static_cast<float>(self.rendered + i);
            outputs[1][i] = -static_cast<float>(self.rendered + i);
        }
        self.blockLengths.push_back(frames);
        self.rendered += frames;
    }

    static void VSTCALLBACK setParameter(AEffect* effect, std::int32_t index, float value)
    {
        of(effect).calls.push_back({kSetParameter, index, 0, value});
    }

    std::vector<std::string> names;
    std::vector<VstMidiEvent> pending;
};

bool openFake(OfflineHost& host, FakeInstance& fake)
{
    std::string error;
    return host.open([&fake](HostCallback callback, std::string&) { return fake.make(callback); }, error);
}

TimedMidiEvent midiAt(std::int64_t frame, std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    TimedMidiEvent event;
    event.frame = frame;
    event.bytes[0] = status;
    event.bytes[1] = first;
    event.bytes[2] = second;
    return event;
}

TEST(OfflineHost, DrivesTheInstanceInTheOrderAHostDoes)
{
    FakeInstance fake({"Exciter ", "Legato "});
    OfflineHost host(HostSettings{48000, 256});
    ASSERT_TRUE(openFake(host, fake));
    EXPECT_EQ(fake.answersInEntryPoint, (std::vector<VstIntPtr>{2400, 48000, 256}));
    EXPECT_EQ(fake.answersWhenOpened, (std::vector<VstIntPtr>{48000, 256}));
    ASSERT_TRUE(host.setProgram(5));
    EXPECT_FALSE(host.setProgram(16));
    ASSERT_TRUE(host.setParameter(1, 0.0f));
    EXPECT_FALSE(host.setParameter(2, 0.5f));
    ASSERT_TRUE(host.render({midiAt(300, 0x90, 60, 100)}, 600, [](const float*, const float*, std::int32_t) {
        return true;
    }));
    host.close();

    constexpr auto kProcess = FakeInstance::kProcess;
    struct Expected {
        std::int32_t opcode;
        VstIntPtr value;
        float opt;
    };
    const std::vector<Expected> expected = {
        {effOpen, 0, 0.0f},      {effSetSampleRate, 0, 48000.0f}, {effSetBlockSize, 256, 0.0f},
        {effSetProgram, 5, 0.0f}, {FakeInstance::kSetParameter, 0, 0.0f}, {effMainsChanged, 1, 0.0f},
        {kProcess, 256, 0.0f},   {effProcessEvents, 0, 0.0f},     {kProcess, 256, 0.0f},
        {kProcess, 88, 0.0f},    {effMainsChanged, 0, 0.0f},      {effClose, 0, 0.0f},
    };
    ASSERT_EQ(fake.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake.calls[i].opcode, expected[i].opcode) << "request " << i;
        EXPECT_EQ(fake.calls[i].value, expected[i].value) << "request " << i;
        EXPECT_EQ(fake.calls[i].opt, expected[i].opt) << "request " << i;
    }
    EXPECT_EQ(fake.calls[4].index, 1); // the parameter set
}

TEST(OfflineHost, EventsLandOnTheirFrameWhateverTheBlockSize)
{
    // Frames on and around the boundaries of every block size tried, several
    // events on one frame (their order must hold), one event given out of order,
    // and one at the end of the render, which is not sent.
    const std::vector<TimedMidiEvent> events = {
        midiAt(0, 0x90, 60, 100),    midiAt(1, 0xB0, 1, 64),     midiAt(63, 0x80, 60, 0),
        midiAt(64, 0x90, 62, 90),    midiAt(64, 0xE0, 0, 80),    midiAt(64, 0x90, 64, 80),
        midiAt(65, 0xB0, 7, 100),    midiAt(4095, 0x80, 62, 0),  midiAt(4096, 0x90, 65, 70),
        midiAt(9000, 0xE0, 0, 64),   midiAt(4097, 0xC0, 3, 0),   midiAt(9999, 0x80, 65, 0),
        midiAt(10000, 0x90, 1, 1),
    };
    std::vector<TimedMidiEvent> expected(events.begin(), events.end() - 1);
    std::stable_sort(expected.begin(), expected.end(),
                     [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.frame < b.frame; });

    for (std::int32_t blockSize : {1, 64, 4096}) {
        SCOPED_TRACE("block size " + std::to_string(blockSize));
        FakeInstance fake({});
        OfflineHost host(HostSettings{44100, blockSize});
        ASSERT_TRUE(openFake(host, fake));
        std::int64_t position = 0;
        bool continuous = true;
        ASSERT_TRUE(host.render(events, 10000, [&](const float* left, const float* right, std::int32_t frames) {
            for (std::int32_t i = 0; i < frames; ++i, ++position) {
                continuous = continuous && left[i] == static_cast<float>(position) &&
                             right[i] == -static_cast<float>(position);
            }
            return true;
        }));
        EXPECT_TRUE(continuous);
        EXPECT_EQ(position, 10000);
        EXPECT_EQ(fake.rendered, 10000);
        EXPECT_EQ(fake.misplacedEvents, 0);
        for (std::int32_t length : fake.blockLengths) {
            EXPECT_LE(length, blockSize);
        }
        ASSERT_EQ(fake.received.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(fake.received[i].frame, expected[i].frame) << "event " << i;
            EXPECT_EQ(0, std::memcmp(fake.received[i].bytes, expected[i].bytes, 3)) << "event " << i;
        }
    }
}

TEST(OfflineHost, FindsParametersByShownNameAnyCaseOrIndex)
{
    FakeInstance fake({"Exciter ", "Legato ", "PowerChord"});
    OfflineHost host(HostSettings{});
    ASSERT_TRUE(openFake(host, fake));
    const std::pair<const char*, std::int32_t> cases[] = {
        {"Exciter", 0}, {"exciter", 0}, {"Exciter ", 0}, {"LEGATO", 1}, {"powerchord", 2},
        {"2", 2},       {"0", 0},       {"3", -1},       {"Exc", -1},   {"", -1},
        {"-1", -1},     {"1.0", -1},    {"99999999999999999999", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host.findParameter(c.first), c.second) << "'" << c.first << "'";
    }
}

TEST(OfflineHost, BlockPlanCyclesItsSizesIncludingEmptyAndOversizedBlocks)
{
    // Announced 64, but blocks of 1, 0, 100 and 64 frames in turn, as real hosts
    // send; the hook runs before each block renders, after its events are sent.
    const std::vector<TimedMidiEvent> events = {midiAt(0, 0x90, 60, 100), midiAt(1, 0xB0, 1, 10),
                                                midiAt(101, 0x80, 60, 0), midiAt(300, 0x90, 62, 90)};
    FakeInstance fake({"Volume"});
    OfflineHost host(HostSettings{44100, 64});
    ASSERT_TRUE(openFake(host, fake));
    BlockPlan plan;
    plan.sizes = {1, 0, 100, 64};
    std::vector<std::size_t> hooked;
    plan.beforeBlock = [&](std::size_t block, const PluginInstance& instance) {
        hooked.push_back(block);
        instance.setParameter(0, static_cast<float>(block));
    };
    std::int64_t position = 0;
    bool continuous = true;
    ASSERT_TRUE(host.render(events, 400, [&](const float* left, const float*, std::int32_t frames) {
        for (std::int32_t i = 0; i < frames; ++i, ++position) {
            continuous = continuous && left[i] == static_cast<float>(position);
        }
        return true;
    }, plan));
    EXPECT_TRUE(continuous);
    EXPECT_EQ(position, 400);
    // 1+0+100+64 = 165 per round: 1, 0, 100, 64, 1, 0, 100, 64, then 70 left: 1, 0, 69.
    EXPECT_EQ(fake.blockLengths, (std::vector<std::int32_t>{1, 0, 100, 64, 1, 0, 100, 64, 1, 0, 69}));
    EXPECT_EQ(hooked.size(), fake.blockLengths.size());
    EXPECT_EQ(fake.misplacedEvents, 0);
    ASSERT_EQ(fake.received.size(), events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(fake.received[i].frame, events[i].frame) << "event " << i;
    }
    // Each hook's parameter value comes right before the block it precedes.
    std::size_t hooks = 0;
    for (std::size_t i = 0; i + 1 < fake.calls.size(); ++i) {
        if (fake.calls[i].opcode == FakeInstance::kSetParameter) {
            EXPECT_EQ(fake.calls[i + 1].opcode, FakeInstance::kProcess) << "call " << i;
            EXPECT_EQ(fake.calls[i].opt, static_cast<float>(hooks++));
        }
    }
    EXPECT_EQ(hooks, hooked.size());
}

TEST(OfflineHost, RefusesAPlanWithoutARealBlock)
{
    FakeInstance fake({});
    OfflineHost host(HostSettings{});
    ASSERT_TRUE(openFake(host, fake));
    for (const std::vector<std::int32_t>& sizes : {std::vector<std::int32_t>{0}, std::vector<std::int32_t>{0, 0},
                                                   std::vector<std::int32_t>{64, -1}}) {
        BlockPlan plan;
        plan.sizes = sizes;
        EXPECT_FALSE(host.render({}, 100, [](const float*, const float*, std::int32_t) { return true; }, plan));
    }
    EXPECT_EQ(fake.rendered, 0);
}

TEST(OfflineHost, SinkStopsTheRenderAndTheInstanceIsSwitchedOff)
{
    FakeInstance fake({});
    OfflineHost host(HostSettings{44100, 100});
    ASSERT_TRUE(openFake(host, fake));
    int blocks = 0;
    EXPECT_FALSE(host.render({}, 1000, [&](const float*, const float*, std::int32_t) { return ++blocks < 3; }));
    EXPECT_EQ(fake.rendered, 300);
    ASSERT_FALSE(fake.calls.empty());
    EXPECT_EQ(fake.calls.back().opcode, effMainsChanged);
    EXPECT_EQ(fake.calls.back().value, 0);
}

TEST(OfflineHost, SwitchesTheOpenInstanceOnAndOffOnRequestOnly)
{
    FakeInstance fake({});
    OfflineHost host(HostSettings{96000, 4096});
    host.switchOn(); // nothing open: nothing to switch
    ASSERT_TRUE(openFake(host, fake));
    host.switchOn();
    host.switchOff();
    host.close();
    host.switchOff();
    const std::vector<std::pair<std::int32_t, VstIntPtr>> expected = {
        {effOpen, 0}, {effSetSampleRate, 0}, {effSetBlockSize, 4096}, {effMainsChanged, 1}, {effMainsChanged, 0},
        {effClose, 0},
    };
    ASSERT_EQ(fake.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake.calls[i].opcode, expected[i].first) << "request " << i;
        EXPECT_EQ(fake.calls[i].value, expected[i].second) << "request " << i;
    }
    EXPECT_EQ(fake.calls[1].opt, 96000.0f);
}

TEST(OfflineHost, ReportsTheVersionItIsSetUpWith)
{
    for (const VstIntPtr version : {VstIntPtr{2400}, VstIntPtr{0}}) {
        FakeInstance fake({});
        HostSettings settings;
        settings.hostVersion = version;
        OfflineHost host(settings);
        ASSERT_TRUE(openFake(host, fake));
        EXPECT_EQ(fake.answersInEntryPoint.front(), version);
        EXPECT_EQ(host.close(), 0); // what the fake's close answers
        EXPECT_FALSE(host.instance());
        EXPECT_EQ(host.close(), 0);
    }
}

} // namespace
