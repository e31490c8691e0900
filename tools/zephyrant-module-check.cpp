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
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host/AEffect.h"

namespace {

using EntryPoint = AEffect*(VSTCALLBACK*)(HostCallback audioMaster);

constexpr std::int32_t kHostVersion = 2400;
constexpr std::size_t kTextSize = 256;

// A loaded module, closed again when this goes away.
class Library {
public:
    explicit Library(const std::string& path)
    {
#ifdef _WIN32
        std::string native = path;
        std::replace(native.begin(), native.end(), '/', '\\');
        handle = LoadLibraryA(native.c_str());
#else
        handle = dlopen(path.find('/') == std::string::npos ? ("./" + path).c_str() : path.c_str(),
                        RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~Library()
    {
        if (handle == nullptr) {
            return;
        }
#ifdef _WIN32
        FreeLibrary(handle);
#else
        dlclose(handle);
#endif
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return handle != nullptr; }

    // The exported function called name, or null.
    EntryPoint entry(const char* name) const
    {
#ifdef _WIN32
        return reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
#else
        return reinterpret_cast<EntryPoint>(dlsym(handle, name));
#endif
    }

private:
#ifdef _WIN32
    HMODULE handle = nullptr;
#else
    void* handle = nullptr;
#endif
};

// What the host tells the instance; answers 0 to everything else. With
// refuseVersion set it answers 0 to the version query, which must make no instance.
struct HostState {
    bool refuseVersion = false;
    float sampleRate = 44100.0f;
    std::int32_t blockSize = 512;
};
HostState host;

VstIntPtr VSTCALLBACK hostCallback(AEffect* /*effect*/, std::int32_t opcode, std::int32_t /*index*/,
                                   VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/)
{
    switch (opcode) {
    case audioMasterVersion:
        return host.refuseVersion ? 0 : kHostVersion;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(host.sampleRate);
    case audioMasterGetBlockSize:
        return host.blockSize;
    default:
        return 0;
    }
}

int failures = 0;

void check(bool condition, const std::string& what)
{
    if (!condition) {
        ++failures;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

// One instance, driven only through its record; closed when this goes away.
class Instance {
public:
    explicit Instance(AEffect* record) : effect(record) {}
    ~Instance()
    {
        if (effect != nullptr) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AEffect* record() const { return effect; }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    std::string text(std::int32_t opcode, std::int32_t index = 0) const
    {
        std::vector<char> buffer(kTextSize, '\0');
        dispatch(opcode, index, 0, buffer.data());
        buffer.back() = '\0';
        return buffer.data();
    }

    // Closes through the dispatcher and answers what effClose answered.
    VstIntPtr close()
    {
        const VstIntPtr answer = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        effect = nullptr;
        return answer;
    }

private:
    AEffect* effect;
};

std::string hex(std::int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The record and the identity texts as the entry answers them, then a close that answers 1.
void checkEntry(const Library& library, const char* name)
{
    const std::string prefix = std::string(name) + ": ";
    const EntryPoint entry = library.entry(name);
    check(entry != nullptr, prefix + "not exported");
    if (entry == nullptr) {
        return;
    }

    host.refuseVersion = true;
    check(entry(hostCallback) == nullptr, prefix + "made an instance although the host answered version 0");
    host.refuseVersion = false;

    Instance instance(entry(hostCallback));
    check(instance.record() != nullptr, prefix + "made no instance");
    if (instance.record() == nullptr) {
        return;
    }
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
    check(instance.close() == 1, prefix + "effClose did not answer 1");
}

// Every text a host can ask for, one per line, at the default program and after
// a few parameter values that reach the unit conversions.
void writeTexts(const Library& library, std::FILE* out)
{
    Instance instance(library.entry("VSTPluginMain")(hostCallback));
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
                     static_cast<double>(r.getParameter(instance.record(), index)),
                     instance.text(effGetParamDisplay, index).c_str());
        const float saved = r.getParameter(instance.record(), index);
        for (float probe : probes) {
            r.setParameter(instance.record(), index, probe);
            std::fprintf(out, " | %g \"%s\"", static_cast<double>(probe),
                         instance.text(effGetParamDisplay, index).c_str());
        }
        r.setParameter(instance.record(), index, saved);
        std::fprintf(out, "\n");
    }
    for (std::int32_t program = 0; program < r.numPrograms; program += 37) {
        std::vector<char> name(kTextSize, '\0');
        instance.dispatch(effGetProgramNameIndexed, program, 0, name.data());
        name.back() = '\0';
        std::fprintf(out, "program %d: %s\n", program, name.data());
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
}

// The fixed phrase: three scenes, each a fresh instance with its own sample rate,
// block pattern and settings, together reaching every stage of the sound.
struct TimedMessage {
    std::int32_t frame;
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
};

struct ParameterValue {
    std::int32_t index;
    float value;
};

struct Scene {
    float sampleRate;
    std::int32_t announcedBlockSize;
    std::vector<std::int32_t> blockPattern;
    std::int32_t program;
    std::vector<ParameterValue> parameters;
    std::vector<TimedMessage> messages;
    std::int32_t frames;
};

const std::vector<Scene>& phrase()
{
    static const std::vector<Scene> scenes = {
        // Defaults: a held key, a second key on top and back (legato), bend, wheel, release.
        {44100.0f,
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
        {48000.0f,
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
        {96000.0f,
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
bool renderPhrase(const Library& library, std::vector<float>& samples)
{
    const EntryPoint entry = library.entry("VSTPluginMain");
    if (entry == nullptr) {
        return false;
    }
    for (const Scene& scene : phrase()) {
        host.sampleRate = scene.sampleRate;
        host.blockSize = scene.announcedBlockSize;
        Instance instance(entry(hostCallback));
        if (instance.record() == nullptr) {
            return false;
        }
        AEffect* const effect = instance.record();
        instance.dispatch(effOpen);
        instance.dispatch(effSetSampleRate, 0, 0, nullptr, scene.sampleRate);
        instance.dispatch(effSetBlockSize, 0, scene.announcedBlockSize);
        instance.dispatch(effSetProgram, 0, scene.program);
        for (const ParameterValue& parameter : scene.parameters) {
            effect->setParameter(effect, parameter.index, parameter.value);
        }
        instance.dispatch(effMainsChanged, 0, 1);

        std::int32_t longest = 1;
        for (std::int32_t size : scene.blockPattern) {
            longest = std::max(longest, size);
        }
        std::vector<float> left(static_cast<std::size_t>(longest)), right(static_cast<std::size_t>(longest));
        float* outputs[2] = {left.data(), right.data()};

        std::vector<VstMidiEvent> events(scene.messages.size());
        // A batch of any length: the count, the reserved word, then the pointers.
        std::vector<unsigned char> batchStorage(offsetof(VstEvents, events) +
                                                (scene.messages.size() + 2) * sizeof(VstEvent*));
        VstEvents* const batch = reinterpret_cast<VstEvents*>(batchStorage.data());
        VstEvent** const slots = batch->events;

        std::size_t next = 0;
        std::size_t blockNumber = 0;
        for (std::int32_t start = 0; start < scene.frames; ++blockNumber) {
            const std::int32_t wanted = scene.blockPattern[blockNumber % scene.blockPattern.size()];
            const std::int32_t frames = std::min(wanted, scene.frames - start);
            batch->numEvents = 0;
            batch->reserved = 0;
            while (next < scene.messages.size() && scene.messages[next].frame < start + frames) {
                const TimedMessage& message = scene.messages[next];
                VstMidiEvent& event = events[next];
                event = VstMidiEvent{};
                event.type = kVstMidiType;
                event.byteSize = static_cast<std::int32_t>(sizeof(VstMidiEvent));
                event.deltaFrames = message.frame - start;
                event.midiData[0] = static_cast<char>(message.status);
                event.midiData[1] = static_cast<char>(message.data1);
                event.midiData[2] = static_cast<char>(message.data2);
                slots[batch->numEvents++] = reinterpret_cast<VstEvent*>(&event);
                ++next;
            }
            if (batch->numEvents > 0) {
                instance.dispatch(effProcessEvents, 0, 0, batch);
            }
            // The volume moves a little every eighth block, as automation would.
            if (blockNumber % 8 == 7) {
                const float volume = effect->getParameter(effect, 9);
                effect->setParameter(effect, 9, volume < 0.5f ? volume + 0.01f : 0.2f);
            }
            effect->processReplacing(effect, nullptr, outputs, frames);
            for (std::int32_t i = 0; i < frames; ++i) {
                samples.push_back(left[static_cast<std::size_t>(i)]);
                samples.push_back(right[static_cast<std::size_t>(i)]);
            }
            start += frames;
        }
        instance.dispatch(effMainsChanged, 0, 0);
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

int compare(const std::string& pathA, const std::string& pathB, double tolerance)
{
    std::vector<float> a, b;
    if (!readSamples(pathA, a) || !readSamples(pathB, b)) {
        std::fprintf(stderr, "zephyrant-module-check: cannot read %s or %s\n", pathA.c_str(), pathB.c_str());
        return 2;
    }
    if (a.size() != b.size() || a.empty()) {
        std::printf("FAILED: %zu samples against %zu\n", a.size(), b.size());
        return 1;
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
        return 1;
    }
    if (largest > tolerance) {
        std::printf("FAILED: the largest difference exceeds %g\n", tolerance);
        return 1;
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr, "Usage: zephyrant-module-check MODULE [--texts OUT.txt] [--render OUT.raw]\n"
                         "       zephyrant-module-check --compare A B [--tolerance X]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "--compare") {
        double tolerance = 0.0;
        if (args.size() == 5 && args[3] == "--tolerance") {
            tolerance = std::strtod(args[4].c_str(), nullptr);
        } else if (args.size() != 3) {
            return usage();
        }
        return compare(args[1], args[2], tolerance);
    }
    if (args.empty() || args[0].rfind("--", 0) == 0) {
        return usage();
    }
    std::string textsPath, renderPath;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return usage();
        }
        if (args[i] == "--texts") {
            textsPath = args[i + 1];
        } else if (args[i] == "--render") {
            renderPath = args[i + 1];
        } else {
            return usage();
        }
    }

    const Library library(args[0]);
    if (!library.loaded()) {
        std::printf("FAILED: cannot load %s\n", args[0].c_str());
        return 1;
    }
    checkEntry(library, "VSTPluginMain");
    checkEntry(library, "main");
    if (failures > 0) {
        return 1;
    }
    std::printf("record and identity: both entries, VSTPluginMain and main, answer as expected\n");

    if (!textsPath.empty()) {
        std::FILE* out = std::fopen(textsPath.c_str(), "wb");
        if (out == nullptr) {
            std::printf("FAILED: cannot write %s\n", textsPath.c_str());
            return 1;
        }
        writeTexts(library, out);
        std::fclose(out);
    }
    if (!renderPath.empty()) {
        std::vector<float> samples;
        if (!renderPhrase(library, samples) || !writeSamples(renderPath, samples)) {
            std::printf("FAILED: cannot render the phrase into %s\n", renderPath.c_str());
            return 1;
        }
        std::printf("rendered %zu frames into %s\n", samples.size() / 2, renderPath.c_str());
    }
    return 0;
}
