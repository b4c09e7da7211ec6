#include "platform/Time64.h"

#include <chrono>

namespace platform {

std::int64_t time64()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace platform
