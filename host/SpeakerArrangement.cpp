// Speaker arrangement helpers of ExtendedEffect: arrangements that the plug-in
// allocates itself, 8 header bytes followed by one 112-byte record per channel.
#include "host/ExtendedEffect.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kArrangementHeaderBytes = offsetof(VstSpeakerArrangement, speakers);

// The speaker records follow the header as an array of numChannels entries,
// longer than the one the declaration shows.
VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, std::int32_t channel)
{
    unsigned char* const bytes = reinterpret_cast<unsigned char*>(arrangement);
    return reinterpret_cast<VstSpeakerProperties*>(bytes + kArrangementHeaderBytes) + channel;
}

} // namespace

// Replaces whatever *arrangement holds with a zeroed arrangement of numChannels
// speakers. A null place or a negative channel count is refused with false and
// changes nothing; a count whose size does not fit memory fails like exhaustion.
bool ExtendedEffect::allocateArrangement(VstSpeakerArrangement** arrangement, std::int32_t numChannels)
{
    if (!arrangement || numChannels < 0)
        return false;
    deallocateArrangement(arrangement);

    const std::size_t channels = static_cast<std::size_t>(numChannels);
    if (channels > (SIZE_MAX - kArrangementHeaderBytes) / sizeof(VstSpeakerProperties))
        return false;
    const std::size_t size = kArrangementHeaderBytes + channels * sizeof(VstSpeakerProperties);
    void* const block = ::operator new(size, std::nothrow);
    if (!block)
        return false;
    std::memset(block, 0, size);

    VstSpeakerArrangement* const made = static_cast<VstSpeakerArrangement*>(block);
    made->numChannels = numChannels;
    *arrangement = made;
    return true;
}

bool ExtendedEffect::deallocateArrangement(VstSpeakerArrangement** arrangement)
{
    if (arrangement && *arrangement) {
        ::operator delete(static_cast<void*>(*arrangement));
        *arrangement = nullptr;
    }
    return true;
}

// Copies one speaker record. The name is copied up to its terminator; a name
// that fills all 64 bytes without one is cut to 63 characters and terminated.
bool ExtendedEffect::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from)
{
    if (!to || !from)
        return false;
    const std::size_t longest = sizeof(from->name) - 1;
    const void* const terminator = std::memchr(from->name, '\0', longest);
    const std::size_t nameLength =
        terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) - from->name) : longest;
    std::memcpy(to->name, from->name, nameLength);
    to->name[nameLength] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

// Makes *to a copy of from. Matching an arrangement with itself leaves it as it
// is: releasing *to first would otherwise free the source before it is read.
bool ExtendedEffect::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from)
{
    if (!from || !to)
        return false;
    if (*to == from)
        return true;
    if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels))
        return false;
    (*to)->type = from->type;
    for (std::int32_t channel = 0; channel < from->numChannels; ++channel) {
        if (!copySpeaker(speakerAt(*to, channel), speakerAt(from, channel)))
            return false;
    }
    return true;
}
