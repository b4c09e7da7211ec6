#include "sim/rigidbody/MeshTree.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace physics {
namespace rigidbody {

namespace {

constexpr std::uint32_t LEAF_SIZE = 10;  // nodes with fewer triangles are not split

const float* vertexAt(const float* vertices, std::uint16_t index) { return vertices + 3 * std::size_t(index); }

// Every later read of the mesh goes through its indices without checks, so a
// mesh whose triangles reach outside its arrays is refused before anything is built.
void checkArrays(int vertexCount, const float* vertices, int triangleCount, const std::uint16_t* triangles)
{
    if (triangleCount < 0)
        throw std::invalid_argument("mesh tree: negative triangle count " + std::to_string(triangleCount));
    if (triangleCount == 0) return;
    if (!triangles) throw std::invalid_argument("mesh tree: triangles given without an index array");
    if (!vertices) throw std::invalid_argument("mesh tree: triangles given without a vertex array");
    for (std::size_t i = 0; i < 3 * std::size_t(triangleCount); ++i)
        if (triangles[i] >= vertexCount)
            throw std::invalid_argument("mesh tree: triangle " + std::to_string(i / 3) + " refers to vertex " +
                                        std::to_string(triangles[i]) + " of a mesh of " +
                                        std::to_string(vertexCount) + " vertices");
}

}  // namespace

MeshTree::MeshTree() = default;
MeshTree::~MeshTree() { release(); }

void MeshTree::release()
{
    // Iterative: a mesh whose triangles split badly can make a deep tree.
    std::vector<MeshTreeNode*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty()) {
        MeshTreeNode* node = pending.back();
        pending.pop_back();
        if (node->left) pending.push_back(node->left);
        if (node->right) pending.push_back(node->right);
        delete node;
    }
    root = nullptr;
    delete[] triangles;
    triangles = nullptr;
}

void MeshTree::build(int vertexCount_, float* vertices_, int triangleCount_, std::uint16_t* triangles_)
{
    checkArrays(vertexCount_, vertices_, triangleCount_, triangles_);
    release();
    vertexCount = vertexCount_;
    vertices = vertices_;
    triangleCount = triangleCount_;

    const std::size_t indexCount = 3 * std::size_t(triangleCount);
    triangles = new std::uint16_t[indexCount];
    std::copy_n(triangles_, indexCount, triangles);
    reachedVertexCount = indexCount == 0 ? 0 : int(*std::max_element(triangles, triangles + indexCount)) + 1;

    // An empty mesh keeps these bounds: an empty box at the origin.
    root = new MeshTreeNode{std::uint32_t(triangleCount), triangles, BoundingBox{}, nullptr, nullptr};
    buildNode(root, vertices);
    bounds = root->bounds;
    summarise();
}

void MeshTree::buildNode(MeshTreeNode* node, const float* verts)
{
    for (;;) {
        if (node->triangleCount == 0) return;
        computeNodeBounds(node, verts);
        if (node->triangleCount < LEAF_SIZE) return;

        const long long count = node->triangleCount;
        const long long half = count / 2;
        const long long cx = partition(0, verts, node);
        const long long cy = partition(1, verts, node);
        const long long cz = partition(2, verts, node);
        int axis = 0;
        long long best = std::llabs(half - cx);
        if (std::llabs(half - cy) < best) {
            axis = 1;
            best = std::llabs(half - cy);
        }
        if (std::llabs(half - cz) < best) axis = 2;

        const std::uint32_t e = partition(axis, verts, node);
        if (e == 0 || e == node->triangleCount) return;  // no axis separates them

        node->left = new MeshTreeNode{e, node->triangles, BoundingBox{}, nullptr, nullptr};
        buildNode(node->left, verts);
        node->right =
            new MeshTreeNode{node->triangleCount - e, node->triangles + 3 * std::size_t(e), BoundingBox{}, nullptr, nullptr};
        node = node->right;
    }
}

void MeshTree::computeNodeBounds(MeshTreeNode* node, const float* verts)
{
    if (node->triangleCount == 0) return;
    const float* first = vertexAt(verts, node->triangles[0]);
    Vector3 lo{first[0], first[1], first[2]};
    Vector3 hi = lo;
    const std::size_t refs = 3 * std::size_t(node->triangleCount);
    for (std::size_t i = 0; i < refs; ++i) {
        const float* v = vertexAt(verts, node->triangles[i]);
        for (int axis = 0; axis < 3; ++axis) {
            if (v[axis] < lo[axis]) lo[axis] = v[axis];
            if (v[axis] > hi[axis]) hi[axis] = v[axis];
        }
    }
    node->bounds = BoundingBox{lo, hi};
}

unsigned MeshTree::partition(int axis, const float* verts, MeshTreeNode* node)
{
    const std::uint32_t count = node->triangleCount;
    if (count == 0) return 0;
    std::uint16_t* tri = node->triangles;

    // Mean of all vertex coordinates, i.e. of the centroids; summed in float in the
    // current triangle order.
    float sum = 0.0f;
    for (std::size_t i = 0; i < 3 * std::size_t(count); ++i) sum = sum + vertexAt(verts, tri[i])[axis];
    const float mean = float(double(sum) / (3.0 * double(count)));

    std::uint32_t k = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const float a = vertexAt(verts, tri[3 * i])[axis];
        const float b = vertexAt(verts, tri[3 * i + 1])[axis];
        const float c = vertexAt(verts, tri[3 * i + 2])[axis];
        const float ab = a + b;
        const float abc = ab + c;
        const float centroid = float(double(abc) / 3.0);
        if (centroid < mean) {
            for (int j = 0; j < 3; ++j) std::swap(tri[3 * i + j], tri[3 * k + j]);
            ++k;
        }
    }
    return k;
}

}  // namespace rigidbody
}  // namespace physics
