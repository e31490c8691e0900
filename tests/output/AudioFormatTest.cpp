// The container an output name asks for, and which sample formats each holds.

#include <gtest/gtest.h>

#include <string>

#include "tools/output/AudioFormat.h"

namespace {

TEST(AudioFormat, ContainerComesFromTheExtensionInAnyCase)
{
    const struct {
        const char* name;
        bool known;
        Container container;
    } cases[] = {
        {"take.wav", true, Container::Wav},      {"TAKE.WAV", true, Container::Wav},
        {"take.flac", true, Container::Flac},    {"take.ogg", true, Container::Ogg},
        {"take.aiff", true, Container::Aiff},    {"take.Aif", true, Container::Aiff},
        {"take.caf", true, Container::Caf},      {"-", true, Container::Wav},
        {"/dev/null", true, Container::Wav},     {"renders.v2/take", true, Container::Wav},
        {"dir/.hidden", true, Container::Wav},   {"take.mp3", false, Container::Wav},
        {"take.wav.bak", false, Container::Wav}, {"take.", true, Container::Wav},
    };
    for (const auto& c : cases) {
        Container container = Container::Caf;
        std::string error;
        EXPECT_EQ(containerOfName(c.name, container, error), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(container, c.container) << c.name;
        } else {
            EXPECT_NE(error.find("the output name must end in .wav, .flac, .ogg, .aiff, .aif or .caf"),
                      std::string::npos)
                << error;
        }
    }
}

TEST(AudioFormat, EachContainerHoldsItsSampleFormats)
{
    const struct {
        Container container;
        bool float32, pcm24, pcm16;
        SampleFormat byDefault;
        bool streams;
    } cases[] = {
        {Container::Wav, true, true, true, SampleFormat::Float32, true},
        {Container::Flac, false, true, true, SampleFormat::Pcm24, false},
        {Container::Ogg, true, false, false, SampleFormat::Float32, true},
        {Container::Aiff, true, true, true, SampleFormat::Float32, false},
        {Container::Caf, true, true, true, SampleFormat::Float32, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(containerName(c.container));
        EXPECT_EQ(holdsSampleFormat(c.container, SampleFormat::Float32), c.float32);
        EXPECT_EQ(holdsSampleFormat(c.container, SampleFormat::Pcm24), c.pcm24);
        EXPECT_EQ(holdsSampleFormat(c.container, SampleFormat::Pcm16), c.pcm16);
        EXPECT_EQ(defaultSampleFormat(c.container), c.byDefault);
        EXPECT_TRUE(holdsSampleFormat(c.container, defaultSampleFormat(c.container)));
        EXPECT_EQ(streamsWithoutSeeking(c.container), c.streams);
    }
    SampleFormat format = SampleFormat::Pcm16;
    EXPECT_TRUE(parseSampleFormat("32", format));
    EXPECT_EQ(format, SampleFormat::Float32);
    EXPECT_FALSE(parseSampleFormat("8", format));
    EXPECT_FALSE(parseSampleFormat("Float", format));
}

} // namespace
