// Where rendered audio goes: every kind of destination a user may name, and that
// none of them is destroyed, replaced by the wrong thing or left half-written.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "tools/output/OutputDestination.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const std::string& path)
{
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

// Opens name, writes text and commits; answers the error, empty on success.
std::string writeThrough(const std::string& name, const std::string& text, bool force = false)
{
    OutputDestination destination;
    std::string error;
    if (!destination.open(name, force, error) || !destination.writeAll(text.data(), text.size(), error) ||
        !destination.commit(error)) {
        return error.empty() ? "failed without a reason" : error;
    }
    return std::string();
}

TEST(OutputDestination, RegularFilesAreReplacedOnlyWhenComplete)
{
    ScratchDirectory directory;
    const std::string path = directory.file("take.wav");
    writeText(path, "earlier take");
    chmod(path.c_str(), 0640);
    {
        OutputDestination destination;
        std::string error;
        ASSERT_TRUE(destination.open(path, false, error)) << error;
        EXPECT_EQ(destination.kind(), OutputDestination::Kind::Replacement);
        ASSERT_TRUE(destination.writeAll("new", 3, error)) << error;
        EXPECT_EQ(contents(path), "earlier take");
        EXPECT_EQ(directory.names().size(), 2u); // the take and the file being written beside it
        EXPECT_EQ(fs::path(destination.temporaryPath()).parent_path(), fs::path(directory.path()));
        ASSERT_TRUE(destination.commit(error)) << error;
    }
    EXPECT_EQ(contents(path), "new");
    EXPECT_EQ(modeOf(path) & 07777, 0640u) << "the new file keeps the old one's permissions";
    EXPECT_EQ(directory.names(), std::vector<std::string>{"take.wav"});
}

TEST(OutputDestination, AnAbandonedWriteLeavesEverythingAsItWas)
{
    ScratchDirectory directory;
    const std::string path = directory.file("take.wav");
    writeText(path, "earlier take");
    {
        OutputDestination destination;
        std::string error;
        ASSERT_TRUE(destination.open(path, false, error)) << error;
        ASSERT_TRUE(destination.writeAll("half", 4, error)) << error;
    }
    EXPECT_EQ(contents(path), "earlier take");
    EXPECT_EQ(directory.names(), std::vector<std::string>{"take.wav"});

    const std::string fresh = directory.file("fresh.wav");
    {
        OutputDestination destination;
        std::string error;
        ASSERT_TRUE(destination.open(fresh, false, error)) << error;
        destination.discard();
    }
    EXPECT_FALSE(fs::exists(fresh));
}

TEST(OutputDestination, SymbolicLinksAreWrittenThroughAndStayLinks)
{
    ScratchDirectory directory;
    fs::create_directory(directory.file("renders"));
    fs::create_directory(directory.file("links"));
    const std::string target = directory.file("renders/take.wav");
    writeText(target, "earlier take");
    // A relative link to a link to the file, and a link whose target does not exist yet.
    fs::create_symlink("../renders/take.wav", directory.file("links/first"));
    fs::create_symlink("first", directory.file("links/second"));
    fs::create_symlink("../renders/new.wav", directory.file("links/dangling"));

    ASSERT_EQ(writeThrough(directory.file("links/second"), "through two links"), "");
    EXPECT_TRUE(S_ISLNK(modeOf(directory.file("links/second"))));
    EXPECT_TRUE(S_ISLNK(modeOf(directory.file("links/first"))));
    EXPECT_TRUE(S_ISREG(modeOf(target)));
    EXPECT_EQ(contents(target), "through two links");

    ASSERT_EQ(writeThrough(directory.file("links/dangling"), "made at the target"), "");
    EXPECT_TRUE(S_ISLNK(modeOf(directory.file("links/dangling"))));
    EXPECT_EQ(contents(directory.file("renders/new.wav")), "made at the target");
    EXPECT_EQ(directory.names(), (std::vector<std::string>{"links", "renders"}));

    fs::create_symlink("loop", directory.file("links/loop"));
    EXPECT_NE(writeThrough(directory.file("links/loop"), "x").find("too many levels of symbolic links"),
              std::string::npos);
}

TEST(OutputDestination, ReadOnlyFilesAreRefusedUnlessForced)
{
    ScratchDirectory directory;
    const std::string path = directory.file("master.wav");
    writeText(path, "the master");
    chmod(path.c_str(), 0444);
    fs::create_symlink("master.wav", directory.file("link.wav"));

    for (const std::string& name : {path, directory.file("link.wav")}) {
        const std::string error = writeThrough(name, "over it");
        EXPECT_NE(error.find("not replacing the read-only file " + name + " (--force replaces it)"),
                  std::string::npos)
            << error;
        EXPECT_EQ(contents(path), "the master");
    }
    EXPECT_EQ(directory.names(), (std::vector<std::string>{"link.wav", "master.wav"}));

    ASSERT_EQ(writeThrough(path, "forced", true), "");
    EXPECT_EQ(contents(path), "forced");
    EXPECT_EQ(modeOf(path) & 07777, 0444u);
}

TEST(OutputDestination, OddNamesGiveOneLineReasons)
{
    ScratchDirectory directory;
    const struct {
        std::string name;
        std::string reason;
    } cases[] = {
        {"", "the output file name is empty"},
        {directory.path(), "it is a directory"},
        {directory.file("missing/take.wav"),
         "cannot create a temporary file beside it in " + directory.file("missing") + ": No such file or directory"},
        // A file that exists in a folder where no file can be made: the message names the folder.
        {"/proc/self/mem", "cannot write /proc/self/mem: cannot create a temporary file beside it in /proc/" +
                               std::to_string(getpid()) + ": "},
    };
    for (const auto& c : cases) {
        const std::string error = writeThrough(c.name, "x");
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    EXPECT_TRUE(directory.names().empty());
}

TEST(OutputDestination, DevicesAreWrittenInPlace)
{
    // /dev/null under its own name and through a link to it.
    ScratchDirectory directory;
    fs::create_symlink("/dev/null", directory.file("nowhere.wav"));
    for (const std::string& name : {std::string("/dev/null"), directory.file("nowhere.wav")}) {
        OutputDestination destination;
        std::string error;
        ASSERT_TRUE(destination.open(name, false, error)) << error;
        EXPECT_EQ(destination.kind(), OutputDestination::Kind::InPlace);
        EXPECT_TRUE(destination.temporaryPath().empty());
        ASSERT_TRUE(destination.writeAll("audio", 5, error)) << error;
        ASSERT_TRUE(destination.commit(error)) << error;
    }
    EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));
    EXPECT_TRUE(S_ISLNK(modeOf(directory.file("nowhere.wav"))));
    EXPECT_EQ(directory.names(), std::vector<std::string>{"nowhere.wav"});
}

TEST(OutputDestination, AFifoIsWrittenInPlaceForItsReader)
{
    ScratchDirectory directory;
    const std::string fifo = directory.file("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = contents(fifo); });
    const std::string error = writeThrough(fifo, "samples for the reader");
    reader.join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(received, "samples for the reader");
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_EQ(directory.names(), std::vector<std::string>{"pipe.wav"});
}

TEST(OutputDestination, ASocketIsConnectedToAndWrittenInPlace)
{
    ScratchDirectory directory;
    const std::string path = directory.file("listener.sock");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    std::string received;
    std::thread reader([&] {
        const int connection = accept(listener, nullptr, nullptr);
        char buffer[256];
        for (ssize_t got; connection >= 0 && (got = read(connection, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(got));
        }
        close(connection);
    });
    const std::string error = writeThrough(path, "samples over a socket");
    reader.join();
    close(listener);
    EXPECT_EQ(error, "");
    EXPECT_EQ(received, "samples over a socket");
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));
}

TEST(OutputDestination, DashIsStandardOutput)
{
    OutputDestination destination;
    std::string error;
    ASSERT_TRUE(destination.open("-", false, error)) << error;
    EXPECT_EQ(destination.kind(), OutputDestination::Kind::StandardOutput);
    EXPECT_EQ(destination.descriptor(), STDOUT_FILENO);
    EXPECT_EQ(destination.shownName(), "standard output");
    EXPECT_FALSE(fs::exists("-"));
    destination.discard();
    EXPECT_NE(fcntl(STDOUT_FILENO, F_GETFD), -1) << "standard output stays open";
}

} // namespace
