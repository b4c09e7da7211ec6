#pragma once
// Death tests match standard error against a regular expression: this one
// matches exactly the given text.
#include <cstring>
#include <string>

inline std::string quoted(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) out += '\\';
        out += c;
    }
    return "^" + out + "$";
}
