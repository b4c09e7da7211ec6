#pragma once
// The render window's size as the saved configuration gives it ("Video Mode",
// "800 x 600"), checked before the window is made: X refuses a side of 0 or one
// past 16 bits only once the window is being made, past Ogre's error report, and
// the software GL crashes on a window of 32767 x 32767.
#include <string>

// GL draws at most this many pixels a side (the viewport limit of Mesa's
// software GL and of most hardware); a larger window could not be drawn whole.
constexpr unsigned MAX_WINDOW_SIDE = 16384;

struct VideoMode {
    unsigned width;
    unsigned height;
};

// Reads "<width> x <height>", with what Ogre's own modes may add after an "@"
// (the colour depth); throws an Ogre::Exception naming `source` and the mode when
// the text is not such a mode or a side lies outside 1 to MAX_WINDOW_SIDE.
VideoMode parseVideoMode(const std::string& mode, const std::string& source);
