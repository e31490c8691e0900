// Who the plug-in is to CLAP hosts: the identifier projects and presets refer to
// (never to change once published), its name and its maker.
#pragma once

constexpr const char* kPluginId = "com.korvantis.zephyrant";
constexpr const char* kPluginName = "Zephyrant";
constexpr const char* kVendorName = "Korvantis";
