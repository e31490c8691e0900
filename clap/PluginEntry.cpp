// The library's one export, the entry record clap_entry, and the factories it
// hands out: the plug-in factory with its one descriptor and the preset discovery
// factory.
#include <atomic>
#include <string_view>

#include "clap/FactoryPresets.h"
#include "clap/PluginIdentity.h"
#include "clap/PluginInstance.h"

namespace {

constexpr const char* const kFeatures[] = {"instrument", "synthesizer", "stereo", nullptr};

// init and deinit may come more than once, never at the same time as each other
// or anything else; there is nothing to set up, so they only count.
std::atomic<int> initCount{0};

bool CLAP_ABI entryInit(const char*)
{
    ++initCount;
    return true;
}

void CLAP_ABI entryDeinit()
{
    if (initCount > 0) {
        --initCount;
    }
}

std::uint32_t CLAP_ABI pluginCount(const clap_plugin_factory*)
{
    return 1;
}

const clap_plugin_descriptor* CLAP_ABI pluginDescriptor(const clap_plugin_factory*, std::uint32_t index)
{
    return index == 0 ? &kPluginDescriptor : nullptr;
}

const clap_plugin* CLAP_ABI createPlugin(const clap_plugin_factory*, const clap_host* host, const char* pluginId)
{
    if (host == nullptr || !clapVersionIsCompatible(host->clap_version) || pluginId == nullptr ||
        std::string_view(pluginId) != kPluginId) {
        return nullptr;
    }
    return createInstance(host);
}

const clap_plugin_factory kPluginFactory = {pluginCount, pluginDescriptor, createPlugin};

const void* CLAP_ABI getFactory(const char* factoryId)
{
    if (factoryId == nullptr) {
        return nullptr;
    }
    const std::string_view id(factoryId);
    if (id == CLAP_PLUGIN_FACTORY_ID) {
        return &kPluginFactory;
    }
    if (id == CLAP_PRESET_DISCOVERY_FACTORY_ID || id == CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) {
        return &kPresetDiscoveryFactory;
    }
    return nullptr;
}

} // namespace

const clap_plugin_descriptor kPluginDescriptor = {
    CLAP_VERSION,
    kPluginId,
    kPluginName,
    kVendorName,
    "",
    "",
    "",
    ZEPHYRANT_VERSION,
    "A monophonic plucked-string instrument: a picked, modelled string with distortion, filters and chorus",
    kFeatures,
};

// Default visibility keeps the record global under -fvisibility=hidden; on
// Windows, Zephyrant.def exports it by name as data.
extern "C" __attribute__((visibility("default"), used)) const clap_plugin_entry clap_entry = {
    CLAP_VERSION,
    entryInit,
    entryDeinit,
    getFactory,
};
