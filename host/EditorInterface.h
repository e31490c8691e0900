// The optional editor object a plug-in may attach. The instrument attaches none,
// so every editor request answers 0; the interface exists for the dispatchers.
#pragma once

#include "host/AEffect.h"

class EditorInterface {
public:
    virtual ~EditorInterface() = default;
    virtual std::int32_t getRect(void* ptr) = 0;
    virtual std::int32_t open(void* ptr) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    virtual std::int32_t onKeyDown(VstKeyCode key) = 0;
    virtual std::int32_t onKeyUp(VstKeyCode key) = 0;
    virtual std::int32_t setKnobMode(VstIntPtr mode) = 0;
};
