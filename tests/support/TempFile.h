#pragma once
// Files for tests that read files by name, under the test's temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

// The files this process wrote, removed when it ends; a death test's child,
// which ends with exit() in a process of another id, leaves them to its parent.
class TempFiles {
public:
    ~TempFiles()
    {
        if (getpid() != mOwner) return;
        for (const std::string& path : mPaths) std::remove(path.c_str());
    }
    void add(const std::string& path) { mPaths.push_back(path); }

private:
    pid_t mOwner = getpid();
    std::vector<std::string> mPaths;
};

// Writes the bytes under a name of this process's own: `name` when given,
// else one not used before ending in `suffix`; returns the path. (Tests run
// in parallel processes that share the folder.)
inline std::string writeTempFile(const std::string& contents, const std::string& suffix = "",
                                 const std::string& name = "")
{
    static TempFiles files;
    static int counter = 0;
    const std::string prefix = ::testing::TempDir() + "marrowfield_" + std::to_string(getpid()) + "_";
    const std::string path = prefix + (name.empty() ? std::to_string(++counter) + suffix : name);
    std::ofstream(path, std::ios::binary) << contents;
    files.add(path);
    return path;
}

}  // namespace testsupport
