// The zephyrant-render program on files built here and the real module: its
// samples against the module driven directly, every container and sample format,
// every kind of destination, messages on standard error only, channels, usage
// errors against failures, and signals.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AudioContents.h"
#include "ScratchDirectory.h"
#include "ToolProcess.h"
#include "host/AEffect.h"
#include "tools/hostkit/ModuleLoader.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Runs zephyrant-render on the test's module with the arguments (quoted where needed).
ToolRun runRenderer(const std::string& arguments)
{
    return runCommand(quoted(ZEPHYRANT_RENDER_PATH) + " -m " + quoted(ZEPHYRANT_MODULE_PATH) + " " + arguments);
}

// The arguments with IN and OUT replaced by the paths, quoted for the shell unless they stand in quotes already.
std::string withPaths(std::string arguments, const std::string& in, const std::string& out, bool quote = true)
{
    for (const auto& [token, path] : {std::pair<std::string, std::string>{"IN", in}, {"OUT", out}}) {
        const std::string replacement = quote ? quoted(path) : path;
        for (std::size_t at = arguments.find(token); at != std::string::npos;
             at = arguments.find(token, at + replacement.size())) {
            arguments.replace(at, token.size(), replacement);
        }
    }
    return arguments;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A format-0 file of (delta ticks, three-byte message) events at 480 ticks a quarter.
std::vector<std::uint8_t> midiFile(const std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>>& events)
{
    std::vector<std::uint8_t> body;
    for (const auto& event : events) {
        body.push_back(event.first);
        body.insert(body.end(), event.second.begin(), event.second.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                      'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(body.size())};
    for (std::uint8_t byte : body) {
        file.push_back(byte); // (a range insert here trips a false bounds warning in GCC 12)
    }
    return file;
}

mode_t modeOf(const std::string& path)
{
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

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
    const ToolRun run = runRenderer(quoted(directory.file("phrase.mid")) + " -o " + quoted(directory.file("phrase.wav")) +
                                    " -r 48000 -b 100 -t 0.5 --param chorus=0.3 --param 18=1 -q");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output, "");

    AudioContents contents;
    ASSERT_TRUE(readAudio(directory.file("phrase.wav"), contents));
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

TEST(RenderTool, WritesEachContainerAndSampleFormatAsked)
{
    struct Case {
        const char* name;
        const char* arguments;
        int format;
        int rate;
        std::int64_t frames;
        const char* summary;
    };
    // The phrase ends at 900/960 s; the tail follows it.
    const Case cases[] = {
        {"out.wav", "-t 0.25", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 41344 + 11025, "32-bit float WAV"},
        {"out.wav", "--format=24 --rate=22050 --tail=0", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 20672, "24-bit WAV"},
        {"out.WAV", "-f16 -r96000 -b4096 -t1", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 96000, 90000 + 96000,
         "16-bit (dithered) WAV"},
        {"out", "-f 16 --no-dither -t 0", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 41344, "16-bit WAV"},
        {"out.flac", "-t 0", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 41344, "24-bit FLAC"},
        {"out.flac", "-f 16 -t 0", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 41344, "16-bit (dithered) FLAC"},
        {"out.ogg", "-t 0 -r 48000", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 45000, "Ogg Vorbis"},
        {"out.aiff", "-f 24 -t 0", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 44100, 41344, "24-bit AIFF"},
        {"out.aif", "-f 16 -t 0", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 41344, "16-bit (dithered) AIFF"},
        {"out.caf", "-t 0", SF_FORMAT_CAF | SF_FORMAT_FLOAT, 44100, 41344, "32-bit float CAF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.arguments);
        ScratchDirectory directory;
        writeFile(directory.file("phrase.mid"), phraseFile());
        std::ofstream(directory.file(c.name)) << "earlier take";
        const ToolRun run =
            runRenderer(quoted(directory.file("phrase.mid")) + " -o " + quoted(directory.file(c.name)) + " " + c.arguments);
        ASSERT_EQ(run.status, 0) << run.errors;
        AudioContents contents;
        ASSERT_TRUE(readAudio(directory.file(c.name), contents));
        EXPECT_EQ(contents.info.format, c.format);
        EXPECT_EQ(contents.info.samplerate, c.rate);
        EXPECT_EQ(contents.info.channels, 2);
        EXPECT_EQ(contents.info.frames, c.frames);
        EXPECT_EQ(directory.names(), (std::vector<std::string>{c.name, "phrase.mid"}));
        // The summary is the one line on standard error; standard output stays empty.
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(lineCount(run.errors), 1u) << run.errors;
        EXPECT_EQ(run.errors.rfind(directory.file(c.name) + ": ", 0), 0u) << run.errors;
        EXPECT_NE(run.errors.find(std::string(" stereo ") + c.summary + "; peak "), std::string::npos) << run.errors;
    }
}

TEST(RenderTool, FloatWavReadsWithoutWarningsInSox)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    ScratchDirectory directory;
    for (const char* format : {"float", "24", "16"}) {
        const std::string path = directory.file(std::string("phrase-") + format + ".wav");
        ASSERT_EQ(runRenderer("-q -t 0 -f " + std::string(format) + " -o " + quoted(path)).status, 0);
        const ToolRun read = runCommand("sox -V2 " + quoted(path) + " -n stat");
        EXPECT_EQ(read.status, 0) << format << ": " << read.errors;
        EXPECT_EQ(read.errors.find("WARN"), std::string::npos) << format << ": " << read.errors;
        EXPECT_NE(read.errors.find("Samples read:"), std::string::npos) << read.errors;
    }
}

TEST(RenderTool, StandardOutputCarriesTheSameFileAsANamedOne)
{
    ScratchDirectory directory;
    const std::string named = directory.file("named.wav");
    const std::string piped = directory.file("piped.wav");
    for (const char* format : {"float", "16"}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(runRenderer("-t 0.5 -f " + std::string(format) + " -o " + quoted(named)).status, 0);
        // Through a pipe, which cannot be rewound: the header must be right from the start.
        const ToolRun run = runCommand("cd " + quoted(directory.path()) + " && " + quoted(ZEPHYRANT_RENDER_PATH) +
                                       " -m " + quoted(ZEPHYRANT_MODULE_PATH) + " -t 0.5 -f " + format +
                                       " -o - | cat > " + quoted(piped));
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors.rfind("standard output: ", 0), 0u) << run.errors;
        EXPECT_EQ(slurp(piped), slurp(named));
        EXPECT_EQ(directory.names(), (std::vector<std::string>{"named.wav", "piped.wav"})) << "no file named '-'";
    }
}

TEST(RenderTool, SixteenBitOutputIsDitheredTheSameWayEachTime)
{
    ScratchDirectory directory;
    const auto render = [&](const std::string& name, const std::string& arguments) {
        EXPECT_EQ(runRenderer("-q -t 0.5 " + arguments + " -o " + quoted(directory.file(name))).status, 0);
        AudioContents contents;
        EXPECT_TRUE(readAudio(directory.file(name), contents));
        return contents.samples;
    };
    const std::vector<float> reference = render("float.wav", "");
    const std::vector<float> first = render("first.wav", "-f 16");
    const std::vector<float> second = render("second.wav", "-f 16");
    const std::vector<float> plain = render("plain.wav", "-f 16 --no-dither");
    ASSERT_EQ(first.size(), reference.size());
    EXPECT_EQ(first, second);
    EXPECT_NE(first, plain);
    double largestDithered = 0.0, largestPlain = 0.0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        largestDithered = std::max(largestDithered, std::fabs(double(first[i]) - reference[i]) * 32768.0);
        largestPlain = std::max(largestPlain, std::fabs(double(plain[i]) - reference[i]) * 32768.0);
    }
    EXPECT_LE(largestPlain, 0.5 + 1e-6);
    EXPECT_GT(largestDithered, 0.5);
    EXPECT_LT(largestDithered, 1.5 + 1e-6);
}

TEST(RenderTool, WritesDevicesFifosAndLinksInPlaceAndRefusesReadOnlyFiles)
{
    ScratchDirectory directory;
    const std::string take = directory.file("take.wav");
    const std::string link = directory.file("link.wav");

    // /dev/null, run as whoever runs the suite: the node stays the device.
    ToolRun run = runRenderer("-q -t 0 -o /dev/null");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));

    // A link is written through and stays a link.
    std::ofstream(take) << "earlier take";
    fs::create_symlink("take.wav", link);
    run = runRenderer("-q -t 0 -o " + quoted(link));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(S_ISLNK(modeOf(link)));
    AudioContents contents;
    EXPECT_TRUE(readAudio(take, contents));
    EXPECT_EQ(directory.names(), (std::vector<std::string>{"link.wav", "take.wav"}));

    // A read-only file: refused on one line, kept as it was, replaced with --force.
    const std::string rendered = slurp(take);
    chmod(take.c_str(), 0444);
    run = runRenderer("-q -t 0.1 -o " + quoted(link));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "zephyrant-render: not replacing the read-only file " + link + " (--force replaces it)\n");
    EXPECT_EQ(slurp(take), rendered);
    run = runRenderer("-q -t 0.1 --force -o " + quoted(take));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(slurp(take), rendered);
    EXPECT_EQ(directory.names(), (std::vector<std::string>{"link.wav", "take.wav"}));

    // A FIFO read by another process gets the whole file and stays a FIFO.
    const std::string fifo = directory.file("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = runCommand("cat " + quoted(fifo)).output; });
    run = runRenderer("-q -t 0.2 -o " + quoted(fifo));
    reader.join();
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    ASSERT_EQ(runRenderer("-q -t 0.2 -o " + quoted(take) + " --force").status, 0);
    EXPECT_EQ(received, slurp(take));

    // FLAC goes back to its header at the end, which a FIFO cannot do: refused on one line.
    const std::string flacFifo = directory.file("pipe.flac");
    ASSERT_EQ(mkfifo(flacFifo.c_str(), 0600), 0);
    std::thread flacReader([&] { runCommand("cat " + quoted(flacFifo)); });
    run = runRenderer("-q -t 0.2 -o " + quoted(flacFifo));
    flacReader.join();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("cannot write FLAC to " + flacFifo + ": it cannot be rewound"), std::string::npos)
        << run.errors;
    EXPECT_TRUE(S_ISFIFO(modeOf(flacFifo)));
}

TEST(RenderTool, SaysWhenChannelsShareTheVoiceOrNoNotesPlay)
{
    // Notes on channels 1, 2 and 10 (General MIDI drums), and a controller on 3.
    const std::vector<std::uint8_t> threeChannels =
        midiFile({{0, {0x90, 60, 100}}, {0, {0x91, 64, 100}}, {0, {0x99, 36, 100}}, {0, {0xB2, 7, 100}},
                  {96, {0x80, 60, 0}}, {0, {0x81, 64, 0}}, {0, {0x89, 36, 0}}});
    const std::vector<std::uint8_t> noNotes = midiFile({{0, {0xB0, 7, 100}}, {0x60, {0xE0, 0, 64}}});
    const struct {
        const std::vector<std::uint8_t>* file;
        const char* arguments;
        const char* notice; // the one line on standard error before the summary; empty: none
        bool silent;
    } cases[] = {
        {&threeChannels, "",
         "notes on channels 1, 2 and 10 (General MIDI drums) all play the one voice; --channel N plays only channel N",
         false},
        {&threeChannels, "--channel 2", "", false},
        {&threeChannels, "--channel 3 --channel 4", "no notes on channels 3 and 4; the render is 1.10 s of silence", true},
        {&noNotes, "", "no notes; the render is 1.10 s of silence", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        ScratchDirectory directory;
        const std::string in = directory.file("in.mid");
        writeFile(in, *c.file);
        const ToolRun run = runRenderer(quoted(in) + " -t 1 -o " + quoted(directory.file("out.wav")) + " " + c.arguments);
        ASSERT_EQ(run.status, 0) << run.errors;
        const std::string notice = std::string(c.notice).empty() ? "" : "zephyrant-render: " + in + ": " + c.notice + "\n";
        EXPECT_EQ(run.errors.substr(0, notice.size()), notice);
        EXPECT_EQ(lineCount(run.errors), notice.empty() ? 1u : 2u) << run.errors;
        AudioContents contents;
        ASSERT_TRUE(readAudio(directory.file("out.wav"), contents));
        EXPECT_EQ(contents.info.frames, 4410 + 44100);
        const bool silent = std::all_of(contents.samples.begin(), contents.samples.end(), [](float s) { return s == 0.0f; });
        EXPECT_EQ(silent, c.silent);
    }
}

TEST(RenderTool, BadInputGivesOneLineReasonAndNoOutputFile)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> input; // written as in.mid when not empty
        std::string arguments;           // IN and OUT stand for the paths
        int status;                      // 2: the command line is at fault; 1: the work failed
        const char* reason;
    };
    const std::vector<std::uint8_t> phrase = phraseFile();
    std::vector<std::uint8_t> truncated(phrase.begin(), phrase.end() - 5);
    std::vector<std::uint8_t> endless = phrase;
    endless.insert(endless.begin() + 22, {0xFF, 0xFF, 0xFF, 0xFF});
    endless[21] = static_cast<std::uint8_t>(endless[21] + 4);
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};

    const std::vector<Case> cases = {
        {"missing file", {}, "IN -o OUT", 1, "cannot open"},
        {"not MIDI", text, "IN -o OUT", 1, "not a Standard MIDI File"},
        {"truncated chunk", truncated, "IN -o OUT", 1, "truncated chunk: it declares"},
        {"endless number", endless, "IN -o OUT", 1, "variable-length number longer than 4 bytes at byte 22"},
        {"unknown parameter", phrase, "IN -o OUT --param Flanger=0.5", 2, "unknown parameter 'Flanger'"},
        {"parameter index", phrase, "IN -o OUT --param 19=0.5", 2, "unknown parameter '19'"},
        {"parameter value", phrase, "IN -o OUT --param Chorus=loud", 2, "NAME=VALUE with a value from 0 to 1"},
        {"parameter range", phrase, "IN -o OUT --param Chorus=1.5", 2, "bad value 'Chorus=1.5'"},
        {"parameter form", phrase, "IN -o OUT --param Chorus", 2, "bad value 'Chorus'"},
        {"program", phrase, "IN -o OUT -p 128", 2, "program 128 does not exist"},
        {"format", phrase, "IN -o OUT -f 8", 2, "bad value '8': float, 24 or 16 is expected"},
        {"float FLAC", phrase, "IN -o OUT.flac -f float", 2, "FLAC cannot hold 32-bit float samples"},
        {"16-bit Ogg", phrase, "IN -o OUT.ogg -f 16", 2, "Ogg Vorbis cannot hold 16-bit samples"},
        {"extension", phrase, "IN -o OUT.mp3", 2, "cannot write .mp3 files"},
        {"rate", phrase, "IN -o OUT -r 44k", 2, "bad value '44k': a whole number of Hz from 8000 to 768000"},
        {"block", phrase, "IN -o OUT -b 0", 2, "bad value '0': a whole number from 1 to 65536"},
        {"tail", phrase, "IN -o OUT -t -1", 2, "--tail"},
        {"channel", phrase, "IN -o OUT --channel 17", 2, "a MIDI channel from 1 to 16"},
        {"unknown option", phrase, "IN -o OUT --bogus", 2, "--bogus"},
        {"two inputs", phrase, "IN IN -o OUT", 2, "not expected"},
        {"no output", phrase, "IN", 2, "no output given (-o PATH, or -o - for standard output)"},
        {"output into missing directory", phrase, "IN -o OUT/missing/x.wav", 1, "cannot write"},
        {"output over input", phrase, "IN -o IN", 2, "is the input file"},
        {"module", phrase, "IN -o OUT -m no-such-module.so", 1, "cannot load"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDirectory directory;
        const std::string in = directory.file("in.mid");
        const std::string out = directory.file("out.wav");
        if (!c.input.empty()) {
            writeFile(in, c.input);
        }
        std::ofstream(out) << "earlier take";
        const ToolRun run = runRenderer(withPaths(c.arguments, in, out));
        EXPECT_EQ(run.status, c.status) << run.errors;
        EXPECT_NE(run.errors.find(c.reason), std::string::npos) << run.errors;
        EXPECT_EQ(lineCount(run.errors), 1u) << run.errors;
        EXPECT_EQ(run.errors.rfind("zephyrant-render: ", 0), 0u) << run.errors;
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(slurp(out), "earlier take");
        std::vector<std::string> expected = {"out.wav"};
        if (!c.input.empty()) {
            expected.insert(expected.begin(), "in.mid");
        }
        EXPECT_EQ(directory.names(), expected);
    }
}

TEST(RenderTool, ControlCharactersOfArgumentsAreShownEscapedOnOneLine)
{
    struct Case {
        const char* what;
        std::string arguments; // IN and OUT stand for the paths; the characters stand inside single quotes
        int status;
        const char* shown;     // in the one line on standard error; none when empty
    };
    const std::vector<Case> cases = {
        {"newline in a value", "IN -o OUT --param 'Distorter=0.5\nx'", 2, "bad value 'Distorter=0.5\\nx'"},
        {"tab in a name", "IN -o OUT --param 'Dist\torter=0.5'", 2, "unknown parameter 'Dist\\torter'"},
        {"carriage return in a preset", "IN -o OUT --preset 'Harp\rRing'", 2, "unknown preset 'Harp\\rRing'"},
        {"escape sequence in the input's name", "'IN\x1b[2J' -o OUT", 1, "in.mid\\x1B[2J: "},
        {"C1 control in the output's folder", "IN -o 'OUT\xc2\x9b/take.wav'", 1,
         "out.wav\\u009B/take.wav: cannot create a temporary file beside it in "},
        {"newline in the summary line", "IN -o 'OUT.take\n2.wav'", 0, "out.wav.take\\n2.wav: "},
        {"quiet", "IN -q -o 'OUT.take\n3.wav'", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDirectory directory;
        const std::string in = directory.file("in.mid");
        writeFile(in, phraseFile());
        const ToolRun run = runRenderer(withPaths(c.arguments, in, directory.file("out.wav"), false));
        EXPECT_EQ(run.status, c.status) << run.errors;
        EXPECT_EQ(lineCount(run.errors), *c.shown == '\0' ? 0u : 1u) << run.errors;
        EXPECT_NE(run.errors.find(c.shown), std::string::npos) << run.errors;
        const std::string line = run.errors.substr(0, run.errors.find('\n'));
        EXPECT_TRUE(std::none_of(line.begin(), line.end(),
                                 [](char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; }))
            << run.errors;
    }
}

// Starts zephyrant-render with the arguments, output on a file of its own.
pid_t startRenderer(const std::vector<std::string>& arguments, const std::string& errors)
{
    std::vector<std::string> all = {ZEPHYRANT_RENDER_PATH, "-m", ZEPHYRANT_MODULE_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = -1;
    EXPECT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits until the folder holds a name containing part, for at most ten seconds.
bool appears(const ScratchDirectory& directory, const std::string& part)
{
    for (int i = 0; i < 1000; ++i) {
        for (const std::string& name : directory.names()) {
            if (name.find(part) != std::string::npos) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(RenderTool, SignalsStopTheRenderAndLeaveNothingBehind)
{
    const ScratchDirectory logs;
    // Mid-render into a file: the earlier take stays, the unfinished file goes.
    for (const auto& [signal, status] : {std::pair<int, int>{SIGINT, 130}, {SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        ScratchDirectory directory;
        const std::string out = directory.file("out.wav");
        std::ofstream(out) << "earlier take";
        const pid_t child = startRenderer({"-q", "-t", "3600", "-o", out}, logs.file("errors"));
        ASSERT_TRUE(appears(directory, ".partial"));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(child, signal);
        int waited = 0;
        ASSERT_EQ(waitpid(child, &waited, 0), child);
        EXPECT_EQ(statusOf(waited), status) << slurp(logs.file("errors"));
        EXPECT_EQ(directory.names(), std::vector<std::string>{"out.wav"});
        EXPECT_EQ(slurp(out), "earlier take");
    }
    // While waiting for a FIFO's reader that never comes.
    ScratchDirectory directory;
    const std::string fifo = directory.file("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t child = startRenderer({"-q", "-o", fifo}, logs.file("errors"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGTERM);
    int waited = 0;
    ASSERT_EQ(waitpid(child, &waited, 0), child);
    EXPECT_EQ(statusOf(waited), 143) << slurp(logs.file("errors"));
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_EQ(directory.names(), std::vector<std::string>{"pipe.wav"});
}

} // namespace
