// The overdrive after the envelope: "Overdrive " boosts the level by 1 + drive and
// blends in a cubic saturation, which gains more the lower "Volume" is set; exactly 0
// bypasses the cubic.
#pragma once

class Overdrive {
public:
    // Takes "Volume" as read at the start of the block.
    void setVolume(float volume) { cubicGain = 1.5 - volume; }

    // Takes the enveloped sample, "Overdrive " and whether the string played in this
    // sample (the cubic only runs then); returns the overdriven sample.
    float process(double shaped, double drive, bool stringActive) const
    {
        float out = static_cast<float>(shaped * (drive * 2.0 + (1.0 - drive)));
        if (stringActive && drive != 0.0) {
            // The cubic reads its input held to [-1, 1], its peaks, where it stands at
            // -1 and 1: beyond them it would fold back, so a louder input came out
            // quieter and then inverted. The dry share keeps the unheld value.
            const double o = out;
            const double x = o > 1.0 ? 1.0 : (o < -1.0 ? -1.0 : o);
            out = static_cast<float>(drive * ((1.5 * x - 0.5 * ((x * x) * x)) * cubicGain) + (1.0 - drive) * o);
        }
        return out;
    }

private:
    double cubicGain = 0.0; // 1.5 - "Volume"
};
