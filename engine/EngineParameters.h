// The engine's 19 parameters: their indices and the values of the basic program.
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
