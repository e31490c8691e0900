// Values of the tone and output stages that stay fixed for one rendered block.
#pragma once

struct ToneBlock {
    float sampleRate;
    float chorusBase;      // samples: the chorus lines' centre delay, 30 ms
    float volume;          // "Volume" as read at the start of the block
    double limiterRelease; // the limiter gain's recovery per sample: a factor of 1000 in 75 ms
    float sweepCutoff;     // Hz, set on control ticks; 0 until the first one of the block

    static ToneBlock fromParameters(float volume, float sampleRate);
};
