// The instrument's render path: the host's event batches become the engine's MIDI
// messages, and both render entries render through the engine at the rate the
// instrument holds.
#include "instrument/SynthPlugin.h"

// A batch rebuilds the engine's queue; events that are not MIDI and null entries
// are skipped, and a null batch acts as an empty one.
std::int32_t SynthPlugin::processEvents(VstEvents* events)
{
    engine.beginMidiBatch();
    const std::int32_t count = events ? events->numEvents : 0;
    VstEvent* const* list = events ? &events->events[0] : nullptr;
    for (std::int32_t n = 0; n < count; ++n) {
        const VstEvent* event = list[n];
        if (!event || event->type != kVstMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        engine.addMidiMessage(midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
                              static_cast<std::uint8_t>(midi->midiData[1]),
                              static_cast<std::uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void SynthPlugin::process(float** inputs, float** outputs, std::int32_t sampleFrames)
{
    processReplacing(inputs, outputs, sampleFrames);
}

// The rate may have reached the instrument without setSampleRate (the extended
// requests store it directly), so the engine takes it with every block.
void SynthPlugin::processReplacing(float** /*inputs*/, float** outputs, std::int32_t sampleFrames)
{
    float* left = outputs ? outputs[0] : nullptr;
    float* right = outputs ? outputs[1] : nullptr;
    engine.followSampleRate(sampleRate);
    engine.render(left, right, sampleFrames);
}
