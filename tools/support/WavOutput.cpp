#include "tools/support/WavOutput.h"

#include <sndfile.h>

#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

SNDFILE* handleOf(void* file)
{
    return static_cast<SNDFILE*>(file);
}

int libraryFormat(WavSampleFormat format)
{
    switch (format) {
    case WavSampleFormat::Pcm16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case WavSampleFormat::Pcm24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case WavSampleFormat::Float32:
    default:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
}

// A name beside the destination that no other run picks: the destination's own name,
// hidden, with a random suffix.
fs::path temporaryPathFor(const fs::path& destination)
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937_64 generator((static_cast<std::uint64_t>(device()) << 32) ^ now);
    for (;;) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.partial",
                      static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
        fs::path candidate = destination.parent_path() / ("." + destination.filename().string() + suffix);
        std::error_code ignored;
        if (!fs::exists(candidate, ignored)) {
            return candidate;
        }
    }
}

} // namespace

WavOutput::~WavOutput()
{
    discard();
}

int WavOutput::bytesPerSample(WavSampleFormat format)
{
    return format == WavSampleFormat::Pcm16 ? 2 : format == WavSampleFormat::Pcm24 ? 3 : 4;
}

bool WavOutput::open(const std::string& path, std::int32_t sampleRate, WavSampleFormat format, std::string& error)
{
    discard();
    nonFinite = 0;
    if (path.empty()) {
        error = "the output file name is empty";
        return false;
    }
    const fs::path target(path);
    std::error_code status;
    if (fs::is_directory(target, status)) {
        error = "cannot write " + path + ": it is a directory";
        return false;
    }
    if (!target.has_filename()) {
        error = "cannot write " + path + ": it names no file";
        return false;
    }
    const fs::path partial = temporaryPathFor(target);
    // Made first with the C library, whose failure reason names the cause plainly.
    std::FILE* probe = std::fopen(partial.string().c_str(), "wb");
    if (probe == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    temporary = partial.string();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = libraryFormat(format);
    SNDFILE* handle = sf_open(partial.string().c_str(), SFM_WRITE, &info);
    if (handle == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        discard();
        return false;
    }
    // Integer files clip overs at full scale instead of letting them wrap around.
    sf_command(handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file = handle;
    destination = path;
    interleaved.reserve(kBufferedSamples + 2);
    return true;
}

bool WavOutput::write(const float* left, const float* right, std::int32_t frames, std::string& error)
{
    if (file == nullptr) {
        error = "no output file is open";
        return false;
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        for (float sample : {left[i], right[i]}) {
            if (!std::isfinite(sample)) {
                sample = 0.0f;
                ++nonFinite;
            }
            interleaved.push_back(sample);
        }
        if (interleaved.size() >= kBufferedSamples && !flush(error)) {
            return false;
        }
    }
    return true;
}

bool WavOutput::flush(std::string& error)
{
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / 2);
    const sf_count_t written = sf_writef_float(handleOf(file), interleaved.data(), frames);
    interleaved.clear();
    if (written != frames) {
        error = "cannot write " + destination + ": " + sf_strerror(handleOf(file));
        return false;
    }
    return true;
}

bool WavOutput::commit(std::string& error)
{
    if (file == nullptr) {
        error = "no output file is open";
        return false;
    }
    if (!interleaved.empty() && !flush(error)) {
        discard();
        return false;
    }
    const int closed = sf_close(handleOf(file));
    file = nullptr;
    if (closed != 0) {
        error = "cannot write " + destination + ": " + sf_error_number(closed);
        discard();
        return false;
    }
    std::error_code renamed;
    fs::rename(temporary, destination, renamed);
    if (renamed) {
        error = "cannot write " + destination + ": " + renamed.message();
        discard();
        return false;
    }
    temporary.clear();
    return true;
}

void WavOutput::discard()
{
    interleaved.clear();
    if (file != nullptr) {
        sf_close(handleOf(file));
        file = nullptr;
    }
    if (!temporary.empty()) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        temporary.clear();
    }
}
