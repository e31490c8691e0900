#include "tools/hostkit/ModuleSearch.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "tools/hostkit/ModuleLoader.h"

#ifndef ZEPHYRANT_MODULE_FILE_NAME
#ifdef _WIN32
#define ZEPHYRANT_MODULE_FILE_NAME "Zephyrant.dll"
#else
#define ZEPHYRANT_MODULE_FILE_NAME "Zephyrant.so"
#endif
#endif

namespace {

#ifdef _WIN32
constexpr char kListSeparator = ';';
constexpr const char* kDirectorySeparator = "\\";
#else
constexpr char kListSeparator = ':';
constexpr const char* kDirectorySeparator = "/";
#endif

std::string inFolder(const std::string& folder, const std::string& fileName)
{
    return folder + kDirectorySeparator + fileName;
}

// The non-empty entries of a search-path list.
std::vector<std::string> listEntries(const std::string& list)
{
    std::vector<std::string> entries;
    std::string::size_type start = 0;
    while (start <= list.size()) {
        const std::string::size_type end = std::min(list.find(kListSeparator, start), list.size());
        if (end > start) {
            entries.push_back(list.substr(start, end - start));
        }
        start = end + 1;
    }
    return entries;
}

bool isFile(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

} // namespace

ModuleSearch systemModuleSearch()
{
    ModuleSearch search;
    search.fileName = ZEPHYRANT_MODULE_FILE_NAME;
    search.toolDirectory = executableDirectory();
    search.environment = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    return search;
}

std::vector<std::string> moduleCandidates(const ModuleSearch& search)
{
    std::vector<std::string> candidates;
    if (!search.toolDirectory.empty()) {
        candidates.push_back(inFolder(search.toolDirectory, search.fileName));
#ifndef _WIN32
        const std::filesystem::path installed = std::filesystem::path(search.toolDirectory) / ".." / "lib" / "vst";
        candidates.push_back(inFolder(installed.lexically_normal().string(), search.fileName));
#endif
    }
    for (const char* variable : {"VST_PATH", "LXVST_PATH"}) {
        for (const std::string& folder : listEntries(search.environment(variable))) {
            candidates.push_back(inFolder(folder, search.fileName));
        }
    }
#ifndef _WIN32
    const std::string home = search.environment("HOME");
    if (!home.empty()) {
        candidates.push_back(inFolder(home + "/.vst", search.fileName));
    }
    candidates.push_back(inFolder("/usr/local/lib/vst", search.fileName));
    candidates.push_back(inFolder("/usr/lib/vst", search.fileName));
#endif
    // A place named twice (a tool installed in /usr/local/bin) is looked at once.
    std::vector<std::string> unique;
    for (const std::string& candidate : candidates) {
        if (std::find(unique.begin(), unique.end(), candidate) == unique.end()) {
            unique.push_back(candidate);
        }
    }
    return unique;
}

bool locateModule(const ModuleSearch& search, std::string& path, std::string& error)
{
    const std::string chosen = search.environment("ZEPHYRANT_MODULE");
    if (!chosen.empty()) {
        path = chosen;
        return true;
    }
    const std::vector<std::string> candidates = moduleCandidates(search);
    for (const std::string& candidate : candidates) {
        if (isFile(candidate)) {
            path = candidate;
            return true;
        }
    }
    error = "cannot find the module " + search.fileName + "; looked at $ZEPHYRANT_MODULE (not set)";
    for (const std::string& candidate : candidates) {
        error += ", " + candidate;
    }
    return false;
}
