#pragma once
// OFF models of a chosen number of vertices: a grid of points with one triangle
// that uses the last of them, for the limits on vertex counts.
#include <string>

namespace testsupport {

inline std::string offModelOfVertices(int vertices)
{
    std::string text = "OFF\n" + std::to_string(vertices) + " 1 0\n";
    for (int i = 0; i < vertices; ++i)
        text += std::to_string(i % 256) + " " + std::to_string(i / 256) + " " + std::to_string(i % 3) + "\n";
    return text + "3 0 1 " + std::to_string(vertices - 1) + "\n";
}

}  // namespace testsupport
