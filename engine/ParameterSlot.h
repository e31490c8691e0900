// One 32-bit parameter slot: a float for every parameter but Legato, which holds a
// signed integer. One thread may write a slot while the audio thread reads it, so
// each slot is one relaxed atomic word.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/RelaxedAtomic.h"

class ParameterSlot {
public:
    float asFloat() const { return fromBits<float>(bits.load()); }
    std::int32_t asInt() const { return fromBits<std::int32_t>(bits.load()); }
    // The slot's 32 bits as they stand, whichever type they hold.
    std::uint32_t word() const { return bits.load(); }
    void setFloat(float value) { bits.store(toBits(value)); }
    void setInt(std::int32_t value) { bits.store(toBits(value)); }
    void setWord(std::uint32_t word) { bits.store(word); }

private:
    template <typename T>
    static std::uint32_t toBits(T value)
    {
        std::uint32_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        return raw;
    }
    template <typename T>
    static T fromBits(std::uint32_t raw)
    {
        T value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }

    RelaxedAtomic<std::uint32_t> bits;
};
