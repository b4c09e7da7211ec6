#include "frame/VideoMode.h"

#include <OgreException.h>

#include <cctype>

namespace {

void skipSpaces(const std::string& text, std::size_t& at)
{
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
}

// A side of 1 to MAX_WINDOW_SIDE in decimal; 0 for anything else.
unsigned readSide(const std::string& text, std::size_t& at)
{
    skipSpaces(text, at);
    unsigned long side = 0;
    const std::size_t start = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        side = side * 10 + unsigned(text[at] - '0');
        if (side > MAX_WINDOW_SIDE) return 0;
        ++at;
    }
    return at == start ? 0 : unsigned(side);
}

}  // namespace

VideoMode parseVideoMode(const std::string& mode, const std::string& source)
{
    std::size_t at = 0;
    const unsigned width = readSide(mode, at);
    skipSpaces(mode, at);
    const bool separated = at < mode.size() && mode[at] == 'x';
    ++at;
    const unsigned height = separated ? readSide(mode, at) : 0;
    skipSpaces(mode, at);
    const bool ended = at >= mode.size() || mode[at] == '@';
    if (width == 0 || height == 0 || !ended)
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS,
                    "'" + source + "': the video mode \"" + mode + "\" is no window size this program can open: " +
                        "it must read \"<width> x <height>\", each from 1 to " + std::to_string(MAX_WINDOW_SIDE),
                    "parseVideoMode");
    return {width, height};
}
