#pragma once
// Files for tests that read files by name, under the test's temporary folder.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace testsupport {

// Writes the bytes under `name`, or under a name not used before in this
// process ending in `suffix`; returns the path.
inline std::string writeTempFile(const std::string& contents, const std::string& suffix = "",
                                 const std::string& name = "")
{
    static int counter = 0;
    const std::string path =
        ::testing::TempDir() + (name.empty() ? "marrowfield_" + std::to_string(++counter) + suffix : name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

}  // namespace testsupport
