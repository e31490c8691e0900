// zephyrant-module-check: checks a built module the way a host on any platform
// meets it, so that builds for other systems and word sizes can be compared with
// the native one.
//
//   zephyrant-module-check MODULE [--texts OUT.txt] [--render OUT.raw]
//       Loads MODULE (dlopen or LoadLibrary), enters it through each exported
//       name, VSTPluginMain and main, and checks the record it answers. --texts
//       writes every text a host can ask for; --render plays a fixed phrase and
//       writes the samples as raw interleaved 32-bit floats (little-endian).
//   zephyrant-module-check --compare A B [--tolerance X]
//       Compares two renders, raw float files or 32-bit float WAV files:
//       reports the largest absolute sample difference and the share of
//       bit-identical samples; fails when the difference exceeds X (default 0:
//       bit-identical).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/cli/CommandLine.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"
#include "tools/hostkit/PluginInstance.h"

namespace {

const std::string kToolName = "zephyrant-module-check";
constexpr std::int32_t kVolume = 9;

int failures = 0;

void check(bool condition, const std::string& what)
{
    if (!condition) {
        ++failures;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

// Opens an instance made through the module's entry exported under symbol.
bool openThrough(const ModuleLoader& module, const char* symbol, OfflineHost& host, std::string& error)
{
    const VstEntryPoint entry = module.entryPoint(symbol);
    return host.open([entry, symbol](HostCallback audioMaster, std::string& reason) -> AEffect* {
        if (entry == nullptr) {
            reason = std::string(symbol) + " is not exported";
            return nullptr;
        }
        return entry(audioMaster);
    }, error);
}

std::string hex(std::int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The record and the identity texts as the entry answers them, then a close that answers 1.
void checkEntry(const ModuleLoader& module, const char* name)
{
    const std::string prefix = std::string(name) + ": ";
    check(module.entryPoint(name) != nullptr, prefix + "not exported");
    if (module.entryPoint(name) == nullptr) {
        return;
    }
    std::string error;
    {
        HostSettings refusing;
        refusing.hostVersion = 0;
        OfflineHost host(refusing);
        check(!openThrough(module, name, host, error), prefix + "made an instance although the host answered version 0");
    }

    OfflineHost host{HostSettings{}};
    check(openThrough(module, name, host, error), prefix + "made no instance");
    if (!host.instance()) {
        return;
    }
    const PluginInstance& instance = host.instance();
    const AEffect& r = *instance.record();
    check(r.magic == fourCharCode("VstP"), prefix + "magic " + hex(r.magic));
    check(r.numPrograms == 128, prefix + "numPrograms " + std::to_string(r.numPrograms));
    check(r.numParams == 19, prefix + "numParams " + std::to_string(r.numParams));
    check(r.numInputs == 0, prefix + "numInputs " + std::to_string(r.numInputs));
    check(r.numOutputs == 2, prefix + "numOutputs " + std::to_string(r.numOutputs));
    check(r.flags == (effFlagsCanReplacing | effFlagsIsSynth), prefix + "flags " + hex(r.flags));
    check(r.uniqueID == fourCharCode("zphr"), prefix + "uniqueID " + hex(r.uniqueID));
    check(r.version == 1, prefix + "version " + std::to_string(r.version));
    check(r.initialDelay == 0 && r.ioRatio == 1.0f, prefix + "initialDelay or ioRatio");
    check(r.object != nullptr && r.user == nullptr, prefix + "object or user");
    check(r.dispatcher != nullptr && r.process != nullptr && r.processReplacing != nullptr &&
              r.setParameter != nullptr && r.getParameter != nullptr,
          prefix + "a function entry is null");
    check(std::all_of(std::begin(r.future), std::end(r.future), [](char c) { return c == 0; }),
          prefix + "future not zero");

    check(instance.text(effGetEffectName) == "Zephyrant", prefix + "effect name");
    check(instance.text(effGetVendorString) == "Korvantis", prefix + "vendor");
    check(instance.text(effGetParamName, 0) == "Exciter ", prefix + "name of parameter 0");
    check(instance.dispatch(effGetPlugCategory) == kPlugCategSynth, prefix + "category");
    check(host.close() == 1, prefix + "effClose did not answer 1");
}

// Every text a host can ask for, one per line, at the default program and after
// a few parameter values that reach the unit conversions.
bool writeTexts(const ModuleLoader& module, std::FILE* out)
{
    OfflineHost host{HostSettings{}};
    std::string error;
    if (!openThrough(module, "VSTPluginMain", host, error)) {
        return false;
    }
    const PluginInstance& instance = host.instance();
    const AEffect& r = *instance.record();
    std::fprintf(out, "effect name: %s\n", instance.text(effGetEffectName).c_str());
    std::fprintf(out, "vendor: %s\n", instance.text(effGetVendorString).c_str());
    std::fprintf(out, "product: %s\n", instance.text(effGetProductString).c_str());
    std::fprintf(out, "vendor version: %lld\n", static_cast<long long>(instance.dispatch(effGetVendorVersion)));
    std::fprintf(out, "interface version: %lld\n", static_cast<long long>(instance.dispatch(effGetVstVersion)));
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames", "sendVstEvents"}) {
        std::vector<char> name(capability, capability + std::strlen(capability) + 1);
        std::fprintf(out, "canDo %s: %lld\n", capability,
                     static_cast<long long>(instance.dispatch(effCanDo, 0, 0, name.data())));
    }
    for (std::int32_t output = 0; output < 3; ++output) {
        VstPinProperties pin{};
        const VstIntPtr answered = instance.dispatch(effGetOutputProperties, output, 0, &pin);
        pin.label[sizeof pin.label - 1] = '\0';
        pin.shortLabel[sizeof pin.shortLabel - 1] = '\0';
        std::fprintf(out, "output %d: %lld \"%s\" \"%s\" flags %d arrangement %d\n", output,
                     static_cast<long long>(answered), pin.label, pin.shortLabel, pin.flags, pin.arrangementType);
    }
    const float probes[] = {-1.0f, 0.0f, 0.001f, 0.25f, 0.5f, 0.999f, 1.0f, 7.5f};
    for (std::int32_t index = 0; index < r.numParams; ++index) {
        std::fprintf(out, "parameter %d \"%s\" label \"%s\" default %.9g \"%s\"", index,
                     instance.text(effGetParamName, index).c_str(), instance.text(effGetParamLabel, index).c_str(),
                     static_cast<double>(instance.getParameter(index)),
                     instance.text(effGetParamDisplay, index).c_str());
        const float saved = instance.getParameter(index);
        for (float probe : probes) {
            instance.setParameter(index, probe);
            std::fprintf(out, " | %g \"%s\"", static_cast<double>(probe),
                         instance.text(effGetParamDisplay, index).c_str());
        }
        instance.setParameter(index, saved);
        std::fprintf(out, "\n");
    }
    for (std::int32_t program = 0; program < r.numPrograms; program += 37) {
        std::fprintf(out, "program %d: %s\n", program, instance.text(effGetProgramNameIndexed, program).c_str());
    }
    for (std::int32_t channel : {0, 9}) {
        for (std::int32_t program : {0, 1, 40, 127}) {
            MidiProgramName name{};
            name.thisProgramIndex = program;
            const VstIntPtr count = instance.dispatch(effGetMidiProgramName, channel, 0, &name);
            name.name[sizeof name.name - 1] = '\0';
            std::fprintf(out, "channel %d program %d: %lld \"%s\" %d/%d/%d category %d flags %d\n", channel, program,
                         static_cast<long long>(count), name.name, name.midiProgram, name.midiBankMsb,
                         name.midiBankLsb, name.parentCategoryIndex, name.flags);
        }
    }
    return true;
}

// The fixed phrase: three scenes, each a fresh instance with its own sample rate,
// block pattern and settings, together reaching every stage of the sound.

struct ParameterValue {
    std::int32_t index;
    float value;
};

struct Scene {
    std::int32_t sampleRate;
    std::int32_t announcedBlockSize;
    std::vector<std::int32_t> blockPattern;
    std::int32_t program;
    std::vector<ParameterValue> parameters;
    std::vector<TimedMidiEvent> messages;
    std::int32_t frames;
};

const std::vector<Scene>& phrase()
{
    static const std::vector<Scene> scenes = {
        // Defaults: a held key, a second key on top and back (legato), bend, wheel, release.
        {44100,
         512,
         {512},
         0,
         {},
         {{0, 0x90, 60, 100},
          {11025, 0x90, 64, 80},
          {22050, 0x80, 64, 0},
          {33075, 0xE0, 0x00, 0x60},
          {44100, 0xB0, 1, 64},
          {55125, 0x80, 60, 64},
          {66150, 0x91, 67, 127},
          {77175, 0x81, 67, 0}},
         88200},
        // Every optional stage on: filters, distorter, overdrive, chorus, two strings.
        {48000,
         100,
         {100},
         3,
         {{1, 0.4f}, {8, 0.3f}, {10, 0.8f}, {11, 0.7f}, {12, 0.6f}, {13, 0.5f}, {14, 0.7f}, {15, 0.0f}, {16, 0.5f},
          {17, 0.25f}, {18, 1.0f}},
         {{0, 0x90, 40, 127},
          {12000, 0xB0, 7, 90},
          {24000, 0x90, 47, 60},
          {30000, 0xE0, 0x00, 0x18},
          {36000, 0x80, 47, 0},
          {40000, 0x80, 40, 0},
          {48000, 0x92, 72, 110},
          {60000, 0xB2, 123, 0},
          {72000, 0x90, 28, 90},
          {90000, 0x80, 28, 0}},
         96000},
        // A high rate, ragged blocks (empty, single frames, longer than announced)
        // and fast staccato notes with the parameters moving between blocks.
        {96000,
         1024,
         {1, 0, 777, 4096, 64},
         7,
         {{0, 0.9f}, {2, 0.8f}, {3, 0.7f}, {4, 0.0f}, {5, 0.1f}, {6, 0.3f}, {7, 0.05f}, {9, 0.6f}, {11, 0.3f},
          {14, 0.3f}, {17, 0.9f}},
         {{0, 0x90, 50, 100},    {6000, 0x80, 50, 0},   {9000, 0x90, 55, 30},  {15000, 0x80, 55, 0},
          {18000, 0x90, 62, 127}, {20000, 0x90, 69, 70}, {26000, 0x80, 69, 0},  {27000, 0x80, 62, 0},
          {36000, 0x90, 81, 100}, {48000, 0x80, 81, 0},  {60000, 0x90, 33, 110}, {96000, 0x80, 33, 0}},
         144000},
    };
    return scenes;
}

// Renders the phrase and appends the interleaved stereo samples to samples.
bool renderPhrase(const ModuleLoader& module, std::vector<float>& samples)
{
    // The volume moves a little every eighth block, as automation would.
    BlockPlan plan;
    plan.beforeBlock = [](std::size_t blockNumber, const PluginInstance& instance) {
        if (blockNumber % 8 == 7) {
            const float volume = instance.getParameter(kVolume);
            instance.setParameter(kVolume, volume < 0.5f ? volume + 0.01f : 0.2f);
        }
    };
    const auto keep = [&samples](const float* left, const float* right, std::int32_t frames) {
        for (std::int32_t i = 0; i < frames; ++i) {
            samples.push_back(left[i]);
            samples.push_back(right[i]);
        }
        return true;
    };
    for (const Scene& scene : phrase()) {
        OfflineHost host(HostSettings{scene.sampleRate, scene.announcedBlockSize});
        std::string error;
        if (!openThrough(module, "VSTPluginMain", host, error) || !host.setProgram(scene.program)) {
            return false;
        }
        for (const ParameterValue& parameter : scene.parameters) {
            host.setParameter(parameter.index, parameter.value);
        }
        plan.sizes = scene.blockPattern;
        if (!host.render(scene.messages, scene.frames, keep, plan)) {
            return false;
        }
    }
    return true;
}

bool writeSamples(const std::string& path, const std::vector<float>& samples)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(samples.data(), sizeof(float), samples.size(), file) == samples.size();
    return std::fclose(file) == 0 && written;
}

std::uint32_t littleEndian32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The samples of a raw float file, or of the data chunk of a 32-bit float WAV file.
bool readSamples(const std::string& path, std::vector<float>& samples)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    std::fclose(file);

    std::size_t begin = 0, end = bytes.size();
    if (bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(bytes.data() + 8, "WAVE", 4) == 0) {
        bool isFloat = false;
        end = 0;
        for (std::size_t chunk = 12; chunk + 8 <= bytes.size();) {
            const std::size_t size = littleEndian32(&bytes[chunk + 4]);
            const std::size_t body = chunk + 8;
            if (std::memcmp(&bytes[chunk], "fmt ", 4) == 0 && size >= 16 && body + 16 <= bytes.size()) {
                const unsigned format = bytes[body] | (bytes[body + 1] << 8);
                const unsigned bits = bytes[body + 14] | (bytes[body + 15] << 8);
                isFloat = (format == 3 || format == 0xFFFE) && bits == 32;
            } else if (std::memcmp(&bytes[chunk], "data", 4) == 0) {
                begin = body;
                end = std::min(bytes.size(), body + size);
                break;
            }
            chunk = body + size + (size & 1);
        }
        if (!isFloat || end == 0) {
            return false;
        }
    }
    const std::size_t floats = (end - begin) / sizeof(float);
    samples.resize(floats);
    if (floats > 0) {
        std::memcpy(samples.data(), bytes.data() + begin, floats * sizeof(float));
    }
    return true;
}

int compareFiles(const std::string& pathA, const std::string& pathB, double tolerance)
{
    std::vector<float> a, b;
    if (!readSamples(pathA, a) || !readSamples(pathB, b)) {
        reportError(kToolName, "cannot read " + pathA + " or " + pathB + " as raw floats or a 32-bit float WAV file");
        return kExitFailure;
    }
    if (a.size() != b.size() || a.empty()) {
        std::printf("FAILED: %zu samples against %zu\n", a.size(), b.size());
        return kExitFailure;
    }
    double largest = 0.0;
    std::size_t identical = 0, unequalNonFinite = 0, worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) == 0) {
            ++identical;
            continue;
        }
        if (!std::isfinite(a[i]) || !std::isfinite(b[i])) {
            ++unequalNonFinite;
            continue;
        }
        const double difference = std::fabs(static_cast<double>(a[i]) - static_cast<double>(b[i]));
        if (difference > largest) {
            largest = difference;
            worst = i;
        }
    }
    std::printf("samples: %zu; bit-identical: %zu (%.4f%%); largest absolute difference: %.9g", a.size(), identical,
                100.0 * static_cast<double>(identical) / static_cast<double>(a.size()), largest);
    if (largest > 0.0) {
        std::printf(" (sample %zu: %.9g against %.9g)", worst, static_cast<double>(a[worst]),
                    static_cast<double>(b[worst]));
    }
    std::printf("\n");
    if (unequalNonFinite > 0) {
        std::printf("FAILED: %zu samples are not finite in one of the two and differ\n", unequalNonFinite);
        return kExitFailure;
    }
    if (largest > tolerance) {
        std::printf("FAILED: the largest difference exceeds %g\n", tolerance);
        return kExitFailure;
    }
    return kExitSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    std::string modulePath, textsPath, renderPath;
    std::vector<std::string> compared;
    double tolerance = 0.0;
    const auto app = makeCommandLine(
        kToolName, "Checks a built plug-in module the way a host on any platform meets it, so that builds for "
                   "other systems and word sizes can be compared with the native one: loads MODULE, enters it "
                   "through each exported name, VSTPluginMain and main, and checks the record it answers.");
    app->add_option("MODULE", modulePath, "the module to check");
    app->add_option("--texts", textsPath, "write every text a host can ask for into this file")
        ->option_text("OUT.txt");
    app->add_option("--render", renderPath,
                    "play a fixed phrase and write the samples as raw interleaved 32-bit floats (little-endian)")
        ->option_text("OUT.raw");
    CLI::Option* compare = app->add_option("--compare", compared,
                                           "compare two renders, raw float files or 32-bit float WAV files: the "
                                           "largest absolute sample difference and the share of bit-identical "
                                           "samples; fails beyond the tolerance")
                               ->option_text("A B")
                               ->expected(2);
    app->add_option("--tolerance", tolerance, "largest difference --compare accepts (default 0: bit-identical)")
        ->option_text("X")
        ->check(CLI::NonNegativeNumber)
        ->needs(compare);
    compare->excludes(app->get_option("MODULE"))->excludes(app->get_option("--texts"))->excludes(
        app->get_option("--render"));
    app->footer("Exit status: 0 every check passed, 1 a check failed, 2 bad command line.");
    const int parsed = parseCommandLine(*app, argc, argv);
    if (parsed >= 0) {
        return parsed;
    }
    if (!compared.empty()) {
        return compareFiles(compared[0], compared[1], tolerance);
    }
    if (modulePath.empty()) {
        return usageError(kToolName, "MODULE or --compare is required");
    }

    ModuleLoader module;
    std::string error;
    if (!module.load(modulePath, error)) {
        std::printf("FAILED: %s\n", error.c_str());
        return kExitFailure;
    }
    checkEntry(module, "VSTPluginMain");
    checkEntry(module, "main");
    if (failures > 0) {
        return kExitFailure;
    }
    std::printf("record and identity: both entries, VSTPluginMain and main, answer as expected\n");

    if (!textsPath.empty()) {
        std::FILE* out = std::fopen(textsPath.c_str(), "wb");
        if (out == nullptr) {
            std::printf("FAILED: cannot write %s\n", textsPath.c_str());
            return kExitFailure;
        }
        const bool written = writeTexts(module, out);
        if (std::fclose(out) != 0 || !written) {
            std::printf("FAILED: cannot write the texts into %s\n", textsPath.c_str());
            return kExitFailure;
        }
    }
    if (!renderPath.empty()) {
        std::vector<float> samples;
        if (!renderPhrase(module, samples) || !writeSamples(renderPath, samples)) {
            std::printf("FAILED: cannot render the phrase into %s\n", renderPath.c_str());
            return kExitFailure;
        }
        std::printf("rendered %zu frames into %s\n", samples.size() / 2, renderPath.c_str());
    }
    return kExitSuccess;
}
