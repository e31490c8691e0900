// A host for the module's tests: makes an instance in-process through the entry
// point and opens it with the host kit's offline host, hands it MIDI batches
// through effProcessEvents, sets parameters through the record and renders blocks
// through processReplacing, collecting both channels. Only the record's entries
// are used.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Performance.h"
#include "host/AEffect.h"
#include "host/PluginMain.h"
#include "tools/hostkit/OfflineHost.h"

namespace module_harness {

using namespace test_performance;

// A VstEvents batch that owns its events; null entries stay null pointers.
class Batch {
public:
    explicit Batch(const std::vector<Midi>& messages)
        : events(messages.size()), slots(2 + std::max<std::size_t>(messages.size(), 2), 0)
    {
        for (std::size_t n = 0; n < messages.size(); ++n) {
            VstMidiEvent& event = events[n];
            event = VstMidiEvent{};
            event.type = kVstMidiType;
            event.byteSize = sizeof event;
            event.deltaFrames = messages[n].frame;
            event.midiData[0] = static_cast<char>(messages[n].status);
            event.midiData[1] = static_cast<char>(messages[n].data1);
            event.midiData[2] = static_cast<char>(messages[n].data2);
        }
        VstEvents* header = get();
        header->numEvents = static_cast<std::int32_t>(messages.size());
        header->reserved = 0;
        for (std::size_t n = 0; n < messages.size(); ++n) {
            pointers()[n] = reinterpret_cast<VstEvent*>(&events[n]);
        }
    }

    VstEvents* get() { return reinterpret_cast<VstEvents*>(slots.data()); }
    // Marks event n as another type of event than MIDI.
    void setType(std::size_t n, std::int32_t type) { events[n].type = type; }
    // The event pointer array, longer than the two entries VstEvents declares.
    VstEvent** pointers() { return reinterpret_cast<VstEvent**>(slots.data() + 2); }

private:
    std::vector<VstMidiEvent> events;
    std::vector<VstIntPtr> slots; // numEvents and reserved, then the pointers
};

class Instance : public Player<Instance> {
public:
    using Player<Instance>::set;

    // Opens an instance at sampleRate and switches it on, as a host does before
    // playing; closed when it goes.
    explicit Instance(std::int32_t sampleRate = 44100) : host(HostSettings{sampleRate, 1024})
    {
        std::string error;
        const bool opened =
            host.open([](HostCallback audioMaster, std::string&) { return pluginMain(audioMaster); }, error);
        EXPECT_TRUE(opened) << error;
        host.switchOn();
        record = host.effect();
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AEffect* effect() const { return record; }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return host.instance().dispatch(opcode, index, value, ptr, opt);
    }

    void set(std::int32_t index, float value) { host.instance().setParameter(index, value); }

    // Hands one batch for the coming block; answers what effProcessEvents answers.
    VstIntPtr send(const std::vector<Midi>& messages)
    {
        Batch batch(messages);
        return dispatch(effProcessEvents, 0, 0, batch.get());
    }

    // One processReplacing call of frames samples into buffers filled with garbage.
    Stereo block(std::int32_t frames)
    {
        Stereo out = garbageFilled(frames);
        float* outputs[2] = {out.left.data(), out.right.data()};
        record->processReplacing(record, nullptr, outputs, frames);
        return out;
    }

private:
    OfflineHost host;
    AEffect* record = nullptr;
};

} // namespace module_harness
