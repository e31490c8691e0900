#include <cstdio>
#include <cstring>

#include "instrument/SynthPlugin.h"

namespace {

constexpr const char* kEffectName = "Zephyrant";
constexpr const char* kVendorName = "Korvantis";
constexpr const char* kProductName = "Korvantis Zephyrant";
constexpr std::int32_t kVendorVersion = ZEPHYRANT_VST2_VENDOR_VERSION;
constexpr std::int32_t kNumOutputPins = 2;

// The capabilities the instrument claims; every other text is answered no.
constexpr const char* kCapabilities[] = {
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "midiProgramNames",
};

bool copyIdentity(char* text, const char* value)
{
    if (text == nullptr) {
        return false;
    }
    std::strcpy(text, value);
    return true;
}

} // namespace

bool SynthPlugin::getEffectName(char* name)
{
    return copyIdentity(name, kEffectName);
}

bool SynthPlugin::getVendorString(char* text)
{
    return copyIdentity(text, kVendorName);
}

bool SynthPlugin::getProductString(char* text)
{
    return copyIdentity(text, kProductName);
}

std::int32_t SynthPlugin::getVendorVersion()
{
    return kVendorVersion;
}

// Two active stereo outputs labelled "Vstx 1" and "Vstx 2"; the host's other
// fields of the record stay as it set them.
bool SynthPlugin::getOutputProperties(std::int32_t index, VstPinProperties* properties)
{
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kNumOutputPins) || properties == nullptr) {
        return false;
    }
    std::snprintf(properties->label, sizeof properties->label, "Vstx %1d", static_cast<int>(index) + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

std::int32_t SynthPlugin::canDo(char* text)
{
    if (text == nullptr) {
        return -1;
    }
    for (const char* capability : kCapabilities) {
        if (std::strcmp(text, capability) == 0) {
            return 1;
        }
    }
    return -1;
}
