// The voice's amplitude envelope: attack, decay, sustain and release with curved
// segments. It steps once per sample after the sample's MIDI entries and closes the
// gate by itself whenever it reaches zero.
#pragma once

#include "engine/EngineMath.h"
#include "engine/OnePole.h"

class AmplitudeEnvelope {
public:
    // Takes "Attack", "Decay", "Release" and "ADSRCurve" as they stand at the start of
    // a block, and the block's rate: the segment lengths and curves for the block.
    // The powers are only recomputed when an input changes.
    void setBlockParameters(float attack, float decay, float release, float curve, float rate);
    // The same within a block, while those values glide: the lengths and curves
    // follow them, and a decay rescaled for a note starting in this block stays so.
    void glideBlockParameters(float attack, float decay, float release, float curve);

    // One step: takes the gate (which it may close), the velocity factor, "Decay",
    // the modulation wheel and "Sustain"; returns the envelope.
    float step(bool& noteActive, float velocityScale, float decay, float modWheel, float sustain,
               double radiansPerSample)
    {
        if (!noteActive) {
            rescaleDecay(velocityScale, decay);
        } else {
            const double target = static_cast<double>(modWheel) * sustain;
            onePole::smooth(sustainSmoothed, target, radiansPerSample, 5.0);
            attackDecayStep();
        }
        if (envelope <= 0.0f) {
            noteActive = false;
            releaseStep();
        } else if (!noteActive) {
            releaseStep();
        }
        return envelope;
    }

    // A note begins with the gate closed: a fresh attack from the present level.
    void restartAttack()
    {
        attackCount = 0.0f;
        decayCount = 0.0f;
        attackStart = envelope;
        sustainReached = false;
    }

    // After a non-finite value: every level and count at 0.
    void restart();

    float getEnvelope() const { return envelope; }
    float getSustainSmoothed() const { return sustainSmoothed; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("envelope", envelope);
        visit("attackCount", attackCount);
        visit("decayCount", decayCount);
        visit("releaseCount", releaseCount);
        visit("releaseLevel", releaseLevel);
        visit("attackStart", attackStart);
        visit("sustainSmoothed", sustainSmoothed);
    }

private:
    // The lengths and curves of one block, computed from its parameters.
    struct Segments {
        float attackLength = 0.0f;   // samples
        float decayLength = 0.0f;    // samples
        float releaseLength = 0.0f;  // samples
        float attackExponent = 0.0f; // curve of the attack, 0.5 .. 2
        float curveExponent = 0.0f;  // curve of decay and release, 0.25 .. about 4.03
        float curveNorm = 0.0f;      // 0.5 raised to curveExponent
    };

    // With the gate closed, a note that starts later in this block decays with a
    // velocity-scaled length. The length depends on the velocity factor and "Decay"
    // alone, and only this rescaling writes it within a block, so the same two values
    // (bit for bit) would store the value it already holds.
    void rescaleDecay(float velocityScale, float decay)
    {
        if (!rescaled || !sameBits(velocityScale, rescaledVelocity) || !sameBits(decay, rescaledDecay)) {
            const double d = decay;
            block.decayLength = static_cast<float>(((velocityScale + kVelocityDecayOffset) * (d * d) + kDecayFloor) *
                                                   blockRate * 5.0);
            rescaled = true;
            rescaledVelocity = velocityScale;
            rescaledDecay = decay;
        }
    }
    void attackDecayStep();
    void releaseStep();

    // Single-precision constants widened to double.
    static constexpr double kDecayFloor = 0.005f;
    static constexpr double kVelocityDecayOffset = 0.1f;

    float envelope = 0.0f;
    float attackCount = 0.0f;
    float decayCount = 0.0f;
    float releaseCount = 0.0f;
    float releaseLevel = 0.0f;    // where the release starts; follows the envelope while the gate is open
    float attackStart = 0.0f;     // where the next attack starts; follows the envelope while it is closed
    float sustainSmoothed = 0.0f; // the sustain level, following wheel x "Sustain"
    bool sustainReached = false;  // the held note has finished its decay and holds the sustain level

    // This block's segments and rate; the closed gate rescales the decay for the rest
    // of the block.
    Segments block;
    float blockRate = 0.0f;
    // The velocity factor and "Decay" of the block's last rescaling, if any.
    bool rescaled = false;
    float rescaledVelocity = 0.0f;
    float rescaledDecay = 0.0f;

    // The segments that the block parameters last seen (attack, decay, release,
    // curve, rate) give.
    static constexpr int kBlockInputs = 5;
    bool computed = false;
    float parameters[kBlockInputs] = {};
    Segments computedSegments;
};
