#include "host/RecordEntries.h"

#include "host/EffectBase.h"

namespace {

EffectBase* objectOf(AEffect* effect)
{
    return effect ? static_cast<EffectBase*>(effect->object) : nullptr;
}

} // namespace

VstIntPtr VSTCALLBACK dispatchEntry(AEffect* effect, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                                    void* ptr, float opt)
{
    EffectBase* const object = objectOf(effect);
    if (!object)
        return 0;
    if (opcode == effClose) {
        object->dispatcher(opcode, index, value, ptr, opt);
        delete object;
        return 1;
    }
    return object->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALLBACK processEntry(AEffect* effect, float** inputs, float** outputs, std::int32_t sampleFrames)
{
    if (EffectBase* const object = objectOf(effect))
        object->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                       std::int32_t sampleFrames)
{
    if (EffectBase* const object = objectOf(effect))
        object->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK setParameterEntry(AEffect* effect, std::int32_t index, float value)
{
    if (EffectBase* const object = objectOf(effect))
        object->setParameter(index, value);
}

float VSTCALLBACK getParameterEntry(AEffect* effect, std::int32_t index)
{
    EffectBase* const object = objectOf(effect);
    return object ? object->getParameter(index) : 0.0f;
}
