// The module's exports: the entry point under its two names, VSTPluginMain and
// main. Everything else in the module stays hidden.
#include "host/PluginMain.h"

// Default visibility keeps the entry points global under -fvisibility=hidden. On
// Windows, Zephyrant.def exports them undecorated and binds main to legacyMain;
// there the attribute stops link-time optimisation from dropping them, which
// would leave the export table pointing nowhere.
#define ZEPHYRANT_EXPORT __attribute__((visibility("default")))

extern "C" {

ZEPHYRANT_EXPORT AEffect* VSTCALLBACK VSTPluginMain(HostCallback audioMaster)
{
    return pluginMain(audioMaster);
}

// A C++ function cannot be called main with this signature, so it has another
// name and the symbol main is given to it by the linker (Windows) or by an
// assembler label (elsewhere).
#if defined(_WIN32)
ZEPHYRANT_EXPORT AEffect* VSTCALLBACK legacyMain(HostCallback audioMaster)
#else
ZEPHYRANT_EXPORT AEffect* VSTCALLBACK legacyMain(HostCallback audioMaster) __asm__("main");
ZEPHYRANT_EXPORT AEffect* VSTCALLBACK legacyMain(HostCallback audioMaster)
#endif
{
    return pluginMain(audioMaster);
}

#if defined(_WIN32)
// The library's load and unload notifications only report success.
int __stdcall DllMain(void*, unsigned long, void*)
{
    return 1;
}
#endif

} // extern "C"
