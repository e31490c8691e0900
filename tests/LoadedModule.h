// The built VST 2.x module as a host meets it: loaded with the dynamic loader and
// entered through an exported entry point.
#pragma once

#include <dlfcn.h>

#include "host/AEffect.h"

using EntryPoint = AEffect*(VSTCALLBACK*)(HostCallback);

class LoadedModule {
public:
    LoadedModule() : handle(dlopen(ZEPHYRANT_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule()
    {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return handle != nullptr; }
    EntryPoint entry(const char* name) const { return reinterpret_cast<EntryPoint>(dlsym(handle, name)); }

private:
    void* handle;
};
