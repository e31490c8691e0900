// Values of the amplitude envelope that stay fixed for one rendered block.
#pragma once

#include <cstdint>

struct EnvelopeBlock {
    float sampleRate;
    float attackLength;   // samples
    float decayLength;    // samples; the closed gate rescales it for the rest of the block
    float releaseLength;  // samples
    float attackExponent; // curve of the attack, 0.5 .. 2
    float curveExponent;  // curve of decay and release, 0.25 .. about 4.03
    float curveNorm;      // 0.5 raised to curveExponent
    float decayScale;     // (1 - Sustain) / curveNorm

    // The velocity factor and "Decay" behind the last closed-gate rescaling of
    // decayLength in this block (none yet while rescaled is false).
    bool rescaled = false;
    float rescaledVelocity = 0.0f;
    float rescaledDecay = 0.0f;

    // Reads the envelope parameters as they stand at the start of the block.
    static EnvelopeBlock fromParameters(float attack, float decay, float sustain, float release, float curve,
                                        float sampleRate);
};
