#include "platform/hydrax/Module/Module.h"

namespace Hydrax {
namespace Module {

Module::Module(const Ogre::String& name, Noise::Noise* noise, const Mesh::Options& meshOptions,
               const MaterialManager::NormalMode& normalMode)
    : mName(name), mNoise(noise), mMeshOptions(meshOptions), mNormalMode(normalMode), mCreated(false)
{
}

Module::~Module() { delete mNoise; }

void Module::create()
{
    if (mNoise) mNoise->create();
    mCreated = true;
}

void Module::remove()
{
    if (mNoise) mNoise->remove();
    mCreated = false;
}

void Module::update(const Ogre::Real& timeSinceLastFrame)
{
    if (mNoise) mNoise->update(timeSinceLastFrame);
}

void Module::saveCfg(Ogre::String& data)
{
    if (mNoise) mNoise->saveCfg(data);
}

bool Module::loadCfg(Ogre::ConfigFile& config) { return !mNoise || mNoise->loadCfg(config); }

bool Module::_createGeometry(Mesh* mesh)
{
    (void)mesh;
    return false;
}

float Module::getHeigth(const Ogre::Vector2& position)
{
    (void)position;
    return 0.0f;
}

}  // namespace Module
}  // namespace Hydrax
