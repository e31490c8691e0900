// The offline renderer: the host core driving a recording fake instance (order of
// requests, events on their exact frames for any block size), the WAV writer, and
// the zephyrant-render program run on files built here against the real module.
#ifdef ZEPHYRANT_HOSTKIT

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "host/AEffect.h"
#include "tools/support/ModuleLoader.h"
#include "tools/support/OfflineHost.h"
#include "tools/support/WavOutput.h"

namespace fs = std::filesystem;

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

// A fresh directory under the system's temporary one, removed afterwards.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path = fs::temp_directory_path() /
               ("zephyrant-render-test-" + std::to_string(random()) + "-" + std::to_string(now));
        fs::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(path)) {
            all.push_back(entry.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

private:
    fs::path path;
};

struct WavContents {
    SF_INFO info{};
    std::vector<float> samples; // interleaved
};

bool readWav(const std::string& path, WavContents& contents)
{
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &contents.info);
    if (file == nullptr) {
        return false;
    }
    contents.samples.resize(static_cast<std::size_t>(contents.info.frames * contents.info.channels));
    const sf_count_t read = sf_readf_float(file, contents.samples.data(), contents.info.frames);
    sf_close(file);
    return read == contents.info.frames;
}

TEST(WavOutput, OversClipInIntegerFilesAndNonNumbersBecomeSilence)
{
    const float left[] = {1.5f, 0.5f, std::numeric_limits<float>::quiet_NaN()};
    const float right[] = {-1.5f, -0.25f, std::numeric_limits<float>::infinity()};
    struct Case {
        WavSampleFormat format;
        int subtype;
        float over; // what 1.5 reads back as
    };
    const Case cases[] = {
        {WavSampleFormat::Float32, SF_FORMAT_FLOAT, 1.5f},
        {WavSampleFormat::Pcm24, SF_FORMAT_PCM_24, 1.0f},
        {WavSampleFormat::Pcm16, SF_FORMAT_PCM_16, 1.0f},
    };
    for (const Case& c : cases) {
        ScratchDirectory directory;
        const std::string path = directory.file("out.wav");
        WavOutput output;
        std::string error;
        ASSERT_TRUE(output.open(path, 32000, c.format, error)) << error;
        ASSERT_TRUE(output.write(left, right, 3, error)) << error;
        ASSERT_TRUE(output.commit(error)) << error;
        EXPECT_EQ(output.nonFiniteSamples(), 2);
        EXPECT_EQ(directory.names(), std::vector<std::string>{"out.wav"});

        WavContents contents;
        ASSERT_TRUE(readWav(path, contents));
        EXPECT_EQ(contents.info.format & SF_FORMAT_SUBMASK, c.subtype);
        EXPECT_EQ(contents.info.samplerate, 32000);
        ASSERT_EQ(contents.samples.size(), 6u);
        EXPECT_NEAR(contents.samples[0], c.over, 1e-4);
        EXPECT_NEAR(contents.samples[1], -c.over, 1e-4);
        EXPECT_NEAR(contents.samples[2], 0.5f, 1e-4);
        EXPECT_NEAR(contents.samples[3], -0.25f, 1e-4);
        EXPECT_EQ(contents.samples[4], 0.0f);
        EXPECT_EQ(contents.samples[5], 0.0f);
    }
}

TEST(WavOutput, UnfinishedFileLeavesTheDestinationAsItWas)
{
    ScratchDirectory directory;
    const std::string path = directory.file("out.wav");
    std::ofstream(path) << "earlier take";
    {
        WavOutput output;
        std::string error;
        const float samples[] = {0.1f, 0.2f};
        ASSERT_TRUE(output.open(path, 44100, WavSampleFormat::Float32, error)) << error;
        ASSERT_TRUE(output.write(samples, samples, 2, error)) << error;
        EXPECT_EQ(directory.names().size(), 2u); // the destination and the file being written
    }
    EXPECT_EQ(directory.names(), std::vector<std::string>{"out.wav"});
    std::ifstream kept(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "earlier take");
}

// --- The program itself, on the real module -------------------------------------

struct ToolRun {
    int status;
    std::string errors;
    std::string output;
};

std::string slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Runs zephyrant-render with the arguments (already quoted where needed).
ToolRun runRenderer(const ScratchDirectory& directory, const std::string& arguments)
{
    const std::string errors = directory.file("stderr.txt");
    const std::string output = directory.file("stdout.txt");
    const std::string command = std::string("\"") + ZEPHYRANT_RENDER_PATH + "\" -m \"" + ZEPHYRANT_MODULE_PATH +
                                "\" " + arguments + " >\"" + output + "\" 2>\"" + errors + "\"";
    int status = std::system(command.c_str());
#ifndef _WIN32
    status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
#endif
    ToolRun run{status, slurp(errors), slurp(output)};
    fs::remove(errors);
    fs::remove(output);
    return run;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A short phrase as (tick, message) pairs. At 480 ticks per quarter and the
// default 120 per minute a tick is 1/960 s: 50 frames at 48000 Hz.
struct PhraseEvent {
    std::uint32_t tick;
    std::uint8_t bytes[3];
};

const PhraseEvent kPhrase[] = {
    {0, {0xB0, 7, 110}},      {10, {0x90, 69, 100}},  {200, {0x90, 72, 90}},  {230, {0x80, 69, 0}},
    {231, {0xE0, 0x00, 0x50}}, {400, {0xB0, 1, 30}},   {401, {0x80, 72, 64}}, {402, {0x90, 64, 120}},
    {403, {0x90, 76, 80}},    {640, {0x80, 76, 0}},   {700, {0xE0, 0x00, 0x40}}, {900, {0x80, 64, 0}},
};
constexpr std::int64_t kFramesPerTick = 50;

std::vector<std::uint8_t> phraseFile()
{
    std::vector<std::uint8_t> body;
    std::uint32_t previous = 0;
    for (const PhraseEvent& event : kPhrase) {
        const std::uint32_t delta = event.tick - previous;
        previous = event.tick;
        if (delta >= 128) {
            body.push_back(static_cast<std::uint8_t>(0x80 | (delta >> 7)));
        }
        body.push_back(static_cast<std::uint8_t>(delta & 0x7F));
        body.insert(body.end(), event.bytes, event.bytes + 3);
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                      'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(body.size())};
    for (std::uint8_t byte : body) {
        file.push_back(byte);
    }
    return file;
}

VstIntPtr VSTCALLBACK directHostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return 48000;
    case audioMasterGetBlockSize:
        return 100;
    default:
        return 0;
    }
}

// The phrase played by hand through the record's entries, blocks of 100 frames.
std::vector<float> renderDirectly(std::int64_t totalFrames)
{
    ModuleLoader loader;
    std::string error;
    EXPECT_TRUE(loader.load(ZEPHYRANT_MODULE_PATH, error)) << error;
    AEffect* effect = loader.createInstance(&directHostCallback, error);
    EXPECT_NE(effect, nullptr) << error;
    if (effect == nullptr) {
        return {};
    }
    const auto dispatch = [effect](std::int32_t opcode, VstIntPtr value, void* ptr, float opt) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, opt);
    };
    dispatch(effOpen, 0, nullptr, 0.0f);
    dispatch(effSetSampleRate, 0, nullptr, 48000.0f);
    dispatch(effSetBlockSize, 100, nullptr, 0.0f);
    effect->setParameter(effect, 14, 0.3f);
    effect->setParameter(effect, 18, 1.0f);
    dispatch(effMainsChanged, 1, nullptr, 0.0f);

    struct Batch {
        std::int32_t numEvents;
        VstIntPtr reserved;
        VstEvent* events[16];
    };
    std::vector<float> interleaved;
    float left[100];
    float right[100];
    float* outputs[2] = {left, right};
    for (std::int64_t start = 0; start < totalFrames; start += 100) {
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(100, totalFrames - start));
        VstMidiEvent midi[16] = {};
        Batch batch{};
        for (const PhraseEvent& event : kPhrase) {
            const std::int64_t frame = event.tick * kFramesPerTick;
            if (frame >= start && frame < start + frames) {
                VstMidiEvent& slot = midi[batch.numEvents];
                slot.type = kVstMidiType;
                slot.byteSize = 32;
                slot.deltaFrames = static_cast<std::int32_t>(frame - start);
                for (int i = 0; i < 3; ++i) {
                    slot.midiData[i] = static_cast<char>(event.bytes[i]);
                }
                batch.events[batch.numEvents++] = reinterpret_cast<VstEvent*>(&slot);
            }
        }
        if (batch.numEvents > 0) {
            dispatch(effProcessEvents, 0, &batch, 0.0f);
        }
        effect->processReplacing(effect, nullptr, outputs, frames);
        for (std::int32_t i = 0; i < frames; ++i) {
            interleaved.push_back(left[i]);
            interleaved.push_back(right[i]);
        }
    }
    dispatch(effMainsChanged, 0, nullptr, 0.0f);
    dispatch(effClose, 0, nullptr, 0.0f);
    return interleaved;
}

TEST(RenderTool, WritesTheSamplesTheModuleGivesWhenDrivenDirectly)
{
    ScratchDirectory directory;
    writeFile(directory.file("phrase.mid"), phraseFile());
    const ToolRun run = runRenderer(directory, "\"" + directory.file("phrase.mid") + "\" -o \"" +
                                               directory.file("phrase.wav") +
                                               "\" -r 48000 -b 100 -t 0.5 --param chorus=0.3 --param 18=1 -q");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");

    WavContents contents;
    ASSERT_TRUE(readWav(directory.file("phrase.wav"), contents));
    const std::int64_t totalFrames = 900 * kFramesPerTick + 24000;
    EXPECT_EQ(contents.info.frames, totalFrames);
    EXPECT_EQ(contents.info.channels, 2);
    EXPECT_EQ(contents.info.samplerate, 48000);
    EXPECT_EQ(contents.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

    const std::vector<float> direct = renderDirectly(totalFrames);
    ASSERT_EQ(direct.size(), contents.samples.size());
    std::size_t differing = 0;
    float peak = 0.0f;
    for (std::size_t i = 0; i < direct.size(); ++i) {
        differing += std::memcmp(&direct[i], &contents.samples[i], sizeof(float)) != 0 ? 1 : 0;
        peak = std::max(peak, std::fabs(direct[i]));
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(peak, 0.001f) << "the phrase should sound";
}

TEST(RenderTool, WritesEachFormatAtTheLengthAndRateAsked)
{
    struct Case {
        const char* arguments;
        int format;
        int rate;
        std::int64_t frames;
    };
    // The phrase ends at 900/960 s; the tail follows it.
    const Case cases[] = {
        {"-f float -t 0.25", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 41344 + 11025},
        {"--format=24 --rate=22050 --tail=0", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 20672},
        {"-f16 -r96000 -b4096 -t1", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 96000, 90000 + 96000},
    };
    for (const Case& c : cases) {
        ScratchDirectory directory;
        writeFile(directory.file("phrase.mid"), phraseFile());
        std::ofstream(directory.file("out.wav")) << "earlier take";
        const ToolRun run = runRenderer(directory, "\"" + directory.file("phrase.mid") + "\" -o \"" +
                                                   directory.file("out.wav") + "\" " + c.arguments);
        ASSERT_EQ(run.status, 0) << c.arguments << ": " << run.errors;
        WavContents contents;
        ASSERT_TRUE(readWav(directory.file("out.wav"), contents)) << c.arguments;
        EXPECT_EQ(contents.info.format, c.format) << c.arguments;
        EXPECT_EQ(contents.info.samplerate, c.rate) << c.arguments;
        EXPECT_EQ(contents.info.channels, 2) << c.arguments;
        EXPECT_EQ(contents.info.frames, c.frames) << c.arguments;
        EXPECT_EQ(directory.names(), (std::vector<std::string>{"out.wav", "phrase.mid"})) << c.arguments;
        EXPECT_NE(run.output.find("dBFS"), std::string::npos) << run.output;
    }
}

TEST(RenderTool, BadInputGivesOneLineReasonAndNoOutputFile)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> input; // written as in.mid when not empty
        std::string arguments;           // IN and OUT stand for the paths
        const char* reason;
    };
    const std::vector<std::uint8_t> phrase = phraseFile();
    std::vector<std::uint8_t> truncated(phrase.begin(), phrase.end() - 5);
    std::vector<std::uint8_t> endless = phrase;
    endless.insert(endless.begin() + 22, {0xFF, 0xFF, 0xFF, 0xFF});
    endless[21] = static_cast<std::uint8_t>(endless[21] + 4);
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};

    const std::vector<Case> cases = {
        {"missing file", {}, "IN -o OUT", "cannot open"},
        {"not MIDI", text, "IN -o OUT", "not a Standard MIDI File"},
        {"truncated chunk", truncated, "IN -o OUT", "truncated chunk: it declares"},
        {"endless number", endless, "IN -o OUT", "variable-length number longer than 4 bytes at byte 22"},
        {"unknown parameter", phrase, "IN -o OUT --param Flanger=0.5", "unknown parameter 'Flanger'"},
        {"parameter index", phrase, "IN -o OUT --param 19=0.5", "unknown parameter '19'"},
        {"parameter value", phrase, "IN -o OUT --param Chorus=loud", "bad value in --param"},
        {"parameter range", phrase, "IN -o OUT --param Chorus=1.5", "bad value in --param"},
        {"parameter form", phrase, "IN -o OUT --param Chorus", "NAME=VALUE is expected"},
        {"program", phrase, "IN -o OUT -p 128", "program 128 does not exist"},
        {"format", phrase, "IN -o OUT -f 8", "bad format '8'"},
        {"rate", phrase, "IN -o OUT -r 44k", "bad sample rate '44k'"},
        {"block", phrase, "IN -o OUT -b 0", "bad block size '0'"},
        {"tail", phrase, "IN -o OUT -t -1", "bad tail '-1'"},
        {"no output", phrase, "IN", "no output file given"},
        {"output into missing directory", phrase, "IN -o OUT/missing/x.wav", "cannot write"},
        {"output over input", phrase, "IN -o IN", "is the input file"},
        {"module", phrase, "IN -o OUT -m no-such-module.so", "cannot load"},
    };
    for (const Case& c : cases) {
        ScratchDirectory directory;
        const std::string in = directory.file("in.mid");
        const std::string out = directory.file("out.wav");
        if (!c.input.empty()) {
            writeFile(in, c.input);
        }
        std::ofstream(out) << "earlier take";
        std::string arguments = c.arguments;
        for (const auto& [token, path] : {std::pair<std::string, std::string>{"IN", in}, {"OUT", out}}) {
            for (std::size_t at = arguments.find(token); at != std::string::npos; at = arguments.find(token)) {
                arguments.replace(at, token.size(), "\"" + path + "\"");
            }
        }
        const ToolRun run = runRenderer(directory, arguments);
        EXPECT_NE(run.status, 0) << c.what;
        EXPECT_NE(run.errors.find(c.reason), std::string::npos) << c.what << ": " << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << c.what << ": " << run.errors;
        EXPECT_EQ(slurp(out), "earlier take") << c.what;
        std::vector<std::string> expected = {"out.wav"};
        if (!c.input.empty()) {
            expected.insert(expected.begin(), "in.mid");
        }
        EXPECT_EQ(directory.names(), expected) << c.what;
    }
}

} // namespace

#endif // ZEPHYRANT_HOSTKIT
