#include "PalmMesh.h"

#include <Ogre.h>
#include <OgreMeshSerializer.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double TRUNK_LENGTH = 0.98;
constexpr double TRUNK_BEND = 0.06;  // towards +x at the top
constexpr double BASE_RADIUS = 0.024, TOP_RADIUS = 0.015;
constexpr int TRUNK_SIDES = 8;
constexpr int TRUNK_RINGS = 12;

constexpr int FRONDS = 9;
constexpr int FROND_SAMPLES = 9;  // along each frond, base to tip

struct Surface {
    std::vector<float> positions, normals;
    std::vector<std::uint16_t> indices;

    void add(const Ogre::Vector3& p, const Ogre::Vector3& n)
    {
        positions.insert(positions.end(), {p.x, p.y, p.z});
        const Ogre::Vector3 unit = n.normalisedCopy();
        normals.insert(normals.end(), {unit.x, unit.y, unit.z});
    }
    Ogre::Vector3 position(std::uint16_t i) const { return Ogre::Vector3(&positions[3 * i]); }
};

Ogre::Vector3 trunkCentre(double t)
{
    return Ogre::Vector3(float(TRUNK_BEND * t * t), 0, float(TRUNK_LENGTH * t));
}

// A tapering tube with a ring's swelling every segment, as the old leaf bases leave.
Surface trunk()
{
    Surface surface;
    for (int ring = 0; ring <= TRUNK_RINGS; ++ring) {
        const double t = double(ring) / TRUNK_RINGS;
        const double swell = ring % 2 ? 1.0 : 1.12;
        const double radius = (BASE_RADIUS + (TOP_RADIUS - BASE_RADIUS) * t) * (ring == 0 ? 1.0 : swell);
        const Ogre::Vector3 centre = trunkCentre(t);
        for (int side = 0; side <= TRUNK_SIDES; ++side) {
            const double angle = 2 * M_PI * side / TRUNK_SIDES;
            const Ogre::Vector3 out(float(std::cos(angle)), float(std::sin(angle)), 0);
            surface.add(centre + out * float(radius), out);
        }
    }
    const int stride = TRUNK_SIDES + 1;
    for (int ring = 0; ring < TRUNK_RINGS; ++ring) {
        for (int side = 0; side < TRUNK_SIDES; ++side) {
            const std::uint16_t a = std::uint16_t(ring * stride + side), b = std::uint16_t(a + 1);
            const std::uint16_t c = std::uint16_t(a + stride), d = std::uint16_t(c + 1);
            // Counter-clockwise seen from outside.
            surface.indices.insert(surface.indices.end(), {a, b, c, b, d, c});
        }
    }
    return surface;
}

// One frond: a spine that rises a little from the crown, then droops, with a
// blade folded along it; its upper side first, then the same blade facing down.
void addFrond(Surface& surface, const Ogre::Vector3& crown, double azimuth, double length, double droop)
{
    const Ogre::Vector3 out(float(std::cos(azimuth)), float(std::sin(azimuth)), 0);
    const Ogre::Vector3 side(-out.y, out.x, 0);
    // Per sample along the frond: its left edge, its spine, its right edge.
    std::vector<Ogre::Vector3> points;
    for (int i = 0; i < FROND_SAMPLES; ++i) {
        const double s = double(i) / (FROND_SAMPLES - 1);
        const double rise = length * (0.3 * s - droop * s * s);
        const Ogre::Vector3 centre = crown + out * float(length * s) + Ogre::Vector3(0, 0, float(rise));
        // Narrow at the stalk, widest before the middle, nearly pointed at the
        // tip (never quite, so that every vertex has a triangle with an area).
        const double halfWidth = length * (0.006 + 0.12 * std::sin(M_PI * std::pow(s, 0.6)));
        const Ogre::Vector3 fold(0, 0, float(-0.35 * halfWidth));  // the edges hang below the spine
        points.insert(points.end(), {centre + side * float(halfWidth) + fold, centre,
                                     centre - side * float(halfWidth) + fold});
    }
    // Counter-clockwise seen from above.
    std::vector<std::uint16_t> corners;
    for (int i = 0; i + 1 < FROND_SAMPLES; ++i) {
        const std::uint16_t l0 = std::uint16_t(3 * i), c0 = std::uint16_t(l0 + 1), r0 = std::uint16_t(l0 + 2);
        const std::uint16_t l1 = std::uint16_t(l0 + 3), c1 = std::uint16_t(l0 + 4), r1 = std::uint16_t(l0 + 5);
        corners.insert(corners.end(), {c0, c1, l0, l0, c1, l1, c0, r0, c1, r0, r1, c1});
    }
    // The upper side's normals: each the sum of its triangles' normals.
    std::vector<Ogre::Vector3> normals(points.size(), Ogre::Vector3::ZERO);
    for (std::size_t c = 0; c < corners.size(); c += 3) {
        const Ogre::Vector3& a = points[corners[c]];
        const Ogre::Vector3 n = (points[corners[c + 1]] - a).crossProduct(points[corners[c + 2]] - a);
        for (int k = 0; k < 3; ++k) normals[corners[c + k]] += n;
    }
    for (int face = 0; face < 2; ++face) {
        const float sign = face == 0 ? 1.0f : -1.0f;
        const std::uint16_t first = std::uint16_t(surface.positions.size() / 3);
        for (std::size_t i = 0; i < points.size(); ++i) surface.add(points[i], normals[i] * sign);
        for (std::size_t c = 0; c < corners.size(); c += 3) {
            const std::uint16_t a = std::uint16_t(first + corners[c]), b = std::uint16_t(first + corners[c + 1]),
                                d = std::uint16_t(first + corners[c + 2]);
            if (face == 0)
                surface.indices.insert(surface.indices.end(), {a, b, d});
            else
                surface.indices.insert(surface.indices.end(), {a, d, b});
        }
    }
}

Surface fronds()
{
    Surface surface;
    const Ogre::Vector3 crown = trunkCentre(1.0);
    for (int f = 0; f < FRONDS; ++f) {
        // Fixed irregularities, so that the crown does not look turned on a lathe.
        const double jitter = std::sin(f * 2.3);
        const double azimuth = 2 * M_PI * (f + 0.25 * jitter) / FRONDS;
        const double length = 0.40 + 0.06 * std::cos(f * 1.7);
        const double droop = 0.85 + 0.25 * jitter;
        addFrond(surface, crown, azimuth, length, droop);
    }
    return surface;
}

void bindBuffer(Ogre::VertexData* data, unsigned short source, const std::vector<float>& values)
{
    Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        3 * sizeof(float), data->vertexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    buffer->writeData(0, buffer->getSizeInBytes(), values.data(), true);
    data->vertexBufferBinding->setBinding(source, buffer);
}

void addSubMesh(Ogre::Mesh* mesh, const Surface& surface, const std::string& material, Ogre::AxisAlignedBox& bounds,
                float& radius)
{
    Ogre::SubMesh* subMesh = mesh->createSubMesh();
    // A submesh keeps its material, not the name, and writes the name of the one
    // it holds: a stand-in carries the name into the file, where the programs
    // find the script's material.
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    if (!materials.resourceExists(material, mesh->getGroup())) materials.create(material, mesh->getGroup());
    subMesh->setMaterialName(material, mesh->getGroup());
    subMesh->useSharedVertices = false;
    Ogre::VertexData* data = new Ogre::VertexData();
    subMesh->vertexData = data;
    data->vertexStart = 0;
    data->vertexCount = surface.positions.size() / 3;
    data->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
    data->vertexDeclaration->addElement(1, 0, Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
    bindBuffer(data, 0, surface.positions);
    bindBuffer(data, 1, surface.normals);

    Ogre::HardwareIndexBufferSharedPtr indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, surface.indices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY,
        false);
    indexBuffer->writeData(0, indexBuffer->getSizeInBytes(), surface.indices.data(), true);
    subMesh->indexData->indexBuffer = indexBuffer;
    subMesh->indexData->indexStart = 0;
    subMesh->indexData->indexCount = surface.indices.size();

    for (std::size_t i = 0; i < surface.positions.size() / 3; ++i) {
        const Ogre::Vector3 p = surface.position(std::uint16_t(i));
        bounds.merge(p);
        radius = std::max(radius, p.length());
    }
}

}  // namespace

void writePalmMesh(const std::string& path)
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(
        "Palm.mesh", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    Ogre::AxisAlignedBox bounds;
    float radius = 0;
    addSubMesh(mesh.get(), trunk(), "Palm/Trunk", bounds, radius);
    addSubMesh(mesh.get(), fronds(), "Palm/Fronds", bounds, radius);
    mesh->_setBounds(bounds, false);
    mesh->_setBoundingSphereRadius(radius);
    mesh->load();
    Ogre::MeshSerializer().exportMesh(mesh.get(), path);
}
