// The presets the bundle offers: a name and the 19 parameter values each.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineParameters.h"

struct Lv2Preset {
    std::string name;
    float values[kNumParameters];
};

// In the order a host lists them; the first is the basic program.
std::vector<Lv2Preset> bundlePresets();
