// One program of the bank: a slot per parameter and a 24-character name.
#pragma once

#include "engine/ParameterSlot.h"
#include "instrument/Parameters.h"

struct SynthProgram {
    SynthProgram(); // the defaults and the name "Basic"

    ParameterSlot values[kNumParameters];
    char name[24];
};
