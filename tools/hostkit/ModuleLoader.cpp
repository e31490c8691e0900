#include "tools/hostkit/ModuleLoader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <vector>

namespace {

// The names a host looks the entry point up by, in the order it tries them.
constexpr const char* kEntrySymbols[] = {"VSTPluginMain", "main"};

// The system's loader behind one set of names: dlopen on POSIX systems,
// LoadLibrary on Windows.
#ifdef _WIN32
constexpr char kSeparator = '\\';

void* openLibrary(const std::string& path)
{
    std::string native = path;
    for (char& c : native) {
        c = c == '/' ? kSeparator : c;
    }
    return reinterpret_cast<void*>(LoadLibraryA(native.c_str()));
}

void closeLibrary(void* library)
{
    FreeLibrary(reinterpret_cast<HMODULE>(library));
}

void* findSymbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

std::string lastLoaderError()
{
    char* message = nullptr;
    const DWORD code = GetLastError();
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text = length > 0 ? std::string(message, length) : "error " + std::to_string(code);
    LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}
#else
constexpr char kSeparator = '/';

void* openLibrary(const std::string& path)
{
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void closeLibrary(void* library)
{
    dlclose(library);
}

void* findSymbol(void* library, const char* name)
{
    return dlsym(library, name);
}

std::string lastLoaderError()
{
    const char* reason = dlerror();
    return reason != nullptr ? reason : "unknown reason";
}
#endif

bool hasDirectory(const std::string& path)
{
    return path.find_first_of(kSeparator == '/' ? "/" : "/\\:") != std::string::npos;
}

} // namespace

ModuleLoader::~ModuleLoader()
{
    if (handle != nullptr) {
        closeLibrary(handle);
    }
}

bool ModuleLoader::load(const std::string& path, std::string& error)
{
    if (handle != nullptr) {
        closeLibrary(handle);
        handle = nullptr;
        entry = nullptr;
        entrySymbol = nullptr;
    }
    // Without a directory the loader would search the library path instead of the
    // working directory.
    modulePath = hasDirectory(path) ? path : std::string(".") + kSeparator + path;
    handle = openLibrary(modulePath);
    if (handle == nullptr) {
        error = "cannot load " + modulePath + ": " + lastLoaderError();
        return false;
    }
    for (const char* symbol : kEntrySymbols) {
        if (void* address = findSymbol(handle, symbol)) {
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

VstEntryPoint ModuleLoader::entryPoint(const char* symbol) const
{
    return handle != nullptr ? reinterpret_cast<VstEntryPoint>(findSymbol(handle, symbol)) : nullptr;
}

std::string executableDirectory()
{
    std::vector<char> buffer(4096);
#ifdef _WIN32
    const DWORD copied = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    const long length = copied < buffer.size() ? static_cast<long>(copied) : 0;
#else
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
#endif
    if (length <= 0) {
        return std::string();
    }
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind(kSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
