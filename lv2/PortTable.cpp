#include "lv2/PortTable.h"

const StreamPortInfo kMidiInputPortInfo = {"midi_in", "MIDI In"};

const StreamPortInfo kOutputPortInfo[2] = {
    {"out_left", "Left"},
    {"out_right", "Right"},
};

// In parameter index order. Volume and Sustain are plain level factors, the only
// values with a unit; the others map 0..1 onto times, frequencies or blends.
const ControlPortInfo kControlPortInfo[kNumParameters] = {
    {"exciter", "Exciter", "Level of the pick pulse that starts each note in the string", nullptr, false, false},
    {"modulation", "Modulation", "Depth of the random detune of the second half of the string loop", nullptr, false,
     false},
    {"nisfilter", "NisFilter", "Cutoff of the pick noise's low-pass, from 40 Hz at 0 to 3900 Hz at 1", nullptr, false,
     false},
    {"pick", "Pick", "Level of the pick noise, also scaled by the note velocity", nullptr, false, false},
    {"attack", "Attack", "Attack time of the amplitude envelope, from 4 ms at 0 to 2 s at 1", nullptr, false, false},
    {"decay", "Decay", "Decay time of the amplitude envelope, from 25 ms at 0 to about 5 s at 1", nullptr, false,
     false},
    {"sustain", "Sustain", "Sustain level of the amplitude envelope, scaled by the modulation wheel", "coef", false,
     false},
    {"release", "Release", "Release time of the amplitude envelope, from 50 ms at 0 to about 5 s at 1", nullptr,
     false, false},
    {"adsrcurve", "ADSRCurve", "Curvature of the attack, decay and release segments", nullptr, false, false},
    {"volume", "Volume", "Output level, a linear factor before the chorus", "coef", false, false},
    {"fixing", "Fixing", "Length of the comb that colours the pick, from 4 to 1214 samples", nullptr, false, false},
    {"dynatone", "DynaTone",
     "Cutoff and sweep range of the filter section; at 0 the section is off unless PowerChord is on", nullptr, false,
     false},
    {"distorter", "Distorter", "Blend of the soft-knee distorter; 0 bypasses it", nullptr, false, false},
    {"overdrive", "Overdrive", "Boost and blend of the cubic overdrive after the envelope; 0 bypasses it", nullptr,
     false, false},
    {"chorus", "Chorus", "Wet level of the two-line stereo chorus; 0 bypasses it", nullptr, false, false},
    {"legato", "Legato", "On: releasing the sounding key plays the lowest key still held; off: the note ends", nullptr,
     true, true},
    {"velocity", "Velocity", "Velocity sensitivity; at 0 every note plays at the same level", nullptr, false, false},
    {"tonerama", "ToneRama",
     "Balance of the filter section between the resonant low-pass (0) and the envelope-swept filter (1)", nullptr,
     false, false},
    {"powerchord", "PowerChord", "Two parallel strings a fifth apart instead of one", nullptr, true, false},
};
