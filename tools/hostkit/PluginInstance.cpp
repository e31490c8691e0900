#include "tools/hostkit/PluginInstance.h"

#include <cstddef>

namespace {

constexpr std::size_t kTextSize = 256;

} // namespace

VstIntPtr PluginInstance::dispatch(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                                   float opt) const
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginInstance::text(std::int32_t opcode, std::int32_t index) const
{
    char buffer[kTextSize] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextSize - 1] = '\0';
    return buffer;
}

float PluginInstance::getParameter(std::int32_t index) const
{
    return effect->getParameter != nullptr ? effect->getParameter(effect, index) : 0.0f;
}

void PluginInstance::setParameter(std::int32_t index, float value) const
{
    if (effect->setParameter != nullptr) {
        effect->setParameter(effect, index, value);
    }
}
