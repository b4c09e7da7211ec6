#include "platform/hydrax/Module/ProjectedGrid.h"

#include <OgreStringConverter.h>

#include <algorithm>
#include <cmath>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Log.h"

namespace Hydrax {
namespace Module {

namespace {

const double TWO_PI = 6.283185307179586;
// The farthest the grid reaches when the camera sets no far clip distance.
const double UNBOUNDED_REACH = 100000.0;

Ogre::String normalModeName(const MaterialManager::NormalMode& mode)
{
    return mode == MaterialManager::NM_VERTEX ? "Vertex" : "Rtt";
}

Mesh::Options meshOptions(const ProjectedGrid::Options& o, const MaterialManager::NormalMode& mode)
{
    return Mesh::Options(o.Complexity, Size(0, 0), o.Height,
                         mode == MaterialManager::NM_VERTEX ? Mesh::VT_POSITION_NORMAL : Mesh::VT_POSITION);
}

}  // namespace

ProjectedGrid::ProjectedGrid(Hydrax* hydrax, Noise::Noise* noise, const Ogre::Plane& basePlane,
                             const MaterialManager::NormalMode& normalMode, const Options& options)
    : Module("ProjectedGrid" + normalModeName(normalMode), noise, meshOptions(options, normalMode), normalMode),
      mHydrax(hydrax),
      mBasePlane(basePlane)
{
    mBasePlane.normalise();
    const Ogre::Vector3& n = mBasePlane.normal;
    // x and z for a level plane; any two axes along it otherwise.
    const Ogre::Vector3 alongX = Ogre::Vector3::UNIT_X - n * n.dotProduct(Ogre::Vector3::UNIT_X);
    mAxisU = alongX.squaredLength() > 1e-6f ? alongX.normalisedCopy() : n.perpendicular();
    mAxisV = mAxisU.crossProduct(n);
    if (!setOptions(options)) setOptions(Options());
}

ProjectedGrid::~ProjectedGrid()
{
    if (mCreated) remove();
    log(mName + " destroyed.");
}

bool ProjectedGrid::setOptions(const Options& o)
{
    if (o.Complexity < Mesh::MIN_COMPLEXITY || o.Complexity > Mesh::MAX_COMPLEXITY || !(o.WaveLength > 0.0f) ||
        !(o.Height >= 0.0f) || !(o.ChoppyStrength >= 0.0f) || !std::isfinite(o.WaveLength) ||
        !std::isfinite(o.Height) || !std::isfinite(o.ChoppyStrength)) {
        log(mName + " options refused: complexity " + Ogre::StringConverter::toString(o.Complexity) +
            ", wave length " + Ogre::StringConverter::toString(o.WaveLength) + ", height " +
            Ogre::StringConverter::toString(o.Height) + ", choppy strength " +
            Ogre::StringConverter::toString(o.ChoppyStrength) + ".");
        return false;
    }
    const bool rebuild = mCreated && o.Complexity != mOptions.Complexity;
    mMeshOptions = meshOptions(o, mNormalMode);
    mHydrax->getMesh()->setOptions(mMeshOptions);
    mHydrax->_setStrength(o.Height);
    if (!rebuild) {
        mOptions = o;
        return true;
    }
    remove();
    mOptions = o;
    create();
    Mesh* mesh = mHydrax->getMesh();
    const Ogre::String material = mesh->getMaterialName();
    mesh->remove();
    mesh->setOptions(mMeshOptions);
    mesh->setMaterialName(material);
    mesh->create();
    return true;
}

void ProjectedGrid::create()
{
    log("Creating " + mName + " module.");
    Module::create();
    if (mNormalMode != MaterialManager::NM_VERTEX && mNoise &&
        !mNoise->createGPUNormalMapResources(mHydrax->getGPUNormalMapManager()))
        log(mNoise->getName() + " doesn't support GPU Normal map generation.");
    const std::size_t count = std::size_t(mOptions.Complexity) * mOptions.Complexity;
    mPlanePoints.assign(count, Ogre::Vector3::ZERO);
    mSpacing.assign(count, 0.0f);
    mPositions.assign(count, Ogre::Vector3::ZERO);
    mNormals.assign(count, Ogre::Vector3::NEGATIVE_UNIT_Y);
    mVertices.assign(count * (mNormalMode == MaterialManager::NM_VERTEX ? 6 : 3), 0.0f);
    log(mName + " created.");
}

void ProjectedGrid::remove()
{
    if (!mCreated) return;
    Module::remove();
    mPlanePoints.clear();
    mSpacing.clear();
    mPositions.clear();
    mNormals.clear();
    mVertices.clear();
}

void ProjectedGrid::update(const Ogre::Real& timeSinceLastFrame)
{
    if (!mCreated || !mHydrax->getCamera()) return;
    if (!mOptions.Freeze) Module::update(timeSinceLastFrame);
    project();
    displace();
    calculateNormals();
    const int n = mOptions.Complexity;
    const bool withNormals = mNormalMode == MaterialManager::NM_VERTEX;
    const Ogre::Vector3 origin = mHydrax->getPosition();
    for (std::size_t k = 0; k < mPositions.size(); ++k) {
        float* v = &mVertices[(withNormals ? 6 : 3) * k];
        const Ogre::Vector3 p = mPositions[k] - origin;
        v[0] = p.x;
        v[1] = p.y;
        v[2] = p.z;
        if (withNormals) {
            v[3] = mNormals[k].x;
            v[4] = mNormals[k].y;
            v[5] = mNormals[k].z;
        }
    }
    mHydrax->getMesh()->updateGeometry(n * n, mVertices.data());
}

// Lays the grid over the part of the camera's view in which rays meet the
// plane: column i at screen x from right to left (so that the triangles face
// the plane's normal), row j from the near edge of that part to its far edge.
void ProjectedGrid::project()
{
    Ogre::Camera* camera = mHydrax->getCamera();
    const int n = mOptions.Complexity;
    const Ogre::Vector3 eye = camera->getDerivedPosition();
    const Ogre::Quaternion turn = camera->getDerivedOrientation();
    const Ogre::Vector3 forward = turn * Ogre::Vector3::NEGATIVE_UNIT_Z;
    const Ogre::Vector3 right = turn * Ogre::Vector3::UNIT_X;
    const Ogre::Vector3 up = turn * Ogre::Vector3::UNIT_Y;
    const double tanY = std::tan(0.5 * double(camera->getFOVy().valueRadians()));
    const double tanX = tanY * double(camera->getAspectRatio());

    const Ogre::Vector3& normal = mBasePlane.normal;
    const double heightAbove = double(mBasePlane.getDistance(eye));
    // Seen from below, the rays that meet the plane go up.
    const double side = heightAbove >= 0 ? 1.0 : -1.0;
    const double clearance = std::max(std::fabs(heightAbove), 0.01);
    const Ogre::Vector3 foot = eye - normal * float(heightAbove);
    const double far = camera->getFarClipDistance();
    const double reach = far > 0 ? 0.9 * far : UNBOUNDED_REACH;

    // Crests near the view's edges must not uncover them: reach beyond the
    // edges by what the highest crest (or the planes error) can shift.
    const double lift = mOptions.Height * (1.0 + (mOptions.ChoppyWaves ? mOptions.ChoppyStrength / 100.0 : 0.0)) +
                        mHydrax->getPlanesError();
    const double margin = Ogre::Math::Clamp(2.0 * lift / (clearance * tanY) + 0.02, 0.02, 1.0);

    auto farPoint = [&](const Ogre::Vector3& direction) {
        Ogre::Vector3 along = direction - normal * normal.dotProduct(direction);
        if (along.squaredLength() < 1e-12f) return foot;
        along.normalise();
        return foot + along * float(reach);
    };

    for (int i = 0; i < n; ++i) {
        const double sx = (1.0 + margin) - (2.0 + 2.0 * margin) * i / (n - 1);
        const Ogre::Vector3 base = forward + right * float(sx * tanX);
        const Ogre::Vector3 rise = up * float(tanY);
        // side * (normal . ray) = a + b y is negative where the ray meets the plane.
        const double a = side * normal.dotProduct(base), b = side * normal.dotProduct(rise);
        double nearY, farY;
        bool empty = false;
        if (std::fabs(b) < 1e-12) {
            nearY = -1.0 - margin;
            farY = 1.0 + margin;
            empty = a >= 0;
        } else if (b > 0) {
            nearY = -1.0 - margin;
            farY = std::min(1.0 + margin, -a / b);
            empty = farY <= nearY;
        } else {
            nearY = 1.0 + margin;
            farY = std::max(-1.0 - margin, -a / b);
            empty = farY >= nearY;
        }
        for (int j = 0; j < n; ++j) {
            Ogre::Vector3& point = mPlanePoints[std::size_t(i) * n + j];
            if (empty) {
                point = farPoint(base);
                continue;
            }
            const double sy = nearY + (farY - nearY) * j / (n - 1);
            const Ogre::Vector3 ray = base + rise * float(sy);
            const double approach = side * normal.dotProduct(ray);
            if (approach >= 0) {  // the horizon itself
                point = farPoint(ray);
                continue;
            }
            const double t = clearance / -approach;
            const Ogre::Vector3 hit = eye + ray * float(t);
            point = (hit - foot).squaredLength() > reach * reach ? farPoint(ray) : hit;
        }
    }

    // The spacing of the grid at each vertex: the detail the noise can show there.
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const Ogre::Vector3& p = mPlanePoints[std::size_t(i) * n + j];
            const Ogre::Vector3& pi = mPlanePoints[std::size_t(i + 1 < n ? i + 1 : i - 1) * n + j];
            const Ogre::Vector3& pj = mPlanePoints[std::size_t(i) * n + (j + 1 < n ? j + 1 : j - 1)];
            mSpacing[std::size_t(i) * n + j] = std::sqrt(std::max(p.squaredDistance(pi), p.squaredDistance(pj)));
        }
    }
}

// Heights from the noise along the normal; with choppy waves, a shift towards
// the crests along the slope (the way the water moves in a rolling wave).
void ProjectedGrid::displace()
{
    const Ogre::Vector3& normal = mBasePlane.normal;
    const float scale = 1.0f / mOptions.WaveLength;
    const float gather =
        mOptions.ChoppyWaves ? float(mOptions.ChoppyStrength / 100.0 * mOptions.Height / TWO_PI) : 0.0f;
    for (std::size_t k = 0; k < mPlanePoints.size(); ++k) {
        const Ogre::Vector3& p = mPlanePoints[k];
        const float u = p.dotProduct(mAxisU) * scale, v = p.dotProduct(mAxisV) * scale;
        float h = 0.0f;
        Ogre::Vector2 slope = Ogre::Vector2::ZERO;
        if (mNoise) h = mNoise->getValue(u, v, mSpacing[k] * scale, gather > 0 ? &slope : nullptr);
        mPositions[k] = p + normal * (mOptions.Height * h) + (mAxisU * slope.x + mAxisV * slope.y) * gather;
    }
}

// As the water grid's normals: (along the columns) x (along the rows) from the
// neighbours, pointing into the water (the mesh draws them flipped).
void ProjectedGrid::calculateNormals()
{
    if (mNormalMode != MaterialManager::NM_VERTEX) return;
    const int n = mOptions.Complexity;
    const Ogre::Vector3& normal = mBasePlane.normal;
    auto at = [&](int i, int j) -> const Ogre::Vector3& { return mPositions[std::size_t(i) * n + j]; };
    // Smoothed, each normal is the sum of its neighbours' unit normals: those are
    // kept aside, each normalised once.
    const bool smooth = mOptions.Smooth;
    if (smooth) mSharp.resize(mNormals.size());
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const Ogre::Vector3 a = at(i + 1 < n ? i + 1 : i, j) - at(i > 0 ? i - 1 : i, j);
            const Ogre::Vector3 b = at(i, j + 1 < n ? j + 1 : j) - at(i, j > 0 ? j - 1 : j);
            Ogre::Vector3 c = a.crossProduct(b);
            if (c.dotProduct(normal) > 0) c = -c;
            if (smooth)
                mSharp[std::size_t(i) * n + j] = c.normalisedCopy();
            else
                mNormals[std::size_t(i) * n + j] = c;
        }
    }
    if (!smooth) return;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Ogre::Vector3 sum = Ogre::Vector3::ZERO;
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj)
                    sum += mSharp[std::size_t(Ogre::Math::Clamp(i + di, 0, n - 1)) * n +
                                  Ogre::Math::Clamp(j + dj, 0, n - 1)];
            mNormals[std::size_t(i) * n + j] = sum;
        }
    }
}

Ogre::Vector3 ProjectedGrid::planePoint(float x, float z) const
{
    const Ogre::Vector3 p(x, 0, z);
    const Ogre::Vector3& normal = mBasePlane.normal;
    // Along the vertical onto the plane, unless the plane stands upright.
    if (std::fabs(normal.y) > 1e-6f) return Ogre::Vector3(x, -(normal.x * x + normal.z * z + mBasePlane.d) / normal.y, z);
    return p - normal * mBasePlane.getDistance(p);
}

float ProjectedGrid::getHeigth(const Ogre::Vector2& position)
{
    const Ogre::Vector3 p = planePoint(position.x, position.y);
    if (!mNoise || !mCreated) return p.y;
    const float scale = 1.0f / mOptions.WaveLength;
    const float h = mNoise->getValue(p.dotProduct(mAxisU) * scale, p.dotProduct(mAxisV) * scale);
    return p.y + mBasePlane.normal.y * mOptions.Height * h;
}

void ProjectedGrid::saveCfg(Ogre::String& data)
{
    Module::saveCfg(data);
    data += CfgFileManager::_getCfgString("PG_Complexity", mOptions.Complexity);
    data += CfgFileManager::_getCfgString("PG_WaveLength", mOptions.WaveLength);
    data += CfgFileManager::_getCfgString("PG_ChoppyStrength", mOptions.ChoppyStrength);
    data += CfgFileManager::_getCfgString("PG_Smooth", mOptions.Smooth);
    data += CfgFileManager::_getCfgString("PG_Freeze", mOptions.Freeze);
    data += CfgFileManager::_getCfgString("PG_ChoppyWaves", mOptions.ChoppyWaves);
    data += CfgFileManager::_getCfgString("PG_Height", mOptions.Height);
    data += "\n";
}

bool ProjectedGrid::loadCfg(Ogre::ConfigFile& config)
{
    if (!Module::loadCfg(config)) return false;
    Options o;
    o.Complexity = CfgFileManager::_getIntValue(config, "PG_Complexity", mOptions.Complexity);
    o.WaveLength = CfgFileManager::_getFloatValue(config, "PG_WaveLength", mOptions.WaveLength);
    o.ChoppyStrength = CfgFileManager::_getFloatValue(config, "PG_ChoppyStrength", mOptions.ChoppyStrength);
    o.Smooth = CfgFileManager::_getBoolValue(config, "PG_Smooth", mOptions.Smooth);
    o.Freeze = CfgFileManager::_getBoolValue(config, "PG_Freeze", mOptions.Freeze);
    o.ChoppyWaves = CfgFileManager::_getBoolValue(config, "PG_ChoppyWaves", mOptions.ChoppyWaves);
    o.Height = CfgFileManager::_getFloatValue(config, "PG_Height", mOptions.Height);
    return setOptions(o);
}

}  // namespace Module
}  // namespace Hydrax
