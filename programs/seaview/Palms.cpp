#include "programs/seaview/Palms.h"

#include <OgreEntity.h>
#include <OgreLogManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>

#include "programs/seaview/GroundRay.h"
#include "programs/seaview/RandomInRange.h"

namespace seaview {

bool isShoreHeight(float y) { return y >= 20 && y <= 105; }

void createPalms(Ogre::SceneManager* sceneManager)
{
    Ogre::SceneNode* parent =
        sceneManager->getRootSceneNode()->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    int refused = 0;
    int k = 0;
    while (k < PALM_COUNT) {
        const float z = randomInRange(500, 2500);
        const float x = randomInRange(500, 2500);
        Ogre::Vector3 ground;
        if (!groundBelow(sceneManager, Ogre::Vector3(x, 1000000, z), ground) || !isShoreHeight(ground.y)) {
            if (++refused == MAX_REFUSED_PLACES) {
                Ogre::LogManager::getSingleton().logMessage(
                    "No shore between heights 20 and 105 found in " + Ogre::StringConverter::toString(refused) +
                        " places: " + Ogre::StringConverter::toString(k) + " of " +
                        Ogre::StringConverter::toString(PALM_COUNT) + " palms placed.",
                    Ogre::LML_NORMAL, false);
                return;
            }
            continue;
        }

        Ogre::Entity* entity = sceneManager->createEntity("Palm" + Ogre::StringConverter::toString(k), "Palm.mesh");
        Ogre::SceneNode* node = parent->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
        // The mesh's trunk runs along +z: a quarter turn about -x stands it up,
        // the axis's z the lean (the axis is not normalised).
        const float tilt = randomInRange(-0.3f, 0.3f);
        node->rotate(Ogre::Vector3(-1, 0, tilt), Ogre::Radian(float(90 * double(Ogre::Math::fDeg2Rad))),
                     Ogre::Node::TS_LOCAL);
        node->attachObject(entity);
        const float s = randomInRange(50, 75);
        node->scale(s, s, s);
        node->setPosition(x, ground.y, z);
        ++k;
    }
}

}  // namespace seaview
