// The engine behind the C interface: one SynthEngine and the two channel buffers
// it renders into, set up and driven as a VST 2.x host drives the module (the
// rate announced, then switched on; each call's MIDI as one batch before it renders).
#include <new>

#include "engine/SynthEngine.h"
#include "web/ZephyrantWeb.h"

struct ZephyrantInstrument {
    SynthEngine engine;
    float left[ZEPHYRANT_LONGEST_RENDER] = {};
    float right[ZEPHYRANT_LONGEST_RENDER] = {};
};

ZephyrantInstrument* zephyrant_create(float rate)
{
    auto* instrument = new (std::nothrow) ZephyrantInstrument;
    if (instrument == nullptr) {
        return nullptr;
    }
    if (!instrument->engine.isValid()) {
        delete instrument;
        return nullptr;
    }
    instrument->engine.setSampleRate(rate);
    instrument->engine.resume();
    return instrument;
}

void zephyrant_destroy(ZephyrantInstrument* instrument)
{
    delete instrument;
}

void zephyrant_set_sample_rate(ZephyrantInstrument* instrument, float rate)
{
    instrument->engine.setSampleRate(rate);
}

void zephyrant_set_parameter(ZephyrantInstrument* instrument, int32_t index, float value)
{
    instrument->engine.setParameter(index, value);
}

float zephyrant_get_parameter(const ZephyrantInstrument* instrument, int32_t index)
{
    return instrument->engine.getParameter(index);
}

// The first message after a render call opens the batch of the next one.
void zephyrant_midi(ZephyrantInstrument* instrument, int32_t frame, int32_t status, int32_t data1, int32_t data2)
{
    instrument->engine.addMidiMessage(frame, static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                                      static_cast<std::uint8_t>(data2));
}

int32_t zephyrant_render(ZephyrantInstrument* instrument, int32_t frames)
{
    if (frames <= 0) {
        frames = 0;
    } else if (frames > ZEPHYRANT_LONGEST_RENDER) {
        frames = ZEPHYRANT_LONGEST_RENDER;
    }
    instrument->engine.render(instrument->left, instrument->right, frames);
    return frames;
}

const float* zephyrant_left(const ZephyrantInstrument* instrument)
{
    return instrument->left;
}

const float* zephyrant_right(const ZephyrantInstrument* instrument)
{
    return instrument->right;
}
