// The General MIDI program set the instrument names per MIDI channel: the 128
// melodic program names, their 17 categories, and the single drum kit of the
// percussion channel.
#pragma once

#include <cstdint>

constexpr std::int32_t kNumGmPrograms = 128;
constexpr std::int32_t kNumMidiCategories = 17;
constexpr std::int32_t kProgramsPerCategory = 8;

// Channel index 9, the tenth channel, carries percussion.
constexpr std::int32_t kDrumChannel = 9;
constexpr const char* kDrumKitName = "Standard";
constexpr const char* kDrumCategoryName = "Drums";

// The General MIDI Level 1 sound set, indexed by program number.
extern const char* const gmProgramNames[kNumGmPrograms];

// Categories of the melodic channels and the first program of each; the last,
// "DrumSets", starts past the last program and holds none.
extern const char* const midiCategoryNames[kNumMidiCategories];
extern const std::int32_t midiCategoryFirstProgram[kNumMidiCategories];
