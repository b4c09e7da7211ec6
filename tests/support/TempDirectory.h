#pragma once
// An empty directory of the test's own under the system's temporary folder, removed
// with the object. Its name holds the process id: every test runs in a process of
// its own, and tests of other build trees may run at the same time.
#include <unistd.h>

#include <filesystem>
#include <string>

namespace testsupport {

class TempDirectory {
public:
    explicit TempDirectory(const std::string& prefix)
        : mPath(std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(++sCount)))
    {
        std::filesystem::remove_all(mPath);
        std::filesystem::create_directories(mPath);
    }
    ~TempDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return mPath; }

private:
    std::filesystem::path mPath;
    static inline int sCount = 0;
};

}  // namespace testsupport
