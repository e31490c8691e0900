// Levels over the whole render, both channels together: peak, RMS and the count
// of samples beyond full scale, as the summary line reports them.
#pragma once

#include <cstdint>
#include <string>

class LevelMeter {
public:
    // Adds a channel's samples; those that are not numbers are left out (the
    // output writes them as 0 and counts them).
    void add(const float* samples, std::int32_t frames);

    std::int64_t beyondFullScale() const { return overs; }
    // "-10.74 dBFS", or "-inf dBFS" for silence.
    std::string peakText() const;
    std::string rmsText() const;

private:
    double peak = 0.0;
    double sumOfSquares = 0.0;
    std::int64_t count = 0;
    std::int64_t overs = 0;
};
