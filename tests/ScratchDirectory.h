// A fresh folder under the system's temporary one for a test's files, removed
// with everything in it afterwards.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        folder = std::filesystem::temp_directory_path() /
                 ("zephyrant-test-" + std::to_string(random()) + "-" + std::to_string(now));
        std::filesystem::create_directories(folder);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path() const { return folder.string(); }
    std::string file(const std::string& name) const { return (folder / name).string(); }

    // The names in the folder, sorted.
    std::vector<std::string> names() const
    {
        std::vector<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            all.push_back(entry.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

private:
    std::filesystem::path folder;
};
