// The conventions every command-line tool here follows: --help and --version
// (the project's version, from the build), one-line errors prefixed with the
// tool's name, and exit statuses as audio tools use them.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;     // something failed while working
constexpr int kExitUsage = 2;       // the command line asks for something impossible
constexpr int kExitInterrupted = 130; // 128 + SIGINT
constexpr int kExitTerminated = 143;  // 128 + SIGTERM

// The version all tools report, as "NAME VERSION".
std::string versionLine(const std::string& toolName);

// A parser for the tool, with --help, --version and the tools' help layout.
// description is the paragraph --help shows first.
std::unique_ptr<CLI::App> makeCommandLine(const std::string& toolName, const std::string& description);

// Parses the arguments. Answers -1 when the tool is to go on, otherwise the exit
// status: 0 after --help or --version (printed on standard output), 2 after a
// usage error (its reason on one line on standard error).
int parseCommandLine(CLI::App& app, int argc, char** argv);

// The text with its control characters written as escapes (\n, \t, \x1B, \u0085),
// so that a message holding a name or argument from the user stays on one line and
// sends the terminal nothing but text.
std::string escapeControlCharacters(const std::string& text);

// "TOOL: message" on standard error, as one line.
void reportError(const std::string& toolName, const std::string& message);

// Reports a usage error found after parsing and answers its exit status, 2.
int usageError(const std::string& toolName, const std::string& message);
