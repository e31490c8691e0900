// What a host reads from the bundle through lilv: the plug-in, its 22 ports with
// the module's names and defaults, its features and version, and the presets:
// Basic and the factory sounds.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "presets/FactorySounds.h"
#include "tests/lv2/Lv2Host.h"
#include "tests/lv2/ModuleVoice.h"

namespace {

using namespace lv2_host;

constexpr const char* kRdfsComment = "http://www.w3.org/2000/01/rdf-schema#comment";
constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";
constexpr const char* kRdfType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

std::string trimmed(std::string text)
{
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::string slurpText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A node list's first entry as text, or "" when there is none; frees the list.
std::string firstText(LilvNodes* nodes)
{
    const LilvNode* first = nodes != nullptr ? lilv_nodes_get_first(nodes) : nullptr;
    std::string text = first != nullptr ? lilv_node_as_string(first) : "";
    lilv_nodes_free(nodes);
    return text;
}

class Lv2BundleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.load(ZEPHYRANT_MODULE_PATH, error)) << error;
        plugin = World::get().plugin();
        ASSERT_NE(plugin, nullptr) << "no " << kPluginUri << " under " << ZEPHYRANT_LV2_PATH;
    }
    LilvNode* uri(const char* text) { return World::get().uri(text); }

    ModuleLoader module;
    const LilvPlugin* plugin = nullptr;
};

TEST_F(Lv2BundleTest, DescribesTheInstrumentWithItsMakerFeaturesAndVersion)
{
    LilvWorld* world = World::get().world();
    LilvNode* name = lilv_plugin_get_name(plugin);
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(name), "Zephyrant");
    ASSERT_NE(author, nullptr);
    EXPECT_STREQ(lilv_node_as_string(author), "Korvantis");
    lilv_node_free(name);
    lilv_node_free(author);

    const LilvNode* self = lilv_plugin_get_uri(plugin);
    EXPECT_TRUE(lilv_world_ask(world, self, uri(kRdfType), uri(LV2_CORE__InstrumentPlugin)));
    EXPECT_TRUE(lilv_world_ask(world, self, uri(LV2_CORE__requiredFeature), uri(LV2_URID__map)));
    EXPECT_TRUE(lilv_world_ask(world, self, uri(LV2_CORE__optionalFeature), uri(LV2_CORE__hardRTCapable)));
    EXPECT_EQ(firstText(lilv_plugin_get_value(plugin, uri("http://usefulinc.com/ns/doap#license"))), "");
    EXPECT_EQ(firstText(lilv_plugin_get_value(plugin, uri(LV2_CORE__minorVersion))),
              std::to_string(ZEPHYRANT_LV2_MINOR_VERSION));
    EXPECT_EQ(firstText(lilv_plugin_get_value(plugin, uri(LV2_CORE__microVersion))),
              std::to_string(ZEPHYRANT_LV2_MICRO_VERSION));

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    EXPECT_EQ(lilv_uis_size(uis), 0u);
    lilv_uis_free(uis);
}

TEST_F(Lv2BundleTest, PortsAreMidiInTwoOutputsAndTheModulesParameters)
{
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kPortCount);
    struct Expected {
        std::uint32_t index;
        const char* symbol;
        std::vector<const char*> classes;
    };
    const Expected streams[] = {
        {kMidiPort, "midi_in", {LV2_CORE__InputPort, LV2_ATOM__AtomPort}},
        {kLeftPort, "out_left", {LV2_CORE__OutputPort, LV2_CORE__AudioPort}},
        {kRightPort, "out_right", {LV2_CORE__OutputPort, LV2_CORE__AudioPort}},
    };
    for (const Expected& stream : streams) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, stream.index);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), stream.symbol);
        for (const char* type : stream.classes) {
            EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(type))) << stream.symbol << " " << type;
        }
    }
    const LilvPort* midi = lilv_plugin_get_port_by_index(plugin, kMidiPort);
    EXPECT_TRUE(lilv_port_supports_event(plugin, midi, uri(LV2_MIDI__MidiEvent)));
    EXPECT_EQ(firstText(lilv_port_get_value(plugin, midi, uri(LV2_ATOM__bufferType))), LV2_ATOM__Sequence);
    EXPECT_EQ(firstText(lilv_port_get_value(plugin, midi, uri(LV2_CORE__designation))), LV2_CORE__control);

    const char* const symbols[kControlCount] = {"exciter", "modulation", "nisfilter", "pick",      "attack",
                                                "decay",   "sustain",    "release",   "adsrcurve", "volume",
                                                "fixing",  "dynatone",   "distorter", "overdrive", "chorus",
                                                "legato",  "velocity",   "tonerama",  "powerchord"};
    ModuleVoice voice(module, 44100);
    for (std::uint32_t n = 0; n < kControlCount; ++n) {
        const auto parameter = static_cast<std::int32_t>(n);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, kFirstControlPort + n);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(LV2_CORE__InputPort)));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(LV2_CORE__ControlPort)));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), symbols[n]);
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_EQ(lilv_node_as_string(name), trimmed(voice.parameterName(parameter))) << symbols[n];
        lilv_node_free(name);

        LilvNode* fallback = nullptr;
        LilvNode* minimum = nullptr;
        LilvNode* maximum = nullptr;
        lilv_port_get_range(plugin, port, &fallback, &minimum, &maximum);
        EXPECT_TRUE(sameBits(lilv_node_as_float(fallback), voice.getParameter(parameter))) << symbols[n];
        EXPECT_EQ(lilv_node_as_float(minimum), 0.0f) << symbols[n];
        EXPECT_EQ(lilv_node_as_float(maximum), 1.0f) << symbols[n];
        lilv_node_free(fallback);
        lilv_node_free(minimum);
        lilv_node_free(maximum);

        const bool toggle = n == 15 || n == 18;
        EXPECT_EQ(lilv_port_has_property(plugin, port, uri(LV2_CORE__toggled)), toggle) << symbols[n];
        EXPECT_EQ(lilv_port_has_property(plugin, port, uri(LV2_CORE__integer)), n == 15) << symbols[n];
        EXPECT_NE(firstText(lilv_port_get_value(plugin, port, uri(kRdfsComment))), "") << symbols[n];
    }
    const LilvPort* volume = lilv_plugin_get_port_by_index(plugin, kFirstControlPort + 9);
    EXPECT_EQ(firstText(lilv_port_get_value(plugin, volume, uri(LV2_UNITS__unit))), LV2_UNITS__coef);
}

void collectValue(const char* symbol, void* data, const void* value, std::uint32_t size, std::uint32_t type)
{
    auto* values = static_cast<std::map<std::string, float>*>(data);
    if (size == sizeof(float) && type == World::get().urids()(LV2_ATOM__Float)) {
        float number;
        std::memcpy(&number, value, sizeof number);
        (*values)[symbol] = number;
    }
}

// Each preset's label, description and port values, by label.
struct PresetContents {
    std::string description;
    std::map<std::string, float> values;
};

TEST_F(Lv2BundleTest, PresetsAreBasicAndTheFactorySoundsWithTheirValues)
{
    LilvWorld* world = World::get().world();
    LilvNodes* presets = lilv_plugin_get_related(plugin, uri(LV2_PRESETS__Preset));
    std::map<std::string, PresetContents> found;
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world, preset);
        const std::string label = firstText(lilv_world_find_nodes(world, preset, uri(kRdfsLabel), nullptr));
        PresetContents& contents = found[label];
        contents.description = firstText(lilv_world_find_nodes(world, preset, uri(kRdfsComment), nullptr));
        LilvState* state = lilv_state_new_from_world(world, &World::get().urids().map, preset);
        ASSERT_NE(state, nullptr) << label;
        lilv_state_emit_port_values(state, collectValue, &contents.values);
        lilv_state_free(state);
    }
    lilv_nodes_free(presets);
    ASSERT_EQ(found.size(), 1 + kFactorySoundCount) << "every preset has a label of its own";

    // Basic holds the module's first program; each factory sound the table's values.
    ModuleVoice voice(module, 44100);
    std::vector<float> basic;
    for (std::uint32_t n = 0; n < kControlCount; ++n) {
        basic.push_back(voice.getParameter(static_cast<std::int32_t>(n)));
    }
    std::vector<std::pair<std::string, const float*>> expected{{"Basic", basic.data()}};
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        expected.emplace_back(kFactorySounds[n].name, kFactorySounds[n].values);
        EXPECT_EQ(found[kFactorySounds[n].name].description, kFactorySounds[n].description);
    }
    for (const auto& [label, values] : expected) {
        SCOPED_TRACE(label);
        const PresetContents& contents = found[label];
        EXPECT_NE(contents.description, "");
        ASSERT_EQ(contents.values.size(), kControlCount);
        for (std::uint32_t n = 0; n < kControlCount; ++n) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, kFirstControlPort + n);
            const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            ASSERT_EQ(contents.values.count(symbol), 1u) << symbol;
            EXPECT_TRUE(sameBits(contents.values.at(symbol), values[n])) << symbol;
        }
    }
}

TEST_F(Lv2BundleTest, ManifestListsBasicFirst)
{
    const std::string manifest = slurpText(std::string(ZEPHYRANT_LV2_PATH) + "/zephyrant.lv2/manifest.ttl");
    const std::size_t basic = manifest.find("<urn:korvantis:zephyrant:preset:basic>");
    ASSERT_NE(basic, std::string::npos);
    EXPECT_EQ(manifest.find(":preset:"), manifest.find(":preset:basic>"));
}

} // namespace
