// Runs the project's programs as a user does, from a shell command line, and
// collects what they print and how they end.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScratchDirectory.h"

struct ToolRun {
    int status;          // the exit status, or 128 + the signal that ended the program
    std::string output;  // standard output
    std::string errors;  // standard error
};

inline std::string slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

inline int statusOf(int waitStatus)
{
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

// Runs the shell command line with standard output and error captured in files
// of a folder of their own, so the test's folders hold only what the program made.
inline ToolRun runCommand(const std::string& commandLine)
{
    const ScratchDirectory captures;
    const std::string output = captures.file("stdout");
    const std::string errors = captures.file("stderr");
    const std::string grouped = "{ " + commandLine + "; } >" + quoted(output) + " 2>" + quoted(errors);
    const int status = statusOf(std::system(grouped.c_str()));
    return ToolRun{status, slurp(output), slurp(errors)};
}
