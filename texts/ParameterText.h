// The instrument's 19 parameters as people see them: names, unit labels and the
// display text of a value, kept as data in one place for every front end (the
// indices and defaults are the engine's).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/EngineParameters.h"

struct ParameterInfo {
    const char* name;  // as stored, trailing blanks included
    const char* label; // unit label, empty for most
};

extern const ParameterInfo kParameterTable[kNumParameters];

// Writes the name of the parameter at index without the blanks some names end in,
// cut to fit size bytes with its terminator; empty for indices out of range.
void copyParameterName(std::int32_t index, char* text, std::size_t size);

// How a parameter's live value becomes its display text.
enum class DisplayRule {
    None,     // the text stays empty
    Plain,    // the value itself
    Bipolar,  // 1 - 2v: the middle shows 0, the ends 1 and -1
    Decibels, // the value as a gain in dB
    Fixing,   // "Min", "Max" or v^2 * 8000 + 440
    DynaTone, // "OFF" at 0, else v^2 * 440 + 10
};

// The rule of the parameter at index; None for indices out of range.
DisplayRule parameterDisplayRule(std::int32_t index);

// Writes the display text of value for the parameter at index into text (at least
// 9 bytes): empty for parameters shown without a number and for indices out of range.
void formatParameterDisplay(std::int32_t index, float value, char* text);
