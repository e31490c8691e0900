// The 19 parameters as CLAP parameters: ids 0 to 18 (the engine's indices), plain
// values from 0 to 1 with program 0's values as defaults, Legato and PowerChord
// stepped, and the instrument's value texts.
#pragma once

#include "clap/ClapInterface.h"

class SynthEngine;

// The engine's value for a host's plain value of parameter id: held to 0..1, the
// stepped ones truncated toward zero. False, leaving value as it was, for an
// unknown id and for NaN.
bool engineValue(clap_id id, double plain, float& value);

// Sets parameter id from a host's plain value as engineValue takes it; false when
// it does not.
bool applyHostValue(SynthEngine& engine, clap_id id, double plain);

// The parameter and engine value of a value event, as process and flush take it:
// false for every other event and for values engineValue refuses.
bool readValueEvent(const clap_event_header& event, clap_id& id, float& value);

extern const clap_plugin_params kClapParams;
