// The VST 2.x module driven the way the LV2 tests drive the plug-in: opened at a
// rate and switched on, then per block the parameter values, one
// effProcessEvents with the block's MIDI and one processReplacing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tests/LoadedModule.h"
#include "tests/VersionHost.h"

namespace lv2_host {

// One short MIDI message at a sample offset within its block.
struct Midi {
    std::int32_t frame;
    std::vector<std::uint8_t> bytes; // one to three
};

class ModuleVoice {
public:
    ModuleVoice(const LoadedModule& module, float rate) : effect(module.entry("VSTPluginMain")(versionHost))
    {
        if (effect != nullptr) {
            dispatch(effOpen);
            dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            dispatch(effSetBlockSize, 0, 4096);
            dispatch(effMainsChanged, 0, 1);
        }
    }
    ~ModuleVoice()
    {
        if (effect != nullptr) {
            dispatch(effMainsChanged, 0, 0);
            dispatch(effClose);
        }
    }
    ModuleVoice(const ModuleVoice&) = delete;
    ModuleVoice& operator=(const ModuleVoice&) = delete;

    bool valid() const { return effect != nullptr; }
    void setParameter(std::int32_t index, float value) { effect->setParameter(effect, index, value); }
    float getParameter(std::int32_t index) { return effect->getParameter(effect, index); }
    std::string parameterName(std::int32_t index)
    {
        char text[64] = {};
        dispatch(effGetParamName, index, 0, text);
        return text;
    }

    // One effProcessEvents with these messages, then processReplacing of frames samples.
    void block(const std::vector<Midi>& messages, std::int32_t frames, float* left, float* right)
    {
        events.resize(messages.size());
        list.assign(2 + messages.size() + 2, 0);
        for (std::size_t n = 0; n < messages.size(); ++n) {
            VstMidiEvent& event = events[n];
            event = VstMidiEvent{};
            event.type = kVstMidiType;
            event.byteSize = sizeof event;
            event.deltaFrames = messages[n].frame;
            for (std::size_t b = 0; b < messages[n].bytes.size() && b < 3; ++b) {
                event.midiData[b] = static_cast<char>(messages[n].bytes[b]);
            }
            list[2 + n] = reinterpret_cast<VstIntPtr>(&event);
        }
        auto* batch = reinterpret_cast<VstEvents*>(list.data());
        batch->numEvents = static_cast<std::int32_t>(messages.size());
        dispatch(effProcessEvents, 0, 0, batch);
        float* outputs[2] = {left, right};
        effect->processReplacing(effect, nullptr, outputs, frames);
    }

private:
    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    AEffect* effect;
    std::vector<VstMidiEvent> events; // one block's batch, kept to spare allocations
    std::vector<VstIntPtr> list;
};

} // namespace lv2_host
