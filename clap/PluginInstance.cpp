// The plug-in record's functions and the extensions that describe the instance:
// its ports, its one voice and its tail.
#include "clap/PluginInstance.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "clap/FactoryPresets.h"
#include "clap/Parameters.h"
#include "clap/StateRecord.h"

namespace {

const void* hostExtension(const clap_host* host, const char* id)
{
    return host->get_extension != nullptr ? host->get_extension(host, id) : nullptr;
}

bool CLAP_ABI init(const clap_plugin* plugin)
{
    ClapInstance& instance = instanceOf(plugin);
    instance.hostParams = static_cast<const clap_host_params*>(hostExtension(instance.host, CLAP_EXT_PARAMS));
    const void* presetLoad = hostExtension(instance.host, CLAP_EXT_PRESET_LOAD);
    if (presetLoad == nullptr) {
        presetLoad = hostExtension(instance.host, CLAP_EXT_PRESET_LOAD_COMPAT);
    }
    instance.hostPresetLoad = static_cast<const clap_host_preset_load*>(presetLoad);
    return true;
}

void CLAP_ABI destroy(const clap_plugin* plugin)
{
    delete &instanceOf(plugin);
}

// The engine runs at any positive rate a float holds.
bool CLAP_ABI activate(const clap_plugin* plugin, double rate, std::uint32_t, std::uint32_t)
{
    if (!(std::isfinite(rate) && rate > 0.0 && rate <= std::numeric_limits<float>::max() &&
          static_cast<float>(rate) > 0.0f)) {
        return false;
    }
    ClapInstance& instance = instanceOf(plugin);
    instance.engine.setSampleRate(static_cast<float>(rate));
    instance.engine.resume();
    instance.active = true;
    return true;
}

void CLAP_ABI deactivate(const clap_plugin* plugin)
{
    instanceOf(plugin).active = false;
}

bool CLAP_ABI startProcessing(const clap_plugin*)
{
    return true;
}

void CLAP_ABI stopProcessing(const clap_plugin*) {}

void CLAP_ABI reset(const clap_plugin* plugin)
{
    ClapInstance& instance = instanceOf(plugin);
    instance.engine.reset();
    instance.notes.clear();
}

std::int32_t CLAP_ABI process(const clap_plugin* plugin, const clap_process* process)
{
    ClapInstance& instance = instanceOf(plugin);
    if (process == nullptr || !instance.active) {
        return CLAP_PROCESS_ERROR;
    }
    return processBlock(instance, *process);
}

void CLAP_ABI onMainThread(const clap_plugin*) {}

// ---- Audio ports: one stereo main output of 32-bit samples, no input.
std::uint32_t CLAP_ABI audioPortCount(const clap_plugin*, bool isInput)
{
    return isInput ? 0 : 1;
}

bool CLAP_ABI audioPortInfo(const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info)
{
    if (isInput || index != 0 || info == nullptr) {
        return false;
    }
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    std::strcpy(info->name, "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

const clap_plugin_audio_ports kAudioPorts = {audioPortCount, audioPortInfo};

// ---- Note ports: one input taking CLAP notes (preferred) and MIDI 1.0.
std::uint32_t CLAP_ABI notePortCount(const clap_plugin*, bool isInput)
{
    return isInput ? 1 : 0;
}

bool CLAP_ABI notePortInfo(const clap_plugin*, std::uint32_t index, bool isInput, clap_note_port_info* info)
{
    if (!isInput || index != 0 || info == nullptr) {
        return false;
    }
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
    std::strcpy(info->name, "Notes");
    return true;
}

const clap_plugin_note_ports kNotePorts = {notePortCount, notePortInfo};

// ---- Voice info: one voice, so hosts know the instrument is monophonic.
bool CLAP_ABI voiceInfo(const clap_plugin*, clap_voice_info* info)
{
    if (info == nullptr) {
        return false;
    }
    info->voice_count = 1;
    info->voice_capacity = 1;
    info->flags = 0;
    return true;
}

const clap_plugin_voice_info kVoiceInfo = {voiceInfo};

// ---- Tail: the release time at the instance's rate, 5 (r^2 + 0.01) seconds for
// a "Release" value r, in whole samples.
std::uint32_t CLAP_ABI tail(const clap_plugin* plugin)
{
    const SynthEngine& engine = instanceOf(plugin).engine;
    const double release = engine.getParameter(kRelease);
    const double seconds = 5.0 * (release * release + 0.01);
    const double samples = std::round(seconds * engine.getSampleRate());
    return samples < 2147483647.0 ? static_cast<std::uint32_t>(samples) : 2147483647u;
}

const clap_plugin_tail kTail = {tail};

const void* CLAP_ABI getExtension(const clap_plugin*, const char* id)
{
    if (id == nullptr) {
        return nullptr;
    }
    const std::string_view name(id);
    if (name == CLAP_EXT_PARAMS) {
        return &kClapParams;
    }
    if (name == CLAP_EXT_AUDIO_PORTS) {
        return &kAudioPorts;
    }
    if (name == CLAP_EXT_NOTE_PORTS) {
        return &kNotePorts;
    }
    if (name == CLAP_EXT_STATE) {
        return &kClapState;
    }
    if (name == CLAP_EXT_PRESET_LOAD || name == CLAP_EXT_PRESET_LOAD_COMPAT) {
        return &kClapPresetLoad;
    }
    if (name == CLAP_EXT_VOICE_INFO) {
        return &kVoiceInfo;
    }
    if (name == CLAP_EXT_TAIL) {
        return &kTail;
    }
    return nullptr;
}

} // namespace

// Calls nothing of the host's: that waits for init.
const clap_plugin* createInstance(const clap_host* host)
{
    auto* instance = new (std::nothrow) ClapInstance;
    if (instance == nullptr) {
        return nullptr;
    }
    if (!instance->engine.isValid()) {
        delete instance;
        return nullptr;
    }
    instance->host = host;
    instance->plugin = {&kPluginDescriptor, instance, init,    destroy,      activate,     deactivate,
                        startProcessing,    stopProcessing, reset, process, getExtension, onMainThread};
    return &instance->plugin;
}
