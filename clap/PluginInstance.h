// One instance of the plug-in: the record the host holds, the host's record and
// the tables it offers, the engine and the note input. The host calls into it on
// its main thread and its audio thread at once; what both reach is the engine's
// parameter values, each one relaxed atomic word, so nothing here takes a lock.
#pragma once

#include "clap/ClapInterface.h"
#include "clap/NoteInput.h"
#include "engine/SynthEngine.h"

struct ClapInstance {
    clap_plugin plugin{};
    const clap_host* host = nullptr;
    const clap_host_params* hostParams = nullptr;
    const clap_host_preset_load* hostPresetLoad = nullptr;
    bool active = false;
    SynthEngine engine;
    NoteInput notes;
};

inline ClapInstance& instanceOf(const clap_plugin* plugin)
{
    return *static_cast<ClapInstance*>(plugin->plugin_data);
}

// A new instance for this host, or null when it cannot be made.
const clap_plugin* createInstance(const clap_host* host);

// One block: the input events at their frames into the two outputs.
std::int32_t processBlock(ClapInstance& instance, const clap_process& process);

extern const clap_plugin_descriptor kPluginDescriptor;
