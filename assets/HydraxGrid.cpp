#include "assets/HydraxGrid.h"

#include <OgreLogManager.h>
#include <OgreStringConverter.h>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/Mesh.h"

namespace {

void logLine(const Ogre::String& text)
{
    Ogre::LogManager::getSingleton().logMessage("[Hydrax] " + text, Ogre::LML_NORMAL, false);
}

Hydrax::Mesh::Options baseMeshOptions(const HydraxGrid::Options& options,
                                      const Hydrax::MaterialManager::NormalMode& mode)
{
    return Hydrax::Mesh::Options(options.Complexity, options.MeshSize, 10.0f,
                                 mode == Hydrax::MaterialManager::NM_VERTEX ? Hydrax::Mesh::VT_POSITION_NORMAL
                                                                            : Hydrax::Mesh::VT_POSITION);
}

}  // namespace

HydraxGrid::HydraxGrid(const Hydrax::MaterialManager::NormalMode& mode, Hydrax::Hydrax* hydrax,
                       Hydrax::Noise::Noise* noise, const Options& options, physics::water::WaterSimulator* water)
    : Hydrax::Module::Module("HydraxGrid" + getNormalModeName(mode), noise, baseMeshOptions(options, mode), mode),
      mVertices(nullptr),
      mOptions(),
      mHydrax(hydrax),
      mWaterSimulator(water)
{
    setOptions(options);
}

HydraxGrid::~HydraxGrid()
{
    if (mCreated) Hydrax::Module::Module::remove();
    delete[] mVertices;
    mVertices = nullptr;
    logLine(mName + " destroyed.");
}

Ogre::String HydraxGrid::getNormalModeName(const Hydrax::MaterialManager::NormalMode& mode)
{
    return mode == Hydrax::MaterialManager::NM_VERTEX ? "Vertex" : "Rtt";
}

int HydraxGrid::floatsPerVertex() const { return mNormalMode == Hydrax::MaterialManager::NM_VERTEX ? 6 : 3; }

HydraxGrid::Options HydraxGrid::agreeWithWater(const Options& options) const
{
    Options o = options;
    if (mWaterSimulator) {
        const int n = mWaterSimulator->mNx;
        if (o.Complexity != n) {
            logLine(mName + ": a complexity of " + Ogre::StringConverter::toString(o.Complexity) +
                    " disagrees with the water's grid of " + Ogre::StringConverter::toString(n) +
                    "; the water's is kept.");
            o.Complexity = n;
        }
        const double size = mWaterSimulator->mSize;
        if (double(o.MeshSize.Width) != size || double(o.MeshSize.Height) != size) {
            const int side = int(Ogre::Math::IFloor(float(size + 0.5)));
            logLine(mName + ": a mesh size of " + Ogre::StringConverter::toString(o.MeshSize.Width) + "x" +
                    Ogre::StringConverter::toString(o.MeshSize.Height) + " disagrees with the water's " +
                    Ogre::StringConverter::toString(float(size)) + "; the water's is kept.");
            o.MeshSize = Hydrax::Size(side, side);
        }
    }
    if (o.Complexity < Hydrax::Mesh::MIN_COMPLEXITY || o.Complexity > Hydrax::Mesh::MAX_COMPLEXITY) {
        logLine(mName + ": a complexity of " + Ogre::StringConverter::toString(o.Complexity) +
                " is refused; it stays " + Ogre::StringConverter::toString(mOptions.Complexity) + ".");
        o.Complexity = mOptions.Complexity;
    }
    return o;
}

void HydraxGrid::setOptions(const Options& options)
{
    const Options o = agreeWithWater(options);
    mMeshOptions.MeshComplexity = o.Complexity;
    mMeshOptions.MeshSize = o.MeshSize;
    mMeshOptions.MeshStrength = o.Strength;
    mHydrax->getMesh()->setOptions(mMeshOptions);
    mHydrax->_setStrength(o.Strength);

    if (!mCreated) {
        mOptions = o;
        return;
    }
    if (o.Complexity == mOptions.Complexity) {
        mOptions = o;
        layOut();
        return;
    }
    remove();
    mOptions = o;
    create();
    if (mNormalMode == Hydrax::MaterialManager::NM_RTT && mNoise &&
        !mNoise->createGPUNormalMapResources(mHydrax->getGPUNormalMapManager()))
        logLine(mNoise->getName() + " doesn't support GPU Normal map generation.");
    Hydrax::Mesh* mesh = mHydrax->getMesh();
    const Ogre::String material = mesh->getMaterialName();
    mesh->remove();
    mesh->setOptions(mMeshOptions);
    mesh->setMaterialName(material);
    mesh->create();
}

void HydraxGrid::create()
{
    logLine("Creating " + mName + " module.");
    Hydrax::Module::Module::create();
    if (mNormalMode == Hydrax::MaterialManager::NM_VERTEX || mNormalMode == Hydrax::MaterialManager::NM_RTT) {
        const std::size_t n = std::size_t(mOptions.Complexity);
        // Heights start at 0 until the first update writes them.
        mVertices = new float[std::size_t(floatsPerVertex()) * n * n]();
        layOut();
    }
    logLine(mName + " created.");
}

// x and z of every vertex for the current size: centred in normal mode 1 with
// the normal (0, -1, 0), from the origin in mode 2; heights stay.
void HydraxGrid::layOut()
{
    if (!mVertices) return;
    const int n = mOptions.Complexity, stride = floatsPerVertex();
    const double width = mOptions.MeshSize.Width, height = mOptions.MeshSize.Height;
    const bool centred = mNormalMode == Hydrax::MaterialManager::NM_VERTEX;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            float* v = mVertices + std::size_t(stride) * (std::size_t(i) * n + j);
            if (centred) {
                v[0] = float(double(i) / (n - 1) * width - width * 0.5);
                v[2] = float(double(j) / (n - 1) * height - height * 0.5);
            } else {
                v[0] = float(double(i) / (n - 1) * width);
                v[2] = float(double(j) / (n - 1) * height);
            }
            if (stride == 6) {
                v[3] = 0.0f;
                v[4] = -1.0f;
                v[5] = 0.0f;
            }
        }
    }
}

void HydraxGrid::remove()
{
    if (!mCreated) return;
    Hydrax::Module::Module::remove();
    if (mNormalMode == Hydrax::MaterialManager::NM_VERTEX || mNormalMode == Hydrax::MaterialManager::NM_RTT) {
        delete[] mVertices;
        mVertices = nullptr;
    }
}

void HydraxGrid::update(const float& timeSinceLastFrame)
{
    if (!mCreated) return;
    Hydrax::Module::Module::update(timeSinceLastFrame);
    const int n = mOptions.Complexity;
    if (!mVertices) return;  // a normal mode without a vertex array
    if (!mWaterSimulator || mWaterSimulator->mNx != n || mWaterSimulator->mNz != n) {
        if (!mMismatchLogged) logLine(mName + ": no water of " + Ogre::StringConverter::toString(n) +
                                      " x " + Ogre::StringConverter::toString(n) + " cells to draw.");
        mMismatchLogged = true;
        return;
    }
    const physics::water::WaterSimulator& water = *mWaterSimulator;
    const int stride = floatsPerVertex();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const std::size_t cell = std::size_t(i) + std::size_t(j) * n;
            float h = float(double(water.mSurface.data[cell]) - water.mMinSurface);
            if (water.mWet.data[cell] == 0) h = float(double(h) - 0.5);
            mVertices[std::size_t(stride) * (std::size_t(i) * n + j) + 1] = h;
        }
    }
    calculateNormals();
    mHydrax->getMesh()->updateGeometry(n * n, mVertices);
}

void HydraxGrid::calculateNormals()
{
    if (mNormalMode != Hydrax::MaterialManager::NM_VERTEX) return;
    const int n = mOptions.Complexity;
    auto position = [&](int i, int j) { return Ogre::Vector3(mVertices + 6 * (std::size_t(i) * n + j)); };
    for (int i = 1; i < n - 1; ++i) {
        for (int j = 1; j < n - 1; ++j) {
            const Ogre::Vector3 normal = (position(i + 1, j) - position(i - 1, j))
                                             .crossProduct(position(i, j + 1) - position(i, j - 1));
            float* v = mVertices + 6 * (std::size_t(i) * n + j);
            v[3] = normal.x;
            v[4] = normal.y;
            v[5] = normal.z;
        }
    }
}

float HydraxGrid::getHeigth(const Ogre::Vector2& position)
{
    if (!mWaterSimulator) return 0.0f;
    const Ogre::Vector2 g = mHydrax->getMesh()->getGridPosition(position);
    return mWaterSimulator->interpolate(mWaterSimulator->mSurface, g.x, g.y);
}

void HydraxGrid::saveCfg(Ogre::String& data)
{
    Hydrax::Module::Module::saveCfg(data);
    data += Hydrax::CfgFileManager::_getCfgString("SG_Complexity", mOptions.Complexity);
    data += Hydrax::CfgFileManager::_getCfgString("SG_MeshSize", mOptions.MeshSize);
    data += Hydrax::CfgFileManager::_getCfgString("SG_Strength", mOptions.Strength);
    data += Hydrax::CfgFileManager::_getCfgString("SG_Smooth", mOptions.Smooth);
    data += Hydrax::CfgFileManager::_getCfgString("SG_ChoppyWaves", mOptions.ChoppyWaves);
    data += Hydrax::CfgFileManager::_getCfgString("SG_ChoppyStrength", mOptions.ChoppyStrength);
    data += "\n";
}

bool HydraxGrid::loadCfg(Ogre::ConfigFile& config)
{
    if (!Hydrax::Module::Module::loadCfg(config)) return false;
    Options o;
    o.ChoppyStrength = Hydrax::CfgFileManager::_getFloatValue(config, "PG_ChoopyStrength");
    o.ChoppyWaves = Hydrax::CfgFileManager::_getBoolValue(config, "PG_ChoppyWaves");
    o.Smooth = Hydrax::CfgFileManager::_getBoolValue(config, "PG_Smooth");
    o.Strength = Hydrax::CfgFileManager::_getFloatValue(config, "SG_Strength");
    o.Complexity = Hydrax::CfgFileManager::_getIntValue(config, "SG_Complexity");
    o.MeshSize = Hydrax::CfgFileManager::_getSizeValue(config, "SG_MeshSize");
    setOptions(o);
    return true;
}
