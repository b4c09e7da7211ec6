#include "platform/terrain/TerrainConfig.h"

#include <OgreException.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::parseTerrainConfig;

TEST(TerrainConfig, ReadsEveryKeyWithSpacesAndComments)
{
    const platform::TerrainConfig c = parseTerrainConfig(
        "# a lake\n"
        "  HeightMap =  lake height.png  \r\n"
        "\n"
        "WorldSizeX=50\n"
        "WorldSizeZ = 40.5\n"
        "MinHeight = -2.5\n"
        "MaxHeight = 16\n"
        "Texture = lake.png\n"
        "CustomMaterialName = Island\n",
        "lake.cfg");
    EXPECT_EQ(c.heightMap, "lake height.png");
    EXPECT_EQ(c.worldSizeX, 50.0f);
    EXPECT_EQ(c.worldSizeZ, 40.5f);
    EXPECT_EQ(c.minHeight, -2.5f);
    EXPECT_EQ(c.maxHeight, 16.0f);
    EXPECT_EQ(c.texture, "lake.png");
    EXPECT_EQ(c.customMaterial, "Island");

    // MinHeight defaults to 0; a custom material stands in for the texture.
    const platform::TerrainConfig d = parseTerrainConfig(
        "HeightMap = h.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 0\nCustomMaterialName = M\n", "d.cfg");
    EXPECT_EQ(d.minHeight, 0.0f);
    EXPECT_EQ(d.texture, "");
}

const char* const GOOD = "HeightMap = h.png\nWorldSizeX = 50\nWorldSizeZ = 50\nMaxHeight = 16\nTexture = t.png\n";

struct Bad {
    std::string text;
    std::string expected;  // part of the message beside the file's name
};

TEST(TerrainConfig, RefusesWhatItDoesNotUnderstandNamingFileLineAndKey)
{
    const Bad cases[] = {
        {"WorldSizeX = 50\nWorldSizeZ = 50\nMaxHeight = 16\nTexture = t.png\n", "missing key \"HeightMap\""},
        {"HeightMap = h.png\nWorldSizeZ = 50\nMaxHeight = 16\nTexture = t.png\n", "missing key \"WorldSizeX\""},
        {"HeightMap = h.png\nWorldSizeX = 50\nWorldSizeZ = 50\nTexture = t.png\n", "missing key \"MaxHeight\""},
        {"HeightMap = h.png\nWorldSizeX = 50\nWorldSizeZ = 50\nMaxHeight = 16\n", "missing key \"Texture\""},
        {std::string(GOOD) + "Heightmap = x.png\n", "line 6: unknown key \"Heightmap\""},
        {std::string(GOOD) + "MaxHeight = 17\n", "line 6: key \"MaxHeight\" given twice"},
        {std::string(GOOD) + "just words\n", "line 6: \"just words\" is no \"key = value\" line"},
        {std::string(GOOD) + "MinHeight =\n", "line 6: key \"MinHeight\" has no value"},
        {std::string(GOOD) + "MinHeight = 2 metres\n", "key \"MinHeight\": \"2 metres\" is not a number"},
        {std::string(GOOD) + "MinHeight = nan\n", "key \"MinHeight\": \"nan\" is not a number"},
        {std::string(GOOD) + "MinHeight = 1e99\n", "key \"MinHeight\": \"1e99\" is not a number"},
        {std::string(GOOD) + "MinHeight = 20\n", "key \"MaxHeight\" lies below \"MinHeight\""},
        {"HeightMap = h.png\nWorldSizeX = 0\n", "line 2: key \"WorldSizeX\": \"0\" is not a positive extent"},
        {"HeightMap = h.png\nWorldSizeZ = -5\n", "line 2: key \"WorldSizeZ\": \"-5\" is not a positive extent"},
        {"", "missing key \"HeightMap\""},
    };
    for (const Bad& bad : cases) {
        try {
            parseTerrainConfig(bad.text, "bad.cfg");
            ADD_FAILURE() << "accepted: " << bad.text;
        } catch (const Ogre::Exception& e) {
            const std::string message = e.getDescription();
            EXPECT_NE(message.find("\"bad.cfg\""), std::string::npos) << message;
            EXPECT_NE(message.find(bad.expected), std::string::npos) << message << "\nexpected: " << bad.expected;
        }
    }
}

// The terrain's users find the ground with rays that start at y = -1000 and point
// up: ground below that would read as no ground at all.
TEST(TerrainConfig, HeightsGoNoLowerThanTheProbesStart)
{
    const std::string start = "HeightMap = h.png\nWorldSizeX = 50\nWorldSizeZ = 50\nTexture = t.png\n";
    const platform::TerrainConfig lowest =
        parseTerrainConfig(start + "MinHeight = -1000\nMaxHeight = -1000\n", "lowest.cfg");
    EXPECT_EQ(lowest.minHeight, -1000.0f);
    EXPECT_EQ(lowest.maxHeight, -1000.0f);

    const Bad cases[] = {
        {start + "MinHeight = -2000\nMaxHeight = 16\n",
         "line 5: key \"MinHeight\": -2000 lies below -1000, where the probes that find the ground start"},
        {start + "MinHeight = -1000.5\nMaxHeight = 16\n", "line 5: key \"MinHeight\": -1000.5 lies below -1000"},
        {start + "MaxHeight = -1e4\n", "line 5: key \"MaxHeight\": -1e4 lies below -1000"},
    };
    for (const Bad& bad : cases) {
        try {
            parseTerrainConfig(bad.text, "low.cfg");
            ADD_FAILURE() << "accepted: " << bad.text;
        } catch (const Ogre::Exception& e) {
            EXPECT_NE(e.getDescription().find("terrain configuration \"low.cfg\", " + bad.expected), std::string::npos)
                << e.getDescription();
        }
    }
}

}  // namespace
