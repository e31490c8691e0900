// Where the tools find the module when none is named: the order of the places,
// the first one holding the module wins, $ZEPHYRANT_MODULE before all, and an
// error that names every place looked at.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "tools/hostkit/ModuleSearch.h"

namespace {

ModuleSearch searchWith(const std::string& toolDirectory, std::map<std::string, std::string> variables)
{
    ModuleSearch search;
    search.fileName = "Zephyrant.so";
    search.toolDirectory = toolDirectory;
    search.environment = [variables](const char* name) {
        const auto found = variables.find(name);
        return found != variables.end() ? found->second : std::string();
    };
    return search;
}

TEST(ModuleSearch, LooksBesideTheToolThenWhereHostsLook)
{
    const ModuleSearch search =
        searchWith("/opt/z/bin", {{"VST_PATH", "/a:/b/::"}, {"LXVST_PATH", "/c"}, {"HOME", "/home/u"}});
    EXPECT_EQ(moduleCandidates(search),
              (std::vector<std::string>{"/opt/z/bin/Zephyrant.so", "/opt/z/lib/vst/Zephyrant.so", "/a/Zephyrant.so",
                                        "/b//Zephyrant.so", "/c/Zephyrant.so", "/home/u/.vst/Zephyrant.so",
                                        "/usr/local/lib/vst/Zephyrant.so", "/usr/lib/vst/Zephyrant.so"}));
    // A tool installed in /usr/local/bin names /usr/local/lib/vst once.
    EXPECT_EQ(moduleCandidates(searchWith("/usr/local/bin", {})),
              (std::vector<std::string>{"/usr/local/bin/Zephyrant.so", "/usr/local/lib/vst/Zephyrant.so",
                                        "/usr/lib/vst/Zephyrant.so"}));
}

TEST(ModuleSearch, TakesTheFirstPlaceThatHoldsTheModule)
{
    ScratchDirectory directory;
    for (const char* folder : {"bin", "first", "second", "home/.vst"}) {
        std::filesystem::create_directories(directory.file(folder));
    }
    std::ofstream(directory.file("second/Zephyrant.so")) << "module";
    std::ofstream(directory.file("home/.vst/Zephyrant.so")) << "module";
    // A folder named like the module does not count.
    std::filesystem::create_directories(directory.file("first/Zephyrant.so"));
    const std::map<std::string, std::string> variables = {
        {"VST_PATH", directory.file("first") + ":" + directory.file("second")}, {"HOME", directory.file("home")}};

    std::string path, error;
    ASSERT_TRUE(locateModule(searchWith(directory.file("bin"), variables), path, error)) << error;
    EXPECT_EQ(path, directory.file("second") + "/Zephyrant.so");

    std::map<std::string, std::string> chosen = variables;
    chosen["ZEPHYRANT_MODULE"] = "/somewhere/else.so";
    ASSERT_TRUE(locateModule(searchWith(directory.file("bin"), chosen), path, error));
    EXPECT_EQ(path, "/somewhere/else.so");
}

TEST(ModuleSearch, NamesEveryPlaceWhenNoneHoldsTheModule)
{
    ScratchDirectory directory;
    std::string path, error;
    const ModuleSearch search = searchWith(directory.file("bin"), {{"LXVST_PATH", directory.file("vst")}});
    if (std::filesystem::exists("/usr/local/lib/vst/Zephyrant.so") || std::filesystem::exists("/usr/lib/vst/Zephyrant.so")) {
        GTEST_SKIP() << "a module is installed on this machine";
    }
    ASSERT_FALSE(locateModule(search, path, error));
    EXPECT_EQ(error, "cannot find the module Zephyrant.so; looked at $ZEPHYRANT_MODULE (not set), " +
                         directory.file("bin") + "/Zephyrant.so, " + directory.path() + "/lib/vst/Zephyrant.so, " +
                         directory.file("vst") + "/Zephyrant.so, /usr/local/lib/vst/Zephyrant.so, "
                                                 "/usr/lib/vst/Zephyrant.so");
}

} // namespace
