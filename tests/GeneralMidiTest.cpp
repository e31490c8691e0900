// The General MIDI program names, categories and drum kit the instrument offers
// per MIDI channel, as the host's program-name requests see them.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "VersionHost.h"
#include "instrument/SynthPlugin.h"

namespace {

// The General MIDI Level 1 sound set, written out independently of the instrument's table.
const char* const kGeneralMidiNames[128] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi", "Celesta", "Glockenspiel",
    "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer", "Drawbar Organ",
    "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica",
    "Tango Accordion", "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)",
    "Electric Guitar (clean)", "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar",
    "Guitar harmonics", "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin", "Viola", "Cello",
    "Contrabass", "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2", "Choir Aahs",
    "Voice Oohs", "Synth Voice", "Orchestra Hit", "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "SynthBrass 1", "SynthBrass 2", "Soprano Sax", "Alto Sax",
    "Tenor Sax", "Baritone Sax", "Oboe", "English Horn", "Bassoon", "Clarinet", "Piccolo", "Flute",
    "Recorder", "Pan Flute", "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina", "Lead 1 (square)",
    "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)", "Lead 5 (charang)", "Lead 6 (voice)",
    "Lead 7 (fifths)", "Lead 8 (bass + lead)", "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)",
    "Pad 4 (choir)", "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)", "FX 5 (brightness)",
    "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)", "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag pipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal", "Guitar Fret Noise", "Breath Noise",
    "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

const char* const kCategoryNames[17] = {
    "Piano", "Percussion", "Organ", "Guitar", "Bass", "Strings", "Ensemble", "Brass", "Reed",
    "Pipe", "Synth Lead", "SynthPad", "Synth Effects", "Ethnic", "Percussive", "Effects", "DrumSets",
};

// A record the host filled with junk and the program index it asks about.
MidiProgramName askFor(std::int32_t program)
{
    MidiProgramName record;
    std::memset(&record, 0x5a, sizeof record);
    record.thisProgramIndex = program;
    return record;
}

class GeneralMidi : public ::testing::Test {
protected:
    void SetUp() override { plugin = std::make_unique<SynthPlugin>(versionHost); }
    std::unique_ptr<SynthPlugin> plugin;
};

TEST_F(GeneralMidi, MelodicChannelsOfferTheWholeSoundSetInItsCategories)
{
    for (std::int32_t channel : {0, 15, 16, -1}) {
        for (std::int32_t program = 0; program < 128; ++program) {
            MidiProgramName record = askFor(program);
            EXPECT_EQ(plugin->getMidiProgramName(channel, &record), 128);
            EXPECT_STREQ(record.name, kGeneralMidiNames[program]) << "program " << program;
            EXPECT_EQ(record.thisProgramIndex, program);
            EXPECT_EQ(record.midiProgram, program);
            EXPECT_EQ(record.midiBankMsb, -1);
            EXPECT_EQ(record.midiBankLsb, -1);
            EXPECT_EQ(record.reserved, 0);
            EXPECT_EQ(record.parentCategoryIndex, program / 8) << "program " << program;
            EXPECT_EQ(record.flags, 0);
        }
    }
}

TEST_F(GeneralMidi, TellingEntriesLandWhereTheStandardPutsThem)
{
    struct Case {
        std::int32_t program;
        const char* name;
        std::int32_t category;
    };
    const Case cases[] = {
        {7, "Clavi", 0},           {8, "Celesta", 1},           {31, "Guitar harmonics", 3},
        {50, "SynthStrings 1", 6}, {87, "Lead 8 (bass + lead)", 10}, {109, "Bag pipe", 13},
        {111, "Shanai", 13},       {127, "Gunshot", 15},
    };
    for (const Case& c : cases) {
        MidiProgramName record = askFor(c.program);
        EXPECT_EQ(plugin->getMidiProgramName(0, &record), 128);
        EXPECT_STREQ(record.name, c.name);
        EXPECT_EQ(record.parentCategoryIndex, c.category);
    }
}

TEST_F(GeneralMidi, PercussionChannelOffersOnlyTheStandardKit)
{
    for (std::int32_t program = 0; program < 128; ++program) {
        MidiProgramName record = askFor(program);
        EXPECT_EQ(plugin->getMidiProgramName(9, &record), 1);
        EXPECT_STREQ(record.name, "Standard");
        EXPECT_EQ(record.midiProgram, 0);
        EXPECT_EQ(record.parentCategoryIndex, 0);
        EXPECT_EQ(record.midiBankMsb, -1);
        EXPECT_EQ(record.midiBankLsb, -1);
        EXPECT_EQ(record.flags, 0);
        EXPECT_EQ(record.thisProgramIndex, program);
    }
}

TEST_F(GeneralMidi, ProgramsOutsideTheSetLeaveTheRecordUntouched)
{
    for (std::int32_t program : {128, -1, INT32_MIN}) {
        for (std::int32_t channel : {0, 9}) {
            MidiProgramName record = askFor(program);
            const MidiProgramName before = record;
            EXPECT_EQ(plugin->getMidiProgramName(channel, &record), 0);
            EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0) << "program " << program;
        }
    }
    EXPECT_EQ(plugin->getMidiProgramName(0, nullptr), 0);
}

TEST_F(GeneralMidi, CurrentProgramOfAChannelIsItsOwnNumber)
{
    MidiProgramName record = askFor(77);
    EXPECT_EQ(plugin->getCurrentMidiProgram(3, &record), 3);
    EXPECT_EQ(record.thisProgramIndex, 3);
    EXPECT_STREQ(record.name, "Honky-tonk Piano");
    EXPECT_EQ(record.parentCategoryIndex, 0);

    record = askFor(0);
    EXPECT_EQ(plugin->getCurrentMidiProgram(9, &record), 9);
    EXPECT_EQ(record.thisProgramIndex, 9);
    EXPECT_STREQ(record.name, "Standard");
    EXPECT_EQ(record.midiProgram, 0);

    for (std::int32_t channel : {16, -1}) {
        record = askFor(5);
        const MidiProgramName before = record;
        EXPECT_EQ(plugin->getCurrentMidiProgram(channel, &record), -1);
        EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0) << "channel " << channel;
    }
    EXPECT_EQ(plugin->getCurrentMidiProgram(0, nullptr), -1);
}

TEST_F(GeneralMidi, CategoriesOfMelodicChannelsIncludeTheDrumSets)
{
    for (std::int32_t index = -1; index <= 17; ++index) {
        MidiProgramCategory category;
        std::memset(&category, 0x5a, sizeof category);
        category.thisCategoryIndex = index;
        EXPECT_EQ(plugin->getMidiProgramCategory(0, &category), 17);
        EXPECT_STREQ(category.name, index >= 0 && index < 17 ? kCategoryNames[index] : "") << "index " << index;
        EXPECT_EQ(category.thisCategoryIndex, index);
        EXPECT_EQ(category.parentCategoryIndex, -1);
        EXPECT_EQ(category.flags, 0);
    }
}

TEST_F(GeneralMidi, PercussionChannelHasTheSingleCategoryDrums)
{
    for (std::int32_t index : {0, 5, 16, 99, -1}) {
        MidiProgramCategory category;
        std::memset(&category, 0x5a, sizeof category);
        category.thisCategoryIndex = index;
        EXPECT_EQ(plugin->getMidiProgramCategory(9, &category), 1);
        EXPECT_STREQ(category.name, "Drums");
        EXPECT_EQ(category.parentCategoryIndex, -1);
        EXPECT_EQ(category.flags, 0);
    }
    EXPECT_EQ(plugin->getMidiProgramCategory(9, nullptr), 0);
}

TEST_F(GeneralMidi, ProgramsNeverChangeAndNoKeyIsNamed)
{
    for (std::int32_t channel = -1; channel <= 16; ++channel) {
        EXPECT_FALSE(plugin->hasMidiProgramsChanged(channel));
        MidiKeyName key;
        std::memset(&key, 0x5a, sizeof key);
        key.thisProgramIndex = 0;
        key.thisKeyNumber = 60;
        EXPECT_FALSE(plugin->getMidiKeyName(channel, &key));
        EXPECT_STREQ(key.keyName, "");
        EXPECT_EQ(key.reserved, 0);
        EXPECT_EQ(key.flags, 0);
        EXPECT_EQ(key.thisKeyNumber, 60);
    }
    EXPECT_FALSE(plugin->getMidiKeyName(0, nullptr));
}

} // namespace
