// The parameter values a render starts from when the command line names a preset:
// a factory sound by name (any letter case), a program file, or one program of a
// bank file. The values are applied to the module's current program as a host
// applies a loaded program: each through setParameter, so the module turns
// Legato's value into its integer as it always does (on only at 1.0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/ProgramFile.h"

struct PresetChoice {
    std::string soundName;
    std::string programFile;
    std::string bankFile;
    std::int32_t bankProgram = -1; // -1: the bank's current program
};

// True when the command line names any preset.
bool choosesPreset(const PresetChoice& choice);

// The chosen preset's values, one per parameter of the instrument the identity
// describes; the names are the module's parameter names, for messages. Answers
// false with a one-line reason: an unknown sound, a file that cannot be read, is
// malformed or is another plug-in's, a bank without the program asked for, or a
// value outside 0 to 1.
bool chosenPresetValues(const PresetChoice& choice, const ProgramFileIdentity& identity,
                        const std::vector<std::string>& parameterNames, std::vector<float>& values, std::string& error);

// The factory sounds as --list-presets prints them: one a line, the name, a tab and the description.
std::string factorySoundList();
