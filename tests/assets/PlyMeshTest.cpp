#include "assets/PlyMesh.h"

#include <gtest/gtest.h>

#include <OgreException.h>
#include <OgreMeshManager.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ExactMessage.h"
#include "HeadlessOgre.h"
#include "ModelRefusal.h"
#include "TempFile.h"

namespace {

using testsupport::HeadlessOgre;
using testsupport::writeTempFile;

std::string plyFile(const std::string& contents) { return writeTempFile(contents, ".ply"); }

template <class T>
std::string bytes(T value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

struct PlyRead {
    int numVertices = -1;
    float* vertices = nullptr;
    int numFaces = -1;
    unsigned short* faces = nullptr;
    std::string out, err;

    explicit PlyRead(const std::string& path)
    {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        readPlyFile(path, numVertices, vertices, numFaces, faces);
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
    }
    ~PlyRead()
    {
        delete[] vertices;
        delete[] faces;
    }
    std::vector<float> vertexList() const { return {vertices, vertices + 3 * numVertices}; }
    std::vector<unsigned short> faceList() const { return {faces, faces + 3 * numFaces}; }
};

const std::vector<float> tetraVertices = {100, 200, -40, 0, 0, 0, -60, 40, 20, 20, -80, 60};
const std::vector<unsigned short> tetraFaces = {0, 1, 2, 0, 3, 1, 1, 3, 2, 2, 3, 0};

std::string header(const char* format, bool intensity = true)
{
    return std::string("ply\nformat ") + format +
           " 1.0\ncomment hand made\nobj_info tetra 4\nelement vertex 4\nproperty float x\nproperty float y\n"
           "property float z\nelement face 4\n" +
           (intensity ? "property uchar intensity\n" : "") + "property list uchar int vertex_indices\nend_header\n";
}

const std::string asciiTetra = header("ascii") +
                               "100 200 -40\n0 0 0\n-60 40 20\n20 -80 60\n"
                               "7 3 0 1 2\n7 3 0 3 1\n7 3 1 3 2\n7 3 2 3 0\n";

std::string binaryTetra()
{
    std::string data = header("binary_little_endian");
    for (float c : tetraVertices) data += bytes(c);
    for (int f = 0; f < 4; ++f) {
        data += bytes(std::uint8_t(7)) + bytes(std::uint8_t(3));
        for (int k = 0; k < 3; ++k) data += bytes(int(tetraFaces[3 * f + k]));
    }
    return data;
}

const char* const reportLines = "element vertex 4\nelement face 4\ncomment = 'hand made'\nobj_info = 'tetra 4'\n";

TEST(PlyMesh, AsciiAndBinaryFilesGiveTheSameMesh)
{
    const PlyRead ascii(plyFile(asciiTetra));
    EXPECT_EQ(ascii.out, std::string("version 1.000000\ntype 1\n") + reportLines);
    EXPECT_EQ(ascii.err, "");
    ASSERT_EQ(ascii.numVertices, 4);
    EXPECT_EQ(ascii.vertexList(), tetraVertices);
    ASSERT_EQ(ascii.numFaces, 4);
    EXPECT_EQ(ascii.faceList(), tetraFaces);

    const PlyRead binary(plyFile(binaryTetra()));
    EXPECT_EQ(binary.out, std::string("version 1.000000\ntype 3\n") + reportLines);
    ASSERT_EQ(binary.numVertices, 4);
    EXPECT_EQ(binary.vertexList(), tetraVertices);
    ASSERT_EQ(binary.numFaces, 4);
    EXPECT_EQ(binary.faceList(), tetraFaces);
}

// The bytes of each binary value the other way round.
std::string bigEndianTetra()
{
    const auto swapped = [](const std::string& value) { return std::string(value.rbegin(), value.rend()); };
    std::string data = header("binary_big_endian");
    for (float c : tetraVertices) data += swapped(bytes(c));
    for (int f = 0; f < 4; ++f) {
        data += bytes(std::uint8_t(7)) + bytes(std::uint8_t(3));
        for (int k = 0; k < 3; ++k) data += swapped(bytes(int(tetraFaces[3 * f + k])));
    }
    return data;
}

TEST(PlyMesh, BigEndianFilesGiveTheSameMeshAsAsciiAndLittleEndianOnes)
{
    const PlyRead big(plyFile(bigEndianTetra()));
    EXPECT_EQ(big.out, std::string("version 1.000000\ntype 2\n") + reportLines);
    EXPECT_EQ(big.err, "");
    ASSERT_EQ(big.numVertices, 4);
    EXPECT_EQ(big.vertexList(), tetraVertices);
    ASSERT_EQ(big.numFaces, 4);
    EXPECT_EQ(big.faceList(), tetraFaces);
}

TEST(PlyMesh, FacesWithoutIntensityWarnOnceAndLoad)
{
    std::string file = header("ascii", false) + "100 200 -40\n0 0 0\n-60 40 20\n20 -80 60\n";
    file += "3 0 1 2\n3 0 3 1\n3 1 3 2\n3 2 3 0\n";
    const PlyRead r(plyFile(file));
    EXPECT_EQ(r.err, "Warning:  Can't find property 'intensity' in element 'face'\n");
    EXPECT_EQ(r.faceList(), tetraFaces);
}

TEST(PlyMesh, OtherFacesLeaveAnEmptyTriangle)
{
    const std::string file =
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 3\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0\n1 0 0\n0 1 0\n0 0 1\n4 0 1 2 3\n2 3 2\n3 3 2 1\n";
    const PlyRead r(plyFile(file));
    EXPECT_EQ(r.out,
              "version 1.000000\ntype 1\nelement vertex 4\nelement face 3\nToo many faces: 4!\nToo many faces: 2!\n");
    ASSERT_EQ(r.numFaces, 3);  // the count is not reduced
    EXPECT_EQ(r.faceList(), (std::vector<unsigned short>{0, 0, 0, 0, 0, 0, 3, 2, 1}));
}

// Elements other than the vertices and faces are listed; those that come
// before one of them are stepped over so that the data stays in step, and
// those after them are not read at all (here they have no data).
TEST(PlyMesh, OtherElementsAreListedNotStored)
{
    const std::string file =
        "ply\nformat ascii 1.0\nelement material 2\nproperty uchar red\nproperty list uchar float w\n"
        "element face 1\nproperty list uchar int vertex_indices\n"
        "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element edge 5\nproperty int a\nend_header\n"
        "255 2 0.5 0.5\n7 0\n3 2 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    const PlyRead r(plyFile(file));
    EXPECT_EQ(r.out,
              "version 1.000000\ntype 1\nelement material 2\nelement face 1\nelement vertex 3\nelement edge 5\n");
    ASSERT_EQ(r.numVertices, 3);
    EXPECT_EQ(r.vertexList(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    // The faces came first: their indices are checked once the vertices are in.
    EXPECT_EQ(r.faceList(), (std::vector<unsigned short>{2, 1, 0}));

    // Two such elements of one name, each skipped by its own count.
    const PlyRead twice(plyFile("ply\nformat ascii 1.0\nelement extra 1\nproperty uchar a\n"
                                "element extra 3\nproperty uchar b\n"
                                "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                                "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                                "9\n8\n8\n8\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"));
    ASSERT_EQ(twice.numVertices, 3);
    EXPECT_EQ(twice.vertexList(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(twice.faceList(), (std::vector<unsigned short>{0, 1, 2}));
}

TEST(PlyMesh, FilesThatAreNotPlyLeaveTheOutputsAlone)
{
    for (const std::string& path : {::testing::TempDir() + "no_such_teapot.ply", plyFile("PLY\nformat ascii 1.0\n")}) {
        const PlyRead r(path);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.numVertices, -1);
        EXPECT_EQ(r.vertices, nullptr);
        EXPECT_EQ(r.numFaces, -1);
        EXPECT_EQ(r.faces, nullptr);
    }
}

void readToExit(const std::string& path)
{
    int numVertices = 0, numFaces = 0;
    float* vertices = nullptr;
    unsigned short* faces = nullptr;
    std::freopen("/dev/null", "w", stdout);  // the header lines are not looked at here
    readPlyFile(path, numVertices, vertices, numFaces, faces);
}

TEST(PlyMeshDeathTest, ModelsTheMeshCannotUseEndWithExitStatusMinusOne)
{
    const std::string vertexHeader = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string vertices = "0 0 0\n1 0 0\n0 1 0\n";
    const std::string start = "ply\nformat ascii 1.0\n";
    const std::string noIntensity = "Warning:  Can't find property 'intensity' in element 'face'\n";
    const struct {
        const char* what;
        std::string file;
        std::string message;
    } cases[] = {
        {"faces without vertex_indices",
         start + vertexHeader + "element face 1\nproperty uchar intensity\nend_header\n" + vertices + "1\n",
         "Warning:  Can't find property 'vertex_indices' in element 'face'\n"
         "readPlyFile: element 'face' has no list 'vertex_indices'\n"},
        {"vertex_indices that is no list",
         start + vertexHeader + "element face 1\nproperty uchar intensity\nproperty int vertex_indices\nend_header\n" +
             vertices + "1 2\n",
         "ply_request_property: property 'vertex_indices' of element 'face' is not a list\n"},
        {"an index at the vertex count",
         start + vertexHeader + "element face 2\nproperty list uchar int vertex_indices\nend_header\n" + vertices +
             "3 0 1 2\n3 0 1 3\n",
         noIntensity + "readPlyFile: face 1 refers to vertex 3 of 3\n"},
        {"a negative index",
         start + vertexHeader + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" + vertices +
             "3 0 -1 2\n",
         noIntensity + "readPlyFile: face 0 refers to vertex -1 of 3\n"},
        {"faces without vertices",
         start + "element face 1\nproperty list uchar int vertex_indices\nend_header\n3 0 0 0\n",
         noIntensity + "readPlyFile: face 0 refers to vertex 0 of 0\n"},
        {"two vertex elements", start + vertexHeader + vertexHeader + "end_header\n" + vertices + vertices,
         "readPlyFile: more than one element 'vertex'\n"},
        {"more vertices than 16 bits address", start + "element vertex 65537\nproperty float x\nend_header\n",
         "readPlyFile: 65537 vertices, more than 16-bit indices address\n"},
        {"an absurd face count",
         start + vertexHeader + "element face 16777217\nproperty list uchar int vertex_indices\nend_header\n" +
             vertices,
         "readPlyFile: 16777217 faces, more than 16777216\n"},
        {"data that ends early", start + vertexHeader + "end_header\n0 0 0\n",
         "ply_get_element: unexpected end of file\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = plyFile(c.file);
        EXPECT_EXIT(readToExit(path), ::testing::ExitedWithCode(255), quoted(c.message));
    }
}

// The OFF reader refuses a model without coordinates; so does this one, where a
// missing coordinate would read as 0 for every vertex.
TEST(PlyMeshDeathTest, VerticesWithoutACoordinateEndWithExitStatusMinusOne)
{
    const std::string faces = "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
    const struct {
        const char* properties;
        const char* data;
        std::string message;
    } cases[] = {
        {"property float y\nproperty float z\n", "0 0\n1 0\n0 1\n",
         "Warning:  Can't find property 'x' in element 'vertex'\n"
         "readPlyFile: element 'vertex' has no property 'x'\n"},
        {"property float x\nproperty float z\n", "0 0\n1 0\n0 1\n",
         "Warning:  Can't find property 'y' in element 'vertex'\n"
         "readPlyFile: element 'vertex' has no property 'y'\n"},
        {"property float x\nproperty float y\nproperty float w\n", "0 0 0\n1 0 0\n0 1 0\n",
         "Warning:  Can't find property 'z' in element 'vertex'\n"
         "readPlyFile: element 'vertex' has no property 'z'\n"},
        {"", "\n\n\n",
         "Warning:  Can't find property 'x' in element 'vertex'\n"
         "Warning:  Can't find property 'y' in element 'vertex'\n"
         "Warning:  Can't find property 'z' in element 'vertex'\n"
         "readPlyFile: element 'vertex' has no property 'x'\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.properties);
        const std::string path = plyFile(std::string("ply\nformat ascii 1.0\nelement vertex 3\n") + c.properties +
                                         faces + c.data + "3 0 1 2\n");
        EXPECT_EXIT(readToExit(path), ::testing::ExitedWithCode(255), quoted(c.message));
    }
}

// Binary instances without properties take no bytes, however many the header
// counts: stepping over them costs nothing (elements of 2^31 - 1 instances
// each, which would take minutes to count through).
TEST(PlyMesh, PropertylessElementsBeforeTheModelCostNothing)
{
    std::string counted;
    for (int i = 0; i < 100; ++i) counted += "element nothing 2147483647\n";
    std::string file = "ply\nformat binary_little_endian 1.0\n" + counted +
                       "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                       "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
    for (float c : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f}) file += bytes(c);
    file += bytes(std::uint8_t(3)) + bytes(0) + bytes(1) + bytes(2);
    const std::string path = plyFile(file);
    ::alarm(60);  // the signal ends the process, and fails the test, should the reading still count then
    const PlyRead r(path);
    ::alarm(0);
    ASSERT_EQ(r.numVertices, 3);
    EXPECT_EQ(r.vertexList(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(r.faceList(), (std::vector<unsigned short>{0, 1, 2}));
}

// The arrays are the caller's to keep: the destructor leaves them.
struct PlyMeshHolder {
    explicit PlyMeshHolder(PlyMesh* m) : mesh(m) {}
    ~PlyMeshHolder()
    {
        float* vertices = mesh->mVertices;
        float* normals = mesh->mNormals;
        unsigned short* faces = mesh->mFaces;
        delete mesh;
        delete[] vertices;
        delete[] normals;
        delete[] faces;
    }
    PlyMesh* mesh;
};

TEST(PlyMesh, ScalesByAPlainFactorAndBoundsTheScaledModel)
{
    const std::string name = HeadlessOgre::uniqueName("PlyTetra");
    ::testing::internal::CaptureStdout();
    PlyMeshHolder m(new PlyMesh(name, plyFile(asciiTetra), 0.005f));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              std::string("version 1.000000\ntype 1\n") + reportLines +
                  "min: -0.30000 / -0.40000 / -0.20000\nmax: 0.50000 / 1.00000 / 0.30000\n");
    const PlyMesh& mesh = *m.mesh;
    ASSERT_EQ(mesh.mNumVertices, 4);
    EXPECT_FLOAT_EQ(mesh.mVertices[0], 0.5f);
    EXPECT_FLOAT_EQ(mesh.mVertices[1], 1.0f);
    EXPECT_FLOAT_EQ(mesh.mVertices[2], -0.2f);
    for (int v = 0; v < 4; ++v) {
        const float* n = mesh.mNormals + 3 * v;
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 1e-6f) << v;
    }
    EXPECT_EQ(std::vector<unsigned short>(mesh.mFaces, mesh.mFaces + 12), tetraFaces);

    Ogre::MeshPtr published = Ogre::MeshManager::getSingleton().getByName(name);
    ASSERT_TRUE(published);
    EXPECT_EQ(published, mesh.mMesh);
    EXPECT_TRUE(published->isLoaded());
    EXPECT_EQ(mesh.mSubMesh->indexData->indexCount, 12u);
    EXPECT_TRUE(published->getBounds().contains(Ogre::AxisAlignedBox(-0.3f, -0.4f, -0.2f, 0.5f, 1.0f, 0.3f)));
}

TEST(PlyMesh, ModelsThatCannotBeBuiltThrowAndKeepNothing)
{
    const std::string missing = ::testing::TempDir() + "no_such_bun.ply";
    const struct {
        std::string path;
        std::string what;
    } cases[] = {
        {missing, "PlyMesh: \"" + missing + "\": no vertex read"},
        {plyFile("ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
                 "end_header\n1 2 3\n"),
         "no face read"},
        {plyFile("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                 "element face 1\nproperty list uchar int vertex_indices\nend_header\n1 0 0\ninf 0 0\n2 0 0\n3 0 1 2\n"),
         "the scaled model does not fit in floats"},
    };
    for (const auto& c : cases) testsupport::expectModelRefused<PlyMesh>(c.path, c.what);
}

}  // namespace
