// The instrument's presets as CLAP hosts list and load them: "Basic" (program 0,
// the engine's defaults) and the factory sounds, built into the plug-in and named
// by their index as the load key ("0" for Basic, "1" for the first sound).
#pragma once

#include "clap/ClapInterface.h"

extern const clap_plugin_preset_load kClapPresetLoad;
extern const clap_preset_discovery_factory kPresetDiscoveryFactory;
