#pragma once
// Width and height of a grid in world units, as the configuration files write
// it ("50x50").

namespace Hydrax {

struct Size {
    int Width;
    int Height;

    Size() : Width(0), Height(0) {}
    explicit Size(int side) : Width(side), Height(side) {}
    Size(int width, int height) : Width(width), Height(height) {}

    bool operator==(const Size& other) const { return Width == other.Width && Height == other.Height; }
    bool operator!=(const Size& other) const { return !(*this == other); }
};

}  // namespace Hydrax
