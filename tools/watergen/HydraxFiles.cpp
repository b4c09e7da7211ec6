#include "HydraxFiles.h"

#include <fstream>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/MaterialManager.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"

namespace {

using Hydrax::CfgFileManager;

// The look the layer reads: its defaults, written out so that they can be tuned here.
std::string materialLines()
{
    const Hydrax::MaterialManager::Options o;
    return "# The water's look\n" + CfgFileManager::_getCfgString("WaterColor", o.WaterColor) +
           CfgFileManager::_getCfgString("WaterAlpha", o.WaterAlpha) +
           CfgFileManager::_getCfgString("Shininess", o.Shininess) +
           CfgFileManager::_getCfgString("SkyReflection", o.SkyReflection) +
           CfgFileManager::_getCfgString("SkyReflectionStrength", o.SkyReflectionStrength) + "\n";
}

std::string noiseLines()
{
    const Hydrax::Noise::Perlin::Options o;
    return "# The noise\n" + CfgFileManager::_getCfgString("PN_Octaves", o.Octaves) +
           CfgFileManager::_getCfgString("PN_Falloff", o.Falloff) +
           CfgFileManager::_getCfgString("PN_Speed", o.Speed) + "\n";
}

// The grid over the shallow water: the lake's 65 cells over 50 units (a grid
// of another size keeps its own, with a line in the log), the strength, and the
// smooth and choppy values under the keys the grid reads them from.
std::string lakeLines()
{
    return "# The grid over the shallow water\n" + CfgFileManager::_getCfgString("SG_Complexity", 65) +
           CfgFileManager::_getCfgString("SG_MeshSize", Hydrax::Size(50, 50)) +
           CfgFileManager::_getCfgString("SG_Strength", 32.5f) +
           CfgFileManager::_getCfgString("PG_ChoopyStrength", 0.065f) +
           CfgFileManager::_getCfgString("PG_ChoppyWaves", true) + CfgFileManager::_getCfgString("PG_Smooth", false);
}

// The demo's sea: the options its scene passes, so that loading keeps them.
std::string oceanLines()
{
    const Hydrax::Module::ProjectedGrid::Options o(264, 35.0f, 50.0f, false, false, true, 3.75f);
    return "# The projected grid\n" + CfgFileManager::_getCfgString("PG_Complexity", o.Complexity) +
           CfgFileManager::_getCfgString("PG_WaveLength", o.WaveLength) +
           CfgFileManager::_getCfgString("PG_ChoppyStrength", o.ChoppyStrength) +
           CfgFileManager::_getCfgString("PG_Smooth", o.Smooth) + CfgFileManager::_getCfgString("PG_Freeze", o.Freeze) +
           CfgFileManager::_getCfgString("PG_ChoppyWaves", o.ChoppyWaves) +
           CfgFileManager::_getCfgString("PG_Height", o.Height);
}

}  // namespace

bool writeHydraxFile(const std::string& kind, const std::string& path)
{
    std::string text;
    if (kind == "lake")
        text = "# Water of the lake programs, drawn from the shallow-water simulator\n\n" + materialLines() +
               noiseLines() + lakeLines();
    else if (kind == "ocean")
        text = "# The sea of the island demo, a projected grid over Perlin noise\n\n" + materialLines() + noiseLines() +
               oceanLines();
    else
        return false;
    std::ofstream file(path, std::ios::binary);
    file << text;
    return bool(file);
}
