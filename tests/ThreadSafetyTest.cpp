// A host's two threads at once: the audio thread hands over MIDI and renders
// blocks while the user-interface thread sets parameters, switches, copies and
// renames programs and reads display texts. Run under ThreadSanitizer, any
// unsynchronised access between them is reported as a failure.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "host/PluginMain.h"
#include "tests/RecordingHost.h"

namespace {

constexpr std::int32_t kBlockFrames = 256;
constexpr int kBlocks = 400;

VstMidiEvent midiEvent(std::int32_t frame, unsigned char status, unsigned char data1, unsigned char data2)
{
    VstMidiEvent event = {};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = frame;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

TEST(ThreadSafety, RenderingWhileTheHostEditsParametersAndProgramsIsRaceFree)
{
    RecordingHost host;
    AEffect* effect = pluginMain(host.callback());
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, kBlockFrames, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    std::atomic<bool> rendering{true};

    std::thread audio([&] {
        std::vector<float> left(kBlockFrames), right(kBlockFrames);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < kBlocks; ++block) {
            const unsigned char key = static_cast<unsigned char>(40 + block % 24);
            VstMidiEvent batch[2] = {midiEvent(block % kBlockFrames, 0x90, key, 100),
                                     midiEvent(kBlockFrames - 1, 0x80, key, 0)};
            VstEvents events = {};
            events.numEvents = block % 3 == 0 ? 2 : 1;
            events.events[0] = reinterpret_cast<VstEvent*>(&batch[0]);
            events.events[1] = reinterpret_cast<VstEvent*>(&batch[1]);
            effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
            effect->processReplacing(effect, nullptr, outputs, kBlockFrames);
        }
        rendering = false;
    });

    std::thread editor([&] {
        char text[64];
        for (int step = 0; rendering; ++step) {
            const std::int32_t index = step % 19;
            effect->setParameter(effect, index, static_cast<float>(step % 101) / 100.0f);
            effect->getParameter(effect, index);
            effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
            if (step % 7 == 0) {
                effect->dispatcher(effect, effSetProgram, 0, step % 128, nullptr, 0.0f);
            }
            if (step % 11 == 0) {
                std::snprintf(text, sizeof text, "Take %d", step);
                effect->dispatcher(effect, effSetProgramName, 0, 0, text, 0.0f);
                effect->dispatcher(effect, effCopyProgram, (step / 11) % 128, 0, nullptr, 0.0f);
            }
        }
    });

    audio.join();
    editor.join();

    // The live values still equal the current program's, as a fresh selection shows.
    std::vector<float> live;
    for (std::int32_t index = 0; index < 19; ++index) {
        live.push_back(effect->getParameter(effect, index));
    }
    const VstIntPtr program = effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.0f);
    for (std::int32_t index = 0; index < 19; ++index) {
        EXPECT_EQ(effect->getParameter(effect, index), live[static_cast<std::size_t>(index)]) << "parameter " << index;
    }
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

} // namespace
