// zephyrant-info: loads a plug-in module as a host does, opens one instance and
// prints what a host learns from it: identity, channel layout, flags, every
// parameter with its name, label and display text, and the program names.

#include <cstdio>
#include <cstring>
#include <string>

#include "host/AEffect.h"
#include "tools/support/ModuleLoader.h"

namespace {

constexpr std::int32_t kHostVersion = 2400;
constexpr std::size_t kTextSize = 256;

VstIntPtr VSTCALLBACK hostCallback(AEffect* /*effect*/, std::int32_t opcode, std::int32_t /*index*/,
                                   VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/)
{
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

struct FlagName {
    std::int32_t bit;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "HasEditor"},       {effFlagsHasClip, "HasClip"},
    {effFlagsHasVu, "HasVu"},               {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"}, {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},           {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsExtIsAsync, "ExtIsAsync"},     {effFlagsExtHasBuffer, "ExtHasBuffer"},
};

constexpr const char* kCategoryNames[] = {
    "unknown",     "effect",        "synth",     "analysis", "mastering", "spatializer",
    "room effect", "surround effect", "restoration", "offline", "shell",    "generator",
};

// A text buffer far larger than any answer, zeroed before each request.
struct Text {
    char data[kTextSize];
    Text() { std::memset(data, 0, sizeof data); }
};

class Instance {
public:
    explicit Instance(AEffect* record) : effect(record) {}

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    // The text an opcode writes for index.
    std::string text(std::int32_t opcode, std::int32_t index = 0) const
    {
        Text buffer;
        dispatch(opcode, index, 0, buffer.data);
        buffer.data[kTextSize - 1] = '\0';
        return buffer.data;
    }

    AEffect* record() const { return effect; }

private:
    AEffect* effect;
};

std::string flagNames(std::int32_t flags)
{
    std::string names;
    for (const FlagName& flag : kFlagNames) {
        if ((flags & flag.bit) != 0) {
            names += names.empty() ? "" : " ";
            names += flag.name;
        }
    }
    return names.empty() ? "none" : names;
}

std::string fourCharacters(std::int32_t code)
{
    std::string characters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(static_cast<std::uint32_t>(code) >> shift);
        characters += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return characters;
}

void printIdentity(const Instance& instance)
{
    const AEffect* effect = instance.record();
    const VstIntPtr category = instance.dispatch(effGetPlugCategory);
    const bool knownCategory =
        category >= 0 && category < static_cast<VstIntPtr>(sizeof kCategoryNames / sizeof kCategoryNames[0]);

    std::printf("Name:            %s\n", instance.text(effGetEffectName).c_str());
    std::printf("Vendor:          %s\n", instance.text(effGetVendorString).c_str());
    std::printf("Product:         %s\n", instance.text(effGetProductString).c_str());
    std::printf("Vendor version:  %ld\n", static_cast<long>(instance.dispatch(effGetVendorVersion)));
    std::printf("VST version:     %ld\n", static_cast<long>(instance.dispatch(effGetVstVersion)));
    std::printf("Category:        %ld (%s)\n", static_cast<long>(category),
                knownCategory ? kCategoryNames[category] : "not a known category");
    std::printf("Inputs/outputs:  %d/%d\n", static_cast<int>(effect->numInputs),
                static_cast<int>(effect->numOutputs));
    std::printf("Flags:           0x%08x (%s)\n", static_cast<unsigned>(effect->flags),
                flagNames(effect->flags).c_str());
    std::printf("Unique ID:       '%s' (0x%08x)\n", fourCharacters(effect->uniqueID).c_str(),
                static_cast<unsigned>(effect->uniqueID));
    std::printf("Version:         %d\n", static_cast<int>(effect->version));
    std::printf("Programs:        %d\n", static_cast<int>(effect->numPrograms));
    std::printf("Parameters:      %d\n", static_cast<int>(effect->numParams));
}

// Names are quoted: some end in a blank that a host shows as it stands.
void printParameters(const Instance& instance)
{
    std::printf("\nParameters (index, name, label, display):\n");
    for (std::int32_t index = 0; index < instance.record()->numParams; ++index) {
        const std::string name = "\"" + instance.text(effGetParamName, index) + "\"";
        char line[kTextSize * 4];
        std::snprintf(line, sizeof line, "  %3d  %-14s %-6s %s", static_cast<int>(index), name.c_str(),
                      instance.text(effGetParamLabel, index).c_str(),
                      instance.text(effGetParamDisplay, index).c_str());
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        std::printf("%s\n", text.c_str());
    }
}

void printPrograms(const Instance& instance)
{
    std::printf("\nPrograms:\n");
    for (std::int32_t index = 0; index < instance.record()->numPrograms; ++index) {
        Text name;
        if (instance.dispatch(effGetProgramNameIndexed, index, -1, name.data) == 0) {
            std::printf("  %3d  (no name)\n", static_cast<int>(index));
            continue;
        }
        name.data[kTextSize - 1] = '\0';
        std::printf("  %3d  %s\n", static_cast<int>(index), name.data);
    }
}

void printUsage(std::FILE* stream)
{
    std::fprintf(stream,
                 "Usage: zephyrant-info [MODULE]\n"
                 "Loads a plug-in module, opens one instance and prints its identity, flags,\n"
                 "parameters and program names. MODULE defaults to the %s built next to\n"
                 "this program.\n",
                 ZEPHYRANT_MODULE_FILE_NAME);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        printUsage(stderr);
        return 2;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    const std::string path = argc == 2 ? argv[1] : defaultModulePath(ZEPHYRANT_MODULE_FILE_NAME);

    ModuleLoader module;
    std::string error;
    AEffect* effect = nullptr;
    if (!module.load(path, error) || (effect = module.createInstance(hostCallback, error)) == nullptr) {
        std::fprintf(stderr, "zephyrant-info: %s\n", error.c_str());
        return 1;
    }

    const Instance instance(effect);
    instance.dispatch(effOpen);
    std::printf("Module:          %s (entry %s)\n", module.path().c_str(), module.entryName());
    printIdentity(instance);
    printParameters(instance);
    printPrograms(instance);
    instance.dispatch(effClose);
    return 0;
}
