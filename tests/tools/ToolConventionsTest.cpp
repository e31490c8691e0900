// What every tool does as audio tools do: --version and --help, usage errors with
// status 2, and finding the module where a host or an install puts it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ScratchDirectory.h"
#include "ToolProcess.h"

namespace fs = std::filesystem;

namespace {

struct Tool {
    const char* name;
    const char* path;
};

const Tool kTools[] = {
    {"zephyrant-info", ZEPHYRANT_INFO_PATH},
    {"zephyrant-render", ZEPHYRANT_RENDER_PATH},
    {"zephyrant-module-check", ZEPHYRANT_MODULE_CHECK_PATH},
};

TEST(ToolConventions, EveryToolAnswersVersionHelpAndUnknownOptions)
{
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        ToolRun run = runCommand(quoted(tool.path) + " --version");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, std::string(tool.name) + " " + ZEPHYRANT_VERSION + "\n");
        EXPECT_EQ(run.errors, "");

        for (const char* help : {"--help", "-h"}) {
            run = runCommand(quoted(tool.path) + " " + help);
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.output.rfind(std::string("Usage: ") + tool.name + " ", 0), 0u) << run.output;
            EXPECT_NE(run.output.find("--version"), std::string::npos);
            EXPECT_EQ(run.errors, "");
        }

        for (const char* bad : {"--bogus", "-Z"}) {
            run = runCommand(quoted(tool.path) + " " + bad);
            EXPECT_EQ(run.status, 2) << bad;
            EXPECT_EQ(run.output, "");
            EXPECT_EQ(run.errors.rfind(std::string(tool.name) + ": ", 0), 0u) << run.errors;
            EXPECT_NE(run.errors.find(bad), std::string::npos) << run.errors;
            EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
        }
    }
}

// A copy of a tool in a folder of its own, run with only the variables given.
ToolRun runCopied(const ScratchDirectory& directory, const Tool& tool, const std::string& variables,
                  const std::string& arguments)
{
    const std::string copy = directory.file(std::string("bin/") + tool.name);
    fs::create_directories(directory.file("bin"));
    fs::copy_file(tool.path, copy, fs::copy_options::overwrite_existing);
    return runCommand("env -i " + variables + " " + quoted(copy) + " " + arguments);
}

TEST(ToolConventions, ToolsFindTheModuleWhereHostsAndInstallsPutIt)
{
    if (fs::exists("/usr/local/lib/vst/Zephyrant.so") || fs::exists("/usr/lib/vst/Zephyrant.so")) {
        GTEST_SKIP() << "a module is installed on this machine";
    }
    const std::string arguments[] = {"", "-q -t 0 -o /dev/null"};
    for (std::size_t t = 0; t < 2; ++t) {
        const Tool& tool = kTools[t];
        SCOPED_TRACE(tool.name);
        ScratchDirectory directory;
        const std::string home = "HOME=" + quoted(directory.file("home"));

        // Nowhere: the error names every place looked at.
        ToolRun run = runCopied(directory, tool, home + " VST_PATH=" + quoted(directory.file("vst")), arguments[t]);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find("cannot find the module Zephyrant.so; looked at $ZEPHYRANT_MODULE (not set), " +
                                  directory.file("bin/Zephyrant.so") + ", " + directory.file("lib/vst/Zephyrant.so") +
                                  ", " + directory.file("vst/Zephyrant.so") + ", " +
                                  directory.file("home/.vst/Zephyrant.so") + ", /usr/local/lib/vst/Zephyrant.so, "
                                                                             "/usr/lib/vst/Zephyrant.so"),
                  std::string::npos)
            << run.errors;

        // Each place in turn, the earlier ones empty.
        for (const char* place : {"home/.vst", "vst", "lib/vst"}) {
            fs::create_directories(directory.file(place));
            fs::copy_file(ZEPHYRANT_MODULE_PATH, directory.file(std::string(place) + "/Zephyrant.so"));
            run = runCopied(directory, tool, home + " VST_PATH=" + quoted(directory.file("vst")), arguments[t]);
            EXPECT_EQ(run.status, 0) << place << ": " << run.errors;
            if (t == 0) {
                EXPECT_NE(run.output.find("Module:          " + directory.file(std::string(place) + "/Zephyrant.so")),
                          std::string::npos)
                    << run.output;
            }
        }

        // $ZEPHYRANT_MODULE comes first, as it stands.
        run = runCopied(directory, tool, home + " ZEPHYRANT_MODULE=" + quoted(directory.file("none.so")), arguments[t]);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find("cannot load " + directory.file("none.so")), std::string::npos) << run.errors;
    }
}

} // namespace
