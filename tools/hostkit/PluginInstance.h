// A handle on one plug-in instance that reaches it only through its record's
// entries, as a host does: numbered requests, texts, parameter values and the
// close request. It does not own the instance; OfflineHost opens and closes it.
#pragma once

#include <cstdint>
#include <string>

#include "host/AEffect.h"

class PluginInstance {
public:
    PluginInstance() = default;
    explicit PluginInstance(AEffect* effectRecord) : effect(effectRecord) {}

    AEffect* record() const { return effect; }
    explicit operator bool() const { return effect != nullptr; }

    // Sends a request through the dispatcher and answers what it answered.
    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;

    // The text a request writes for index into a zeroed buffer far larger than any
    // answer; always terminated.
    std::string text(std::int32_t opcode, std::int32_t index = 0) const;

    float getParameter(std::int32_t index) const;
    void setParameter(std::int32_t index, float value) const;

private:
    AEffect* effect = nullptr;
};
