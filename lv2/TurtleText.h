// Values written into the bundle's Turtle files.
#pragma once

#include <string>

// The shortest decimal that reads back as exactly this float, always with a
// point or an exponent ("0.5", "1.0", "0.1"), so a host's default is the engine's.
// A non-finite value has no Turtle number and gives an empty text.
std::string turtleNumber(float value);

// A quoted Turtle string with backslashes, quotes and line breaks escaped.
std::string turtleString(const std::string& text);

// The URI of a preset: the plug-in's URI, ":preset:" and the name in lower case
// with every run of other characters than letters and digits as one '-'.
// Empty when the name has no letter or digit.
std::string presetUri(const std::string& name);
