// The five function entries stored in every plug-in record. Each finds its object
// through the record's object field and passes the call straight through; a null
// record, or one without an object, is answered with 0 and otherwise ignored.
#pragma once

#include <cstdint>

#include "host/AEffect.h"

// Numbered requests. effClose runs the object's dispatcher, destroys the object and answers 1.
VstIntPtr VSTCALLBACK dispatchEntry(AEffect* effect, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                                    void* ptr, float opt);
void VSTCALLBACK processEntry(AEffect* effect, float** inputs, float** outputs, std::int32_t sampleFrames);
void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                       std::int32_t sampleFrames);
void VSTCALLBACK setParameterEntry(AEffect* effect, std::int32_t index, float value);
float VSTCALLBACK getParameterEntry(AEffect* effect, std::int32_t index);
