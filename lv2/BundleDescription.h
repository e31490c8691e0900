// The Turtle texts of the bundle: the manifest, the plug-in's description and its
// presets, made from the port table, the engine's defaults and the preset list.
#pragma once

#include <string>
#include <vector>

#include "lv2/Presets.h"

struct BundleVersion {
    unsigned minor;
    unsigned micro;
};

// manifest.ttl: the plug-in with its binary, version and description file, and
// every preset with the file that holds it.
std::string manifestTurtle(const std::string& binaryName, BundleVersion version, const std::vector<Lv2Preset>& presets);

// zephyrant.ttl: class, name, maker, features and the 22 ports.
std::string pluginTurtle();

// presets.ttl: each preset's label, description and port values.
std::string presetsTurtle(const std::vector<Lv2Preset>& presets);

// The file names inside the bundle.
constexpr const char* kManifestFile = "manifest.ttl";
constexpr const char* kPluginFile = "zephyrant.ttl";
constexpr const char* kPresetsFile = "presets.ttl";

// One line saying what makes the preset list unusable (a name without a letter
// or digit, two names with the same URI, a value that is not finite), or empty.
std::string presetListProblem(const std::vector<Lv2Preset>& presets);
