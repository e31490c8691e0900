// The engine's interface over the instrument object: every operation forwards to
// the instrument, and the MIDI messages of one batch are gathered into a fixed
// event list that the instrument takes in one processEvents call before the
// next render (or switch-on, or batch), exactly as a host's effProcessEvents.
#include "engine/SynthEngine.h"

#include <cstddef>
#include <new>

#include "instrument/SynthPlugin.h"

extern const float kParameterDefaults[kNumParameters] = {
    kParameterTable[kExciter].defaultValue,   kParameterTable[kModulation].defaultValue,
    kParameterTable[kNisFilter].defaultValue, kParameterTable[kPick].defaultValue,
    kParameterTable[kAttack].defaultValue,    kParameterTable[kDecay].defaultValue,
    kParameterTable[kSustain].defaultValue,   kParameterTable[kRelease].defaultValue,
    kParameterTable[kADSRCurve].defaultValue, kParameterTable[kVolume].defaultValue,
    kParameterTable[kFixing].defaultValue,    kParameterTable[kDynaTone].defaultValue,
    kParameterTable[kDistorter].defaultValue, kParameterTable[kOverdrive].defaultValue,
    kParameterTable[kChorus].defaultValue,    kParameterTable[kLegato].defaultValue,
    kParameterTable[kVelocity].defaultValue,  kParameterTable[kToneRama].defaultValue,
    kParameterTable[kPowerChord].defaultValue,
};

namespace {

// Messages one batch holds; more than the instrument's queue takes, so that the
// controllers and held keys of a crowded block still apply. Messages beyond it
// are dropped.
constexpr std::int32_t kBatchCapacity = 4096;

// A VstEvents record with room for a whole batch of event pointers.
struct EventList {
    std::int32_t numEvents;
    VstIntPtr reserved;
    VstEvent* events[kBatchCapacity];
};
static_assert(offsetof(EventList, events) == offsetof(VstEvents, events), "event list layout");

} // namespace

struct SynthEngine::Instrument {
    Instrument() : plugin(nullptr), list{0, 0, {}}
    {
        for (std::int32_t n = 0; n < kBatchCapacity; ++n) {
            list.events[n] = reinterpret_cast<VstEvent*>(&events[n]);
        }
    }

    // Hands the gathered batch to the instrument, once.
    void deliverBatch()
    {
        if (batchOpen) {
            batchOpen = false;
            plugin.processEvents(reinterpret_cast<VstEvents*>(&list));
        }
    }

    SynthPlugin plugin;
    VstMidiEvent events[kBatchCapacity] = {};
    EventList list;
    bool batchOpen = false;
};

SynthEngine::SynthEngine() : instrument(new (std::nothrow) Instrument) {}

SynthEngine::~SynthEngine()
{
    delete instrument;
}

bool SynthEngine::isValid() const
{
    return instrument != nullptr && instrument->plugin.isComplete();
}

void SynthEngine::setSampleRate(float rate)
{
    if (instrument != nullptr) {
        instrument->plugin.setSampleRate(rate);
    }
}

float SynthEngine::getSampleRate() const
{
    return instrument != nullptr ? instrument->plugin.getSampleRate() : 0.0f;
}

void SynthEngine::resume()
{
    if (instrument != nullptr) {
        instrument->deliverBatch();
        instrument->plugin.resume();
    }
}

void SynthEngine::setParameter(std::int32_t index, float value)
{
    if (instrument != nullptr) {
        instrument->plugin.setParameter(index, value);
    }
}

float SynthEngine::getParameter(std::int32_t index) const
{
    return instrument != nullptr ? instrument->plugin.getParameter(index) : 0.0f;
}

void SynthEngine::beginMidiBatch()
{
    if (instrument != nullptr) {
        instrument->deliverBatch();
        instrument->list.numEvents = 0;
        instrument->batchOpen = true;
    }
}

void SynthEngine::addMidiMessage(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    if (instrument == nullptr) {
        return;
    }
    if (!instrument->batchOpen) {
        beginMidiBatch();
    }
    if (instrument->list.numEvents >= kBatchCapacity) {
        return;
    }
    VstMidiEvent& event = instrument->events[instrument->list.numEvents++];
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = frame;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
}

void SynthEngine::render(float* left, float* right, std::int32_t frames)
{
    if (instrument != nullptr) {
        instrument->deliverBatch();
        float* outputs[2] = {left, right};
        instrument->plugin.processReplacing(nullptr, outputs, frames);
    }
}
