// The golden phrases through the VST 2.x instrument: its event batches and render
// entry must give the engine's own hashes.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <vector>

#include "GoldenPhrases.h"
#include "VersionHost.h"
#include "instrument/SynthPlugin.h"

namespace {

class InstrumentPlayer {
public:
    InstrumentPlayer(const golden::Settings& settings, std::int32_t blockSize)
        : plugin(std::make_unique<SynthPlugin>(versionHost))
    {
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(blockSize);
        plugin->resume();
        for (const auto& setting : settings) {
            set(setting.first, setting.second);
        }
    }
    void set(std::int32_t index, float value) { plugin->setParameter(index, value); }
    void send(const std::vector<golden::TimedMidi>& events)
    {
        midi.clear();
        for (const golden::TimedMidi& event : events) {
            VstMidiEvent midiEvent{};
            midiEvent.type = kVstMidiType;
            midiEvent.byteSize = sizeof(VstMidiEvent);
            midiEvent.deltaFrames = event.frame;
            midiEvent.midiData[0] = static_cast<char>(event.status);
            midiEvent.midiData[1] = static_cast<char>(event.data1);
            midiEvent.midiData[2] = static_cast<char>(event.data2);
            midi.push_back(midiEvent);
        }
        batch.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
        auto* list = reinterpret_cast<VstEvents*>(batch.data());
        list->numEvents = static_cast<std::int32_t>(midi.size());
        for (std::size_t n = 0; n < midi.size(); ++n) {
            (&list->events[0])[n] = reinterpret_cast<VstEvent*>(&midi[n]);
        }
        plugin->processEvents(list);
    }
    void render(float* left, float* right, std::int32_t frames)
    {
        float* outputs[2] = {left, right};
        plugin->processReplacing(nullptr, outputs, frames);
    }

private:
    std::unique_ptr<SynthPlugin> plugin;
    std::vector<VstMidiEvent> midi;
    std::vector<char> batch;
};

TEST(RenderGolden, InstrumentRendersThePhrasesBitIdenticalToTheRecording)
{
    for (const golden::Case& c : golden::kCases) {
        InstrumentPlayer player(*c.settings, c.blockSize);
        const golden::Rendered rendered = golden::renderCase(player, c);
        char actual[32];
        std::snprintf(actual, sizeof actual, "0x%016" PRIX64 "ull", rendered.hash);
        EXPECT_EQ(rendered.hash, c.expected) << c.name << ", block size " << c.blockSize << ": " << actual;
        EXPECT_GT(rendered.peak, 0.01f) << c.name << ", block size " << c.blockSize;
    }
}

} // namespace
