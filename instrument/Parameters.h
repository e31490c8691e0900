// The instrument's 19 parameters and 128 programs as a VST 2.x host sees them; the
// names, labels and texts are the instrument's own (texts/), the indices and
// defaults the engine's.
#pragma once

#include <cstdint>

#include "engine/EngineParameters.h"
#include "texts/ParameterText.h"

constexpr std::int32_t kNumPrograms = 128;
