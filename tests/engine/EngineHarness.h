// A headless front end for the engine's tests, as a front end drives it: a rate
// and switching on, parameter values, MIDI batches and blocks of samples into
// buffers filled with garbage. The engine stays reachable for the few checks that
// can only read its state (the gate, noteFrequency, counters).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "Performance.h"
#include "engine/SynthEngine.h"

namespace engine_harness {

using namespace test_performance;

class Engine : public Player<Engine> {
public:
    using Player<Engine>::set;

    // An engine at sampleRate, switched on, as a front end has it before playing.
    explicit Engine(float sampleRate = 44100.0f) : engine(std::make_unique<SynthEngine>())
    {
        EXPECT_TRUE(engine->isValid());
        engine->setSampleRate(sampleRate);
        engine->resume();
    }

    SynthEngine& core() { return *engine; }
    const SynthEngine& state() const { return *engine; }
    const NoteState& note() const { return engine->getNoteState(); }
    float envelope() const { return engine->getAmplitudeEnvelope().getEnvelope(); }
    float sustainSmoothed() const { return engine->getAmplitudeEnvelope().getSustainSmoothed(); }
    std::int32_t pickCounter() const { return engine->getPickExciter().getPickCounter(); }
    float limiterGain() const { return engine->getFilterSection().getLimiter().getLimiterGain(); }

    void set(std::int32_t index, float value) { engine->setParameter(index, value); }

    // Hands one batch for the coming block.
    void send(const std::vector<Midi>& messages)
    {
        engine->beginMidiBatch();
        for (const Midi& message : messages) {
            engine->addMidiMessage(message.frame, message.status, message.data1, message.data2);
        }
    }

    // One render call of frames samples into buffers filled with garbage.
    Stereo block(std::int32_t frames)
    {
        Stereo out = garbageFilled(frames);
        engine->render(out.left.data(), out.right.data(), frames);
        return out;
    }

private:
    std::unique_ptr<SynthEngine> engine;
};

} // namespace engine_harness
