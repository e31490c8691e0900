// The engine's 19 parameters: their indices, the values of the basic program and
// the 32-bit word each value is kept as.
#pragma once

#include <cstdint>

enum ParameterIndex : std::int32_t {
    kExciter = 0,
    kModulation,
    kNisFilter,
    kPick,
    kAttack,
    kDecay,
    kSustain,
    kRelease,
    kADSRCurve,
    kVolume,
    kFixing,
    kDynaTone,
    kDistorter,
    kOverdrive,
    kChorus,
    kLegato,
    kVelocity,
    kToneRama,
    kPowerChord,
    kNumParameters
};

// The values of the basic program, as floats, in index order; Legato 1.0 (on).
extern const float kParameterDefaults[kNumParameters];

// True when index names one of the parameters; the comparison is unsigned, so
// negative indices fail it too.
inline bool isParameterIndex(std::int32_t index)
{
    return static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(kNumParameters);
}

// True for the two switches, "Legato" and "PowerChord": they are on or off and
// step, where every other parameter is continuous and glides.
inline bool isSwitchParameter(std::int32_t index)
{
    return index == kLegato || index == kPowerChord;
}

// The 32-bit word a parameter's value is kept as: the float's own bits, or for
// Legato the value truncated toward zero to a signed integer (NaN 0, values beyond
// the int32 range saturating).
std::uint32_t parameterWord(std::int32_t index, float value);

// The value a word stands for, as a host reads it back: Legato's integer as a float.
float parameterValue(std::int32_t index, std::uint32_t word);
