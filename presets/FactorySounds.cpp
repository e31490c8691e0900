#include "presets/FactorySounds.h"

#include <algorithm>
#include <cctype>
#include <iterator>

// Designed on examples/reference.mid with scripts/render-gallery.sh: every sound plays
// it within 1.5 LU of -21 LUFS (integrated loudness), its levels set by "Volume", with
// no peak above -1 dBFS, and each sound differs from the others in tone, decay, width
// or density. Most sounds keep half the velocity response so that "Velocity Touch"
// stands out. Columns in parameter index order:
// Exciter, Modulation, NisFilter, Pick, Attack, Decay, Sustain, Release, ADSRCurve,
// Volume, Fixing, DynaTone, Distorter, Overdrive, Chorus, Legato, Velocity,
// ToneRama, PowerChord.
const FactorySound kFactorySounds[] = {
    {"Clean Pluck", "A plain, clean pluck with a short comb: the string itself",
     {0.6f, 0.1f, 0.4f, 0.12f, 0.04f, 0.6f, 0.6f, 0.3f, 0.89f, 0.898f,
      0.08f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Bright Pluck", "A hard, bright pick with open noise and a shorter decay",
     {0.85f, 0.1f, 0.95f, 0.5f, 0.04f, 0.35f, 0.5f, 0.3f, 0.89f, 0.157f,
      0.02f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Muted Bass", "Palm-muted and dark: a short thump for bass lines",
     {0.7f, 0.1f, 0.08f, 0.1f, 0.04f, 0.25f, 0.0f, 0.1f, 0.89f, 0.623f,
      0.5f, 0.08f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f}},
    {"Harp Ring", "A soft pluck that rings on, gently compressed, a touch of chorus",
     {0.5f, 0.0f, 0.4f, 0.02f, 0.15f, 1.0f, 1.0f, 1.0f, 0.89f, 0.232f,
      0.2f, 0.0f, 0.5f, 0.0f, 0.15f, 1.0f, 0.5f, 0.5f, 0.0f}},
    {"Comb Fixing", "A loud noisy pick through a long comb: a hollow, nasal colour",
     {1.0f, 0.1f, 0.8f, 0.9f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.0959f,
      0.7f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Soft Drive", "A warm, gently driven string: some distorter, a little overdrive",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.155f,
      0.3f, 0.0f, 0.35f, 0.25f, 0.0f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Hard Distortion", "Full distortion and overdrive through the resonant filter",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.069f,
      0.3f, 0.35f, 1.0f, 0.9f, 0.0f, 1.0f, 0.4f, 0.3f, 0.0f}},
    {"Power Fifths", "PowerChord: two strings a fifth apart, driven",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.181f,
      0.3f, 0.0f, 0.6f, 0.3f, 0.0f, 1.0f, 0.5f, 0.5f, 1.0f}},
    {"DynaTone Sweep", "The envelope-swept filter alone: each pluck opens and closes",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.45f, 0.5f, 0.3f, 0.89f, 0.393f,
      0.3f, 0.6f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 1.0f, 0.0f}},
    {"Wide Chorus", "A detuned string spread wide by the stereo chorus",
     {0.5f, 0.3f, 0.4f, 0.3f, 0.04f, 0.7f, 0.6f, 0.3f, 0.89f, 0.337f,
      0.3f, 0.0f, 0.0f, 0.0f, 0.85f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Slow Swell", "A bowed-like swell: a slow attack, long decay and chorus",
     {0.5f, 0.1f, 0.4f, 0.05f, 0.85f, 1.0f, 0.9f, 0.6f, 0.5f, 0.641f,
      0.3f, 0.0f, 0.0f, 0.0f, 0.4f, 1.0f, 0.3f, 0.5f, 0.0f}},
    {"Staccato", "Short and dry: notes stop when released, no legato",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.0f, 0.12f, 0.0f, 0.0f, 0.89f, 0.62f,
      0.3f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.6f, 0.5f, 0.0f}},
    {"Velocity Touch", "Full velocity response: soft notes dull and quiet, hard ones bite",
     {0.3f, 0.1f, 0.7f, 0.9f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.228f,
      0.3f, 0.0f, 0.15f, 0.0f, 0.0f, 1.0f, 1.0f, 0.5f, 0.0f}},
    {"Detuned Twang", "Strong random detune of the loop for a wiry, sitar-like twang",
     {0.5f, 1.0f, 0.4f, 0.3f, 0.04f, 0.4f, 0.4f, 0.3f, 0.89f, 0.404f,
      0.15f, 0.0f, 0.2f, 0.0f, 0.0f, 1.0f, 0.6f, 0.5f, 0.0f}},
    {"Dark Nylon", "A dark, round nylon-string tone through the resonant low-pass",
     {0.6f, 0.1f, 0.03f, 0.05f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.359f,
      0.3f, 0.12f, 0.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f}},
    {"Resonant Wah", "DynaTone fully open with the swept filter: a vocal wah",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.147f,
      0.3f, 1.0f, 0.3f, 0.0f, 0.0f, 1.0f, 0.6f, 0.7f, 0.0f}},
    {"Power Chorus Lead", "PowerChord fifths with overdrive and a wide chorus",
     {0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.296f,
      0.3f, 0.0f, 0.2f, 0.5f, 0.6f, 1.0f, 0.5f, 0.5f, 1.0f}},
    {"Glass Comb", "The longest comb with a bright pick: glassy, chimed and short",
     {0.9f, 0.1f, 1.0f, 0.3f, 0.04f, 0.3f, 0.3f, 0.5f, 0.89f, 0.245f,
      1.0f, 0.0f, 0.0f, 0.0f, 0.3f, 1.0f, 0.7f, 0.5f, 0.0f}},
};

const std::size_t kFactorySoundCount = std::size(kFactorySounds);

const FactorySound* findFactorySound(const std::string& name)
{
    const auto sameIgnoringCase = [&name](const FactorySound& sound) {
        const std::string candidate = sound.name;
        return candidate.size() == name.size() &&
               std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    const FactorySound* end = kFactorySounds + kFactorySoundCount;
    const FactorySound* found = std::find_if(kFactorySounds, end, sameIgnoringCase);
    return found == end ? nullptr : found;
}
