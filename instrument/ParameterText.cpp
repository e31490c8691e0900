#include <cstring>

#include "instrument/SynthPlugin.h"
#include "texts/ParameterText.h"

void SynthPlugin::getParameterName(std::int32_t index, char* text)
{
    if (!isParameterIndex(index) || text == nullptr) {
        return;
    }
    std::strcpy(text, kParameterTable[index].name);
}

void SynthPlugin::getParameterLabel(std::int32_t index, char* label)
{
    if (label == nullptr) {
        return;
    }
    std::strcpy(label, isParameterIndex(index) ? kParameterTable[index].label : "");
}

void SynthPlugin::getParameterDisplay(std::int32_t index, char* text)
{
    if (text == nullptr) {
        return;
    }
    formatParameterDisplay(index, isParameterIndex(index) ? engine.getParameter(index) : 0.0f, text);
}
