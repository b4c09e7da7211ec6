// A terrain configuration file holds one "key = value" per line; blank lines and
// lines starting with '#' are ignored, and spaces around key and value do not
// count. Each key may appear once; any other key is refused, so that a typing
// slip is reported instead of silently ignored.
//
//   HeightMap          required  image file (same resource group as the file), at
//                                least 2 x 2 and at most 4097 x 4097 pixels, of a
//                                kind whose header gives its size (PNG, JPEG, BMP,
//                                GIF, PGM, PPM, TGA); pixel column c lies at
//                                x = c / (width - 1) * WorldSizeX and row r at
//                                z = r / (height - 1) * WorldSizeZ; its grey level
//                                (the red channel of a colour image) from 0 to 1
//                                is spread from MinHeight to MaxHeight
//   WorldSizeX         required  extent along x, a positive number
//   WorldSizeZ         required  extent along z, a positive number
//   MaxHeight          required  height of white, at least MinHeight
//   MinHeight          optional  height of black, 0 when absent; both heights
//                                at least LOWEST_TERRAIN_HEIGHT (-1000)
//   Texture            required  image spread once over the whole terrain
//                                (unless CustomMaterialName is given)
//   CustomMaterialName optional  an existing material to draw the terrain with,
//                                in place of "<scene manager name>/Terrain"
//
// Example:
//   HeightMap = lake_height.png
//   WorldSizeX = 50
//   WorldSizeZ = 50
//   MaxHeight = 16
//   Texture = lake_texture.png
#include "platform/terrain/TerrainConfig.h"

#include <OgreException.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

namespace platform {

namespace {

const char* const SOURCE = "parseTerrainConfig";

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

[[noreturn]] void refuse(const std::string& fileName, int line, const std::string& what)
{
    std::ostringstream message;
    message << "terrain configuration \"" << fileName << "\"";
    if (line > 0) message << ", line " << line;
    message << ": " << what;
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, message.str(), SOURCE);
}

float number(const std::string& fileName, int line, const std::string& key, const std::string& value)
{
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v) || std::fabs(v) > 1e30)
        refuse(fileName, line, "key \"" + key + "\": \"" + value + "\" is not a number");
    return float(v);
}

}  // namespace

TerrainConfig parseTerrainConfig(const std::string& text, const std::string& fileName)
{
    TerrainConfig config;
    std::set<std::string> seen;
    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(lines, raw)) {
        ++lineNumber;
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) refuse(fileName, lineNumber, "\"" + line + "\" is no \"key = value\" line");
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        if (!seen.insert(key).second) refuse(fileName, lineNumber, "key \"" + key + "\" given twice");
        if (value.empty()) refuse(fileName, lineNumber, "key \"" + key + "\" has no value");

        if (key == "HeightMap")
            config.heightMap = value;
        else if (key == "WorldSizeX")
            config.worldSizeX = number(fileName, lineNumber, key, value);
        else if (key == "WorldSizeZ")
            config.worldSizeZ = number(fileName, lineNumber, key, value);
        else if (key == "MinHeight")
            config.minHeight = number(fileName, lineNumber, key, value);
        else if (key == "MaxHeight")
            config.maxHeight = number(fileName, lineNumber, key, value);
        else if (key == "Texture")
            config.texture = value;
        else if (key == "CustomMaterialName")
            config.customMaterial = value;
        else
            refuse(fileName, lineNumber, "unknown key \"" + key + "\"");

        if ((key == "WorldSizeX" && !(config.worldSizeX > 0)) || (key == "WorldSizeZ" && !(config.worldSizeZ > 0)))
            refuse(fileName, lineNumber, "key \"" + key + "\": \"" + value + "\" is not a positive extent");
        if ((key == "MinHeight" && config.minHeight < LOWEST_TERRAIN_HEIGHT) ||
            (key == "MaxHeight" && config.maxHeight < LOWEST_TERRAIN_HEIGHT))
            refuse(fileName, lineNumber,
                   "key \"" + key + "\": " + value + " lies below " + std::to_string(int(LOWEST_TERRAIN_HEIGHT)) +
                       ", where the probes that find the ground start");
    }

    for (const char* key : {"HeightMap", "WorldSizeX", "WorldSizeZ", "MaxHeight"})
        if (!seen.count(key)) refuse(fileName, 0, std::string("missing key \"") + key + "\"");
    if (!seen.count("Texture") && !seen.count("CustomMaterialName"))
        refuse(fileName, 0, "missing key \"Texture\" (or \"CustomMaterialName\")");
    if (config.maxHeight < config.minHeight)
        refuse(fileName, 0, "key \"MaxHeight\" lies below \"MinHeight\"");
    return config;
}

}  // namespace platform
