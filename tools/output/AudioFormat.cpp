#include "tools/output/AudioFormat.h"

#include <algorithm>
#include <cctype>

namespace {

struct Extension {
    const char* text;
    Container container;
};

constexpr Extension kExtensions[] = {
    {"wav", Container::Wav}, {"flac", Container::Flac}, {"ogg", Container::Ogg},
    {"aiff", Container::Aiff}, {"aif", Container::Aiff}, {"caf", Container::Caf},
};

// The part of the last path component after its last dot; empty when there is none
// (a leading dot, as in ".wav", marks a hidden name, not an extension).
std::string extensionOf(const std::string& name)
{
    const std::string::size_type slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::string::size_type dot = base.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return std::string();
    }
    std::string extension = base.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

} // namespace

bool containerOfName(const std::string& name, Container& container, std::string& error)
{
    const std::string extension = extensionOf(name);
    if (name == "-" || extension.empty()) {
        container = Container::Wav;
        return true;
    }
    for (const Extension& known : kExtensions) {
        if (extension == known.text) {
            container = known.container;
            return true;
        }
    }
    error = "cannot write ." + extension + " files: the output name must end in .wav, .flac, .ogg, .aiff, .aif or .caf";
    return false;
}

bool parseSampleFormat(const std::string& text, SampleFormat& format)
{
    if (text == "float" || text == "32") {
        format = SampleFormat::Float32;
    } else if (text == "24") {
        format = SampleFormat::Pcm24;
    } else if (text == "16") {
        format = SampleFormat::Pcm16;
    } else {
        return false;
    }
    return true;
}

bool holdsSampleFormat(Container container, SampleFormat format)
{
    switch (container) {
    case Container::Flac:
        return format != SampleFormat::Float32;
    case Container::Ogg:
        return format == SampleFormat::Float32;
    case Container::Wav:
    case Container::Aiff:
    case Container::Caf:
    default:
        return true;
    }
}

SampleFormat defaultSampleFormat(Container container)
{
    return container == Container::Flac ? SampleFormat::Pcm24 : SampleFormat::Float32;
}

bool streamsWithoutSeeking(Container container)
{
    return container == Container::Wav || container == Container::Ogg;
}

const char* containerName(Container container)
{
    switch (container) {
    case Container::Flac:
        return "FLAC";
    case Container::Ogg:
        return "Ogg Vorbis";
    case Container::Aiff:
        return "AIFF";
    case Container::Caf:
        return "CAF";
    case Container::Wav:
    default:
        return "WAV";
    }
}

const char* sampleFormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return "16-bit";
    case SampleFormat::Pcm24:
        return "24-bit";
    case SampleFormat::Float32:
    default:
        return "32-bit float";
    }
}

int bytesPerSample(SampleFormat format)
{
    return format == SampleFormat::Pcm16 ? 2 : format == SampleFormat::Pcm24 ? 3 : 4;
}
