// What the LV2 plug-in is called, for the binary and for its description.
#pragma once

constexpr const char* kLv2PluginUri = "urn:korvantis:zephyrant";
constexpr const char* kLv2PluginName = "Zephyrant";
constexpr const char* kLv2Maker = "Korvantis";
