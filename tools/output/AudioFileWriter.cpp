#include "tools/output/AudioFileWriter.h"

#include <sndfile.h>

#include <cstring>

#include "tools/output/WavHeader.h"

namespace {

constexpr int kChannels = 2;

SNDFILE* handleOf(void* file)
{
    return static_cast<SNDFILE*>(file);
}

int libraryFormat(const OutputFormat& format)
{
    int major = SF_FORMAT_WAV;
    switch (format.container) {
    case Container::Flac:
        major = SF_FORMAT_FLAC;
        break;
    case Container::Ogg:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case Container::Aiff:
        major = SF_FORMAT_AIFF;
        break;
    case Container::Caf:
        major = SF_FORMAT_CAF;
        break;
    case Container::Wav:
    default:
        break;
    }
    switch (format.sampleFormat) {
    case SampleFormat::Pcm16:
        return major | SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return major | SF_FORMAT_PCM_24;
    case SampleFormat::Float32:
    default:
        return major | SF_FORMAT_FLOAT;
    }
}

SF_INFO libraryInfo(const OutputFormat& format, std::int32_t sampleRate)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = kChannels;
    info.format = libraryFormat(format);
    return info;
}

// Integers of the format's width as libsndfile takes them: in the top bits of 32.
int libraryShift(SampleFormat format)
{
    return format == SampleFormat::Pcm16 ? 16 : 8;
}

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

} // namespace

AudioFileWriter::~AudioFileWriter()
{
    discard();
}

bool AudioFileWriter::canWrite(const OutputFormat& format, std::int32_t sampleRate, std::string& error)
{
    if (format.container == Container::Wav) {
        return true;
    }
    SF_INFO info = libraryInfo(format, sampleRate);
    if (sf_format_check(&info) == 0) {
        error = std::string("this libsndfile cannot write ") + sampleFormatName(format.sampleFormat) + " " +
                containerName(format.container) + " files";
        return false;
    }
    return true;
}

bool AudioFileWriter::open(const std::string& name, const AudioFileSettings& wanted, std::string& error)
{
    discard();
    settings = wanted;
    quantizer = SampleQuantizer(settings.format.sampleFormat, settings.dither);
    framesWritten = 0;
    bufferedFrames = 0;
    output.setStopCheck(settings.stop);
    if (!output.open(name, settings.force, error)) {
        return false;
    }
    const Container container = settings.format.container;
    if (container == Container::Wav) {
        const std::vector<std::uint8_t> header =
            wavHeader(settings.sampleRate, kChannels, settings.format.sampleFormat, settings.frames);
        bytes.reserve(kBufferedFrames * kChannels * 4);
        if (!output.writeAll(header.data(), header.size(), error)) {
            discard();
            return false;
        }
        return true;
    }
    if (!streamsWithoutSeeking(container) && !output.seekable()) {
        error = std::string("cannot write ") + containerName(container) + " to " + output.shownName() +
                ": it cannot be rewound, which " + containerName(container) +
                " needs; write .wav or .ogg to pipes, sockets and devices";
        discard();
        return false;
    }
    SF_INFO info = libraryInfo(settings.format, settings.sampleRate);
    SNDFILE* handle = sf_open_fd(output.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (handle == nullptr) {
        error = "cannot write " + output.shownName() + ": " + sf_strerror(nullptr);
        discard();
        return false;
    }
    soundFile = handle;
    floats.reserve(kBufferedFrames * kChannels);
    integers.reserve(kBufferedFrames * kChannels);
    return true;
}

bool AudioFileWriter::write(const float* left, const float* right, std::int32_t frames, std::string& error)
{
    const SampleFormat format = settings.format.sampleFormat;
    const bool wav = soundFile == nullptr;
    for (std::int32_t i = 0; i < frames; ++i) {
        for (const float sample : {left[i], right[i]}) {
            if (format == SampleFormat::Float32) {
                const float value = quantizer.toFloat(sample);
                if (wav) {
                    std::uint32_t word = 0;
                    static_assert(sizeof word == sizeof value, "float is 32 bits");
                    std::memcpy(&word, &value, sizeof word);
                    appendLittleEndian(bytes, word, 4);
                } else {
                    floats.push_back(value);
                }
            } else {
                const std::int32_t value = quantizer.toInteger(sample);
                if (wav) {
                    appendLittleEndian(bytes, static_cast<std::uint32_t>(value), bytesPerSample(format));
                } else {
                    integers.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)
                                                                 << libraryShift(format)));
                }
            }
        }
        if (++bufferedFrames >= kBufferedFrames && !flush(error)) {
            return false;
        }
    }
    return true;
}

bool AudioFileWriter::flush(std::string& error)
{
    const auto frames = static_cast<sf_count_t>(bufferedFrames);
    bufferedFrames = 0;
    framesWritten += frames;
    if (soundFile == nullptr) {
        const bool written = output.writeAll(bytes.data(), bytes.size(), error);
        bytes.clear();
        return written;
    }
    const sf_count_t written = settings.format.sampleFormat == SampleFormat::Float32
                                   ? sf_writef_float(handleOf(soundFile), floats.data(), frames)
                                   : sf_writef_int(handleOf(soundFile), integers.data(), frames);
    floats.clear();
    integers.clear();
    if (written != frames) {
        error = "cannot write " + output.shownName() + ": " + sf_strerror(handleOf(soundFile));
        return false;
    }
    return true;
}

bool AudioFileWriter::commit(std::string& error)
{
    if (output.descriptor() < 0) {
        error = "no output is open";
        return false;
    }
    if (bufferedFrames > 0 && !flush(error)) {
        discard();
        return false;
    }
    if (soundFile == nullptr && framesWritten != settings.frames) {
        error = "cannot write " + output.shownName() + ": " + std::to_string(framesWritten) +
                " frames rendered, but the header announces " + std::to_string(settings.frames);
        discard();
        return false;
    }
    if (soundFile != nullptr) {
        const int closed = sf_close(handleOf(soundFile));
        soundFile = nullptr;
        if (closed != 0) {
            error = "cannot write " + output.shownName() + ": " + sf_error_number(closed);
            discard();
            return false;
        }
    }
    return output.commit(error);
}

void AudioFileWriter::discard()
{
    if (soundFile != nullptr) {
        sf_close(handleOf(soundFile));
        soundFile = nullptr;
    }
    floats.clear();
    integers.clear();
    bytes.clear();
    bufferedFrames = 0;
    output.discard();
}
