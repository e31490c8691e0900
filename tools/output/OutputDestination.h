// Where rendered audio goes, chosen so that writing never destroys anything:
//   - "-" is standard output, written as it is.
//   - A regular file, or a name that does not exist yet, is written to a temporary
//     file beside it, which replaces it only once complete (commit). A symbolic
//     link is followed to its final target, so the link stays a link. The new file
//     keeps the old one's permissions (and owner, where allowed). A read-only file
//     is refused unless forced.
//   - Anything else (a character device such as /dev/null, a FIFO, a socket) is
//     opened and written in place, never removed or renamed over. A block device
//     is refused unless forced: audio written onto a disk destroys its contents.
// Opening waits for a FIFO's reader; a signal ends the wait (the call fails with
// "interrupted").
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

class OutputDestination {
public:
    enum class Kind { StandardOutput, InPlace, Replacement };

    OutputDestination() = default;
    ~OutputDestination(); // discards an unfinished replacement
    OutputDestination(const OutputDestination&) = delete;
    OutputDestination& operator=(const OutputDestination&) = delete;

    // Opens the destination for name. force replaces read-only files and writes
    // onto block devices. False with a one-line reason.
    bool open(const std::string& name, bool force, std::string& error);

    // Writes all bytes, resuming after signals unless stop answers true.
    bool writeAll(const void* data, std::size_t size, std::string& error);

    // Finishes: a replacement is flushed to disk and renamed over its target.
    bool commit(std::string& error);

    // Abandons: a replacement's temporary file is removed; the target is untouched.
    void discard();

    // Answers true when a write interrupted by a signal should give up.
    void setStopCheck(std::function<bool()> check) { stop = std::move(check); }

    int descriptor() const { return fd; }
    Kind kind() const { return destinationKind; }
    // Whether the descriptor can be rewound (files and some devices; not pipes or sockets).
    bool seekable() const;
    // The name shown to the user: the name given, or "standard output".
    const std::string& shownName() const { return shown; }
    // The file that is finally written (the final target of a symbolic link).
    const std::string& targetPath() const { return target; }
    const std::string& temporaryPath() const { return temporary; }

private:
    bool openReplacement(const std::string& path, bool exists, bool force, std::string& error);
    bool openInPlace(const std::string& path, bool isSocket, std::string& error);
    void closeDescriptor();

    int fd = -1;
    Kind destinationKind = Kind::StandardOutput;
    std::string shown;
    std::string target;
    std::string temporary;
    std::function<bool()> stop;
};
