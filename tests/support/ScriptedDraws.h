#pragma once
// Random numbers taken from a script, in order, for scenes that draw through a
// function pointer in place of the 15-bit generator.
#include <gtest/gtest.h>

#include <deque>

namespace testsupport {

inline std::deque<int> script;

// The next scripted number; a draw past the end fails the test and gives 32767.
inline int scriptedDraw()
{
    EXPECT_FALSE(script.empty()) << "more draws than scripted";
    if (script.empty()) return 32767;
    const int r = script.front();
    script.pop_front();
    return r;
}

}  // namespace testsupport
