#include "tools/output/OutputDestination.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Links followed before giving up, as the system's own limit does.
constexpr int kMaxLinks = 40;

std::string reasonOf(int error)
{
    return std::strerror(error);
}

// The path a chain of symbolic links ends at, whether or not that exists.
bool finalTarget(const std::string& path, std::string& target, std::string& error)
{
    fs::path current(path);
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            target = current.string();
            return true;
        }
        std::error_code failed;
        const fs::path link = fs::read_symlink(current, failed);
        if (failed) {
            error = "cannot follow the link " + current.string() + ": " + failed.message();
            return false;
        }
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    error = "cannot write " + path + ": too many levels of symbolic links";
    return false;
}

// Whether the running user may not write the file. Root may write anything, so
// for root a file without any write permission bit counts as read-only, as the
// user who made it read-only meant.
bool isReadOnly(const std::string& path, const struct stat& status)
{
    if (geteuid() == 0) {
        return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    }
    return access(path.c_str(), W_OK) != 0 && errno == EACCES;
}

mode_t creationMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

} // namespace

OutputDestination::~OutputDestination()
{
    discard();
}

bool OutputDestination::open(const std::string& name, bool force, std::string& error)
{
    discard();
    if (name.empty()) {
        error = "the output file name is empty";
        return false;
    }
    if (name == "-") {
        destinationKind = Kind::StandardOutput;
        shown = "standard output";
        fd = STDOUT_FILENO;
        return true;
    }
    shown = name;
    std::string path;
    if (!finalTarget(name, path, error)) {
        return false;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            error = "cannot write " + name + ": " + reasonOf(errno);
            return false;
        }
        return openReplacement(path, false, force, error);
    }
    if (S_ISDIR(status.st_mode)) {
        error = "cannot write " + name + ": it is a directory";
        return false;
    }
    if (S_ISREG(status.st_mode)) {
        // The final target of a chain that passes through /proc's links to open
        // files is only known by its real path.
        std::error_code failed;
        const fs::path real = fs::canonical(path, failed);
        return openReplacement(failed ? path : real.string(), true, force, error);
    }
    if (S_ISBLK(status.st_mode) && !force) {
        error = "refusing to write audio onto the block device " + name + " (it would overwrite its contents; --force does it)";
        return false;
    }
    return openInPlace(path, S_ISSOCK(status.st_mode), error);
}

bool OutputDestination::openReplacement(const std::string& path, bool exists, bool force, std::string& error)
{
    struct stat existing {};
    if (exists) {
        if (stat(path.c_str(), &existing) != 0) {
            error = "cannot write " + shown + ": " + reasonOf(errno);
            return false;
        }
        if (!force && isReadOnly(path, existing)) {
            error = "not replacing the read-only file " + shown + " (--force replaces it)";
            return false;
        }
    }
    const fs::path destination(path);
    if (!destination.has_filename()) {
        error = "cannot write " + shown + ": it names no file";
        return false;
    }
    const fs::path folder = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    const std::string suffix = ".partial";
    std::string pattern = (folder / ("." + destination.filename().string() + ".XXXXXX" + suffix)).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int made = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (made < 0) {
        // The file is written through a new file in its folder, which is what failed.
        error = "cannot write " + shown + ": cannot create a temporary file beside it in " + folder.string() + ": " +
                reasonOf(errno);
        return false;
    }
    fd = made;
    temporary = name.data();
    target = path;
    destinationKind = Kind::Replacement;
    // The finished file has the permissions the old one had, or those a new file gets.
    fchmod(fd, exists ? (existing.st_mode & 07777) : creationMode());
    if (exists && (existing.st_uid != geteuid() || existing.st_gid != getegid())) {
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Only root may give a file away; the new file then belongs to the user who rendered it.
        }
    }
    return true;
}

bool OutputDestination::openInPlace(const std::string& path, bool isSocket, std::string& error)
{
    int opened = -1;
    if (isSocket) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) {
            error = "cannot write " + shown + ": the socket's path is too long";
            return false;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        opened = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (opened >= 0 && connect(opened, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            const int reason = errno;
            ::close(opened);
            opened = -1;
            errno = reason;
        }
    } else {
        // No O_CREAT and no O_TRUNC: the node is written as it is.
        opened = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    }
    if (opened < 0) {
        error = errno == EINTR ? "interrupted" : "cannot write " + shown + ": " + reasonOf(errno);
        return false;
    }
    fd = opened;
    target = path;
    destinationKind = Kind::InPlace;
    return true;
}

bool OutputDestination::seekable() const
{
    return fd >= 0 && lseek(fd, 0, SEEK_CUR) != static_cast<off_t>(-1);
}

bool OutputDestination::writeAll(const void* data, std::size_t size, std::string& error)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR && !(stop && stop())) {
                continue;
            }
            error = errno == EINTR ? "interrupted" : "cannot write " + shown + ": " + reasonOf(errno);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputDestination::commit(std::string& error)
{
    if (fd < 0) {
        error = "no output is open";
        return false;
    }
    if (destinationKind != Kind::Replacement) {
        closeDescriptor();
        return true;
    }
    if (fsync(fd) != 0 || ::close(fd) != 0) {
        error = "cannot write " + shown + ": " + reasonOf(errno);
        fd = -1;
        discard();
        return false;
    }
    fd = -1;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = "cannot write " + shown + ": cannot put the finished temporary file " + temporary + " in its place: " +
                reasonOf(errno);
        discard();
        return false;
    }
    temporary.clear();
    return true;
}

void OutputDestination::discard()
{
    closeDescriptor();
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
}

void OutputDestination::closeDescriptor()
{
    if (fd >= 0 && fd != STDOUT_FILENO) {
        ::close(fd);
    }
    fd = -1;
}
