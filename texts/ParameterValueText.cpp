#include "texts/ParameterValueText.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "texts/ParameterText.h"
#include "texts/ValueText.h"

namespace {

constexpr std::size_t kDisplaySize = 9;

// Legato is on for a value whose integer is not 0, PowerChord for any value but 0.
bool switchIsOn(std::int32_t index, float value)
{
    return index == kLegato ? parameterWord(kLegato, value) != 0 : value != 0.0f;
}

// The display part of the value text: the instrument's own, or the value when it
// shows none.
void formatDisplay(std::int32_t index, float value, char* display)
{
    formatParameterDisplay(index, value, display);
    if (display[0] == '\0') {
        if (isSwitchParameter(index)) {
            std::strcpy(display, switchIsOn(index, value) ? "On" : "Off");
        } else {
            formatFloatText(value, display);
        }
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

bool sameLetters(const std::string& text, std::size_t at, const char* word)
{
    const std::size_t length = std::strlen(word);
    if (at + length > text.size()) {
        return false;
    }
    for (std::size_t n = 0; n < length; ++n) {
        const char a = text[at + n];
        const char b = word[n];
        if ((a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) != (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b)) {
            return false;
        }
    }
    return true;
}

bool isWord(const std::string& text, const char* word)
{
    return text.size() == std::strlen(word) && sameLetters(text, 0, word);
}

// The whole text as a finite decimal number, an optional sign first.
bool readNumber(const std::string& text, double& number)
{
    std::size_t start = 0;
    if (!text.empty() && text[0] == '+') {
        start = 1;
        if (text.size() > 1 && text[1] == '-') {
            return false;
        }
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first == last) {
        return false;
    }
    // The classic locale reads a point as the decimal point whatever the host's
    // locale says.
    std::istringstream stream(std::string(first, last));
    stream.imbue(std::locale::classic());
    stream >> std::noskipws >> number;
    return !stream.fail() && stream.peek() == std::char_traits<char>::eof() && std::isfinite(number);
}

// The value a display text stands for, before it is held to 0..1.
bool displayToValue(std::int32_t index, const std::string& display, double& value)
{
    const DisplayRule rule = parameterDisplayRule(index);
    if (isSwitchParameter(index) && (isWord(display, "on") || isWord(display, "off"))) {
        value = isWord(display, "on") ? 1.0 : 0.0;
        return true;
    }
    if (rule == DisplayRule::Decibels && isWord(display, "-oo")) {
        value = 0.0;
        return true;
    }
    if (rule == DisplayRule::Fixing && (isWord(display, "min") || isWord(display, "max"))) {
        value = isWord(display, "max") ? 1.0 : 0.0;
        return true;
    }
    if (rule == DisplayRule::DynaTone && isWord(display, "off")) {
        value = 0.0;
        return true;
    }
    double number = 0.0;
    if (!readNumber(display, number)) {
        return false;
    }
    switch (rule) {
    case DisplayRule::None:
    case DisplayRule::Plain:
        value = number;
        break;
    case DisplayRule::Bipolar:
        value = (1.0 - number) * 0.5;
        break;
    case DisplayRule::Decibels:
        value = std::pow(10.0, number / 20.0);
        break;
    case DisplayRule::Fixing:
        value = number > 440.0 ? std::sqrt((number - 440.0) / 8000.0) : 0.0;
        break;
    case DisplayRule::DynaTone:
        value = number > 10.0 ? std::sqrt((number - 10.0) / 440.0) : 0.0;
        break;
    }
    return std::isfinite(value);
}

// The number a display shows, words as the ends they stand for ("Min", "OFF" and
// "-oo" below every number, "Max" above).
double shownNumber(const char* shown)
{
    double number = 0.0;
    if (readNumber(shown, number)) {
        return number;
    }
    return std::strcmp(shown, "Max") == 0 ? std::numeric_limits<double>::infinity()
                                          : -std::numeric_limits<double>::infinity();
}

// A value from 0 to 1 that displays as display, when guess does not: the display
// cuts digits from a number computed in single precision, so the inverse of the
// number may land just beside the values that show it. Each display is a
// monotonic function of the value (falling for the bipolar ones), so the lowest
// value showing at least the number is found by halving the range of the floats'
// bit patterns, which are ordered as the values from 0 to 1.
float valueShowing(std::int32_t index, float guess, const std::string& display)
{
    char shown[kDisplaySize];
    formatDisplay(index, guess, shown);
    double target = 0.0;
    if (display == shown || isSwitchParameter(index) || !readNumber(display, target)) {
        return guess;
    }
    const double direction = parameterDisplayRule(index) == DisplayRule::Bipolar ? -1.0 : 1.0;
    const auto valueOf = [](std::uint32_t bits) {
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    };
    std::uint32_t low = 0;
    std::uint32_t high = 0x3F800000u; // 1.0f
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        formatDisplay(index, valueOf(middle), shown);
        if (direction * shownNumber(shown) >= direction * target) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    formatDisplay(index, valueOf(low), shown);
    return display == shown ? valueOf(low) : guess;
}

} // namespace

bool formatParameterValueText(std::int32_t index, float value, char* text)
{
    if (text == nullptr) {
        return false;
    }
    text[0] = '\0';
    if (!isParameterIndex(index)) {
        return false;
    }
    formatDisplay(index, value, text);
    const char* label = kParameterTable[index].label;
    if (label[0] != '\0') {
        std::strcat(text, " ");
        std::strcat(text, label);
    }
    return true;
}

bool parseParameterValueText(std::int32_t index, const char* text, float& value)
{
    if (text == nullptr || !isParameterIndex(index)) {
        return false;
    }
    std::string display = trimmed(text);
    const char* label = kParameterTable[index].label;
    const std::size_t labelLength = std::strlen(label);
    if (labelLength > 0 && display.size() > labelLength &&
        sameLetters(display, display.size() - labelLength, label)) {
        display = trimmed(display.substr(0, display.size() - labelLength));
    }
    double wide = 0.0;
    if (!displayToValue(index, display, wide)) {
        return false;
    }
    const float held = wide > 1.0 ? 1.0f : (wide > 0.0 ? static_cast<float>(wide) : 0.0f);
    value = valueShowing(index, held, display);
    return true;
}
