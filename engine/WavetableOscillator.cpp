#include "engine/WavetableOscillator.h"

#include <cmath>
#include <cstdint>

const char* const waveformNames[kWaveformCount] = {"triangle", "sinus", "sawtooth", "square", "exponent"};

namespace {

// Low 32 bits of a phase step truncated toward zero. The reduction modulo 2^32 happens
// in floating point, where it is exact, so no value converts out of range; a step that
// is not a number or infinite (no usable sample rate or frequency) stops the oscillator.
std::int32_t phaseIncrement(double step)
{
    const double reduced = std::fmod(std::trunc(step), 4294967296.0);
    if (std::isnan(reduced)) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(reduced)));
}

} // namespace

// The constructor's step is that of a 1 Hz oscillator.
WavetableOscillator::WavetableOscillator(float rate) : sampleRate(rate)
{
    setWaveform(kSinus);
    increment = phaseIncrement(256.0 / static_cast<double>(sampleRate) * 16777216.0);
}

WavetableOscillator::~WavetableOscillator() = default;

void WavetableOscillator::setFrequency(float frequency)
{
    increment = phaseIncrement(((256.0 / static_cast<double>(sampleRate)) * frequency) * 16777216.0);
}

// Each table holds one cycle in entries 0..255; entry 256 repeats the start of the cycle
// so that the interpolation after entry 255 needs no wrap. Values are computed in double
// and stored in single precision.
void WavetableOscillator::setWaveform(std::int32_t kind)
{
    switch (kind) {
    case kTriangle:
        for (int j = 0; j < 64; ++j) {
            table[j] = static_cast<float>(j / 64.0);
            table[64 + j] = static_cast<float>((64 - j) / 64.0);
            table[128 + j] = static_cast<float>(-j / 64.0);
            table[192 + j] = static_cast<float>((j - 64) / 64.0);
        }
        table[256] = 0.0f;
        break;
    case kSinus: {
        const double pi = 4.0 * std::atan(1.0);
        // The guard is the computed sine of 2 pi, numerically (not exactly) zero.
        for (int i = 0; i <= 256; ++i) {
            table[i] = static_cast<float>(std::sin(2.0 * pi * i / 256.0));
        }
        break;
    }
    case kSawtooth: {
        // The step is the single-precision value nearest 1/255, so entry 255 lands on
        // the float just above 1.
        const double step = 0.003921569f;
        for (int i = 0; i < 256; ++i) {
            table[i] = static_cast<float>(i * step * 2.0 - 1.0);
        }
        table[256] = -1.0f;
        break;
    }
    case kSquare:
        for (int i = 0; i < 128; ++i) {
            table[i] = 1.0f;
            table[128 + i] = -1.0f;
        }
        table[256] = 1.0f;
        break;
    case kExponent: {
        // e^x is taken as 2^(x log2 e), e itself included.
        const double log2e = 1.4426950408889634074;
        const double eMinusOne = std::exp2(log2e) - 1.0;
        for (int j = 0; j < 128; ++j) {
            const double rising = std::exp2(j * 0.0078125 * log2e);
            const double falling = std::exp2((128 - j) * 0.0078125 * log2e);
            table[j] = static_cast<float>(2.0 * (rising - 1.0) / eMinusOne - 1.0);
            table[128 + j] = static_cast<float>(2.0 * (falling - 1.0) / eMinusOne - 1.0);
        }
        table[256] = -1.0f;
        break;
    }
    default:
        break;
    }
}
