// The factory sound set: designed settings of the 19 parameters, each with a name
// and a one-line description. The one table from which the LV2 bundle's presets,
// the VST 2.x program and bank files and the renderer's --preset are all made.
#pragma once

#include <cstddef>
#include <string>

#include "engine/EngineParameters.h"

struct FactorySound {
    const char* name;             // at most kSoundNameLength characters, as a program name holds them
    const char* description;      // one line
    float values[kNumParameters]; // in parameter index order; Legato exactly 0.0 or 1.0
};

// The longest name a program holds (24 characters with the terminator).
constexpr std::size_t kSoundNameLength = 23;

// The instrument's own program, every parameter at its default: the front ends that
// list presets offer it before the factory sounds.
constexpr const char* kBasicSoundName = "Basic";
constexpr const char* kBasicSoundDescription = "The instrument's own program: every parameter at its default";

// The set in the order hosts list it.
extern const FactorySound kFactorySounds[];
extern const std::size_t kFactorySoundCount;

// The sound of this name in any letter case, or nullptr.
const FactorySound* findFactorySound(const std::string& name);
