#include "assets/MeshBody.h"

#include <gtest/gtest.h>

#include <OgreException.h>

#include <memory>
#include <string>

#include "HeadlessOgre.h"
#include "TempFile.h"
#include "assets/OffMesh.h"
#include "sim/rigidbody/MeshTree.h"

namespace {

using physics::rigidbody::TriangleMeshBody;
using testsupport::HeadlessOgre;

TEST(MeshBody, BuildsTheBodyOverTheModelsArrays)
{
    const std::string path = testsupport::writeTempFile(
        "OFF 4 4 0\n0 0 0 1 0 0 0 1 0 0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n", ".off");
    ::testing::internal::CaptureStdout();
    OffMesh* model = new OffMesh(HeadlessOgre::uniqueName("BodyTetra"), path, 1.0f);
    ::testing::internal::GetCapturedStdout();

    TriangleMeshBody body{};
    initMeshBody(&body, 8.0f, *model, true);
    std::unique_ptr<physics::rigidbody::MeshTree> tree(body.meshTree);
    EXPECT_EQ(body.shapeType, physics::rigidbody::SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(body.inverseMass, 0.125f);
    EXPECT_EQ(tree->vertices, model->mVertices);  // kept, not copied
    EXPECT_EQ(tree->triangleCount, 4);

    float* vertices = model->mVertices;
    float* normals = model->mNormals;
    unsigned short* faces = model->mFaces;
    delete model;
    delete[] vertices;
    delete[] normals;
    delete[] faces;
}

// The entry reports only Ogre's exceptions.
TEST(MeshBody, RefusedMeshesBecomeOgreExceptions)
{
    float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    unsigned short faces[3] = {0, 1, 5};
    TriangleMeshBody body{};
    try {
        initMeshBody(&body, 1.0f, "Broken", 3, vertices, 1, faces, true);
        ADD_FAILURE() << "built";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(dynamic_cast<const Ogre::InvalidParametersException*>(&e), nullptr);
        EXPECT_NE(e.getDescription().find("the body of mesh \"Broken\": mesh tree: triangle 0 refers to vertex 5"),
                  std::string::npos)
            << e.getDescription();
    }
    EXPECT_THROW(initMeshBody(&body, 1.0f, "Broken", 3, vertices, -1, faces, false), Ogre::Exception);
    EXPECT_EQ(body.meshTree, nullptr);  // untouched
}

}  // namespace
