#include "assets/OffMesh.h"

#include <gtest/gtest.h>

#include <OgreException.h>
#include <OgreMeshManager.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Fifo.h"
#include "HeadlessOgre.h"
#include "ModelRefusal.h"
#include "TempFile.h"

namespace {

using testsupport::HeadlessOgre;
using testsupport::writeTempFile;

std::string offFile(const std::string& contents) { return writeTempFile(contents, ".off"); }

// What readOffFile left in its outputs.
struct OffRead {
    int numVertices = -1;
    float* vertices = nullptr;
    int numFaces = -1;
    unsigned short* faces = nullptr;

    ~OffRead()
    {
        delete[] vertices;
        delete[] faces;
    }
    std::vector<float> vertexList() const { return {vertices, vertices + 3 * numVertices}; }
    std::vector<unsigned short> faceList() const { return {faces, faces + 3 * numFaces}; }
};

TEST(OffMesh, ReadsTrianglesAndLeavesOtherPolygonsEmpty)
{
    // Line breaks carry no meaning, the edge count none either.
    const std::string path = offFile(
        "OFF\n5 4 -17\n0 0 0  1 0 0\n0 1 0\n0 0 1 2.5e-1 -1 1e1\n"
        "3 0 2 1\n4 0 1 2 3\n3 0 1 3 3 1 2 4\n");
    OffRead r;
    ::testing::internal::CaptureStdout();
    readOffFile(path, r.numVertices, r.vertices, r.numFaces, r.faces);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "invalid polygon... with 4 faces\n");
    EXPECT_EQ(r.numVertices, 5);
    EXPECT_EQ(r.vertexList(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.25f, -1, 10}));
    ASSERT_EQ(r.numFaces, 4);
    EXPECT_EQ(r.faceList(), (std::vector<unsigned short>{0, 2, 1, 0, 0, 0, 0, 1, 3, 1, 2, 4}));
}

TEST(OffMesh, MissingFileIsReportedAndLeavesTheOutputsAlone)
{
    const std::string path = ::testing::TempDir() + "no_such_model.off";
    OffRead r;
    ::testing::internal::CaptureStdout();
    readOffFile(path, r.numVertices, r.vertices, r.numFaces, r.faces);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error opening file \"" + path + "\" for reading.\n");
    EXPECT_EQ(r.numVertices, -1);
    EXPECT_EQ(r.vertices, nullptr);
    EXPECT_EQ(r.numFaces, -1);
    EXPECT_EQ(r.faces, nullptr);
}

// Each malformed file is refused with its reason, naming the file, before
// anything is stored: under the sanitizers nothing is read or written out of
// bounds on the way.
TEST(OffMesh, MalformedFilesAreRefusedByName)
{
    const std::string tetra = "0 0 0 1 0 0 0 1 0 0 0 1\n";
    const struct {
        std::string contents;
        std::string reason;
    } cases[] = {
        {"", "the file is empty"},
        {"OFF\n", "the file ends before the vertex count"},
        {"OFF 4 x 0\n", "the face count \"x\" is not an integer"},
        {"OFF 4 1.5 0\n", "the face count \"1.5\" is not an integer"},
        {"OFF 99999999999 1 0\n", "the vertex count \"99999999999\" is not an integer"},
        {"OFF -4 1 0\n", "negative vertex count -4"},
        {"OFF 0 1 0\n", "no vertex"},
        {"OFF 65537 1 0\n", "65537 vertices, more than 16-bit indices address"},
        {"OFF 4 -1 0\n" + tetra, "negative face count -1"},
        {"OFF 4 0 0\n" + tetra, "no face"},
        {"OFF 4 16777217 0\n" + tetra, "16777217 faces, more than 16777216"},
        {"OFF 65536 1 0\n0 0 0\n", "the file ends before a coordinate of vertex 1"},
        {"OFF 4 1 0\n0 0 0 1 0 0 0 1 0 0 0\n", "the file ends before a coordinate of vertex 3"},
        {"OFF 4 1 0\n0 0 0 1 0 0 0 one 0 0 0 1\n", "a coordinate of vertex 2 \"one\" is not a number"},
        {"OFF 4 1 0\n0 0 0 1 0 0 0 1 0 0 0 inf\n", "a coordinate of vertex 3 \"inf\" is not finite"},
        {"OFF 4 1 0\n0 0 0 1 0 0 0 1 0 0 0 1e39\n", "a coordinate of vertex 3 \"1e39\" is not finite"},
        {"OFF 4 1 0\nnan 0 0 1 0 0 0 1 0 0 0 1\n", "a coordinate of vertex 0 \"nan\" is not finite"},
        {"OFF 4 1 0\n0 0 0 1 0 0 0 1 0 0 0 " + std::string(300, '1') + "\n", "a coordinate of vertex 3 is too long"},
        {"OFF 4 2 0\n" + tetra + "3 0 1 2\n", "the file ends before the size of polygon 1"},
        {"OFF 4 1 0\n" + tetra + "3 0 1\n", "the file ends before an index of polygon 0"},
        {"OFF 4 1 0\n" + tetra + "3 0 1 4\n", "polygon 0 refers to vertex 4 of 4"},
        {"OFF 4 1 0\n" + tetra + "3 0 -1 2\n", "polygon 0 refers to vertex -1 of 4"},
        {"OFF 4 1 0\n" + tetra + "3 0 65537 2\n", "polygon 0 refers to vertex 65537 of 4"},
        {"OFF 4 1 0\n" + tetra + "-3 0 1 2\n", "polygon 0 has a negative size -3"},
        {"OFF 4 1 0\n" + tetra + "2000000000 0 1 2\n", "the file ends before an index of polygon 0"},
        {"OFF 4 1 0\n" + tetra + "4 0 1 2 x\n", "an index of polygon 0 \"x\" is not an integer"},
    };
    for (const auto& c : cases) {
        const std::string path = offFile(c.contents);
        OffRead r;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        try {
            readOffFile(path, r.numVertices, r.vertices, r.numFaces, r.faces);
            ADD_FAILURE() << c.reason << ": not refused";
        } catch (const Ogre::Exception& e) {
            EXPECT_NE(e.getFullDescription().find(c.reason), std::string::npos) << e.getFullDescription();
        }
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "readOffFile: \"" + path + "\": " + c.reason + "\n");
        EXPECT_EQ(r.numVertices, -1) << c.reason;
        EXPECT_EQ(r.vertices, nullptr) << c.reason;
        EXPECT_EQ(r.faces, nullptr) << c.reason;
    }
}

// The arrays are the caller's to keep: the destructor leaves them.
struct OffMeshHolder {
    explicit OffMeshHolder(OffMesh* m) : mesh(m) {}
    ~OffMeshHolder()
    {
        float* vertices = mesh->mVertices;
        float* normals = mesh->mNormals;
        unsigned short* faces = mesh->mFaces;
        delete mesh;
        delete[] vertices;
        delete[] normals;
        delete[] faces;
    }
    OffMesh* mesh;
};

// A square of edge 6 by 8 at height 1, away from the origin (diagonal 10),
// with a vertex of no triangle.
const char* const square =
    "OFF\n5 2 0\n1 1 2\n7 1 2\n1 1 10\n7 1 10\n4 1 6\n"
    "3 0 2 1\n3 2 3 1\n";

TEST(OffMesh, DiagonalBecomesTheSizeWithoutCentring)
{
    const std::string name = HeadlessOgre::uniqueName("OffSquare");
    ::testing::internal::CaptureStdout();
    OffMeshHolder m(new OffMesh(name, offFile(square), 2.5f));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "min: 0.25000 / 0.25000 / 0.50000\nmax: 1.75000 / 0.25000 / 2.50000\n");
    const OffMesh& mesh = *m.mesh;

    ASSERT_EQ(mesh.mNumVertices, 5);
    const std::vector<float> scaled = {0.25f, 0.25f, 0.5f, 1.75f, 0.25f, 0.5f, 0.25f, 0.25f, 2.5f,
                                       1.75f, 0.25f, 2.5f, 1.0f,  0.25f, 1.5f};
    for (int i = 0; i < 15; ++i) EXPECT_FLOAT_EQ(mesh.mVertices[i], scaled[i]) << i;
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(mesh.mNormals[3 * v], 0.0f);
        EXPECT_EQ(mesh.mNormals[3 * v + 1], 1.0f);
        EXPECT_EQ(mesh.mNormals[3 * v + 2], 0.0f);
    }
    for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh.mNormals[12 + k], 0.0f);  // no triangle: zero, not NaN
    ASSERT_EQ(mesh.mNumFaces, 2);
    EXPECT_EQ(std::vector<unsigned short>(mesh.mFaces, mesh.mFaces + 6),
              (std::vector<unsigned short>{0, 2, 1, 2, 3, 1}));

    Ogre::MeshPtr published = Ogre::MeshManager::getSingleton().getByName(name);
    ASSERT_TRUE(published);
    EXPECT_EQ(published, mesh.mMesh);
    EXPECT_TRUE(published->isLoaded());
    EXPECT_EQ(published->getSubMesh(0), mesh.mSubMesh);
    EXPECT_EQ(mesh.mSubMesh->vertexData->vertexCount, 5u);
    EXPECT_EQ(mesh.mSubMesh->indexData->indexCount, 6u);
    EXPECT_EQ(mesh.mSubMesh->indexData->indexBuffer, mesh.mIndexBuffer);
    const Ogre::AxisAlignedBox& box = published->getBounds();
    EXPECT_TRUE(box.contains(Ogre::AxisAlignedBox(0.25f, 0.25f, 0.5f, 1.75f, 0.25f, 2.5f)));
    EXPECT_FLOAT_EQ((Ogre::Vector3(1.75f, 0.25f, 2.5f) - Ogre::Vector3(0.25f, 0.25f, 0.5f)).length(), 2.5f);
}

TEST(OffMesh, ModelsThatCannotBeBuiltThrowAndKeepNothing)
{
    const std::string missing = ::testing::TempDir() + "no_such_bunny.off";
    const struct {
        std::string path;
        std::string what;
    } cases[] = {
        {missing, "OffMesh: \"" + missing + "\": no model read"},
        {offFile("OFF 3 1 0\n2 2 2 2 2 2 2 2 2\n3 0 1 2\n"), "the model's bounding box has no diagonal"},
        {offFile("OFF 3 1 0\n0 0 0 1 0 0 0 1\n"), "the file ends before a coordinate of vertex 2"},
    };
    for (const auto& c : cases) testsupport::expectModelRefused<OffMesh>(c.path, c.what);

    // A taken name is Ogre's refusal; the arrays read so far go with it (the
    // leak check sees them otherwise).
    const std::string name = HeadlessOgre::uniqueName("OffTaken");
    ::testing::internal::CaptureStdout();
    OffMeshHolder first(new OffMesh(name, offFile(square), 1.0f));
    EXPECT_THROW(OffMesh(name, offFile(square), 1.0f), Ogre::Exception);
    ::testing::internal::GetCapturedStdout();
}

// Opening a FIFO would wait for a writer for good, reading a device might never
// end: what is no regular file is refused by what it is, unopened.
TEST(OffMesh, WhatIsNoRegularFileIsRefusedUnopened)
{
    const testsupport::Fifo fifo(::testing::TempDir() + "marrowfield_bunny_fifo.off");
    fifo.callWithoutWaiting(
        [&] { testsupport::expectModelRefused<OffMesh>(fifo.path(), "readOffFile: \"" + fifo.path() + "\": is a FIFO"); });

    const std::string directory = ::testing::TempDir() + "marrowfield_bunny_directory.off";
    std::filesystem::create_directories(directory);
    testsupport::expectModelRefused<OffMesh>(directory, "is a directory, not a regular file");
    std::filesystem::remove(directory);
    testsupport::expectModelRefused<OffMesh>("/dev/zero", "is a device, not a regular file");
}

}  // namespace
