// The instrument's number formats for display texts: at most 8 visible characters
// and a terminator, written into a caller's buffer of at least 9 bytes. Every front
// end shows values through these, so a host, a page and a tool show the same text.
#pragma once

#include <cstdint>

// Exactly 8 characters where the value allows: sign, digits, point and fractional
// digits, cut rather than rounded; "NaN", and "Huge!" beyond 8 characters.
void formatFloatText(float value, char* text);
// A gain as a level in decibels; silence and below is "-oo".
void formatDecibelText(float value, char* text);
// At least 7 characters, right-aligned; "Huge!" or "-Huge!" beyond 8 characters.
void formatIntegerText(std::int32_t value, char* text);
