#pragma once
// The programs' three terrains.
#include "TerrainFiles.h"

// "watertest2_terrain": the lake of the water programs, 50 x 50. A flat basin
// floor at 4.5 within 9 units of the centre, shores rising through the water
// level 10 about 16 units out, a plateau near 12.5 and a rim rising steeply to
// 15.9 along every edge and 16.2 in the corners, so that water and bodies stay
// inside; nowhere above 16.25.
GeneratedTerrain lakeTerrain();

// "plytest5": hills over 50 x 50 for bumphillball: the centre lies on the flank
// of a hill, valleys around it, and a rim along every edge; below 14.
GeneratedTerrain hillsTerrain();

// "Island": an island over 3000 x 3000 for seaview, drawn with the material
// "Island": a mountain in the middle, a wide hilly plateau (heights 20 to 105,
// where the palms stand), beaches, and all round a sea floor from -4 down to
// -60 below the sea at height 0.
GeneratedTerrain islandTerrain();
