#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

namespace physics {
namespace water {

// A grid of width x height elements stored row by row: element (x, z) is at
// x + z * width. The elements start uninitialised; the grid owns them.
template <class T>
struct Array2D {
    T* data;
    std::int32_t width;
    std::int32_t height;

    Array2D(int width, int height) : data(nullptr), width(width), height(height)
    {
        // A negative side is an allocation that cannot be made, as new[] would say.
        if (width < 0 || height < 0) throw std::bad_array_new_length();
        data = new T[std::size_t(width) * std::size_t(height)];
    }
    ~Array2D() { delete[] data; }
    Array2D(const Array2D&) = delete;
    Array2D& operator=(const Array2D&) = delete;

    T& operator()(int x, int z) { return data[index(x, z)]; }
    const T& operator()(int x, int z) const { return data[index(x, z)]; }

    std::size_t size() const { return std::size_t(width) * std::size_t(height); }

private:
    std::size_t index(int x, int z) const { return std::size_t(x) + std::size_t(z) * std::size_t(width); }
};

}  // namespace water
}  // namespace physics
