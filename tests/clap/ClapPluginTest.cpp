// The CLAP plug-in as a host meets it before playing: the entry and its factories,
// the descriptor, the parameters and their texts, the ports, voice info and tail,
// the state record and the presets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "presets/FactorySounds.h"
#include "tests/clap/ClapHost.h"

namespace {

using namespace clap_test_host;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr clap_id kVolumeId = 9;
constexpr clap_id kLegatoId = 15;
constexpr clap_id kPowerChordId = 18;

class ClapPluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.valid()) << ZEPHYRANT_CLAP_PATH;
        ASSERT_TRUE(instance.valid());
    }

    std::string text(clap_id id, double value)
    {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_TRUE(instance.params->value_to_text(instance.plugin, id, value, buffer, sizeof buffer))
            << "parameter " << id << " value " << value;
        return buffer;
    }

    void flush(const Events& events) { instance.params->flush(instance.plugin, events.get(), nullptr); }

    Library library;
    Host host;
    Instance instance{library, host};
};

TEST_F(ClapPluginTest, TheEntryGivesItsTwoFactoriesByTheirWholeIdentifiers)
{
    const clap_plugin_entry& entry = *library.entry;
    EXPECT_EQ(entry.clap_version.major, 1u);
    EXPECT_EQ(entry.clap_version.minor, 2u);
    EXPECT_NE(entry.get_factory(CLAP_PLUGIN_FACTORY_ID), nullptr);
    EXPECT_NE(entry.get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID), nullptr);
    EXPECT_EQ(entry.get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID),
              entry.get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT));
    for (const char* unknown : {"", "clap.plugin-factory2", "clap.plugin-factory ", "clap.plugin",
                                "clap.preset-discovery-factory/2x", "clap.preset-discovery-factory"}) {
        EXPECT_EQ(entry.get_factory(unknown), nullptr) << "'" << unknown << "'";
    }
    EXPECT_EQ(entry.get_factory(nullptr), nullptr);
}

TEST_F(ClapPluginTest, InitAndDeinitMayComeAgainAsAWrappedHostCallsThem)
{
    EXPECT_TRUE(library.entry->init(ZEPHYRANT_CLAP_PATH));
    EXPECT_TRUE(library.entry->init(ZEPHYRANT_CLAP_PATH));
    library.entry->deinit();
    library.entry->deinit();
    Host other;
    Instance second(library, other);
    EXPECT_TRUE(second.valid());
}

TEST_F(ClapPluginTest, TheFactoryDescribesOneInstrument)
{
    const clap_plugin_factory* factory = library.factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor& descriptor = *factory->get_plugin_descriptor(factory, 0);
    EXPECT_EQ(descriptor.clap_version.major, 1u);
    EXPECT_STREQ(descriptor.id, "com.korvantis.zephyrant");
    EXPECT_STREQ(descriptor.name, "Zephyrant");
    EXPECT_STREQ(descriptor.vendor, "Korvantis");
    EXPECT_STREQ(descriptor.version, ZEPHYRANT_VERSION);
    for (const char* text : {descriptor.url, descriptor.manual_url, descriptor.support_url}) {
        EXPECT_NE(text, nullptr);
    }
    ASSERT_NE(descriptor.description, nullptr);
    EXPECT_GT(std::strlen(descriptor.description), 20u);
    EXPECT_EQ(std::strchr(descriptor.description, '\n'), nullptr);
    std::vector<std::string> features;
    for (const char* const* feature = descriptor.features; *feature != nullptr; ++feature) {
        features.push_back(*feature);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));
    EXPECT_EQ(instance.plugin->desc, &descriptor);
}

TEST_F(ClapPluginTest, CreationTakesExactlyTheIdentifierAndACompatibleHost)
{
    const clap_plugin_factory* factory = library.factory();
    for (const char* id : {"com.korvantis.zephyrant ", "com.korvantis.zephyrant2", "com.korvantis", "",
                           "COM.KORVANTIS.ZEPHYRANT"}) {
        EXPECT_EQ(factory->create_plugin(factory, &host.record, id), nullptr) << "'" << id << "'";
    }
    EXPECT_EQ(factory->create_plugin(factory, &host.record, nullptr), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, kPluginId), nullptr);
    Host development;
    development.record.clap_version = {0, 19, 0};
    EXPECT_EQ(factory->create_plugin(factory, &development.record, kPluginId), nullptr);
}

TEST_F(ClapPluginTest, AnInstanceWorksWithoutAnyHostExtension)
{
    Host bare;
    bare.offerExtensions = false;
    Instance plain(library, bare);
    ASSERT_TRUE(plain.valid());
    EXPECT_TRUE(plain.presetLoad->from_location(plain.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "3"));
    EXPECT_FALSE(plain.presetLoad->from_location(plain.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "x"));
}

TEST_F(ClapPluginTest, TheNineteenParametersStartAtProgramZerosValues)
{
    const char* const names[] = {"Exciter", "Modulation", "NisFilter", "Pick",      "Attack",     "Decay",
                                 "Sustain", "Release",    "ADSRCurve", "Volume",    "Fixing",     "DynaTone",
                                 "Distorter", "Overdrive", "Chorus",   "Legato",    "Velocity",   "ToneRama",
                                 "PowerChord"};
    const float defaults[] = {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.3f,
                              0.3f, 0.0f, 0.0f, 0.0f, 0.0f,  1.0f, 1.0f, 0.5f, 0.0f};
    ASSERT_EQ(instance.params->count(instance.plugin), 19u);
    for (std::uint32_t index = 0; index < 19; ++index) {
        clap_param_info info;
        std::memset(&info, 0x5A, sizeof info);
        ASSERT_TRUE(instance.params->get_info(instance.plugin, index, &info));
        EXPECT_EQ(info.id, index);
        EXPECT_STREQ(info.name, names[index]);
        EXPECT_STREQ(info.module, "");
        EXPECT_EQ(info.cookie, nullptr);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, static_cast<double>(defaults[index])) << names[index];
        EXPECT_EQ(instance.value(index), info.default_value) << names[index];
        const bool stepped = index == kLegatoId || index == kPowerChordId;
        EXPECT_EQ(info.flags, CLAP_PARAM_IS_AUTOMATABLE | (stepped ? CLAP_PARAM_IS_STEPPED : 0u)) << names[index];
    }
    clap_param_info info;
    EXPECT_FALSE(instance.params->get_info(instance.plugin, 19, &info));
    double value = 0.0;
    EXPECT_FALSE(instance.params->get_value(instance.plugin, 19, &value));
    EXPECT_FALSE(instance.params->get_value(instance.plugin, CLAP_INVALID_ID, &value));
}

TEST_F(ClapPluginTest, ValueTextsAreTheInstrumentsDisplayWithItsLabel)
{
    struct Case {
        clap_id id;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {kVolumeId, 0.5, "-6.02059 dB"}, {kVolumeId, 1.0, "0.000000 dB"}, {kVolumeId, 0.0, "-oo dB"},
        {kVolumeId, 7.0, "0.000000 dB"}, {11, 0.0, "OFF"},                 {11, 0.5, "120.0000"},
        {10, 0.0, "Min"},                {10, 1.0, "Max"},                 {10, 0.5, "2440.000"},
        {8, 0.89, "-0.77999"},           {0, 0.25, "0.250000 Level"},      {1, 0.6, "0.600000 Dirty"},
        {3, 0.75, "0.750000"},           {kLegatoId, 1.0, "On"},           {kLegatoId, 0.7, "Off"},
        {kPowerChordId, 1.0, "On"},      {kPowerChordId, 0.0, "Off"},      {2, -4.0, "0.000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(c.id, c.value), c.text) << "parameter " << c.id << " value " << c.value;
    }
    char buffer[64] = "junk";
    EXPECT_FALSE(instance.params->value_to_text(instance.plugin, 0, kNaN, buffer, sizeof buffer));
    EXPECT_FALSE(instance.params->value_to_text(instance.plugin, 19, 0.5, buffer, sizeof buffer));
    EXPECT_FALSE(instance.params->value_to_text(instance.plugin, kVolumeId, 0.5, buffer, 8));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(instance.params->value_to_text(instance.plugin, kVolumeId, 0.5, buffer, 12));
}

TEST_F(ClapPluginTest, TextsAreReadBackWithOrWithoutLabelsAndAsPlainNumbers)
{
    struct Case {
        clap_id id;
        const char* text;
        const char* shows;
    };
    const Case cases[] = {
        {kVolumeId, "-6.02059 dB", "-6.02059 dB"}, {kVolumeId, "-6.02059", "-6.02059 dB"},
        {kVolumeId, "-oo", "-oo dB"},              {11, "off", "OFF"},
        {10, "max", "Max"},                        {0, "0.25", "0.250000 Level"},
        {kLegatoId, "on", "On"},                   {kLegatoId, "0.7", "Off"},
        {kPowerChordId, "1", "On"},                {4, " 2 ", "1.000000"},
    };
    for (const Case& c : cases) {
        double value = -1.0;
        ASSERT_TRUE(instance.params->text_to_value(instance.plugin, c.id, c.text, &value)) << c.text;
        EXPECT_EQ(text(c.id, value), c.shows) << c.text;
    }
    double value = 0.5;
    for (const char* bad : {"", "loud", "1,5", "nan"}) {
        EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 0, bad, &value)) << bad;
    }
    EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 19, "0.5", &value));
    EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 0, nullptr, &value));
}

// What validators check: value to text to value round trips for every parameter.
TEST_F(ClapPluginTest, TextsRoundTripForEveryParameter)
{
    for (clap_id id = 0; id < 19; ++id) {
        for (int step = 0; step <= 200; ++step) {
            const std::string first = text(id, step / 200.0);
            double read = -1.0;
            ASSERT_TRUE(instance.params->text_to_value(instance.plugin, id, first.c_str(), &read)) << first;
            ASSERT_EQ(text(id, read), first) << "parameter " << id;
            double again = -1.0;
            ASSERT_TRUE(instance.params->text_to_value(instance.plugin, id, first.c_str(), &again));
            ASSERT_EQ(again, read);
        }
    }
}

TEST_F(ClapPluginTest, FlushTakesValuesHeldToTheRangeAndIgnoresWhatIsNoValue)
{
    Events events;
    events.value(0, 4, 0.7)
        .value(0, kVolumeId, 1.5)
        .value(0, 10, -3.0)
        .value(0, 0, kNaN)
        .value(0, 1, std::numeric_limits<double>::infinity())
        .value(0, 99, 0.5)
        .value(0, CLAP_INVALID_ID, 0.5)
        .value(0, kLegatoId, 0.7)
        .value(0, kPowerChordId, 0.99)
        .value(0, 2, 0.9, 1) // another event space
        .noteOn(0, 60, 1.0);
    flush(events);
    EXPECT_EQ(instance.value(4), static_cast<double>(0.7f));
    EXPECT_EQ(instance.value(kVolumeId), 1.0);
    EXPECT_EQ(instance.value(10), 0.0);
    EXPECT_EQ(instance.value(0), 0.5);
    EXPECT_EQ(instance.value(1), 1.0);
    EXPECT_EQ(instance.value(kLegatoId), 0.0);
    EXPECT_EQ(instance.value(kPowerChordId), 0.0);
    EXPECT_EQ(instance.value(2), static_cast<double>(0.4f));
    instance.params->flush(instance.plugin, nullptr, nullptr);
}

TEST_F(ClapPluginTest, ValuesThroughFlushEqualValuesThroughProcess)
{
    Instance processed(library, host);
    ASSERT_TRUE(processed.activate(44100.0));
    Events events;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-0.2, 1.2);
    for (clap_id id = 0; id < 19; ++id) {
        events.value(0, id, unit(random));
    }
    flush(events);
    processed.process(64, events);
    for (clap_id id = 0; id < 19; ++id) {
        EXPECT_EQ(instance.value(id), processed.value(id)) << "parameter " << id;
    }
    EXPECT_EQ(instance.save(), processed.save());
}

TEST_F(ClapPluginTest, PortsAreOneStereoOutputAndOneNoteInputForBothDialects)
{
    const auto* audio = instance.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->count(instance.plugin, true), 0u);
    ASSERT_EQ(audio->count(instance.plugin, false), 1u);
    clap_audio_port_info port;
    ASSERT_TRUE(audio->get(instance.plugin, 0, false, &port));
    EXPECT_EQ(port.id, 0u);
    EXPECT_STRNE(port.name, "");
    EXPECT_EQ(port.flags, CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_STREQ(port.port_type, "stereo");
    EXPECT_EQ(port.in_place_pair, CLAP_INVALID_ID);
    EXPECT_FALSE(audio->get(instance.plugin, 1, false, &port));
    EXPECT_FALSE(audio->get(instance.plugin, 0, true, &port));

    const auto* notes = instance.extension<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->count(instance.plugin, false), 0u);
    ASSERT_EQ(notes->count(instance.plugin, true), 1u);
    clap_note_port_info input;
    ASSERT_TRUE(notes->get(instance.plugin, 0, true, &input));
    EXPECT_EQ(input.id, 0u);
    EXPECT_EQ(input.supported_dialects, CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI);
    EXPECT_EQ(input.preferred_dialect, CLAP_NOTE_DIALECT_CLAP);
    EXPECT_STRNE(input.name, "");
    EXPECT_FALSE(notes->get(instance.plugin, 1, true, &input));
    EXPECT_FALSE(notes->get(instance.plugin, 0, false, &input));
}

TEST_F(ClapPluginTest, OneVoiceAndATailAsLongAsTheRelease)
{
    const auto* voices = instance.extension<clap_plugin_voice_info>(CLAP_EXT_VOICE_INFO);
    ASSERT_NE(voices, nullptr);
    clap_voice_info info{};
    ASSERT_TRUE(voices->get(instance.plugin, &info));
    EXPECT_EQ(info.voice_count, 1u);
    EXPECT_EQ(info.voice_capacity, 1u);
    EXPECT_EQ(info.flags, 0u);

    const auto* tail = instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
    ASSERT_NE(tail, nullptr);
    ASSERT_TRUE(instance.activate(48000.0));
    EXPECT_EQ(tail->get(instance.plugin), 24000u); // Release 0.3: 5 (0.09 + 0.01) s
    flush(Events().value(0, 7, 1.0));
    EXPECT_EQ(tail->get(instance.plugin), 242400u); // 5.05 s
}

TEST_F(ClapPluginTest, ExtensionsAreFoundByTheirWholeIdentifiers)
{
    for (const char* id : {"clap.params", "clap.audio-ports", "clap.note-ports", "clap.state", "clap.tail",
                           "clap.voice-info", "clap.preset-load/2"}) {
        EXPECT_NE(instance.plugin->get_extension(instance.plugin, id), nullptr) << id;
    }
    EXPECT_EQ(instance.plugin->get_extension(instance.plugin, "clap.preset-load.draft/2"),
              instance.plugin->get_extension(instance.plugin, "clap.preset-load/2"));
    for (const char* id : {"clap.gui", "clap.latency", "clap.params ", "clap.state-context/2", ""}) {
        EXPECT_EQ(instance.plugin->get_extension(instance.plugin, id), nullptr) << id;
    }
    EXPECT_EQ(instance.plugin->get_extension(instance.plugin, nullptr), nullptr);
}

// ---- State

std::vector<std::uint8_t> word(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::vector<std::uint8_t> record(std::uint32_t version, std::uint32_t count, const std::vector<std::uint32_t>& words)
{
    std::vector<std::uint8_t> bytes = {'Z', 'p', 'h', 'S'};
    for (std::uint32_t value : std::vector<std::uint32_t>{version, count}) {
        const auto b = word(value);
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    for (std::uint32_t value : words) {
        const auto b = word(value);
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    return bytes;
}

std::vector<std::uint32_t> defaultWords()
{
    std::vector<std::uint32_t> words;
    for (float value : kParameterDefaults) {
        words.push_back(bitsOf(value));
    }
    words[kLegatoId] = 1; // Legato's integer
    return words;
}

TEST_F(ClapPluginTest, SavedStateIsTheTaggedLittleEndianRecordOfTheNineteenWords)
{
    EXPECT_EQ(instance.save(), record(1, 19, defaultWords()));
    EXPECT_EQ(instance.save(), instance.save());
    Stream failing;
    failing.failing = true;
    const clap_ostream output = failing.output();
    EXPECT_FALSE(instance.state->save(instance.plugin, &output));
    EXPECT_FALSE(instance.state->save(instance.plugin, nullptr));
}

TEST_F(ClapPluginTest, StateRestoresValuesBytesAndSoundInASecondInstanceThroughAnyStream)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Events values;
    for (clap_id id = 0; id < 19; ++id) {
        values.value(0, id, unit(random));
    }
    flush(values);
    Stream stream;
    stream.bytes = instance.save();
    stream.chunk = 1;
    Instance second(library, host);
    ASSERT_TRUE(second.load(stream));
    for (clap_id id = 0; id < 19; ++id) {
        EXPECT_EQ(second.value(id), instance.value(id)) << "parameter " << id;
    }
    EXPECT_EQ(second.save(), stream.bytes);

    const Events notes = Events().noteOn(10, 52, 0.8).noteOff(3000, 52);
    ASSERT_TRUE(instance.activate(44100.0));
    ASSERT_TRUE(second.activate(44100.0));
    Stereo first = instance.process(4096, notes);
    Stereo restored = second.process(4096, notes);
    first.append(instance.render(8192));
    restored.append(second.render(8192));
    EXPECT_GT(first.peak(), 0.001f);
    EXPECT_TRUE(restored.sameBits(first));
}

TEST_F(ClapPluginTest, LoadRefusesEmptyShortForeignNewerAndCorruptStatesAndChangesNothing)
{
    flush(Events().value(0, 3, 0.66).value(0, kLegatoId, 0.0));
    const std::vector<std::uint8_t> before = instance.save();
    std::vector<std::uint32_t> words = defaultWords();
    const auto with = [&words](std::size_t index, std::uint32_t value) {
        std::vector<std::uint32_t> changed = words;
        changed[index] = value;
        return record(1, 19, changed);
    };
    std::vector<std::uint8_t> foreign = record(1, 19, words);
    foreign[0] = 'V';
    std::vector<std::uint8_t> shortRecord = record(1, 19, words);
    shortRecord.pop_back();
    std::mt19937 random(3);
    std::vector<std::uint8_t> noise(1 << 20);
    for (auto& byte : noise) {
        byte = static_cast<std::uint8_t>(random());
    }
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused = {
        {"empty", {}},
        {"one byte short", shortRecord},
        {"the tag alone", {'Z', 'p', 'h', 'S'}},
        {"foreign tag", foreign},
        {"newer version", record(2, 19, words)},
        {"version 0", record(0, 19, words)},
        {"other count", record(1, 18, std::vector<std::uint32_t>(words.begin(), words.end() - 1))},
        {"NaN value", with(0, 0x7FC00000u)},
        {"value above 1", with(9, bitsOf(1.5f))},
        {"negative value", with(9, bitsOf(-0.25f))},
        {"Legato 2", with(kLegatoId, 2)},
        {"Legato as a float", with(kLegatoId, bitsOf(1.0f))},
        {"PowerChord halfway", with(kPowerChordId, bitsOf(0.5f))},
        {"a megabyte of noise", noise},
    };
    for (const auto& state : refused) {
        Stream stream;
        stream.bytes = state.second;
        stream.chunk = 7;
        EXPECT_FALSE(instance.load(stream)) << state.first;
        EXPECT_EQ(instance.save(), before) << state.first;
    }
    Stream failing;
    failing.bytes = record(1, 19, words);
    failing.failing = true;
    EXPECT_FALSE(instance.load(failing));
    EXPECT_FALSE(instance.state->load(instance.plugin, nullptr));
    EXPECT_EQ(instance.save(), before);
}

// ---- Presets

struct Indexer {
    clap_preset_discovery_indexer record{};
    std::vector<clap_preset_discovery_location> locations;
    std::vector<std::string> locationNames;

    Indexer()
    {
        record.clap_version = CLAP_VERSION;
        record.name = "test indexer";
        record.indexer_data = this;
        record.declare_filetype = [](const clap_preset_discovery_indexer*, const clap_preset_discovery_filetype*) {
            return true;
        };
        record.declare_location = [](const clap_preset_discovery_indexer* indexer,
                                     const clap_preset_discovery_location* location) {
            auto& self = *static_cast<Indexer*>(indexer->indexer_data);
            self.locations.push_back(*location);
            self.locationNames.push_back(location->name);
            return true;
        };
        record.declare_soundpack = [](const clap_preset_discovery_indexer*, const clap_preset_discovery_soundpack*) {
            return true;
        };
        record.get_extension = [](const clap_preset_discovery_indexer*, const char*) -> const void* {
            return nullptr;
        };
    }
};

struct Found {
    std::string name;
    std::string key;
    std::vector<std::string> pluginIds;
    std::uint32_t flags = 0;
    std::string creator;
    std::string description;
};

struct Receiver {
    clap_preset_discovery_metadata_receiver record{};
    std::vector<Found> presets;
    std::vector<std::string> errors;
    std::size_t stopAfter = 1000;

    static Receiver& of(const clap_preset_discovery_metadata_receiver* r)
    {
        return *static_cast<Receiver*>(r->receiver_data);
    }
    Receiver()
    {
        record.receiver_data = this;
        record.on_error = [](const clap_preset_discovery_metadata_receiver* r, std::int32_t, const char* message) {
            of(r).errors.push_back(message);
        };
        record.begin_preset = [](const clap_preset_discovery_metadata_receiver* r, const char* name,
                                 const char* key) {
            if (of(r).presets.size() >= of(r).stopAfter) {
                return false;
            }
            of(r).presets.push_back({name, key, {}, 0, {}, {}});
            return true;
        };
        record.add_plugin_id = [](const clap_preset_discovery_metadata_receiver* r,
                                  const clap_universal_plugin_id* id) {
            of(r).presets.back().pluginIds.push_back(std::string(id->abi) + ":" + id->id);
        };
        record.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
        record.set_flags = [](const clap_preset_discovery_metadata_receiver* r, std::uint32_t flags) {
            of(r).presets.back().flags = flags;
        };
        record.add_creator = [](const clap_preset_discovery_metadata_receiver* r, const char* creator) {
            of(r).presets.back().creator = creator;
        };
        record.set_description = [](const clap_preset_discovery_metadata_receiver* r, const char* text) {
            of(r).presets.back().description = text;
        };
        record.set_timestamps = [](const clap_preset_discovery_metadata_receiver*, std::uint64_t, std::uint64_t) {};
        record.add_feature = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
        record.add_extra_info = [](const clap_preset_discovery_metadata_receiver*, const char*, const char*) {};
    }
};

class ClapPresetTest : public ClapPluginTest {
protected:
    const clap_preset_discovery_factory* discovery()
    {
        return static_cast<const clap_preset_discovery_factory*>(
            library.entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    }
    bool load(const char* key, std::uint32_t kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN,
              const char* location = nullptr)
    {
        return instance.presetLoad->from_location(instance.plugin, kind, location, key);
    }
};

TEST_F(ClapPresetTest, DiscoveryListsBasicAndTheFactorySoundsInsideThePlugIn)
{
    const clap_preset_discovery_factory* factory = discovery();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->count(factory), 1u);
    EXPECT_EQ(factory->get_descriptor(factory, 1), nullptr);
    const clap_preset_discovery_provider_descriptor& descriptor = *factory->get_descriptor(factory, 0);
    EXPECT_EQ(descriptor.clap_version.major, 1u);
    EXPECT_STREQ(descriptor.vendor, "Korvantis");
    Indexer indexer;
    EXPECT_EQ(factory->create(factory, &indexer.record, "com.korvantis.zephyrant"), nullptr);
    EXPECT_EQ(factory->create(factory, &indexer.record, nullptr), nullptr);
    const clap_preset_discovery_provider* provider = factory->create(factory, &indexer.record, descriptor.id);
    ASSERT_NE(provider, nullptr);
    EXPECT_TRUE(indexer.locations.empty()) << "declared before init";
    EXPECT_EQ(provider->desc, &descriptor);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(indexer.locations.size(), 1u);
    EXPECT_EQ(indexer.locations[0].kind, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN);
    EXPECT_EQ(indexer.locations[0].location, nullptr);
    EXPECT_EQ(indexer.locations[0].flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

    Receiver receiver;
    ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver.record));
    ASSERT_EQ(receiver.presets.size(), kFactorySoundCount + 1);
    for (std::size_t n = 0; n < receiver.presets.size(); ++n) {
        const Found& found = receiver.presets[n];
        EXPECT_EQ(found.name, n == 0 ? std::string("Basic") : std::string(kFactorySounds[n - 1].name));
        EXPECT_EQ(found.key, std::to_string(n));
        EXPECT_EQ(found.pluginIds, std::vector<std::string>{"clap:com.korvantis.zephyrant"});
        EXPECT_EQ(found.flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        EXPECT_EQ(found.creator, "Korvantis");
        EXPECT_FALSE(found.description.empty());
    }

    Receiver stopping;
    stopping.stopAfter = 3;
    EXPECT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &stopping.record));
    EXPECT_EQ(stopping.presets.size(), 3u);

    Receiver files;
    EXPECT_FALSE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp", &files.record));
    EXPECT_TRUE(files.presets.empty());
    EXPECT_EQ(files.errors.size(), 1u);
    provider->destroy(provider);
}

TEST_F(ClapPresetTest, EveryPresetLoadsItsValuesAndTheHostIsToldToRescan)
{
    for (std::size_t n = 0; n <= kFactorySoundCount; ++n) {
        const std::string key = std::to_string(n);
        ASSERT_TRUE(load(key.c_str())) << key;
        const float* values = n == 0 ? kParameterDefaults : kFactorySounds[n - 1].values;
        for (clap_id id = 0; id < 19; ++id) {
            EXPECT_EQ(instance.value(id), static_cast<double>(values[id])) << "preset " << key << " parameter " << id;
        }
        ASSERT_EQ(host.rescans.size(), n + 1);
        EXPECT_EQ(host.rescans.back(), CLAP_PARAM_RESCAN_VALUES);
        EXPECT_EQ(host.presetsLoaded.back(), key);
    }
    EXPECT_TRUE(host.presetErrors.empty());
    // A loaded preset plays.
    ASSERT_TRUE(load("8"));
    ASSERT_TRUE(instance.activate(48000.0));
    EXPECT_GT(instance.process(8192, Events().noteOn(0, 48, 0.9)).peak(), 0.01f);
}

TEST_F(ClapPresetTest, UnknownKeysAndLocationsAreRefusedWithAnErrorAndChangeNothing)
{
    flush(Events().value(0, 3, 0.66));
    const std::vector<std::uint8_t> before = instance.save();
    const std::string last = std::to_string(kFactorySoundCount + 1);
    for (const char* key : {"", "-1", "01", "1x", " 1", "4294967297", "99999999999999999999", last.c_str()}) {
        EXPECT_FALSE(load(key)) << "'" << key << "'";
    }
    EXPECT_FALSE(load(nullptr));
    EXPECT_FALSE(load("1", CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x.preset"));
    EXPECT_FALSE(load("1", CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, "somewhere"));
    EXPECT_FALSE(load("1", 7));
    EXPECT_EQ(host.presetErrors.size(), 12u);
    EXPECT_TRUE(host.presetsLoaded.empty());
    EXPECT_TRUE(host.rescans.empty());
    EXPECT_EQ(instance.save(), before);
}

} // namespace
