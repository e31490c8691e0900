// A table-lookup oscillator: one cycle of a waveform in 256 entries plus a guard entry,
// walked by a 32-bit phase accumulator in 8.24 fixed point (top 8 bits: entry, low 24
// bits: position towards the next entry) with linear interpolation between entries.
#pragma once

#include <cstdint>

// The table shapes setWaveform builds.
enum Waveform : std::int32_t {
    kTriangle = 0,
    kSinus,
    kSawtooth,
    kSquare,
    kExponent,
};

constexpr std::int32_t kWaveformCount = 5;

// Names of the shapes in Waveform order.
extern const char* const waveformNames[kWaveformCount];

class WavetableOscillator {
public:
    static constexpr std::int32_t kTableSize = 256;

    // Takes the sample rate in Hz (positive); starts on the sine table at 1 Hz, phase 0.
    explicit WavetableOscillator(float sampleRate);
    virtual ~WavetableOscillator();

    // Rebuilds the table for a Waveform value; any other value leaves it unchanged.
    void setWaveform(std::int32_t kind);
    // Takes a frequency in Hz (negative runs backwards); keeps the phase, so the
    // change is click-free.
    void setFrequency(float frequency);
    // Takes a new sample rate in Hz (positive) and the frequency to run at there.
    void setSampleRate(float rate, float frequency)
    {
        sampleRate = rate;
        setFrequency(frequency);
    }
    // Returns the interpolated table value at the current phase, then advances it.
    float nextSample()
    {
        const std::uint32_t i = phase >> 24;
        const float x = static_cast<float>(phase & 0xFFFFFFu) * 5.9604645e-8f;
        phase += static_cast<std::uint32_t>(increment);
        return static_cast<float>((1.0 - x) * table[i] + static_cast<double>(x) * table[i + 1]);
    }

    // Back to the start of the cycle, as on construction.
    void restartPhase() { phase = 0; }

    // Read-only views of the state, for checks from outside.
    std::uint32_t getPhase() const { return phase; }
    std::int32_t getIncrement() const { return increment; }
    // Returns table entry i (0..256); out-of-range indices give 0.0.
    float tableEntry(std::int32_t i) const { return i >= 0 && i <= kTableSize ? table[i] : 0.0f; }

private:
    float sampleRate;
    std::uint32_t phase = 0;
    std::int32_t increment = 0;
    float table[kTableSize + 1] = {};
};
