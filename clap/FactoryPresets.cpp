#include "clap/FactoryPresets.h"

#include <cstdio>
#include <new>

#include "clap/Parameters.h"
#include "clap/PluginIdentity.h"
#include "clap/PluginInstance.h"
#include "presets/FactorySounds.h"

namespace {

std::uint32_t presetCount()
{
    return static_cast<std::uint32_t>(kFactorySoundCount) + 1;
}

const float* presetValues(std::uint32_t index)
{
    return index == 0 ? kParameterDefaults : kFactorySounds[index - 1].values;
}

// A load key: the preset's index in decimal, nothing else.
bool readLoadKey(const char* key, std::uint32_t& index)
{
    if (key == nullptr || key[0] == '\0') {
        return false;
    }
    std::uint32_t value = 0;
    for (const char* c = key; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || value >= presetCount() || (c != key && value == 0)) {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(*c - '0');
    }
    if (value >= presetCount()) {
        return false;
    }
    index = value;
    return true;
}

void reportError(const ClapInstance& instance, std::uint32_t kind, const char* location, const char* key,
                 const char* message)
{
    const clap_host_preset_load* host = instance.hostPresetLoad;
    if (host != nullptr && host->on_error != nullptr) {
        host->on_error(instance.host, kind, location, key, 0, message);
    }
}

// The host then reads the values anew; from_location is called on the main thread.
bool CLAP_ABI fromLocation(const clap_plugin* plugin, std::uint32_t kind, const char* location, const char* key)
{
    ClapInstance& instance = instanceOf(plugin);
    std::uint32_t index = 0;
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr) {
        reportError(instance, kind, location, key, "Zephyrant keeps its presets inside the plug-in");
        return false;
    }
    if (!readLoadKey(key, index)) {
        reportError(instance, kind, location, key, "no such Zephyrant preset");
        return false;
    }
    const float* values = presetValues(index);
    for (std::int32_t id = 0; id < kNumParameters; ++id) {
        applyHostValue(instance.engine, static_cast<clap_id>(id), values[id]);
    }
    if (instance.hostParams != nullptr && instance.hostParams->rescan != nullptr) {
        instance.hostParams->rescan(instance.host, CLAP_PARAM_RESCAN_VALUES);
    }
    const clap_host_preset_load* host = instance.hostPresetLoad;
    if (host != nullptr && host->loaded != nullptr) {
        host->loaded(instance.host, kind, location, key);
    }
    return true;
}

// ---- The discovery provider: one location, the plug-in itself.
constexpr const char* kProviderId = "com.korvantis.zephyrant.factory-sounds";
constexpr const char* kLocationName = "Zephyrant factory sounds";

const clap_preset_discovery_provider_descriptor kProviderDescriptor = {
    CLAP_VERSION, kProviderId, kLocationName, kVendorName};

const clap_preset_discovery_indexer& indexerOf(const clap_preset_discovery_provider* provider)
{
    return *static_cast<const clap_preset_discovery_indexer*>(provider->provider_data);
}

bool CLAP_ABI providerInit(const clap_preset_discovery_provider* provider)
{
    const clap_preset_discovery_indexer& indexer = indexerOf(provider);
    if (indexer.declare_location == nullptr) {
        return false;
    }
    const clap_preset_discovery_location location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, kLocationName,
                                                      CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return indexer.declare_location(&indexer, &location);
}

void CLAP_ABI providerDestroy(const clap_preset_discovery_provider* provider)
{
    delete provider;
}

bool CLAP_ABI getMetadata(const clap_preset_discovery_provider*, std::uint32_t kind, const char* location,
                          const clap_preset_discovery_metadata_receiver* receiver)
{
    if (receiver == nullptr || receiver->begin_preset == nullptr) {
        return false;
    }
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr) {
        if (receiver->on_error != nullptr) {
            receiver->on_error(receiver, 0, "Zephyrant keeps its presets inside the plug-in");
        }
        return false;
    }
    const clap_universal_plugin_id pluginId = {"clap", kPluginId};
    for (std::uint32_t index = 0; index < presetCount(); ++index) {
        char key[12];
        std::snprintf(key, sizeof key, "%u", static_cast<unsigned>(index));
        const char* name = index == 0 ? kBasicSoundName : kFactorySounds[index - 1].name;
        if (!receiver->begin_preset(receiver, name, key)) {
            break;
        }
        if (receiver->add_plugin_id != nullptr) {
            receiver->add_plugin_id(receiver, &pluginId);
        }
        if (receiver->set_flags != nullptr) {
            receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        }
        if (receiver->add_creator != nullptr) {
            receiver->add_creator(receiver, kVendorName);
        }
        if (receiver->set_description != nullptr) {
            receiver->set_description(receiver, index == 0 ? kBasicSoundDescription
                                                           : kFactorySounds[index - 1].description);
        }
    }
    return true;
}

const void* CLAP_ABI providerExtension(const clap_preset_discovery_provider*, const char*)
{
    return nullptr;
}

// ---- The discovery factory
std::uint32_t CLAP_ABI providerCount(const clap_preset_discovery_factory*)
{
    return 1;
}

const clap_preset_discovery_provider_descriptor* CLAP_ABI providerDescriptor(const clap_preset_discovery_factory*,
                                                                           std::uint32_t index)
{
    return index == 0 ? &kProviderDescriptor : nullptr;
}

// The provider keeps the indexer, which the host keeps alive until destroy.
const clap_preset_discovery_provider* CLAP_ABI createProvider(const clap_preset_discovery_factory*,
                                                              const clap_preset_discovery_indexer* indexer,
                                                              const char* providerId)
{
    if (indexer == nullptr || providerId == nullptr || std::string_view(providerId) != kProviderId) {
        return nullptr;
    }
    return new (std::nothrow) clap_preset_discovery_provider{&kProviderDescriptor,
                                                             const_cast<clap_preset_discovery_indexer*>(indexer),
                                                             providerInit,
                                                             providerDestroy,
                                                             getMetadata,
                                                             providerExtension};
}

} // namespace

const clap_plugin_preset_load kClapPresetLoad = {fromLocation};
const clap_preset_discovery_factory kPresetDiscoveryFactory = {providerCount, providerDescriptor, createProvider};
