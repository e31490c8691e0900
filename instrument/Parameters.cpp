#include "instrument/Parameters.h"

// Names as the host shows them (some end in a blank), unit labels, and the
// defaults as single-precision values. Legato's default is the integer 1; the
// programs store it as an integer.
const ParameterInfo kParameterTable[kNumParameters] = {
    {"Exciter ", "Level", 0.5f},
    {"Modulation ", "Dirty", 0.1f},
    {"NisFilter", "", 0.4f},
    {"Pick", "", 0.3f},
    {"Attack", "", 0.04f},
    {"Decay", "", 0.5f},
    {"Sustain", "", 0.8f},
    {"Release", "", 0.3f},
    {"ADSRCurve", "", 0.89f},
    {"Volume", "dB", 0.3f},
    {"Fixing", "", 0.3f},
    {"DynaTone", "", 0.0f},
    {"Distorter ", "", 0.0f},
    {"Overdrive ", "", 0.0f},
    {"Chorus ", "", 0.0f},
    {"Legato ", "", 1.0f},
    {"Velocity ", "", 1.0f},
    {"ToneRama", "", 0.5f},
    {"PowerChord", "", 0.0f},
};
