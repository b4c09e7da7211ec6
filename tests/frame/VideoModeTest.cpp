#include "frame/VideoMode.h"

#include <OgreException.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VideoMode, SizesFromOneToTheLargestDrawableSide)
{
    const struct {
        const char* mode;
        unsigned width, height;
    } cases[] = {
        {"800 x 600", 800, 600},
        {"1 x 1", 1, 1},
        {"16384 x 16384", 16384, 16384},
        {"1024x768", 1024, 768},
        {"  640  x  480  ", 640, 480},
        {"800 x 600 @ 32-bit colour", 800, 600},  // as Ogre writes the modes it lists elsewhere
        {"0800 x 0600", 800, 600},
    };
    for (const auto& c : cases) {
        const VideoMode mode = parseVideoMode(c.mode, "ogre.cfg");
        EXPECT_EQ(mode.width, c.width) << c.mode;
        EXPECT_EQ(mode.height, c.height) << c.mode;
    }
}

// What X refuses (a side of 0, or one that 16 bits cut to 0), what the software GL
// crashes on, and what is no size at all: each refused, naming the file and the mode.
TEST(VideoMode, UnreadableOrOutOfRangeModesAreRefusedNamingFileAndMode)
{
    for (const char* mode : {"-5 x -5", "32767 x 32767", "65535 x 65535", "0 x 0", "800", "big", "65536 x 600",
                             "16385 x 600", "600 x 16385", "800 x", "x 600", "800 x 600 x 2", "800 y 600", "",
                             "99999999999999999999 x 600", "800 x 600 extra", "8e2 x 600"}) {
        try {
            parseVideoMode(mode, "some/ogre.cfg");
            ADD_FAILURE() << "accepted \"" << mode << "\"";
        } catch (const Ogre::Exception& e) {
            const std::string description = e.getFullDescription();
            EXPECT_NE(description.find("'some/ogre.cfg'"), std::string::npos) << description;
            EXPECT_NE(description.find(std::string("\"") + mode + "\""), std::string::npos) << description;
            EXPECT_NE(description.find("from 1 to 16384"), std::string::npos) << description;
        }
    }
}

}  // namespace
