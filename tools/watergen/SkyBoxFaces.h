#pragma once
#include <string>

// Writes the six faces of a sky box, <folder>/<name>_fr.png, _bk, _lf, _rt,
// _up and _dn (the files a cube texture "<name>.png" is loaded from), each
// `size` pixels square, from a sky painted as a function of direction, so that
// the faces meet without seams. Skies: "clubtropicana" (a clear tropical sky,
// the sun overhead), "earlymorning" (dawn, the sun low towards +z),
// "clouds" (overcast). False for an unknown sky.
bool writeSkyBoxFaces(const std::string& sky, const std::string& folder, int size);
