#pragma once
// A FIFO that nothing writes to, for the readers that must look at a file
// before they open it: opening it to read waits for a writer. A reader that
// would wait fails its test instead of hanging it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>

namespace testsupport {

class Fifo {
public:
    explicit Fifo(std::string path) : mPath(std::move(path))
    {
        ::unlink(mPath.c_str());
        EXPECT_EQ(::mkfifo(mPath.c_str(), 0600), 0) << mPath;
    }
    ~Fifo() { ::unlink(mPath.c_str()); }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::string& path() const { return mPath; }

    // Runs `call` on a thread of its own and hands on what it throws. Should it
    // still be waiting after a few seconds, the test fails, and a writer that
    // opens the FIFO and closes it at once lets the call go on (it then reads an
    // empty file).
    template <class Call>
    void callWithoutWaiting(Call call) const
    {
        std::future<void> done = std::async(std::launch::async, call);
        if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "the call waits on the FIFO " << mPath;
            const int writer = ::open(mPath.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
        }
        done.get();
    }

private:
    std::string mPath;
};

}  // namespace testsupport
