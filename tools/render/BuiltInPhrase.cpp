#include "tools/render/BuiltInPhrase.h"

#include <algorithm>
#include <cmath>

namespace {

struct PhraseNote {
    double beat;
    double length;
    std::uint8_t key;
    std::uint8_t velocity;
};

constexpr PhraseNote kBuiltInPhrase[] = {
    {0.0, 0.45, 69, 100}, {0.5, 0.45, 72, 90},  {1.0, 0.45, 76, 95},  {1.5, 0.45, 81, 110},
    {2.0, 0.3, 79, 90},   {2.25, 0.3, 77, 85},  {2.5, 0.3, 76, 85},   {2.75, 0.3, 74, 85},
    {3.0, 0.3, 72, 90},   {3.25, 0.3, 71, 85},  {3.5, 0.55, 72, 95},  {4.0, 2.0, 69, 105},
};
constexpr double kPhraseSecondsPerBeat = 0.5;

} // namespace

std::vector<TimedMidiEvent> builtInPhrase(std::int32_t sampleRate, std::int64_t& endFrame)
{
    std::vector<TimedMidiEvent> events;
    const auto frameOf = [sampleRate](double beat) {
        return static_cast<std::int64_t>(std::llround(beat * kPhraseSecondsPerBeat * sampleRate));
    };
    for (const PhraseNote& note : kBuiltInPhrase) {
        events.push_back({frameOf(note.beat), {0x90, note.key, note.velocity}});
        events.push_back({frameOf(note.beat + note.length), {0x80, note.key, 64}});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.frame < b.frame; });
    endFrame = events.back().frame;
    return events;
}
