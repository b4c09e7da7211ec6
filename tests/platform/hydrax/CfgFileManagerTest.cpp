// The configuration files: the line format, the readers, finding a file.
#include "platform/hydrax/CfgFileManager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Fifo.h"
#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "TempDirectory.h"
#include "WaterLayer.h"

namespace {

using Hydrax::CfgFileManager;

TEST(CfgFileManager, WritesOneLinePerKey)
{
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_Complexity", 65), "SG_Complexity=65\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_MeshSize", Hydrax::Size(50, 40)), "SG_MeshSize=50x40\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_Strength", 32.5f), "SG_Strength=32.5\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_ChoppyStrength", 0.065f), "SG_ChoppyStrength=0.065\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_Smooth", false), "SG_Smooth=false\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("SG_ChoppyWaves", true), "SG_ChoppyWaves=true\n");
    EXPECT_EQ(CfgFileManager::_getCfgString("WaterColor", Ogre::Vector3(0, 0.5f, 1)), "WaterColor=0 0.5 1\n");
}

// Present keys are read, with spaces around the separator; absent keys give
// the reader's missing value; text of the wrong kind gives it too, logged.
TEST(CfgFileManager, ReadsValuesAndTellsWhatItCannotRead)
{
    Ogre::ConfigFile config;
    testsupport::loadConfig(config,
                            "# a comment\n"
                            "Int = 129\nFloat=0.065\nBool=true\nBoolNo=no\nSize=100x100\nSquare=64\nVector=1 2 3\n"
                            "BadInt=12abc\nBadFloat=nan\nBadBool=maybe\nBadSize=50xx50\nBadVector=1 2\n");
    EXPECT_EQ(CfgFileManager::_getIntValue(config, "Int"), 129);
    EXPECT_EQ(CfgFileManager::_getFloatValue(config, "Float"), 0.065f);
    EXPECT_TRUE(CfgFileManager::_getBoolValue(config, "Bool"));
    EXPECT_FALSE(CfgFileManager::_getBoolValue(config, "BoolNo", true));
    EXPECT_EQ(CfgFileManager::_getSizeValue(config, "Size"), Hydrax::Size(100, 100));
    EXPECT_EQ(CfgFileManager::_getSizeValue(config, "Square"), Hydrax::Size(64, 64));
    EXPECT_EQ(CfgFileManager::_getVector3Value(config, "Vector"), Ogre::Vector3(1, 2, 3));

    testsupport::LogCapture log;
    EXPECT_EQ(CfgFileManager::_getIntValue(config, "Missing"), 0);
    EXPECT_EQ(CfgFileManager::_getIntValue(config, "Missing", 7), 7);
    EXPECT_EQ(CfgFileManager::_getFloatValue(config, "Missing"), 0.0f);
    EXPECT_FALSE(CfgFileManager::_getBoolValue(config, "Missing"));
    EXPECT_EQ(CfgFileManager::_getSizeValue(config, "Missing"), Hydrax::Size(0, 0));
    EXPECT_TRUE(log.lines.empty()) << "an absent key is no error";

    EXPECT_EQ(CfgFileManager::_getIntValue(config, "BadInt", 5), 5);
    EXPECT_EQ(CfgFileManager::_getFloatValue(config, "BadFloat", 1.5f), 1.5f);
    EXPECT_TRUE(CfgFileManager::_getBoolValue(config, "BadBool", true));
    EXPECT_EQ(CfgFileManager::_getSizeValue(config, "BadSize", Hydrax::Size(1, 2)), Hydrax::Size(1, 2));
    EXPECT_EQ(CfgFileManager::_getVector3Value(config, "BadVector", Ogre::Vector3::UNIT_X), Ogre::Vector3::UNIT_X);
    EXPECT_EQ(log.lines.size(), 5u);
    EXPECT_TRUE(log.contains("[Hydrax] The value '12abc' of BadInt is not a whole number; it is ignored."));
}

TEST(CfgFileManager, FindsFilesInTheResources)
{
    testsupport::provideResources({{"Found.hdx", "Key=3\n"}});
    testsupport::LogCapture log;
    Ogre::ConfigFile config;
    ASSERT_TRUE(CfgFileManager::load("Found.hdx", config));
    EXPECT_EQ(CfgFileManager::_getIntValue(config, "Key"), 3);
    EXPECT_FALSE(CfgFileManager::load("Nowhere.hdx", config));
    EXPECT_TRUE(log.contains("[Hydrax] Configuration file Nowhere.hdx not found in the resources."));
}

// Opening a FIFO would wait for a writer for good: what is no regular file is
// not read, as a missing file is not, and the log says why.
TEST(CfgFileManager, WhatIsNoRegularFileIsNotRead)
{
    const testsupport::TempDirectory folder("hydrax-fifo");
    const testsupport::Fifo fifo((folder.path() / "Fifo.hdx").string());
    std::filesystem::create_directories(folder.path() / "Directory.hdx");
    const std::string group = testsupport::HeadlessOgre::uniqueName("Fifos");
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(folder.path().string(), "FileSystem", group);
    testsupport::LogCapture log;
    Ogre::ConfigFile config;
    fifo.callWithoutWaiting([&] { EXPECT_FALSE(CfgFileManager::load("Fifo.hdx", config)); });
    EXPECT_TRUE(log.contains("[Hydrax] Configuration file Fifo.hdx is a FIFO, not a regular file; it is not read."));
    EXPECT_FALSE(CfgFileManager::load("Directory.hdx", config));
    Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(folder.path().string(), group);
}

}  // namespace
