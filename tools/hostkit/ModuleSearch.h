// Where the tools find the plug-in module when the user names none, in the order
// a host and an installed package suggest: $ZEPHYRANT_MODULE, the module beside
// the tool (the build tree puts them in one folder; an install puts the tool in
// PREFIX/bin and the module in PREFIX/lib/vst), then the folders hosts scan:
// $VST_PATH and $LXVST_PATH entries, ~/.vst, /usr/local/lib/vst, /usr/lib/vst.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ModuleSearch {
    std::string fileName;      // the module's file name, Zephyrant.so or Zephyrant.dll
    std::string toolDirectory; // the folder of the running tool; empty when unknown
    // The value of an environment variable, empty when it is not set.
    std::function<std::string(const char* name)> environment;
};

// The search as this process sees it: its environment and its own folder.
ModuleSearch systemModuleSearch();

// The module files tried after $ZEPHYRANT_MODULE, in order.
std::vector<std::string> moduleCandidates(const ModuleSearch& search);

// The module to load: $ZEPHYRANT_MODULE as it stands when set, else the first
// candidate that is a file. False with one line naming every place looked at.
bool locateModule(const ModuleSearch& search, std::string& path, std::string& error);
