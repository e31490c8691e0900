// The least a host can be: its callback answers the version query, so that the
// entry point makes an instance, and 0 to everything else.
#pragma once

#include <cstdint>

#include "host/AEffect.h"

inline VstIntPtr VSTCALLBACK versionHost(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}
