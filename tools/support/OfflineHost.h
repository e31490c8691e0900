// Drives one plug-in instance offline exactly as a host does: opens it, announces
// the sample rate and block size, selects a program and parameter values, then
// renders blocks of stereo audio, handing each block the MIDI events that fall in it
// with their exact sample offsets. Shared by the command-line renderer and the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/AEffect.h"

// One MIDI message (2 or 3 bytes, status first) at a sample position of the render.
struct TimedMidiEvent {
    std::int64_t frame = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
};

struct HostSettings {
    std::int32_t sampleRate = 44100;
    std::int32_t blockSize = 512;
};

class OfflineHost {
public:
    // Makes an instance, given the host callback to pass to the module's entry point.
    using InstanceFactory = std::function<AEffect*(HostCallback audioMaster, std::string& error)>;
    // Receives each rendered block: left and right channel, frames long.
    using BlockSink = std::function<bool(const float* left, const float* right, std::int32_t frames)>;

    explicit OfflineHost(const HostSettings& settings);
    ~OfflineHost();
    OfflineHost(const OfflineHost&) = delete;
    OfflineHost& operator=(const OfflineHost&) = delete;

    // Makes the instance with this host's callback, opens it and announces the sample
    // rate and block size. Answers false with a reason when no instance was made.
    bool open(const InstanceFactory& makeInstance, std::string& error);

    AEffect* effect() const { return instance; }

    // The parameter index for a name as the module reports it (trailing blanks
    // ignored, any letter case) or for a decimal index; -1 when there is none.
    std::int32_t findParameter(const std::string& nameOrIndex) const;

    // The module's parameter names as it reports them, trailing blanks removed.
    std::vector<std::string> parameterNames() const;

    // Selects a program; false when the module has no such program.
    bool setProgram(std::int32_t program);

    // Sets a parameter through the record's entry; false for an index the module does not have.
    bool setParameter(std::int32_t index, float value);

    // Switches the instance on, renders totalFrames frames in blocks of at most the
    // block size, handing each block its events, then switches the instance off.
    // Events are applied in frame order (equal frames keep their order); events at or
    // beyond totalFrames are not sent. The sink may stop the render by answering false,
    // which render then answers too.
    bool render(const std::vector<TimedMidiEvent>& events, std::int64_t totalFrames, const BlockSink& sink);

    // Closes the instance; the record is gone afterwards. Also done by the destructor.
    void close();

    // The answers this host gives to the module's requests.
    VstIntPtr answer(std::int32_t opcode) const;

private:
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                              VstIntPtr value, void* ptr, float opt);

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;

    HostSettings settings;
    AEffect* instance = nullptr;
};
