#pragma once
// The calendar clock that the contact tests seed their generator from: seconds
// since 1970-01-01 00:00:00 UTC in 64 bits, as _time64(NULL) of the C runtime
// that the programs were written against gives them.
#include <cstdint>

namespace platform {

std::int64_t time64();

}  // namespace platform
