// zephyrant-info: loads a plug-in module as a host does, opens one instance and
// prints what a host learns from it: identity, channel layout, flags, every
// parameter with its name, label and display text, and the program names.

#include <cstdio>
#include <cstring>
#include <string>

#include "host/AEffect.h"
#include "tools/cli/CommandLine.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/ModuleSearch.h"
#include "tools/hostkit/OfflineHost.h"
#include "tools/hostkit/PluginInstance.h"

namespace {

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

void printIdentity(const PluginInstance& instance)
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
void printParameters(const PluginInstance& instance)
{
    std::printf("\nParameters (index, name, label, display):\n");
    for (std::int32_t index = 0; index < instance.record()->numParams; ++index) {
        const std::string name = "\"" + instance.text(effGetParamName, index) + "\"";
        char line[1024];
        std::snprintf(line, sizeof line, "  %3d  %-14s %-6s %s", static_cast<int>(index), name.c_str(),
                      instance.text(effGetParamLabel, index).c_str(),
                      instance.text(effGetParamDisplay, index).c_str());
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        std::printf("%s\n", text.c_str());
    }
}

void printPrograms(const PluginInstance& instance)
{
    std::printf("\nPrograms:\n");
    for (std::int32_t index = 0; index < instance.record()->numPrograms; ++index) {
        char name[256] = {};
        if (instance.dispatch(effGetProgramNameIndexed, index, -1, name) == 0) {
            std::printf("  %3d  (no name)\n", static_cast<int>(index));
            continue;
        }
        name[sizeof name - 1] = '\0';
        std::printf("  %3d  %s\n", static_cast<int>(index), name);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string toolName = "zephyrant-info";
    std::string path;
    const auto app = makeCommandLine(
        toolName, "Loads a plug-in module as a host does, opens one instance and prints its identity, flags, "
                  "parameters and program names.");
    app->add_option("MODULE", path,
                    "the module to load (default: $ZEPHYRANT_MODULE, else the first Zephyrant module found beside "
                    "this program, in ../lib/vst from it, in the folders of $VST_PATH and $LXVST_PATH, ~/.vst, "
                    "/usr/local/lib/vst or /usr/lib/vst)");
    app->footer("Exit status: 0 done, 1 the module cannot be loaded or makes no instance, 2 bad command line.");
    const int parsed = parseCommandLine(*app, argc, argv);
    if (parsed >= 0) {
        return parsed;
    }

    std::string error;
    if (path.empty() && !locateModule(systemModuleSearch(), path, error)) {
        reportError(toolName, error + " (name one as the argument)");
        return kExitFailure;
    }
    ModuleLoader module;
    OfflineHost host{HostSettings{}};
    if (!module.load(path, error) ||
        !host.open([&module](HostCallback audioMaster, std::string& reason) {
            return module.createInstance(audioMaster, reason);
        }, error)) {
        reportError(toolName, error);
        return kExitFailure;
    }

    std::printf("Module:          %s (entry %s)\n", module.path().c_str(), module.entryName());
    printIdentity(host.instance());
    printParameters(host.instance());
    printPrograms(host.instance());
    host.close();
    return kExitSuccess;
}
