// The instrument's 19 parameters: their indices and the table of names, labels and
// defaults, kept as data in one place.
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

constexpr std::int32_t kNumPrograms = 128;

struct ParameterInfo {
    const char* name;  // as stored, trailing blanks included
    const char* label; // unit label, empty for most
    float defaultValue;
};

extern const ParameterInfo kParameterTable[kNumParameters];
