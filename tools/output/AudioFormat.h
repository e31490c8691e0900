// The kinds of audio file the renderer writes: the container, taken from the
// output name's extension, and the sample format inside it, with which container
// holds which sample format.
#pragma once

#include <string>

enum class Container { Wav, Flac, Ogg, Aiff, Caf };
enum class SampleFormat { Float32, Pcm24, Pcm16 };

struct OutputFormat {
    Container container = Container::Wav;
    SampleFormat sampleFormat = SampleFormat::Float32;
};

// The container an output name asks for by its extension, in any letter case:
// .wav, .flac, .ogg, .aiff or .aif, .caf. A name without an extension and standard
// output ("-") are WAV. False with a reason for any other extension.
bool containerOfName(const std::string& name, Container& container, std::string& error);

// "float" or "32", "24", "16"; false for anything else.
bool parseSampleFormat(const std::string& text, SampleFormat& format);

// Whether the container stores samples of this format. Ogg Vorbis is compressed
// and takes float samples only; FLAC stores integers only.
bool holdsSampleFormat(Container container, SampleFormat format);

// The sample format used when none is asked for: float where the container holds
// it (levels beyond full scale survive), 24-bit in FLAC.
SampleFormat defaultSampleFormat(Container container);

// Whether the container can be written front to back without going back to fix
// its header, as pipes and devices need.
bool streamsWithoutSeeking(Container container);

const char* containerName(Container container);
const char* sampleFormatName(SampleFormat format);
int bytesPerSample(SampleFormat format);
