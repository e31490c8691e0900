// Drives one plug-in instance offline exactly as a host does: makes it with this
// host's callback, opens it, announces the sample rate and block size, selects a
// program and parameter values, then renders blocks of stereo audio, handing each
// block the MIDI events that fall in it with their exact sample offsets. Shared by
// the command-line tools, the tests and the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/hostkit/PluginInstance.h"

// One MIDI message (2 or 3 bytes, status first) at a sample position of the render.
struct TimedMidiEvent {
    std::int64_t frame = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
};

struct HostSettings {
    std::int32_t sampleRate = 44100;
    std::int32_t blockSize = 512;
    // The interface version the host reports; 0 tells the module to make no instance.
    VstIntPtr hostVersion = 2400;
};

// How a render is cut into blocks. Sizes are taken in turn, over and over; 0 and
// sizes beyond the announced block size are allowed, as real hosts send them. No
// sizes: every block has the announced size (the last one may be shorter).
// beforeBlock, when set, runs after a block's events are sent and before it renders.
struct BlockPlan {
    std::vector<std::int32_t> sizes;
    std::function<void(std::size_t blockNumber, const PluginInstance& instance)> beforeBlock;
};

class OfflineHost {
public:
    // Makes an instance, given the host callback to pass to the module's entry point.
    using InstanceFactory = std::function<AEffect*(HostCallback audioMaster, std::string& error)>;
    // Receives each rendered block: left and right channel, frames long. Answering
    // false stops the render.
    using BlockSink = std::function<bool(const float* left, const float* right, std::int32_t frames)>;

    explicit OfflineHost(const HostSettings& settings);
    ~OfflineHost();
    OfflineHost(const OfflineHost&) = delete;
    OfflineHost& operator=(const OfflineHost&) = delete;

    // Makes the instance with this host's callback, opens it and announces the sample
    // rate and block size. Answers false with a reason when no instance was made.
    bool open(const InstanceFactory& makeInstance, std::string& error);

    // The open instance; an empty handle when none is open.
    const PluginInstance& instance() const { return current; }
    AEffect* effect() const { return current.record(); }

    // The parameter index for a name as the module reports it (trailing blanks
    // ignored, any letter case) or for a decimal index; -1 when there is none.
    std::int32_t findParameter(const std::string& nameOrIndex) const;

    // The module's parameter names as it reports them, trailing blanks removed.
    std::vector<std::string> parameterNames() const;

    // Selects a program; false when the module has no such program.
    bool setProgram(std::int32_t program);

    // Sets a parameter through the record's entry; false for an index the module does not have.
    bool setParameter(std::int32_t index, float value);

    // Switches the open instance on (effMainsChanged 1), as a host does before it
    // hands over the first block, or off again; nothing without an instance. render
    // does both itself; a caller that hands the record its blocks directly switches
    // on after open and off before close.
    void switchOn();
    void switchOff();

    // Switches the instance on, renders totalFrames frames in the plan's blocks,
    // handing each block its events, then switches the instance off. Events are
    // applied in frame order (equal frames keep their order); events before frame 0
    // or at or beyond totalFrames are not sent. All memory is taken before the first
    // block. Answers false when the sink stopped the render or the plan has no
    // block longer than 0 frames.
    bool render(const std::vector<TimedMidiEvent>& events, std::int64_t totalFrames, const BlockSink& sink,
                const BlockPlan& plan = BlockPlan());

    // Closes the instance and answers what effClose answered (0 when none was open);
    // the record is gone afterwards. Also done by the destructor.
    VstIntPtr close();

    // The answers this host gives to the module's requests.
    VstIntPtr answer(std::int32_t opcode) const;

private:
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                              VstIntPtr value, void* ptr, float opt);

    HostSettings settings;
    PluginInstance current;
};
