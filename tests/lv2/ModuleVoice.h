// The VST 2.x module driven the way the LV2 tests drive the plug-in: opened at a
// rate and switched on by the host kit's offline host, then per block the
// parameter values, one effProcessEvents with the block's MIDI and one
// processReplacing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/hostkit/EventBatch.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"
#include "tools/hostkit/PluginInstance.h"

namespace lv2_host {

// One short MIDI message at a sample offset within its block.
struct Midi {
    std::int32_t frame;
    std::vector<std::uint8_t> bytes; // one to three
};

class ModuleVoice {
public:
    static constexpr std::int32_t kBlockSize = 4096;

    // An instance of the loaded module at sampleRate, switched on; valid() tells
    // whether the module made one.
    ModuleVoice(const ModuleLoader& module, std::int32_t sampleRate)
        : host(HostSettings{sampleRate, kBlockSize}), batch(batchCapacity)
    {
        std::string error;
        const auto makeInstance = [&module](HostCallback audioMaster, std::string& reason) {
            return module.createInstance(audioMaster, reason);
        };
        if (host.open(makeInstance, error)) {
            host.switchOn();
        }
    }
    ~ModuleVoice() { host.switchOff(); }
    ModuleVoice(const ModuleVoice&) = delete;
    ModuleVoice& operator=(const ModuleVoice&) = delete;

    bool valid() const { return static_cast<bool>(host.instance()); }
    void setParameter(std::int32_t index, float value) { host.instance().setParameter(index, value); }
    float getParameter(std::int32_t index) const { return host.instance().getParameter(index); }
    std::string parameterName(std::int32_t index) const { return host.instance().text(effGetParamName, index); }

    // One effProcessEvents with these messages, empty or not, then processReplacing
    // of frames samples.
    void block(const std::vector<Midi>& messages, std::int32_t frames, float* left, float* right)
    {
        if (messages.size() > batchCapacity) {
            batchCapacity = messages.size();
            batch = EventBatch(batchCapacity);
        }
        batch.clear();
        for (const Midi& message : messages) {
            std::uint8_t bytes[3] = {0, 0, 0};
            for (std::size_t b = 0; b < message.bytes.size() && b < 3; ++b) {
                bytes[b] = message.bytes[b];
            }
            batch.add(bytes, message.frame);
        }
        host.instance().dispatch(effProcessEvents, 0, 0, batch.get());
        AEffect* effect = host.effect();
        float* outputs[2] = {left, right};
        effect->processReplacing(effect, nullptr, outputs, frames);
    }

private:
    OfflineHost host;
    std::size_t batchCapacity = 64;
    EventBatch batch; // one block's messages, kept to spare allocations
};

} // namespace lv2_host
