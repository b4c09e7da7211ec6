#pragma once
// One generated terrain: its height function and its colours, written as the
// three files the terrain scene manager reads: "<name>.cfg", the grey height
// map "<name>_height.png" and the colour texture "<name>_texture.png" (unless
// the terrain is drawn with a material of its own).
#include <functional>
#include <string>
#include <vector>

struct Colour {
    double r, g, b;
};

inline Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour shade(Colour c, double factor)
{
    return {c.r * factor, c.g * factor, c.b * factor};
}

struct GeneratedTerrain {
    std::string name;
    std::string description;  // the configuration's first comment line
    int samples;              // height map pixels per side
    double size;              // extent in x and in z
    double minHeight, maxHeight;
    int textureSize;          // texture pixels per side
    std::string customMaterial;  // empty: our own texture, named in the configuration
    // Height at (x, z), both from 0 to size; clamped to [minHeight, maxHeight].
    std::function<double(double x, double z)> height;
    // Colour of the ground at (x, z) of the given height and slope (rise over run).
    std::function<Colour(double x, double z, double height, double slope)> colour;
};

// The heights as the scene manager reads them back from the 8-bit height map,
// sample (i, k) at i + k * samples.
std::vector<double> quantisedHeights(const GeneratedTerrain& terrain);

// Writes the terrain's files into the folder (an image codec must be loaded).
void writeTerrainFiles(const GeneratedTerrain& terrain, const std::string& folder);
