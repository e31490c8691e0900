// Loads a plug-in module the way a host on this platform does: through the
// dynamic loader and its exported entry point, then makes instances from it.
// Shared by the command-line tools, the tests and the benchmarks.
#pragma once

#include <string>

#include "host/AEffect.h"

using VstEntryPoint = AEffect*(VSTCALLBACK*)(HostCallback audioMaster);

class ModuleLoader {
public:
    ModuleLoader() = default;
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // Opens the module at path and finds its entry point, VSTPluginMain or else
    // main. Answers false with a one-line reason in error when either fails.
    bool load(const std::string& path, std::string& error);

    // Calls the entry point with the host callback; answers the instance's record,
    // or null with a reason when the entry made none or the record is not one.
    AEffect* createInstance(HostCallback audioMaster, std::string& error) const;

    // The entry point exported under symbol, or null.
    VstEntryPoint entryPoint(const char* symbol) const;

    const std::string& path() const { return modulePath; }
    const char* entryName() const { return entrySymbol; }

private:
    void* handle = nullptr;
    VstEntryPoint entry = nullptr;
    const char* entrySymbol = nullptr;
    std::string modulePath;
};

// The directory of the running executable, without a trailing slash; empty when
// it cannot be found.
std::string executableDirectory();
