#include <cstring>

#include "instrument/GeneralMidi.h"
#include "instrument/SynthPlugin.h"

namespace {

constexpr std::int32_t kNumMidiChannels = 16;

// The category whose range of programs holds program.
std::int32_t categoryOf(std::int32_t program)
{
    std::int32_t category = 0;
    while (category + 1 < kNumMidiCategories && midiCategoryFirstProgram[category + 1] <= program) {
        ++category;
    }
    return category;
}

// Describes program (0..127) of channel in the host's record: the drum kit on the
// percussion channel whatever the number, the General MIDI program elsewhere.
// No bank is named; thisProgramIndex is left to the caller.
void fillMidiProgramName(std::int32_t channel, std::int32_t program, MidiProgramName* record)
{
    record->midiBankMsb = -1;
    record->midiBankLsb = -1;
    record->reserved = 0;
    record->flags = 0;
    if (channel == kDrumChannel) {
        std::strcpy(record->name, kDrumKitName);
        record->midiProgram = 0;
        record->parentCategoryIndex = 0;
        return;
    }
    std::strcpy(record->name, gmProgramNames[program]);
    record->midiProgram = static_cast<std::int8_t>(program);
    record->parentCategoryIndex = categoryOf(program);
}

} // namespace

// Answers the number of programs the channel offers: the drum kit alone on the
// percussion channel, the whole set on every other channel.
std::int32_t SynthPlugin::getMidiProgramName(std::int32_t channel, MidiProgramName* midiProgramName)
{
    if (midiProgramName == nullptr) {
        return 0;
    }
    const std::int32_t program = midiProgramName->thisProgramIndex;
    if (static_cast<std::uint32_t>(program) >= static_cast<std::uint32_t>(kNumGmPrograms)) {
        return 0;
    }
    fillMidiProgramName(channel, program, midiProgramName);
    return channel == kDrumChannel ? 1 : kNumGmPrograms;
}

std::int32_t SynthPlugin::getCurrentMidiProgram(std::int32_t channel, MidiProgramName* currentProgram)
{
    if (static_cast<std::uint32_t>(channel) >= static_cast<std::uint32_t>(kNumMidiChannels) ||
        currentProgram == nullptr) {
        return -1;
    }
    const std::int32_t program = channelProgram[channel];
    currentProgram->thisProgramIndex = program;
    fillMidiProgramName(channel, program, currentProgram);
    return program;
}

// Answers the number of categories the channel offers: "Drums" alone on the
// percussion channel, the 17 melodic categories elsewhere.
std::int32_t SynthPlugin::getMidiProgramCategory(std::int32_t channel, MidiProgramCategory* category)
{
    if (category == nullptr) {
        return 0;
    }
    const std::int32_t index = category->thisCategoryIndex;
    category->parentCategoryIndex = -1;
    category->flags = 0;
    if (channel == kDrumChannel) {
        std::strcpy(category->name, kDrumCategoryName);
        return 1;
    }
    const bool known = static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(kNumMidiCategories);
    std::strcpy(category->name, known ? midiCategoryNames[index] : "");
    return kNumMidiCategories;
}

bool SynthPlugin::hasMidiProgramsChanged(std::int32_t /*channel*/)
{
    return false;
}

// The instrument names no keys.
bool SynthPlugin::getMidiKeyName(std::int32_t /*channel*/, MidiKeyName* keyName)
{
    if (keyName == nullptr) {
        return false;
    }
    keyName->keyName[0] = '\0';
    keyName->reserved = 0;
    keyName->flags = 0;
    return false;
}
