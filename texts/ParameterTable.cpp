#include "texts/ParameterText.h"

// Names as the host shows them (some end in a blank) and unit labels.
const ParameterInfo kParameterTable[kNumParameters] = {
    {"Exciter ", "Level"},
    {"Modulation ", "Dirty"},
    {"NisFilter", ""},
    {"Pick", ""},
    {"Attack", ""},
    {"Decay", ""},
    {"Sustain", ""},
    {"Release", ""},
    {"ADSRCurve", ""},
    {"Volume", "dB"},
    {"Fixing", ""},
    {"DynaTone", ""},
    {"Distorter ", ""},
    {"Overdrive ", ""},
    {"Chorus ", ""},
    {"Legato ", ""},
    {"Velocity ", ""},
    {"ToneRama", ""},
    {"PowerChord", ""},
};
