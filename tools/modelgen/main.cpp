// Builds the model files the programs load:
//   modelgen bunny <file.off>    the OFF rabbit of 344 vertices
//   modelgen bun <file.ply>      the binary PLY rabbit with face intensities, 0.2 units across
//   modelgen teapot <file.ply>   the ascii PLY teapot, 260 units across
// Each is a closed surface wound outwards whose box is centred on the origin.
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "ModelFiles.h"
#include "Polygonize.h"
#include "Shapes.h"
#include "Simplify.h"

namespace {

TriangleMesh makeModel(const Solid& solid, int vertices, double largestSide)
{
    TriangleMesh mesh = polygonize(solid);
    simplify(mesh, vertices);
    centreAndScale(mesh, largestSide);
    const std::string fault = closedSurfaceFault(mesh);
    if (!fault.empty()) throw std::runtime_error("the model is not a closed surface: " + fault);
    return mesh;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::strcmp(argv[1], "bunny") == 0) {
            writeOff(argv[2], makeModel(bunnySolid(), 344, 0.2));
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "bun") == 0) {
            writeBinaryPlyWithIntensity(argv[2], makeModel(bunnySolid(), 1000, 0.2));
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "teapot") == 0) {
            const TriangleMesh teapot = makeModel(teapotSolid(), 1200, 260.0);
            PlyTexts texts;
            texts.comments.push_back("a teapot of smoothly joined parts, made by modelgen");
            texts.objInfo.push_back("vertices " + std::to_string(teapot.vertices.size()) + ", triangles " +
                                    std::to_string(teapot.triangles.size()));
            writeAsciiPly(argv[2], teapot, texts);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "modelgen: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: modelgen bunny <file.off> | modelgen bun <file.ply> | modelgen teapot <file.ply>\n");
    return 2;
}
