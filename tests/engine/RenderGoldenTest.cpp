// The golden phrases through the engine itself, as a front end drives it.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <memory>

#include "GoldenPhrases.h"
#include "engine/SynthEngine.h"

namespace {

class EnginePlayer {
public:
    explicit EnginePlayer(const golden::Settings& settings) : engine(std::make_unique<SynthEngine>())
    {
        engine->setSampleRate(44100.0f);
        engine->resume();
        for (const auto& setting : settings) {
            set(setting.first, setting.second);
        }
    }
    void set(std::int32_t index, float value) { engine->setParameter(index, value); }
    void send(const std::vector<golden::TimedMidi>& events)
    {
        engine->beginMidiBatch();
        for (const golden::TimedMidi& event : events) {
            engine->addMidiMessage(event.frame, event.status, event.data1, event.data2);
        }
    }
    void render(float* left, float* right, std::int32_t frames) { engine->render(left, right, frames); }

private:
    std::unique_ptr<SynthEngine> engine;
};

TEST(RenderGolden, EngineRendersThePhrasesBitIdenticalToTheRecording)
{
    for (const golden::Case& c : golden::kCases) {
        EnginePlayer player(*c.settings);
        const golden::Rendered rendered = golden::renderCase(player, c);
        char actual[32];
        std::snprintf(actual, sizeof actual, "0x%016" PRIX64 "ull", rendered.hash);
        EXPECT_EQ(rendered.hash, c.expected) << c.name << ", block size " << c.blockSize << ": " << actual;
        EXPECT_GT(rendered.peak, 0.01f) << c.name << ", block size " << c.blockSize;
    }
}

} // namespace
