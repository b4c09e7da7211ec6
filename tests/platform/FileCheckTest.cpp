#include "platform/FileCheck.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempDirectory.h"

namespace {

namespace fs = std::filesystem;

// Only what stands at the path is looked at (nothing here is opened: a
// reader of the FIFO would wait), through symbolic links.
TEST(FileCheck, TellsWhatIsNoRegularFile)
{
    const testsupport::TempDirectory temp("filecheck");
    const fs::path& dir = temp.path();
    std::ofstream(dir / "file") << "text";
    fs::create_directories(dir / "directory");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir / "device");
    fs::create_symlink(dir / "file", dir / "link");
    fs::create_symlink(dir / "fifo", dir / "link_to_fifo");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"file", ""},
        {"link", ""},
        {"missing", ""},   // left to the reader, which reports it in its own way
        {"dangling", ""},  // as missing
        {"file/below", ""},
        {"directory", "is a directory, not a regular file"},
        {"fifo", "is a FIFO, not a regular file"},
        {"link_to_fifo", "is a FIFO, not a regular file"},
        {"device", "is a device, not a regular file"},
        {"socket", "is a socket, not a regular file"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::irregularFile((dir / c.name).string()), c.expected) << c.name;
    ::close(s);
}

}  // namespace
