// zephyrant-render: plays a Standard MIDI File (or a built-in phrase) through the
// plug-in module, driving it exactly as a host does, and writes the stereo result
// to an audio file, a device, a pipe or standard output. Writing never destroys
// anything: see tools/output/OutputDestination.h.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <unistd.h>

#include "tools/cli/CommandLine.h"
#include "tools/cli/StopRequest.h"
#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/ModuleSearch.h"
#include "tools/hostkit/OfflineHost.h"
#include "tools/output/AudioFileWriter.h"
#include "tools/output/WavHeader.h"
#include "tools/render/BuiltInPhrase.h"
#include "tools/render/LevelMeter.h"
#include "tools/render/PresetChoice.h"
#include "tools/render/ProgressBar.h"

namespace {

const std::string kToolName = "zephyrant-render";
constexpr int kGeneralMidiDrumChannel = 9; // channel 10 as users count

constexpr const char* kDescription =
    "Plays a Standard MIDI File (format 0 or 1) through the Zephyrant plug-in module, driving it as a host "
    "does, and writes the stereo result as an audio file. Without FILE.mid it plays a short built-in phrase.";

constexpr const char* kFooter =
    "The container follows the output name's extension: .wav (also for names without one), .flac, .ogg, "
    ".aiff or .aif, .caf. '-o -' writes WAV to standard output. A regular file is replaced only when the whole "
    "render succeeds, through a temporary file beside it (a symbolic link is written through and stays a link); "
    "a read-only file is refused unless --force is given; devices, FIFOs and sockets are written in place.\n\n"
    "Without -m the module is $ZEPHYRANT_MODULE, else the first Zephyrant.so found beside this program, in "
    "../lib/vst from it, in the folders of $VST_PATH and $LXVST_PATH, ~/.vst, /usr/local/lib/vst or "
    "/usr/lib/vst.\n\n"
    "A preset (--preset, --preset-file or --bank-file) sets all parameters of the module's current program "
    "as a host loads a program; --param settings then change single parameters of it. Legato is on only for a "
    "value of exactly 1, as the module takes it; a file whose values leave 0 to 1 is refused.\n\n"
    "Messages and the summary line (duration, peak and RMS level, samples beyond full scale, render speed) go "
    "to standard error. Exit status: 0 done, 1 failed, 2 bad command line, 130 interrupted, 143 terminated.";

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
    std::vector<std::string> parameterTexts;
    std::vector<ParameterSetting> parameters;
    PresetChoice preset;
    bool listPresets = false;
    std::string formatText;
    OutputFormat format;
    double tailSeconds = 2.0;
    std::vector<int> channels;
    bool noDither = false;
    bool force = false;
    bool quiet = false;
};

// A check of an option's text with the tools' own wording of what is expected.
CLI::Validator expecting(const std::string& what, const std::function<bool(const std::string&)>& accepts)
{
    return CLI::Validator(
        [what, accepts](std::string& text) {
            return accepts(text) ? std::string() : "bad value '" + text + "': " + what + " is expected";
        },
        "");
}

bool isWholeNumber(const std::string& text, long low, long high)
{
    if (text.empty() || text.size() > 12) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

bool isReal(const std::string& text, double low, double high, double* result = nullptr)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < low || value > high) {
        return false;
    }
    if (result != nullptr) {
        *result = value;
    }
    return true;
}

// NAME=VALUE with a value from 0 to 1.
bool parseParameter(const std::string& text, ParameterSetting& setting)
{
    const std::size_t equals = text.rfind('=');
    double value = 0.0;
    if (equals == std::string::npos || equals == 0 || !isReal(text.substr(equals + 1), 0.0, 1.0, &value)) {
        return false;
    }
    setting = {text.substr(0, equals), static_cast<float>(value)};
    return true;
}

void describeOptions(CLI::App& app, Options& options)
{
    app.add_option("FILE.mid", options.input, "MIDI file to play (default: a built-in phrase)");
    app.add_option("-o,--output", options.output,
                   "file to write ('-' for standard output); the extension chooses the container")
        ->option_text("PATH");
    app.add_option("-m,--module", options.module, "plug-in module to load (default: found as described below)")
        ->option_text("PATH");
    app.add_option("-r,--rate", options.sampleRate, "sample rate, 8000 to 768000 (default 44100)")
        ->option_text("HZ")
        ->check(expecting("a whole number of Hz from 8000 to 768000",
                          [](const std::string& text) { return isWholeNumber(text, 8000, 768000); }));
    app.add_option("-b,--block", options.blockSize, "block size in frames, 1 to 65536 (default 512)")
        ->option_text("N")
        ->check(expecting("a whole number from 1 to 65536",
                          [](const std::string& text) { return isWholeNumber(text, 1, 65536); }));
    app.add_option("-p,--program", options.program,
                   "program to select before rendering (default: the module's current one, program 0); with "
                   "--bank-file the program of the bank to play (default: the one the bank selects)")
        ->option_text("N")
        ->check(expecting("a program number from 0",
                          [](const std::string& text) { return isWholeNumber(text, 0, 1 << 30); }));
    CLI::Option* sound = app.add_option("--preset", options.preset.soundName,
                                        "play a factory sound (any letter case; --list-presets lists them)")
                             ->option_text("NAME");
    CLI::Option* programFile = app.add_option("--preset-file", options.preset.programFile,
                                              "play the program of a VST 2.x program file (.fxp)")
                                   ->option_text("FILE.fxp");
    CLI::Option* bankFile = app.add_option("--bank-file", options.preset.bankFile,
                                           "play a program of a VST 2.x bank file (.fxb), chosen with --program")
                                ->option_text("FILE.fxb");
    sound->excludes(programFile)->excludes(bankFile);
    programFile->excludes(bankFile);
    app.add_flag("--list-presets", options.listPresets,
                 "print the factory sounds, one a line: the name, a tab and the description");
    app.add_option("--param", options.parameterTexts,
                   "set a parameter to a value from 0 to 1; NAME is the parameter's name as the module shows it "
                   "(any letter case) or its index; repeatable, applied in order after the program and the preset")
        ->option_text("NAME=VALUE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(expecting("NAME=VALUE with a value from 0 to 1", [](const std::string& text) {
            ParameterSetting ignored;
            return parseParameter(text, ignored);
        }));
    app.add_option("-f,--format", options.formatText,
                   "sample format: float (32-bit float, the default where the container holds it: levels beyond "
                   "full scale are kept), 24 or 16 (integer: such levels clip; FLAC's default is 24)")
        ->option_text("FORMAT")
        ->check(expecting("float, 24 or 16", [](const std::string& text) {
            SampleFormat ignored;
            return parseSampleFormat(text, ignored);
        }));
    app.add_flag("--no-dither", options.noDither, "write 16-bit samples without TPDF dither");
    app.add_option("-t,--tail", options.tailSeconds,
                   "time rendered after the end of the piece, for the notes' release, 0 to 3600 (default 2)")
        ->option_text("SECONDS")
        ->check(expecting("seconds from 0 to 3600",
                          [](const std::string& text) { return isReal(text, 0.0, 3600.0); }));
    app.add_option("--channel", options.channels,
                   "play only this MIDI channel, 1 to 16; repeatable (default: every channel plays the one voice)")
        ->option_text("N")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(expecting("a MIDI channel from 1 to 16",
                          [](const std::string& text) { return isWholeNumber(text, 1, 16); }));
    app.add_flag("--force", options.force, "replace a read-only output file");
    app.add_flag("-q,--quiet", options.quiet, "no progress bar, no notices and no summary line");
    app.footer(kFooter);
}

// Checks what only the parsed options together can tell; 0 or the usage error's status.
int checkOptions(Options& options)
{
    for (const std::string& text : options.parameterTexts) {
        ParameterSetting setting;
        parseParameter(text, setting);
        options.parameters.push_back(setting);
    }
    if (!options.preset.bankFile.empty()) {
        options.preset.bankProgram = options.program;
    }
    if (options.output.empty()) {
        return usageError(kToolName, "no output given (-o PATH, or -o - for standard output)");
    }
    if (!options.input.empty() && options.output != "-") {
        std::error_code ignored;
        if (std::filesystem::equivalent(options.input, options.output, ignored)) {
            return usageError(kToolName, "the output " + options.output + " is the input file; choose another name");
        }
    }
    std::string error;
    if (!containerOfName(options.output, options.format.container, error)) {
        return usageError(kToolName, error);
    }
    const Container container = options.format.container;
    if (options.output == "-" && isatty(STDOUT_FILENO) != 0) {
        return usageError(kToolName, "standard output is a terminal; send it to a file or a program");
    }
    options.format.sampleFormat = defaultSampleFormat(container);
    if (!options.formatText.empty()) {
        parseSampleFormat(options.formatText, options.format.sampleFormat);
        if (!holdsSampleFormat(container, options.format.sampleFormat)) {
            return usageError(kToolName, std::string(containerName(container)) + " cannot hold " +
                                             sampleFormatName(options.format.sampleFormat) + " samples; " +
                                             (container == Container::Flac ? "use -f 24 or -f 16"
                                                                           : "leave out -f or use -f float"));
        }
    }
    if (!AudioFileWriter::canWrite(options.format, options.sampleRate, error)) {
        return usageError(kToolName, error);
    }
    return 0;
}

std::string channelList(MidiChannels channels)
{
    std::vector<std::string> numbers;
    for (int channel = 0; channel < 16; ++channel) {
        if ((channels & (1u << channel)) != 0) {
            numbers.push_back(std::to_string(channel + 1) +
                              (channel == kGeneralMidiDrumChannel ? " (General MIDI drums)" : ""));
        }
    }
    std::string list;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + numbers[i];
    }
    return list;
}

int countChannels(MidiChannels channels)
{
    int count = 0;
    for (; channels != 0; channels = static_cast<MidiChannels>(channels & (channels - 1))) {
        ++count;
    }
    return count;
}

// The chosen channels' events; tells the user, on one line each, when the file has
// no notes to play or when several channels share the one voice.
std::vector<TimedMidiEvent> scheduleFile(const Options& options, const MidiFile& file, std::int64_t& endFrame)
{
    MidiChannels chosen = options.channels.empty() ? kAllMidiChannels : 0;
    for (int channel : options.channels) {
        chosen = static_cast<MidiChannels>(chosen | (1u << (channel - 1)));
    }
    const MidiChannels withNotes = channelsWithNotes(file);
    const double seconds = file.secondsAt(file.endTick()) + options.tailSeconds;
    if ((withNotes & chosen) == 0) {
        char length[32];
        std::snprintf(length, sizeof length, "%.2f", seconds);
        reportError(kToolName, options.input + ": no notes" +
                                   (options.channels.empty() ? std::string()
                                                             : (countChannels(chosen) > 1 ? " on channels " : " on channel ") +
                                                                   channelList(chosen)) +
                                   "; the render is " + length + " s of silence");
    } else if (options.channels.empty() && countChannels(withNotes) > 1 && !options.quiet) {
        reportError(kToolName, options.input + ": notes on channels " + channelList(withNotes) +
                                   " all play the one voice; --channel N plays only channel N");
    }
    return eventsOfFile(file, options.sampleRate, endFrame, chosen);
}

// After a signal: nothing is left behind and the status says which signal it was.
int stopped(AudioFileWriter* output)
{
    const bool partlyWritten =
        output != nullptr && output->destination().descriptor() >= 0 &&
        output->destination().kind() != OutputDestination::Kind::Replacement;
    if (output != nullptr) {
        output->discard();
    }
    reportError(kToolName, partlyWritten ? "interrupted; what was sent so far is incomplete"
                                         : "interrupted; no output written");
    return stopExitStatus();
}

int run(const Options& options)
{
    installStopHandlers();
    std::string error;

    // The piece, placed on samples.
    std::vector<TimedMidiEvent> events;
    std::int64_t endFrame = 0;
    if (options.input.empty()) {
        events = builtInPhrase(options.sampleRate, endFrame);
    } else {
        MidiFile file;
        if (!file.load(options.input, error)) {
            reportError(kToolName, error);
            return kExitFailure;
        }
        events = scheduleFile(options, file, endFrame);
    }
    const std::int64_t totalFrames =
        endFrame + static_cast<std::int64_t>(std::llround(options.tailSeconds * options.sampleRate));
    const Container container = options.format.container;
    if ((container == Container::Wav || container == Container::Aiff) &&
        !fitsInWav(totalFrames, 2, options.format.sampleFormat)) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "the render would last %.0f s, longer than a %s file can hold at %d Hz in this format",
                      static_cast<double>(totalFrames) / options.sampleRate, containerName(container),
                      options.sampleRate);
        reportError(kToolName, text);
        return kExitFailure;
    }

    // The instance, set up as a host does before playing.
    std::string modulePath = options.module;
    if (modulePath.empty() && !locateModule(systemModuleSearch(), modulePath, error)) {
        reportError(kToolName, error + " (give one with -m PATH)");
        return kExitFailure;
    }
    ModuleLoader loader;
    if (!loader.load(modulePath, error)) {
        reportError(kToolName, error);
        return kExitFailure;
    }
    HostSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockSize = options.blockSize;
    OfflineHost host(settings);
    if (!host.open([&loader](HostCallback audioMaster, std::string& reason) {
            return loader.createInstance(audioMaster, reason);
        }, error)) {
        reportError(kToolName, error);
        return kExitFailure;
    }
    const bool moduleProgram = options.preset.bankFile.empty();
    if (moduleProgram && options.program >= 0 && !host.setProgram(options.program)) {
        const std::int32_t count = host.effect()->numPrograms;
        return usageError(kToolName, "program " + std::to_string(options.program) + " does not exist: the module has " +
                                         (count > 0 ? "programs 0 to " + std::to_string(count - 1)
                                                    : std::string("no programs")));
    }
    if (choosesPreset(options.preset)) {
        const AEffect* effect = host.effect();
        const ProgramFileIdentity identity{effect->uniqueID, effect->version, effect->numParams};
        std::vector<float> values;
        if (!chosenPresetValues(options.preset, identity, host.parameterNames(), values, error)) {
            reportError(kToolName, error);
            return kExitUsage;
        }
        for (std::size_t index = 0; index < values.size(); ++index) {
            host.setParameter(static_cast<std::int32_t>(index), values[index]);
        }
    }
    for (const ParameterSetting& setting : options.parameters) {
        const std::int32_t index = host.findParameter(setting.name);
        if (index < 0) {
            std::string known;
            for (const std::string& name : host.parameterNames()) {
                known += (known.empty() ? "" : ", ") + name;
            }
            return usageError(kToolName,
                              "unknown parameter '" + setting.name + "'; the module's parameters are: " + known);
        }
        host.setParameter(index, setting.value);
    }
    if (stopRequested()) {
        return stopped(nullptr);
    }

    AudioFileSettings fileSettings;
    fileSettings.sampleRate = options.sampleRate;
    fileSettings.format = options.format;
    fileSettings.dither = !options.noDither;
    fileSettings.frames = totalFrames;
    fileSettings.force = options.force;
    fileSettings.stop = stopRequested;
    AudioFileWriter output;
    if (!output.open(options.output, fileSettings, error)) {
        if (stopRequested()) {
            return stopped(&output);
        }
        reportError(kToolName, error);
        return kExitFailure;
    }

    ProgressBar progress(!options.quiet && ProgressBar::standardErrorIsTerminal(), totalFrames, options.sampleRate);
    LevelMeter meter;
    std::int64_t done = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto writeBlock = [&](const float* left, const float* right, std::int32_t frames) {
        if (stopRequested() || !output.write(left, right, frames, error)) {
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
    if (stopRequested()) {
        return stopped(&output);
    }
    if (!rendered || !output.commit(error)) {
        output.discard();
        if (stopRequested()) {
            return stopped(&output);
        }
        reportError(kToolName, error);
        return kExitFailure;
    }

    if (output.nonFiniteSamples() > 0) {
        reportError(kToolName, "warning: the module produced " + std::to_string(output.nonFiniteSamples()) +
                                   " samples that are not numbers; written as 0");
    }
    if (!options.quiet) {
        const double seconds = static_cast<double>(totalFrames) / options.sampleRate;
        const bool integer = options.format.sampleFormat != SampleFormat::Float32;
        const std::string overs = std::to_string(meter.beyondFullScale()) + " samples beyond full scale" +
                                  (meter.beyondFullScale() > 0 && integer ? " (clipped in the file)" : "");
        const std::string dither =
            options.format.sampleFormat == SampleFormat::Pcm16 && !options.noDither ? " (dithered)" : "";
        const std::string format = container == Container::Ogg
                                       ? std::string(containerName(container))
                                       : std::string(sampleFormatName(options.format.sampleFormat)) + dither +
                                             " " + containerName(container);
        char speed[48];
        if (renderSeconds > 0.0) {
            std::snprintf(speed, sizeof speed, "%.1fx real time", seconds / renderSeconds);
        } else {
            std::snprintf(speed, sizeof speed, "too fast to time");
        }
        std::fprintf(stderr, "%s: %.2f s, %d Hz stereo %s; peak %s, RMS %s, %s; rendered at %s\n",
                     escapeControlCharacters(output.destination().shownName()).c_str(), seconds, options.sampleRate,
                     format.c_str(), meter.peakText().c_str(), meter.rmsText().c_str(), overs.c_str(), speed);
    }
    return kExitSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const auto app = makeCommandLine(kToolName, kDescription);
    describeOptions(*app, options);
    const int parsed = parseCommandLine(*app, argc, argv);
    if (parsed >= 0) {
        return parsed;
    }
    // An empty name names nothing; CLI11 does not always run a check on an empty value.
    const std::pair<const char*, const std::string*> presetOptions[] = {
        {"--preset", &options.preset.soundName},
        {"--preset-file", &options.preset.programFile},
        {"--bank-file", &options.preset.bankFile},
    };
    for (const auto& [option, value] : presetOptions) {
        if (app->count(option) > 0 && value->empty()) {
            return usageError(kToolName, std::string(option) + ": an empty name names no preset");
        }
    }
    if (options.listPresets) {
        std::fputs(factorySoundList().c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
    }
    if (const int status = checkOptions(options)) {
        return status;
    }
    try {
        return run(options);
    } catch (const std::exception& failure) {
        reportError(kToolName, std::string("render failed: ") + failure.what());
        return kExitFailure;
    }
}
