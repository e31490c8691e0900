// The factory table as every front end needs it: names that fit a program and a
// file, found in any letter case, values a host may send.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "presets/FactorySounds.h"

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(FactorySounds, EverySoundFitsAProgramAndAFileName)
{
    ASSERT_GE(kFactorySoundCount, 16u);
    std::set<std::string> names{"basic"};
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        const FactorySound& sound = kFactorySounds[n];
        const std::string name = sound.name;
        SCOPED_TRACE(name);
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), kSoundNameLength);
        EXPECT_TRUE(names.insert(lowerCase(name)).second) << "two sounds (or a sound and Basic) share the name";
        EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -"),
                  std::string::npos);
        EXPECT_NE(name.front(), ' ');
        EXPECT_NE(name.back(), ' ');
        const std::string description = sound.description;
        EXPECT_FALSE(description.empty());
        EXPECT_EQ(description.find_first_of("\t\n\r"), std::string::npos);
        for (int index = 0; index < kNumParameters; ++index) {
            EXPECT_GE(sound.values[index], 0.0f) << "parameter " << index;
            EXPECT_LE(sound.values[index], 1.0f) << "parameter " << index;
        }
        EXPECT_TRUE(sound.values[kLegato] == 0.0f || sound.values[kLegato] == 1.0f) << "Legato is a switch";
    }
}

TEST(FactorySounds, AreFoundByNameInAnyLetterCase)
{
    const FactorySound& last = kFactorySounds[kFactorySoundCount - 1];
    const std::string name = last.name;
    std::string upper = name;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(findFactorySound(name), &last);
    EXPECT_EQ(findFactorySound(lowerCase(name)), &last);
    EXPECT_EQ(findFactorySound(upper), &last);
    EXPECT_EQ(findFactorySound(name + " "), nullptr);
    EXPECT_EQ(findFactorySound(name.substr(1)), nullptr);
    EXPECT_EQ(findFactorySound(""), nullptr);
    EXPECT_EQ(findFactorySound("Basic"), nullptr);
}

} // namespace
