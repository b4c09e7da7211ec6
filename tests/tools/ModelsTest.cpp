// The generated models, read the way the programs read them and made into the
// bodies the programs make of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "HeadlessOgre.h"
#include "assets/ManualMesh.h"
#include "assets/MeshBody.h"
#include "assets/OffMesh.h"
#include "assets/PlyMesh.h"
#include "sim/rigidbody/MeshTree.h"

namespace {

using testsupport::HeadlessOgre;

const std::string modelDir = MARROWFIELD_MEDIA_DIR "/models/";

// Why the triangles are not a closed surface wound outwards, or "".
std::string closedSurfaceFault(int numVertices, const float* v, int numFaces, const unsigned short* f)
{
    std::map<std::pair<int, int>, int> directed;
    double volume = 0;
    for (int t = 0; t < numFaces; ++t) {
        for (int k = 0; k < 3; ++k)
            if (++directed[{f[3 * t + k], f[3 * t + (k + 1) % 3]}] > 1) return "an edge twice in one direction";
        const float* a = v + 3 * f[3 * t];
        const float* b = v + 3 * f[3 * t + 1];
        const float* c = v + 3 * f[3 * t + 2];
        volume += double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) +
                  double(a[1]) * (double(b[2]) * c[0] - double(b[0]) * c[2]) +
                  double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0]);
    }
    for (const auto& entry : directed)
        if (!directed.count({entry.first.second, entry.first.first})) return "an open edge";
    for (int i = 0; i < 3 * numFaces; ++i)
        if (f[i] >= numVertices) return "an index outside the vertices";
    return volume > 0 ? "" : "wound inwards";
}

struct Box {
    float lo[3], hi[3];
    float side(int k) const { return hi[k] - lo[k]; }
    float largest() const { return std::max({side(0), side(1), side(2)}); }
};

Box boxOf(int numVertices, const float* v)
{
    Box b;
    vertexBounds(v, std::uint32_t(numVertices), b.lo, b.hi);
    return b;
}

template <class Model>
struct Loaded {
    Model* model;
    std::string out;

    Loaded(const std::string& file, float size)
    {
        ::testing::internal::CaptureStdout();
        model = new Model(HeadlessOgre::uniqueName("Model"), modelDir + file, size);
        out = ::testing::internal::GetCapturedStdout();
    }
    ~Loaded()
    {
        float* vertices = model->mVertices;
        float* normals = model->mNormals;
        unsigned short* faces = model->mFaces;
        delete model;
        delete[] vertices;
        delete[] normals;
        delete[] faces;
    }
};

// The programs' bodies turn about the model origin and take the box inertia
// of the bounds, so the box must be centred and the mesh tree must take it.
template <class Model>
void expectSoundBody(Model& model, float mass, float largestSide, float low, float high)
{
    ASSERT_EQ(closedSurfaceFault(model.mNumVertices, model.mVertices, model.mNumFaces, model.mFaces), "");
    const Box box = boxOf(model.mNumVertices, model.mVertices);
    EXPECT_GE(box.largest(), low);
    EXPECT_LE(box.largest(), high);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(box.lo[k] + box.hi[k], 0.0f, 1e-5f * largestSide) << "axis " << k;

    physics::rigidbody::TriangleMeshBody body{};
    initMeshBody(&body, mass, model, true);
    std::unique_ptr<physics::rigidbody::MeshTree> tree(body.meshTree);
    EXPECT_EQ(tree->triangleCount, model.mNumFaces);
    EXPECT_EQ(tree->vertices, model.mVertices);
    for (int k = 0; k < 3; ++k) {
        EXPECT_GT(body.inertia.m[k][k], 0.0f);
        EXPECT_TRUE(std::isfinite(body.inverseInertia.m[k][k]));
        EXPECT_GT(body.inverseInertia.m[k][k], 0.0f);
    }
    for (int v = 0; v < model.mNumVertices; ++v) {
        const float* n = model.mNormals + 3 * v;
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 1e-5f) << "normal " << v;
    }
}

TEST(Models, BunnyOffIsAClosedRabbitOf344Vertices)
{
    std::ifstream file(modelDir + "bunny_344.off");
    std::string word;
    int vertices = 0, faces = 0;
    file >> word >> vertices >> faces;
    EXPECT_EQ(word, "OFF");
    EXPECT_EQ(vertices, 344);
    EXPECT_EQ(faces, 684);  // a closed surface of one piece without holes

    for (float size : {2.5f, 1.0f}) {
        SCOPED_TRACE(size);
        Loaded<OffMesh> bunny("bunny_344.off", size);
        EXPECT_EQ(bunny.model->mNumVertices, 344);
        const Box box = boxOf(bunny.model->mNumVertices, bunny.model->mVertices);
        EXPECT_NEAR(std::sqrt(box.side(0) * box.side(0) + box.side(1) * box.side(1) + box.side(2) * box.side(2)), size,
                    1e-5f * size);
        expectSoundBody(*bunny.model, 8.0f, size, 0.5f * size, size);
    }
}

TEST(Models, BunZipperIsABinaryPlyWithIntensity)
{
    std::ifstream file(modelDir + "bun_zipper.ply", std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string header = contents.substr(0, contents.find("end_header\n"));
    EXPECT_EQ(header.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u);
    EXPECT_NE(header.find("property uchar intensity\n"), std::string::npos);
    EXPECT_NE(header.find("property list uchar int vertex_indices\n"), std::string::npos);

    Loaded<PlyMesh> bun("bun_zipper.ply", 1.0f);
    EXPECT_EQ(bun.out.rfind("version 1.000000\ntype 3\n", 0), 0u);
    const Box box = boxOf(bun.model->mNumVertices, bun.model->mVertices);
    EXPECT_NEAR(box.largest(), 0.2f, 1e-5f);  // so that the program's 5.0 makes it one unit
    EXPECT_LT(bun.model->mNumFaces, 3000);
    expectSoundBody(*bun.model, 8.0f, 0.2f, 0.199f, 0.201f);

    Loaded<PlyMesh> scaled("bun_zipper.ply", 5.0f);
    expectSoundBody(*scaled.model, 8.0f, 1.0f, 0.99f, 1.01f);
}

TEST(Models, TeapotIsAnAsciiPlyWithoutIntensity)
{
    std::ifstream file(modelDir + "teapot.ply");
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "ply");
    std::getline(file, line);
    EXPECT_EQ(line, "format ascii 1.0");

    ::testing::internal::CaptureStderr();
    Loaded<PlyMesh> teapot("teapot.ply", 0.005f);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning:  Can't find property 'intensity' in element 'face'\n");
    EXPECT_EQ(teapot.out.rfind("version 1.000000\ntype 1\nelement vertex ", 0), 0u);
    EXPECT_NE(teapot.out.find("\ncomment = '"), std::string::npos);
    EXPECT_NE(teapot.out.find("\nobj_info = '"), std::string::npos);
    EXPECT_LT(teapot.model->mNumFaces, 3000);
    // 200 to 300 units across, so that 0.005 makes it 1 to 1.5 units, inside the 4 x 4 enclosure.
    expectSoundBody(*teapot.model, 8.0f, 1.3f, 1.0f, 1.5f);
}

}  // namespace
