#pragma once
// seaview's own deterministic sequence (not the runtime's generator): the next
// value of randomSeed mapped into [min, max].
namespace seaview {

float randomInRange(float min, float max);

}  // namespace seaview
