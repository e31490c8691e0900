// The instance's saved state: a tag, a format version and the 19 parameter values
// as the 32-bit words the engine keeps them as (a float's bits, Legato's integer),
// all little-endian, so the same values always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "clap/ClapInterface.h"
#include "engine/EngineParameters.h"

namespace state_record {

constexpr std::uint8_t kTag[4] = {'Z', 'p', 'h', 'S'};
constexpr std::uint32_t kVersion = 1;
// Tag, version, parameter count, then one word per parameter.
constexpr std::size_t kSize = 4 + 4 + 4 + 4 * kNumParameters;

struct Words {
    std::uint32_t word[kNumParameters];
};

void encode(const Words& words, std::uint8_t (&bytes)[kSize]);

// The words of a record of this version, each one a word the plug-in stores: a
// float from 0 to 1, PowerChord exactly 0 or 1, Legato's integer 0 or 1. False
// for a foreign tag, another version or count, or any other word.
bool decode(const std::uint8_t (&bytes)[kSize], Words& words);

} // namespace state_record

extern const clap_plugin_state kClapState;
