#include "frame/Entry.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <stdio_ext.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

int destroyed = 0;

struct EndsNormally {
    ~EndsNormally() { ++destroyed; }
    void run() {}
};

struct ThrowsOgreError {
    ~ThrowsOgreError() { ++destroyed; }
    void run() { OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND, "Cannot locate resource sphere.mesh", "test"); }
};

struct ThrowsOtherError {
    void run() { throw std::runtime_error("not Ogre's"); }
};

TEST(Entry, NormalEndGivesZero)
{
    destroyed = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runApplication<EndsNormally>(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(destroyed, 1);
}

TEST(Entry, OgreErrorIsReportedWithItsFullDescriptionAndGivesOne)
{
    destroyed = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runApplication<ThrowsOgreError>(), 1);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.rfind("An exception has occured!\n", 0), 0u) << report;
    EXPECT_NE(report.find("FileNotFoundException: Cannot locate resource sphere.mesh in test"), std::string::npos)
        << report;
    EXPECT_EQ(destroyed, 1);
}

// The programs' lines reach a file or a pipe when they are printed (the tests wait
// for some of them while the program runs). Under CTest standard output is a pipe.
TEST(Entry, StandardOutputIsWrittenByLines)
{
    runApplication<EndsNormally>();
    EXPECT_NE(__flbf(stdout), 0);
}

// Mesa frees and regrows blocks of this size every frame: they must come from the
// heap and stay there once freed, not be mapped and returned each time.
TEST(Entry, LargeFreedBlocksStayWithTheProgram)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator replaces glibc's";
#else
    runApplication<EndsNormally>();
    const struct mallinfo2 before = mallinfo2();
    const std::size_t size = 16 * 1024 * 1024;
    volatile char* block = static_cast<volatile char*>(std::malloc(size));
    ASSERT_NE(block, nullptr);
    block[size - 1] = 1;
    EXPECT_EQ(mallinfo2().hblks, before.hblks) << "the block was mapped on its own";
    std::free(const_cast<char*>(block));
    EXPECT_GE(mallinfo2().fordblks, before.fordblks + size) << "the freed block went back to the system";
#endif
}

TEST(Entry, OtherExceptionsAreNotCaught)
{
    EXPECT_THROW(runApplication<ThrowsOtherError>(), std::runtime_error);
}

}  // namespace
