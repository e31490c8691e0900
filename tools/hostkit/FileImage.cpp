#include "tools/hostkit/FileImage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool readFileImage(const std::string& path, std::size_t largestBytes, const char* what, std::vector<std::uint8_t>& image,
                   std::string& error)
{
    image.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::uint8_t buffer[65536];
    bool tooLarge = false;
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        image.insert(image.end(), buffer, buffer + count);
        if (image.size() > largestBytes) {
            tooLarge = true;
            break;
        }
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) {
        error = "cannot read " + path;
        return false;
    }
    if (tooLarge) {
        const std::size_t mebibyte = 1024 * 1024;
        const std::string limit = largestBytes >= mebibyte ? std::to_string(largestBytes / mebibyte) + " MiB"
                                                           : std::to_string(largestBytes) + " bytes";
        error = path + ": larger than " + limit + ", too large for " + what;
        return false;
    }
    return true;
}
