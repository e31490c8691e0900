// How the instrument presents itself to a host: names, versions, category,
// output pins and the capabilities it claims.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "VersionHost.h"
#include "instrument/SynthPlugin.h"

namespace {

class Identity : public ::testing::Test {
protected:
    void SetUp() override { plugin = std::make_unique<SynthPlugin>(versionHost); }
    std::unique_ptr<SynthPlugin> plugin;
};

TEST_F(Identity, NamesVendorAndVersionsAreFixed)
{
    using Query = bool (SynthPlugin::*)(char*);
    struct Case {
        Query query;
        const char* text;
    };
    const Case cases[] = {
        {&SynthPlugin::getEffectName, "Zephyrant"},
        {&SynthPlugin::getVendorString, "Korvantis"},
        {&SynthPlugin::getProductString, "Korvantis Zephyrant"},
    };
    for (const Case& c : cases) {
        char text[64];
        std::memset(text, '#', sizeof text);
        EXPECT_TRUE(((*plugin).*c.query)(text));
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(text[std::strlen(c.text) + 1], '#') << "writes the text and its terminator only";
        EXPECT_FALSE(((*plugin).*c.query)(nullptr));
    }
    EXPECT_EQ(plugin->getVendorVersion(), 9536);
    EXPECT_EQ(plugin->getVstVersion(), 2300);
    EXPECT_EQ(plugin->getPlugCategory(), kPlugCategSynth);
}

TEST_F(Identity, RecordNamesTheInstrumentAsAStereoSynthWithoutInputs)
{
    const AEffect* record = plugin->getAeffect();
    EXPECT_EQ(record->uniqueID, 0x7a706872);
    EXPECT_EQ(record->flags, 0x110);
    EXPECT_EQ(record->numInputs, 0);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->numPrograms, 128);
    EXPECT_EQ(record->numParams, 19);
    EXPECT_EQ(record->version, 1);
}

TEST_F(Identity, TwoStereoOutputPinsAreDescribed)
{
    for (std::int32_t index : {0, 1}) {
        VstPinProperties pin;
        std::memset(&pin, 0x5a, sizeof pin);
        EXPECT_TRUE(plugin->getOutputProperties(index, &pin));
        EXPECT_STREQ(pin.label, index == 0 ? "Vstx 1" : "Vstx 2");
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        // Fields other than label and flags keep what the host put there.
        VstPinProperties pattern;
        std::memset(&pattern, 0x5a, sizeof pattern);
        EXPECT_EQ(pin.arrangementType, pattern.arrangementType);
        EXPECT_EQ(std::memcmp(pin.shortLabel, pattern.shortLabel, sizeof pin.shortLabel), 0);
        EXPECT_EQ(std::memcmp(pin.future, pattern.future, sizeof pin.future), 0);
    }
    for (std::int32_t index : {2, -1, INT32_MIN}) {
        VstPinProperties pin;
        std::memset(&pin, 0x5a, sizeof pin);
        VstPinProperties pattern = pin;
        EXPECT_FALSE(plugin->getOutputProperties(index, &pin)) << "index " << index;
        EXPECT_EQ(std::memcmp(&pin, &pattern, sizeof pin), 0) << "index " << index;
    }
    EXPECT_FALSE(plugin->getOutputProperties(0, nullptr));
    VstPinProperties input = {};
    EXPECT_FALSE(plugin->getInputProperties(0, &input));
}

TEST_F(Identity, CanDoClaimsExactlyThreeCapabilities)
{
    struct Case {
        const char* text;
        std::int32_t answer;
    };
    const Case cases[] = {
        {"receiveVstEvents", 1},
        {"receiveVstMidiEvent", 1},
        {"midiProgramNames", 1},
        {"midiprogramnames", -1},
        {"MIDIPROGRAMNAMES", -1},
        {"receiveVstEvent", -1},
        {"receiveVstEventsX", -1},
        {"receiveVstEvents ", -1},
        {" receiveVstEvents", -1},
        {"receiveVstMidiEvents", -1},
        {"", -1},
        {"sendVstMidiEvent", -1},
        {"sendVstEvents", -1},
        {"receiveVstTimeInfo", -1},
        {"offline", -1},
        {"bypass", -1},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(plugin->canDo(text.data()), c.answer) << '"' << c.text << '"';
    }
    EXPECT_EQ(plugin->canDo(nullptr), -1);
}

} // namespace
