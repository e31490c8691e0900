// The sound engine as every front end uses it: a sample rate, the 19 parameter
// values and MIDI messages go in, two channels of samples come out.
#pragma once

#include <cstdint>

class SynthEngine {
public:
    // The whole setup at 44100 Hz; the only place that allocates.
    SynthEngine();
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // False when an allocation of the setup failed; such an engine renders nothing.
    bool isValid() const;

    // Stores the rate and sets the limiter's gain back to 1.
    void setSampleRate(float rate);
    float getSampleRate() const;
    // Empties the MIDI queue and sets the limiter's gain back to 1, as on switching on.
    void resume();

    // The live parameter values, from any thread. Legato keeps the integer
    // truncation of the value (NaN 0, saturating). Indices out of range are
    // ignored; reading one answers 0.
    void setParameter(std::int32_t index, float value);
    float getParameter(std::int32_t index) const;

    // MIDI for the coming render call. beginMidiBatch discards what is still
    // queued from the previous batch; each addMidiMessage is one message (status,
    // two data bytes) at a sample offset within the coming block.
    void beginMidiBatch();
    void addMidiMessage(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // Overwrites frames samples of both channels, with flush-to-zero set for the
    // call and the caller's floating-point mode restored. frames <= 0 or a null
    // buffer writes nothing.
    void render(float* left, float* right, std::int32_t frames);

private:
    struct Instrument;
    Instrument* instrument;
};
