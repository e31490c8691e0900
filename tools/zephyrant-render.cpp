// zephyrant-render: plays a Standard MIDI File (or a built-in phrase) through the
// plug-in module, driving it exactly as a host does, and writes the stereo result
// to a WAV file. A failed run leaves no output file behind.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/support/MidiFile.h"
#include "tools/support/MidiSchedule.h"
#include "tools/support/ModuleLoader.h"
#include "tools/support/OfflineHost.h"
#include "tools/support/WavOutput.h"

#ifndef ZEPHYRANT_MODULE_FILE_NAME
#ifdef _WIN32
#define ZEPHYRANT_MODULE_FILE_NAME "Zephyrant.dll"
#else
#define ZEPHYRANT_MODULE_FILE_NAME "Zephyrant.so"
#endif
#endif

namespace {

constexpr const char* kProgramName = "zephyrant-render";
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: zephyrant-render [OPTIONS] [FILE.mid] -o OUT.wav\n"
    "\n"
    "Plays a Standard MIDI File (format 0 or 1) through the Zephyrant plug-in module,\n"
    "driving it as a host does, and writes the stereo result as a WAV file. Without\n"
    "FILE.mid it plays a short built-in phrase.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH       WAV file to write (required); an existing file is\n"
    "                          replaced only when the whole render succeeds\n"
    "  -m, --module PATH       plug-in module to load (default: " ZEPHYRANT_MODULE_FILE_NAME
    " beside this program)\n"
    "  -r, --rate HZ           sample rate, 8000 to 768000 (default 44100)\n"
    "  -b, --block N           block size in frames, 1 to 65536 (default 512)\n"
    "  -p, --program N         program to select before rendering (default: the\n"
    "                          module's current one, program 0)\n"
    "      --param NAME=VALUE  set a parameter to a value from 0 to 1; NAME is the\n"
    "                          parameter's name as the module shows it (any letter\n"
    "                          case) or its index; repeatable, applied in order after\n"
    "                          the program\n"
    "  -f, --format FORMAT     float (32-bit float, the default: levels beyond full\n"
    "                          scale are kept), 24 or 16 (integer, such levels clip)\n"
    "  -t, --tail SECONDS      time rendered after the end of the piece, for the\n"
    "                          notes' release, 0 to 3600 (default 2)\n"
    "  -q, --quiet             no progress bar and no summary line\n"
    "  -h, --help              show this help and exit\n"
    "\n"
    "Options take their value as the next argument or after '=' (--rate=48000, -r48000).\n"
    "A progress bar appears on a terminal for renders longer than about a second; a\n"
    "summary line gives the duration, peak and RMS level in dBFS, the count of samples\n"
    "beyond full scale and the render speed.\n";

struct ParameterSetting {
    std::string name;
    float value;
};

struct Options {
    std::string input;
    std::string output;
    std::string module;
    std::int32_t sampleRate = 44100;
    std::int32_t blockSize = 512;
    std::int32_t program = -1;
    std::vector<ParameterSetting> parameters;
    WavSampleFormat format = WavSampleFormat::Float32;
    double tailSeconds = 2.0;
    bool quiet = false;
    bool help = false;
};

// Set by an interrupt (Ctrl-C) or a termination request: the render stops at the
// end of its block and the unfinished file is removed.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int /*signal*/)
{
    stopRequested = 1;
}

void reportError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
}

bool parseInteger(const std::string& text, long low, long high, std::int32_t& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    value = static_cast<std::int32_t>(parsed);
    return true;
}

bool parseReal(const std::string& text, double low, double high, double& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

// Reads the command line into options; false with a reason for the user.
bool parseArguments(int argc, char** argv, Options& options, std::string& error)
{
    struct Option {
        const char* shortName;
        const char* longName;
        bool takesValue;
    };
    static const Option kOptions[] = {
        {"-o", "--output", true}, {"-m", "--module", true}, {"-r", "--rate", true}, {"-b", "--block", true},
        {"-p", "--program", true}, {nullptr, "--param", true}, {"-f", "--format", true}, {"-t", "--tail", true},
        {"-q", "--quiet", false},  {"-h", "--help", false},
    };

    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (!options.input.empty()) {
                error = "more than one input file given ('" + options.input + "' and '" + argument + "')";
                return false;
            }
            options.input = argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const Option* matched = nullptr;
        std::string value;
        bool hasValue = false;
        for (const Option& option : kOptions) {
            const std::string longName = option.longName;
            if (argument == longName || (option.shortName != nullptr && argument == option.shortName)) {
                matched = &option;
            } else if (option.takesValue && argument.compare(0, longName.size() + 1, longName + "=") == 0) {
                matched = &option;
                value = argument.substr(longName.size() + 1);
                hasValue = true;
            } else if (option.takesValue && option.shortName != nullptr && argument[1] != '-' &&
                       argument.compare(0, 2, option.shortName) == 0) {
                matched = &option;
                value = argument.substr(2);
                hasValue = true;
            }
            if (matched != nullptr) {
                break;
            }
        }
        if (matched == nullptr) {
            error = "unknown option '" + argument + "'";
            return false;
        }
        const std::string name = matched->longName;
        if (matched->takesValue && !hasValue) {
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (name == "--output") {
            options.output = value;
        } else if (name == "--module") {
            options.module = value;
        } else if (name == "--rate") {
            if (!parseInteger(value, 8000, 768000, options.sampleRate)) {
                error = "bad sample rate '" + value + "': a whole number of Hz from 8000 to 768000 is expected";
                return false;
            }
        } else if (name == "--block") {
            if (!parseInteger(value, 1, 65536, options.blockSize)) {
                error = "bad block size '" + value + "': a whole number from 1 to 65536 is expected";
                return false;
            }
        } else if (name == "--program") {
            if (!parseInteger(value, 0, 1 << 30, options.program)) {
                error = "bad program '" + value + "': a program number from 0 is expected";
                return false;
            }
        } else if (name == "--param") {
            const std::size_t equals = value.rfind('=');
            double number = 0.0;
            if (equals == std::string::npos || equals == 0) {
                error = "bad --param '" + value + "': NAME=VALUE is expected";
                return false;
            }
            if (!parseReal(value.substr(equals + 1), 0.0, 1.0, number)) {
                error = "bad value in --param '" + value + "': a number from 0 to 1 is expected";
                return false;
            }
            options.parameters.push_back({value.substr(0, equals), static_cast<float>(number)});
        } else if (name == "--format") {
            if (value == "float" || value == "32") {
                options.format = WavSampleFormat::Float32;
            } else if (value == "24") {
                options.format = WavSampleFormat::Pcm24;
            } else if (value == "16") {
                options.format = WavSampleFormat::Pcm16;
            } else {
                error = "bad format '" + value + "': float, 24 or 16 is expected";
                return false;
            }
        } else if (name == "--tail") {
            if (!parseReal(value, 0.0, 3600.0, options.tailSeconds)) {
                error = "bad tail '" + value + "': seconds from 0 to 3600 are expected";
                return false;
            }
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--help") {
            options.help = true;
        }
    }
    if (!options.help && options.output.empty()) {
        error = "no output file given (-o OUT.wav)";
        return false;
    }
    return true;
}

// The phrase played without a file: a rising arpeggio, a legato run down and a
// held note, at 120 beats per minute.
struct PhraseNote {
    double beat;
    double length;
    std::uint8_t key;
    std::uint8_t velocity;
};

constexpr PhraseNote kBuiltInPhrase[] = {
    {0.0, 0.45, 69, 100}, {0.5, 0.45, 72, 90},  {1.0, 0.45, 76, 95},  {1.5, 0.45, 81, 110},
    {2.0, 0.3, 79, 90},   {2.25, 0.3, 77, 85},  {2.5, 0.3, 76, 85},   {2.75, 0.3, 74, 85},
    {3.0, 0.3, 72, 90},   {3.25, 0.3, 71, 85},  {3.5, 0.55, 72, 95},  {4.0, 2.0, 69, 105},
};
constexpr double kPhraseSecondsPerBeat = 0.5;

std::vector<TimedMidiEvent> builtInPhrase(std::int32_t sampleRate, std::int64_t& endFrame)
{
    std::vector<TimedMidiEvent> events;
    const auto frameOf = [sampleRate](double beat) {
        return static_cast<std::int64_t>(std::llround(beat * kPhraseSecondsPerBeat * sampleRate));
    };
    for (const PhraseNote& note : kBuiltInPhrase) {
        events.push_back({frameOf(note.beat), {0x90, note.key, note.velocity}});
        events.push_back({frameOf(note.beat + note.length), {0x80, note.key, 64}});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.frame < b.frame; });
    endFrame = events.back().frame;
    return events;
}

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// A one-line bar on a terminal, drawn only once the render looks like taking
// longer than about a second, at most ten times a second, erased when done.
class ProgressBar {
public:
    ProgressBar(bool enabled, std::int64_t totalFrames, std::int32_t sampleRate)
        : active(enabled), total(totalFrames), rate(sampleRate), start(Clock::now()), lastDraw(start)
    {
    }

    void update(std::int64_t done)
    {
        if (!active || done <= 0) {
            return;
        }
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const double expected = elapsed * static_cast<double>(total) / static_cast<double>(done);
        if (elapsed < 0.2 || expected < 1.0 || (drawn && now - lastDraw < std::chrono::milliseconds(100))) {
            return;
        }
        constexpr int kWidth = 40;
        const double fraction = static_cast<double>(done) / static_cast<double>(total);
        const int filled = static_cast<int>(fraction * kWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(kWidth - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%%  %.1f of %.1f s", bar.c_str(), static_cast<int>(fraction * 100.0),
                     static_cast<double>(done) / rate, static_cast<double>(total) / rate);
        std::fflush(stderr);
        drawn = true;
        lastDraw = now;
    }

    void finish()
    {
        if (drawn) {
            std::fprintf(stderr, "\r%72s\r", "");
            std::fflush(stderr);
            drawn = false;
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    bool active;
    bool drawn = false;
    std::int64_t total;
    double rate;
    Clock::time_point start;
    Clock::time_point lastDraw;
};

// Levels over the whole render, both channels together.
struct LevelMeter {
    double peak = 0.0;
    double sumOfSquares = 0.0;
    std::int64_t samples = 0;
    std::int64_t beyondFullScale = 0;

    void add(const float* samplesOfChannel, std::int32_t frames)
    {
        for (std::int32_t i = 0; i < frames; ++i) {
            const double sample = samplesOfChannel[i];
            if (!std::isfinite(sample)) {
                continue; // counted and written as 0 by the output
            }
            const double magnitude = std::fabs(sample);
            peak = std::max(peak, magnitude);
            sumOfSquares += sample * sample;
            if (magnitude > 1.0) {
                ++beyondFullScale;
            }
        }
        samples += frames;
    }

    static std::string decibels(double level)
    {
        if (level <= 0.0) {
            return "-inf dBFS";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(level));
        return text;
    }

    std::string peakText() const { return decibels(peak); }
    std::string rmsText() const
    {
        return decibels(samples > 0 ? std::sqrt(sumOfSquares / static_cast<double>(samples)) : 0.0);
    }
};

const char* formatName(WavSampleFormat format)
{
    switch (format) {
    case WavSampleFormat::Pcm16:
        return "16-bit";
    case WavSampleFormat::Pcm24:
        return "24-bit";
    case WavSampleFormat::Float32:
    default:
        return "32-bit float";
    }
}

int run(const Options& options)
{
    std::string error;

    // The piece, placed on samples.
    std::vector<TimedMidiEvent> events;
    std::int64_t endFrame = 0;
    if (options.input.empty()) {
        events = builtInPhrase(options.sampleRate, endFrame);
    } else {
        MidiFile file;
        if (!file.load(options.input, error)) {
            reportError(error);
            return kExitFailure;
        }
        events = eventsOfFile(file, options.sampleRate, endFrame);
    }
    const std::int64_t totalFrames =
        endFrame + static_cast<std::int64_t>(std::llround(options.tailSeconds * options.sampleRate));

    // A RIFF file counts its bytes in 32 bits.
    const double dataBytes = static_cast<double>(totalFrames) * 2.0 * WavOutput::bytesPerSample(options.format);
    if (dataBytes > 4294967295.0 - 4096.0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the render would last %.0f s, longer than a WAV file can hold at %d Hz in this format",
                      static_cast<double>(totalFrames) / options.sampleRate, options.sampleRate);
        reportError(text);
        return kExitFailure;
    }
    if (!options.input.empty()) {
        std::error_code ignored;
        if (std::filesystem::equivalent(options.input, options.output, ignored)) {
            reportError("the output " + options.output + " is the input file; choose another name");
            return kExitFailure;
        }
    }

    // The instance, set up as a host does before playing.
    ModuleLoader loader;
    const std::string modulePath =
        options.module.empty() ? defaultModulePath(ZEPHYRANT_MODULE_FILE_NAME) : options.module;
    if (!loader.load(modulePath, error)) {
        reportError(error);
        return kExitFailure;
    }
    HostSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockSize = options.blockSize;
    OfflineHost host(settings);
    if (!host.open([&loader](HostCallback audioMaster, std::string& reason) {
            return loader.createInstance(audioMaster, reason);
        }, error)) {
        reportError(error);
        return kExitFailure;
    }
    if (options.program >= 0 && !host.setProgram(options.program)) {
        const std::int32_t count = host.effect()->numPrograms;
        reportError("program " + std::to_string(options.program) + " does not exist: the module has " +
                    (count > 0 ? "programs 0 to " + std::to_string(count - 1) : std::string("no programs")));
        return kExitFailure;
    }
    for (const ParameterSetting& setting : options.parameters) {
        const std::int32_t index = host.findParameter(setting.name);
        if (index < 0) {
            std::string known;
            for (const std::string& name : host.parameterNames()) {
                known += (known.empty() ? "" : ", ") + name;
            }
            reportError("unknown parameter '" + setting.name + "'; the module's parameters are: " + known);
            return kExitFailure;
        }
        host.setParameter(index, setting.value);
    }

    WavOutput output;
    if (!output.open(options.output, options.sampleRate, options.format, error)) {
        reportError(error);
        return kExitFailure;
    }

    ProgressBar progress(!options.quiet && stderrIsTerminal(), totalFrames, options.sampleRate);
    LevelMeter meter;
    std::int64_t done = 0;
    const auto started = std::chrono::steady_clock::now();
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    const auto writeBlock = [&](const float* left, const float* right, std::int32_t frames) {
        if (stopRequested != 0) {
            error = "interrupted: no output written";
            return false;
        }
        if (!output.write(left, right, frames, error)) {
            return false;
        }
        meter.add(left, frames);
        meter.add(right, frames);
        done += frames;
        progress.update(done);
        return true;
    };
    const bool rendered = host.render(events, totalFrames, writeBlock);
    const double renderSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.finish();
    host.close();
    if (!rendered || !output.commit(error)) {
        output.discard();
        reportError(error);
        return kExitFailure;
    }

    if (output.nonFiniteSamples() > 0) {
        std::fprintf(stderr, "%s: warning: the module produced %lld samples that are not numbers; written as 0\n",
                     kProgramName, static_cast<long long>(output.nonFiniteSamples()));
    }
    if (!options.quiet) {
        const double seconds = static_cast<double>(totalFrames) / options.sampleRate;
        const std::string overs = std::to_string(meter.beyondFullScale) + " samples beyond full scale" +
                                  (meter.beyondFullScale > 0 && options.format != WavSampleFormat::Float32
                                       ? " (clipped in the file)"
                                       : "");
        char speed[48];
        if (renderSeconds > 0.0) {
            std::snprintf(speed, sizeof speed, "%.1fx real time", seconds / renderSeconds);
        } else {
            std::snprintf(speed, sizeof speed, "too fast to time");
        }
        std::printf("%s: %.2f s, %d Hz stereo %s; peak %s, RMS %s, %s; rendered at %s\n", options.output.c_str(),
                    seconds, options.sampleRate, formatName(options.format), meter.peakText().c_str(),
                    meter.rmsText().c_str(), overs.c_str(), speed);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parseArguments(argc, argv, options, error)) {
        reportError(error + " (see --help)");
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& failure) {
        reportError(std::string("render failed: ") + failure.what());
        return kExitFailure;
    }
}
