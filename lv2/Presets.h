// The presets the bundle offers: a name, a one-line description and the 19
// parameter values each.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineParameters.h"

struct Lv2Preset {
    std::string name;
    std::string description;
    float values[kNumParameters];
};

// In the order a host lists them: the basic program first, then the factory sounds.
std::vector<Lv2Preset> bundlePresets();
