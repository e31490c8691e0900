// What the plug-in's description says of each port beyond its index: symbol,
// name as a host shows it, a one-line comment, and for controls the unit and
// whether the value is a switch. The defaults come from the engine.
#pragma once

#include "engine/EngineParameters.h"
#include "lv2/Ports.h"

struct StreamPortInfo {
    const char* symbol;
    const char* name;
};

struct ControlPortInfo {
    const char* symbol;
    const char* name;
    const char* comment;
    const char* unit; // a term of the LV2 units vocabulary, or nullptr when the value has none
    bool toggled;
    bool integer;
};

extern const StreamPortInfo kMidiInputPortInfo;
extern const StreamPortInfo kOutputPortInfo[2]; // left, right
extern const ControlPortInfo kControlPortInfo[kNumParameters];
