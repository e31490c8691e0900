// One text for every value of every parameter, for hosts that show a value as a
// single text and let users type one back: the instrument's display text followed
// by its unit label ("-6.02059 dB", "OFF", "Min"). Parameters the instrument shows
// without a text show their value: "On" or "Off" for the two switches, Legato and
// PowerChord, the number otherwise ("0.300000").
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/EngineParameters.h"

// Capacity of a value text, terminator included.
constexpr std::size_t kParameterValueTextSize = 24;

// Writes the value text of value for the parameter at index into text (at least
// kParameterValueTextSize bytes); false, with text empty, for an index out of range.
bool formatParameterValueText(std::int32_t index, float value, char* text);

// Reads a value text back into a value from 0 to 1: what formatParameterValueText
// writes, with or without the label, in any letter case and with blanks around it,
// and plain numbers read as the display shows them (dB for Volume, hertz for Fixing
// and DynaTone, 1 - 2v for ADSRCurve and ToneRama, the value itself for the rest).
// Values beyond the range are held to it. The value found for a text of
// formatParameterValueText formats to that text again. False for an index out of
// range and for a text that is none of these; numbers use a point, whatever the
// program's locale.
bool parseParameterValueText(std::int32_t index, const char* text, float& value);
