#pragma once
// The terrain's surface in its own coordinates: a grid of height samples over
// x from 0 to sizeX and z from 0 to sizeZ, each cell drawn as two triangles
// split along the diagonal from its (i + 1, k) corner to its (i, k + 1) corner.
// Heights between samples, and ray hits, follow those triangles exactly.
#include <OgreRay.h>
#include <OgreVector.h>

#include <cstdint>
#include <vector>

namespace Ogre {
class Image;
}

namespace platform {

class HeightField {
public:
    // heights: samplesX x samplesZ values, sample (i, k) at i + k * samplesX;
    // both counts at least 2, both sizes positive.
    HeightField(std::uint32_t samplesX, std::uint32_t samplesZ, float sizeX, float sizeZ, std::vector<float> heights);

    // Pixel (c, r) becomes sample (c, r); its grey level (red channel) g in
    // [0, 1] the height minHeight + g (maxHeight - minHeight).
    static HeightField fromImage(const Ogre::Image& image, float sizeX, float sizeZ, float minHeight,
                                 float maxHeight);

    std::uint32_t samplesX() const { return mSamplesX; }
    std::uint32_t samplesZ() const { return mSamplesZ; }
    float sizeX() const { return mSizeX; }
    float sizeZ() const { return mSizeZ; }
    float minimum() const { return mMinimum; }
    float maximum() const { return mMaximum; }
    float sample(std::uint32_t i, std::uint32_t k) const { return mHeights[i + std::size_t(k) * mSamplesX]; }
    // Where sample (i, k) lies, in the terrain's coordinates.
    Ogre::Vector3 position(std::uint32_t i, std::uint32_t k) const;
    // Unit normal of the surface at sample (i, k), from its neighbours' heights.
    Ogre::Vector3 normal(std::uint32_t i, std::uint32_t k) const;

    // Edges included.
    bool contains(double x, double z) const;
    // Height of the drawn surface at (x, z), which must lie inside.
    float heightAt(double x, double z) const;

    // The nearest point, at or after the ray's origin, where the ray meets the
    // surface from either side; distance in units of the ray's direction.
    bool intersect(const Ogre::Ray& ray, float& distance, Ogre::Vector3& point) const;

private:
    bool intersectVertical(const Ogre::Ray& ray, float& distance, Ogre::Vector3& point) const;
    bool intersectCell(std::uint32_t i, std::uint32_t k, const Ogre::Ray& ray, double tMin, double tMax,
                       double& t) const;

    std::uint32_t mSamplesX, mSamplesZ;
    float mSizeX, mSizeZ;
    double mSpacingX, mSpacingZ;
    std::vector<float> mHeights;
    float mMinimum, mMaximum;
};

}  // namespace platform
