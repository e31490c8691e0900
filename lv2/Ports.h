// The plug-in's ports in index order: MIDI in, the two audio outputs, then one
// control input per engine parameter in parameter order.
#pragma once

#include <cstdint>

#include "engine/EngineParameters.h"

enum PortIndex : std::uint32_t {
    kMidiInputPort = 0,
    kLeftOutputPort,
    kRightOutputPort,
    kFirstParameterPort,
    kNumPorts = kFirstParameterPort + kNumParameters
};
