// A host for the engine's tests: makes an instance in-process through the entry
// point, hands it MIDI batches through effProcessEvents, sets parameters through
// the record and renders blocks through processReplacing, collecting both
// channels. The instrument object stays reachable for the few checks that can
// only read engine state (the gate, noteFrequency, counters).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "VersionHost.h"
#include "host/AEffect.h"
#include "host/EffectBase.h"
#include "host/PluginMain.h"
#include "instrument/SynthPlugin.h"

namespace engine_harness {

// One MIDI message of a batch. frame is the offset within the block it is sent
// with, or within the whole performance for Engine::perform.
struct Midi {
    std::int32_t frame;
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
    std::int32_t type = kVstMidiType;
};

inline Midi noteOn(std::int32_t frame, int key, int velocity = 100, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0x90 | channel), static_cast<unsigned char>(key),
            static_cast<unsigned char>(velocity)};
}

inline Midi noteOff(std::int32_t frame, int key, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0x80 | channel), static_cast<unsigned char>(key), 64};
}

inline Midi controller(std::int32_t frame, int number, int value, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0xB0 | channel), static_cast<unsigned char>(number),
            static_cast<unsigned char>(value)};
}

// value: the 14-bit wheel position, 8192 at the centre.
inline Midi pitchBend(std::int32_t frame, int value, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0xE0 | channel), static_cast<unsigned char>(value & 0x7F),
            static_cast<unsigned char>((value >> 7) & 0x7F)};
}

// A VstEvents batch that owns its events; null entries stay null pointers.
class Batch {
public:
    explicit Batch(const std::vector<Midi>& messages)
        : events(messages.size()), slots(2 + std::max<std::size_t>(messages.size(), 2), 0)
    {
        for (std::size_t n = 0; n < messages.size(); ++n) {
            VstMidiEvent& event = events[n];
            event = VstMidiEvent{};
            event.type = messages[n].type;
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
    // The event pointer array, longer than the two entries VstEvents declares.
    VstEvent** pointers() { return reinterpret_cast<VstEvent**>(slots.data() + 2); }

private:
    std::vector<VstMidiEvent> events;
    std::vector<VstIntPtr> slots; // numEvents and reserved, then the pointers
};

// Both output channels of a rendering.
struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    void append(const Stereo& more)
    {
        left.insert(left.end(), more.left.begin(), more.left.end());
        right.insert(right.end(), more.right.begin(), more.right.end());
    }
    std::size_t size() const { return left.size(); }
    float peak() const
    {
        float level = 0.0f;
        for (std::size_t i = 0; i < left.size(); ++i) {
            level = std::max({level, std::fabs(left[i]), std::fabs(right[i])});
        }
        return level;
    }
    bool silent() const { return peak() == 0.0f; }
    // Bit-identical, NaN included.
    bool sameBits(const Stereo& other) const
    {
        return left.size() == other.left.size() && right.size() == other.right.size() &&
               std::memcmp(left.data(), other.left.data(), left.size() * sizeof(float)) == 0 &&
               std::memcmp(right.data(), other.right.data(), right.size() * sizeof(float)) == 0;
    }
};


// A value no rendering produces, for telling written samples from untouched ones.
constexpr float kGarbage = -12345.678f;

class Engine {
public:
    // Opens an instance at 44100 Hz and switches it on, as a host does before playing.
    explicit Engine(float sampleRate = 44100.0f) : record(pluginMain(&versionHost))
    {
        EXPECT_NE(record, nullptr);
        if (record != nullptr) {
            dispatch(effOpen);
            dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
            dispatch(effSetBlockSize, 0, 1024);
            dispatch(effMainsChanged, 0, 1);
        }
    }
    ~Engine()
    {
        if (record != nullptr) {
            dispatch(effClose);
        }
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    AEffect* effect() const { return record; }
    // The instrument behind the record, for reading engine state.
    SynthPlugin& state() const
    {
        return *static_cast<SynthPlugin*>(static_cast<EffectBase*>(record->object));
    }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    void set(std::int32_t index, float value) { record->setParameter(record, index, value); }
    void set(std::initializer_list<std::pair<std::int32_t, float>> values)
    {
        for (const auto& value : values) {
            set(value.first, value.second);
        }
    }

    // Hands one batch for the coming block; answers what effProcessEvents answers.
    VstIntPtr send(const std::vector<Midi>& messages)
    {
        Batch batch(messages);
        return dispatch(effProcessEvents, 0, 0, batch.get());
    }

    // One processReplacing call of frames samples into buffers filled with garbage.
    Stereo block(std::int32_t frames)
    {
        Stereo out;
        out.left.assign(static_cast<std::size_t>(std::max(frames, 0)), kGarbage);
        out.right.assign(out.left.size(), kGarbage);
        float* outputs[2] = {out.left.data(), out.right.data()};
        record->processReplacing(record, nullptr, outputs, frames);
        return out;
    }

    // Renders frames samples in blocks of blockSize without sending events.
    Stereo render(std::int32_t frames, std::int32_t blockSize = 256)
    {
        Stereo out;
        for (std::int32_t done = 0; done < frames; done += blockSize) {
            out.append(block(std::min(blockSize, frames - done)));
        }
        return out;
    }

    // Plays messages stamped with frames of the whole performance: before each
    // block it sends the block's messages (if any) with frames made relative, then
    // renders the block. Block sizes cycle through blockSizes; afterBlock, when
    // given, runs after every block.
    Stereo perform(const std::vector<Midi>& messages, std::int32_t frames,
                   const std::vector<std::int32_t>& blockSizes = {256},
                   const std::function<void()>& afterBlock = nullptr)
    {
        Stereo out;
        std::size_t next = 0;
        std::size_t sizeIndex = 0;
        for (std::int32_t start = 0; start < frames;) {
            const std::int32_t size = std::min(blockSizes[sizeIndex++ % blockSizes.size()], frames - start);
            std::vector<Midi> due;
            while (next < messages.size() && messages[next].frame < start + size) {
                Midi message = messages[next++];
                message.frame -= start;
                due.push_back(message);
            }
            if (!due.empty()) {
                send(due);
            }
            out.append(block(size));
            if (afterBlock) {
                afterBlock();
            }
            start += size;
        }
        return out;
    }

private:
    AEffect* record;
};

} // namespace engine_harness
