#include "texts/ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kMaxTextLength = 8;

// Copies at most 8 characters of source and a terminator.
void writeText(char* text, const char* source)
{
    std::size_t length = 0;
    while (length < kMaxTextLength && source[length] != '\0') {
        text[length] = source[length];
        ++length;
    }
    text[length] = '\0';
}

// The last decimal digit of a non-negative quantity, cut rather than rounded.
char lastDigit(double quantity)
{
    return static_cast<char>('0' + static_cast<int>(std::trunc(std::fmod(quantity, 10.0))));
}

// A whole number that needs all 8 characters, sign included, so no point fits.
void writeWholeNumber(bool negative, double whole, char* text)
{
    char buffer[kMaxTextLength + 1];
    char* cursor = buffer + kMaxTextLength;
    *cursor = '\0';
    long long remaining = static_cast<long long>(whole);
    do {
        *--cursor = static_cast<char>('0' + remaining % 10);
        remaining /= 10;
    } while (remaining > 0);
    if (negative)
        *--cursor = '-';
    writeText(text, cursor);
}

} // namespace

// Exactly 8 characters: sign, integer digits, point and fractional digits, all
// cut rather than rounded. Digits are taken right to left by fmod and by
// multiplying with the double 0.1, which fixes the last digit of every text.
// Integer parts that leave no room for the point show as whole numbers; NaN is
// "NaN" and magnitudes beyond 8 characters "Huge!".
void formatFloatText(float value, char* text)
{
    if (!text)
        return;
    double v = static_cast<double>(value);
    if (std::isnan(v)) {
        writeText(text, "NaN");
        return;
    }

    bool negative = false;
    int count = 0;
    if (v < 0.0) {
        negative = true;
        v = -v;
        count = 1;
        if (v > 9999999.0) {
            writeText(text, "Huge!");
            return;
        }
    } else if (v > 99999999.0) {
        writeText(text, "Huge!");
        return;
    }

    double integ = std::floor(v);
    if (integ >= (negative ? 1000000.0 : 10000000.0)) {
        writeWholeNumber(negative, integ, text);
        return;
    }

    // Sign, integer digits and point, built right to left.
    char whole[kMaxTextLength + 1];
    char* cursor = whole + kMaxTextLength;
    *cursor = '\0';
    *--cursor = '.';
    *--cursor = lastDigit(integ);
    integ = integ * 0.1;
    count += 2;
    while (integ >= 1.0 && count < 8) {
        *--cursor = lastDigit(integ);
        integ = integ * 0.1;
        ++count;
    }
    if (negative)
        *--cursor = '-';
    writeText(text, cursor);
    if (count >= 8)
        return;

    // The fractional digits that fill the text to 8 characters.
    const int fractionDigits = 8 - count;
    double m = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
    char fraction[kMaxTextLength + 1];
    fraction[fractionDigits] = '\0';
    for (int position = fractionDigits - 1; position >= 0; --position) {
        if (m <= 0.0) {
            fraction[position] = '0';
        } else {
            fraction[position] = lastDigit(m);
            m = m * 0.1;
        }
    }
    std::strcat(text, fraction);
}

void formatDecibelText(float value, char* text)
{
    if (!text)
        return;
    if (value <= 0.0f) {
        writeText(text, "-oo");
        return;
    }
    formatFloatText(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

// At least 7 characters, right-aligned; "Huge!" from 100000000 up and "-Huge!"
// below -9999999, where the sign and digits would need more than 8 characters.
void formatIntegerText(std::int32_t value, char* text)
{
    if (!text)
        return;
    if (value >= 100000000) {
        writeText(text, "Huge!");
        return;
    }
    if (value < -9999999) {
        writeText(text, "-Huge!");
        return;
    }
    char formatted[16];
    std::snprintf(formatted, sizeof(formatted), "%7d", static_cast<int>(value));
    writeText(text, formatted);
}
