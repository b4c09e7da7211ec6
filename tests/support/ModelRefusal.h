#pragma once
// A model (OffMesh, PlyMesh) that must refuse its file: the exception and the
// standard-error line both say what was wrong, and the exception names the file.
#include <OgreException.h>

#include <gtest/gtest.h>

#include <string>

#include "HeadlessOgre.h"

namespace testsupport {

template <class Model>
void expectModelRefused(const std::string& path, const std::string& what)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    try {
        Model mesh(HeadlessOgre::uniqueName("Refused"), path, 1.0f);
        ADD_FAILURE() << what << ": built";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(e.getFullDescription().find(what), std::string::npos) << e.getFullDescription();
        EXPECT_NE(e.getFullDescription().find(path), std::string::npos) << e.getFullDescription();
    }
    ::testing::internal::GetCapturedStdout();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(what), std::string::npos);
}

}  // namespace testsupport
