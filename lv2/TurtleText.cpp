#include "lv2/TurtleText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lv2/PluginIdentity.h"

std::string turtleNumber(float value)
{
    if (!std::isfinite(value)) {
        return {};
    }
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        // Hosts read the number as a float or as a double narrowed to float.
        if (std::strtof(text, nullptr) == value && static_cast<float>(std::strtod(text, nullptr)) == value) {
            break;
        }
    }
    std::string number = text;
    if (number.find_first_of(".e") == std::string::npos) {
        number += ".0";
    }
    return number;
}

std::string turtleString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '\\': quoted += "\\\\"; break;
        case '"': quoted += "\\\""; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        default: quoted += c; break;
        }
    }
    return quoted + "\"";
}

std::string presetUri(const std::string& name)
{
    std::string slug;
    bool gap = false;
    for (unsigned char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit) {
            gap = !slug.empty();
            continue;
        }
        if (gap) {
            slug += '-';
            gap = false;
        }
        slug += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return slug.empty() ? std::string{} : std::string(kLv2PluginUri) + ":preset:" + slug;
}
