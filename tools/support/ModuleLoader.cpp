#include "tools/support/ModuleLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace {

// The names a host looks the entry point up by, in the order it tries them.
constexpr const char* kEntrySymbols[] = {"VSTPluginMain", "main"};

} // namespace

ModuleLoader::~ModuleLoader()
{
    if (handle != nullptr) {
        dlclose(handle);
    }
}

bool ModuleLoader::load(const std::string& path, std::string& error)
{
    if (handle != nullptr) {
        dlclose(handle);
        handle = nullptr;
        entry = nullptr;
        entrySymbol = nullptr;
    }
    // Without a slash the loader would search the library path instead of the
    // working directory.
    modulePath = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + modulePath + ": " + (reason != nullptr ? reason : "unknown reason");
        return false;
    }
    for (const char* symbol : kEntrySymbols) {
        if (void* address = dlsym(handle, symbol)) {
            entry = reinterpret_cast<VstEntryPoint>(address);
            entrySymbol = symbol;
            return true;
        }
    }
    error = modulePath + " is not a plug-in module: it exports neither VSTPluginMain nor main";
    return false;
}

AEffect* ModuleLoader::createInstance(HostCallback audioMaster, std::string& error) const
{
    if (entry == nullptr) {
        error = "no module loaded";
        return nullptr;
    }
    AEffect* effect = entry(audioMaster);
    if (effect == nullptr) {
        error = "the entry point of " + modulePath + " made no instance";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = "the entry point of " + modulePath + " answered a record without the plug-in magic";
        return nullptr;
    }
    return effect;
}

std::string executableDirectory()
{
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return std::string();
    }
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string defaultModulePath(const std::string& moduleFileName)
{
    const std::string directory = executableDirectory();
    return directory.empty() ? moduleFileName : directory + "/" + moduleFileName;
}
