#include "tools/cli/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#ifndef ZEPHYRANT_VERSION
#error "the build passes the project's version as ZEPHYRANT_VERSION"
#endif

namespace {

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kNameColumn = 28;

// The escapes of the control characters that C names, \a (7) to \r (13).
constexpr const char* kNamedEscapes[] = {"\\a", "\\b", "\\t", "\\n", "\\v", "\\f", "\\r"};

// Text broken into lines of at most width characters at blanks; paragraphs,
// separated by a newline, stay apart.
std::string wrapped(const std::string& text, std::size_t width)
{
    std::string out;
    std::size_t lineLength = 0;
    std::string::size_type at = 0;
    while (at < text.size()) {
        if (text[at] == '\n') {
            out += '\n';
            lineLength = 0;
            ++at;
            continue;
        }
        const std::string::size_type end = std::min(text.find_first_of(" \n", at), text.size());
        const std::string word = text.substr(at, end - at);
        if (lineLength > 0 && lineLength + 1 + word.size() > width) {
            out += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            out += ' ';
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
        at = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
    return out;
}

// Options shown as "-o, --output PATH", with only the value's name after them.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter() { column_width(kNameColumn); }

    // The usage line first, then what the tool does, as manual pages have it.
    std::string make_description(const CLI::App*) const override { return std::string(); }

    std::string make_usage(const CLI::App* app, std::string name) const override
    {
        return CLI::Formatter::make_usage(app, name) + "\n" + wrapped(app->get_description(), kHelpWidth) + "\n";
    }

    std::string make_footer(const CLI::App* app) const override
    {
        return app->get_footer().empty() ? std::string() : "\n" + wrapped(app->get_footer(), kHelpWidth) + "\n";
    }

    // Continuation lines are indented to the description column by the base class.
    std::string make_option_desc(const CLI::Option* option) const override
    {
        return wrapped(option->get_description(), kHelpWidth - kNameColumn);
    }

    std::string make_option_name(const CLI::Option* option, bool positional) const override
    {
        std::string names = CLI::Formatter::make_option_name(option, positional);
        for (std::string::size_type comma = names.find(','); comma != std::string::npos;
             comma = names.find(',', comma + 2)) {
            names.replace(comma, 1, ", ");
        }
        return names;
    }

    std::string make_option_opts(const CLI::Option* option) const override
    {
        return option->get_option_text().empty() ? std::string() : " " + option->get_option_text();
    }
};

} // namespace

std::string versionLine(const std::string& toolName)
{
    return toolName + " " + ZEPHYRANT_VERSION;
}

std::unique_ptr<CLI::App> makeCommandLine(const std::string& toolName, const std::string& description)
{
    auto app = std::make_unique<CLI::App>(description, toolName);
    app->formatter(std::make_shared<HelpFormatter>());
    app->set_help_flag("-h,--help", "show this help and exit");
    app->set_version_flag("--version", versionLine(toolName), "show the version and exit");
    app->get_formatter()->label("Positionals", "Arguments");
    // An option given twice takes its last value, as with getopt; options that
    // collect values say so themselves.
    app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    return app;
}

int parseCommandLine(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return kExitSuccess;
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << "\n";
        return kExitSuccess;
    } catch (const CLI::ParseError& failure) {
        return usageError(app.get_name(), failure.what());
    }
    return -1;
}

std::string escapeControlCharacters(const std::string& text)
{
    std::string shown;
    for (std::size_t n = 0; n < text.size(); ++n) {
        const auto byte = static_cast<unsigned char>(text[n]);
        const auto next = n + 1 < text.size() ? static_cast<unsigned char>(text[n + 1]) : 0u;
        char escape[8];
        if (byte >= '\a' && byte <= '\r') {
            shown += kNamedEscapes[byte - '\a'];
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080 to U+009F, the second set of control characters, as UTF-8 writes them.
            std::snprintf(escape, sizeof escape, "\\u%04X", next);
            shown += escape;
            ++n;
        } else {
            shown += text[n];
        }
    }
    return shown;
}

void reportError(const std::string& toolName, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", toolName.c_str(), escapeControlCharacters(message).c_str());
}

int usageError(const std::string& toolName, const std::string& message)
{
    reportError(toolName, message + " (see --help)");
    return kExitUsage;
}
