// The instrument's 19 parameters as a host sees them: the table of names and unit
// labels, kept as data in one place (the indices and defaults are the engine's).
#pragma once

#include <cstdint>

#include "engine/EngineParameters.h"

constexpr std::int32_t kNumPrograms = 128;

struct ParameterInfo {
    const char* name;  // as stored, trailing blanks included
    const char* label; // unit label, empty for most
};

extern const ParameterInfo kParameterTable[kNumParameters];
