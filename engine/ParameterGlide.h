// The values the voice plays with: the live parameter values, taken at the start of
// every block, with each continuous parameter played as the mean of what the host
// set over the last 10 ms. A jump becomes a straight glide of 10 ms, a sweep moved
// block by block becomes a smooth line at most 10 ms behind the host, and a value
// that does not move is used exactly as it is. "Legato" and "PowerChord" are
// switches and step. After switching on or a new rate there is nothing to glide
// from: the first block takes every value at once.
#pragma once

#include <cstdint>

#include "engine/EngineMath.h"
#include "engine/EngineParameters.h"
#include "engine/ParameterSlot.h"

class ParameterGlide {
public:
    static constexpr double kGlideSeconds = 0.01;

    // The next block takes every value at once.
    void takeNextValuesAtOnce() { atOnce = true; }
    bool takesValuesAtOnce() const { return atOnce; }
    // Samples of a glide at the rate of the last block.
    std::int32_t glideSamples() const { return length; }

    // Takes the live values at the start of a block at rate, and the count of values
    // set so far (when it has not moved since the last block, neither have they).
    void beginBlock(const ParameterSlot* live, std::uint32_t changes, float rate);

    // Moves every gliding value on by one sample; true when any glides.
    bool step()
    {
        if (glidingCount == 0) {
            return false;
        }
        std::int32_t kept = 0;
        for (std::int32_t n = 0; n < glidingCount; ++n) {
            const std::int32_t index = gliding[n];
            if (glides[index].step(length, values[index])) {
                gliding[kept++] = index;
            }
        }
        glidingCount = kept;
        return true;
    }

    float value(ParameterIndex index) const { return values[index]; }
    // True when some value glides in this block.
    bool glidesInBlock() const { return glidingCount > 0; }
    // True when the value glides at some time in this block.
    bool movesInBlock(ParameterIndex index) const { return moving[index]; }

private:
    // The changes a glide remembers: a host changing a value at every block of a few
    // samples has its changes within one such span merged.
    static constexpr std::int32_t kChanges = 32;

    // One parameter's mean over the last `length` samples of the host's values.
    class Glide {
    public:
        // Nothing to glide from: the host's value throughout.
        void settle(float hostValue, std::int32_t length);
        // The host's value from the next sample on.
        void change(float hostValue, std::int32_t length);
        // One sample on: writes the mean into value; false once the glide has ended
        // (value is then the host's value exactly).
        bool step(std::int32_t length, float& value);
        bool ended() const { return count == 0 && sameBits(edgeValue, host); }

    private:
        struct Change {
            std::int64_t time; // the first sample with this value
            float value;
        };
        double sum = 0.0;      // of the host's values over the last `length` samples
        float host = 0.0f;     // the host's value now
        float edgeValue = 0.0f; // the value at the oldest sample in the mean
        std::int64_t now = 0;  // samples counted
        Change changes[kChanges] = {};
        std::int32_t first = 0; // oldest change still ahead of the edge
        std::int32_t count = 0;
    };

    float values[kNumParameters] = {};
    Glide glides[kNumParameters];
    bool moving[kNumParameters] = {};
    bool anyMoving = false;
    std::uint32_t seenChanges = 0; // the count of values set at the last block start
    float seenRate = 0.0f;
    std::int32_t gliding[kNumParameters] = {};
    std::int32_t glidingCount = 0;
    std::int32_t length = 1; // samples of a glide
    bool atOnce = true;
};
