// A headless front end for the engine's tests, as a front end drives it: a rate
// and switching on, parameter values, MIDI batches and blocks of samples into
// buffers filled with garbage. The engine stays reachable for the few checks that
// can only read its state (the gate, noteFrequency, counters).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

class Engine {
public:
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
    void set(std::initializer_list<std::pair<std::int32_t, float>> values)
    {
        for (const auto& value : values) {
            set(value.first, value.second);
        }
    }

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
        Stereo out;
        out.left.assign(static_cast<std::size_t>(std::max(frames, 0)), kGarbage);
        out.right.assign(out.left.size(), kGarbage);
        engine->render(out.left.data(), out.right.data(), frames);
        return out;
    }

    // Renders frames samples in blocks of blockSize without sending events.
    Stereo render(std::int32_t frames, std::int32_t blockSize = 256)
    {
        Stereo out;
        for (std::int32_t done = 0; done < frames; done += blockSize) {
            out.append(block(std::min(blockSize, frames - done)));
        }
        return out;
    }

    // Plays messages stamped with frames of the whole performance (see performInBlocks).
    Stereo perform(const std::vector<Midi>& messages, std::int32_t frames,
                   const std::vector<std::int32_t>& blockSizes = {256},
                   const std::function<void()>& afterBlock = nullptr)
    {
        return performInBlocks(*this, messages, frames, blockSizes, afterBlock);
    }

private:
    std::unique_ptr<SynthEngine> engine;
};

} // namespace engine_harness
