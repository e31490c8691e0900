// The LV2 front end: one instance owns one engine and translates the host's ports
// and atoms into its calls. run() reads each connected control port once, hands
// over the run's MIDI and renders; it allocates, locks and logs nothing.
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "engine/SynthEngine.h"
#include "lv2/MidiInput.h"
#include "lv2/PluginIdentity.h"
#include "lv2/Ports.h"

namespace {

struct Lv2Instance {
    SynthEngine engine;
    MidiInputUrids urids;
    const LV2_Atom_Sequence* midiInput = nullptr;
    float* left = nullptr;
    float* right = nullptr;
    const float* controls[kNumParameters] = {};
};

const LV2_URID_Map* findUridMap(const LV2_Feature* const* features)
{
    for (std::size_t n = 0; features != nullptr && features[n] != nullptr; ++n) {
        if (std::strcmp(features[n]->URI, LV2_URID__map) == 0) {
            return static_cast<const LV2_URID_Map*>(features[n]->data);
        }
    }
    return nullptr;
}

// The engine runs at any positive rate that a float holds; zero, negative and
// non-finite rates, and ones too large or too small for a float, are refused.
bool acceptableRate(double rate)
{
    return std::isfinite(rate) && rate > 0.0 && rate <= std::numeric_limits<float>::max() &&
           static_cast<float>(rate) > 0.0f;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    const LV2_URID_Map* map = findUridMap(features);
    if (!acceptableRate(rate) || map == nullptr || map->map == nullptr) {
        return nullptr;
    }
    Lv2Instance* instance = new (std::nothrow) Lv2Instance;
    if (instance == nullptr) {
        return nullptr;
    }
    if (!instance->engine.isValid() || !mapMidiInputUrids(*map, instance->urids)) {
        delete instance;
        return nullptr;
    }
    instance->engine.setSampleRate(static_cast<float>(rate));
    return instance;
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data)
{
    auto* instance = static_cast<Lv2Instance*>(handle);
    switch (port) {
    case kMidiInputPort:
        instance->midiInput = static_cast<const LV2_Atom_Sequence*>(data);
        break;
    case kLeftOutputPort:
        instance->left = static_cast<float*>(data);
        break;
    case kRightOutputPort:
        instance->right = static_cast<float*>(data);
        break;
    default:
        if (port >= kFirstParameterPort && port < kNumPorts) {
            instance->controls[port - kFirstParameterPort] = static_cast<const float*>(data);
        }
        break;
    }
}

void activate(LV2_Handle handle)
{
    static_cast<Lv2Instance*>(handle)->engine.resume();
}

// A run longer than an engine block can be is rendered as several blocks; the
// run's MIDI goes with the first, and stamps beyond it are never reached.
void run(LV2_Handle handle, std::uint32_t frames)
{
    auto* instance = static_cast<Lv2Instance*>(handle);
    SynthEngine& engine = instance->engine;
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        if (instance->controls[index] != nullptr) {
            engine.setParameter(index, *instance->controls[index]);
        }
    }
    deliverMidi(instance->midiInput, instance->urids, engine);
    if (instance->left == nullptr || instance->right == nullptr) {
        engine.render(nullptr, nullptr, 0);
        return;
    }
    constexpr std::uint32_t kLongestBlock = std::numeric_limits<std::int32_t>::max();
    std::uint32_t done = 0;
    do {
        const std::uint32_t block = frames - done < kLongestBlock ? frames - done : kLongestBlock;
        engine.render(instance->left + done, instance->right + done, static_cast<std::int32_t>(block));
        done += block;
    } while (done < frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle)
{
    delete static_cast<Lv2Instance*>(handle);
}

const void* extensionData(const char*)
{
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    kLv2PluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
