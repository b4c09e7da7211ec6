#include "platform/hydrax/Noise/Noise.h"

#include "platform/hydrax/GPUNormalMapManager.h"

namespace Hydrax {
namespace Noise {

float Noise::getValue(const float& x, const float& y, const float& footprint, Ogre::Vector2* gradient)
{
    const float value = getValue(x, y);
    if (gradient) {
        // Central differences over the footprint, or over a small step.
        const float h = footprint > 1e-3f ? 0.5f * footprint : 1e-3f;
        gradient->x = (getValue(x + h, y) - getValue(x - h, y)) / (2 * h);
        gradient->y = (getValue(x, y + h) - getValue(x, y - h)) / (2 * h);
    }
    return value;
}

bool Noise::createGPUNormalMapResources(GPUNormalMapManager* manager)
{
    if (!mGPUNormalMaps || !manager) return false;
    manager->create(mName);
    return true;
}

}  // namespace Noise
}  // namespace Hydrax
