#include "sim/rigidbody/MeshTree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// Builds the subtree of one node exactly as splitting it node by node does: each
// node's bounds over its vertices in its order, then the partitions on x, y and
// z, the axis whose count is nearest half, and the partition on that axis, which
// gives the two children unless it leaves one of them empty. A triangle's
// centroids are worked out once and move with it (its three indices packed in one
// word). The float sum of a partition's mean must run in the node's order, a chain
// of dependent additions; nodes never depend on each other, so the sums of eight
// nodes advance together.
class SubtreeBuilder {
public:
    SubtreeBuilder(std::uint16_t* triangles, std::uint32_t count, const float* vertices)
        : mTriangles(triangles), mVertices(vertices), mRun(count)
    {
        for (int axis = 0; axis < 3; ++axis) mCentroids[axis].resize(count);
        for (std::size_t t = 0; t < count; ++t) {
            const std::uint16_t* corners = triangles + 3 * t;
            mRun[t] = std::uint64_t(corners[0]) | std::uint64_t(corners[1]) << 16 | std::uint64_t(corners[2]) << 32;
            for (int axis = 0; axis < 3; ++axis) {
                const float ab = vertexAt(vertices, corners[0])[axis] + vertexAt(vertices, corners[1])[axis];
                const float abc = ab + vertexAt(vertices, corners[2])[axis];
                mCentroids[axis][t] = float(double(abc) / 3.0);
            }
        }
    }

    void build(MeshTreeNode* root)
    {
        std::vector<Work> pending{Work{root, 0}};
        while (!pending.empty()) {
            Batch batch;
            while (batch.size < BATCH && !pending.empty()) {
                const Work w = pending.back();
                pending.pop_back();
                if (w.node->triangleCount == 0) continue;
                setBounds(w);
                if (w.node->triangleCount >= LEAF_SIZE) batch.work[batch.size++] = w;
            }
            split(batch, pending);
        }
        for (std::size_t p = 0; p < mRun.size(); ++p)
            for (int k = 0; k < 3; ++k) mTriangles[3 * p + k] = corner(mRun[p], k);
    }

private:
    static constexpr std::size_t BATCH = 8;

    // A node and the place of its first triangle in the run.
    struct Work {
        MeshTreeNode* node;
        std::uint32_t first;
    };
    struct Batch {
        Work work[BATCH];
        std::size_t size = 0;
    };

    static std::uint16_t corner(std::uint64_t triangle, int k) { return std::uint16_t(triangle >> (16 * k)); }

    // Over the node's vertices in order, a value replacing the bound only when
    // strictly beyond it.
    void setBounds(const Work& w)
    {
        const float* first = vertexAt(mVertices, corner(mRun[w.first], 0));
        Vector3 lo{first[0], first[1], first[2]};
        Vector3 hi = lo;
        for (std::size_t i = w.first; i < w.first + std::size_t(w.node->triangleCount); ++i)
            for (int k = 0; k < 3; ++k) {
                const float* v = vertexAt(mVertices, corner(mRun[i], k));
                for (int axis = 0; axis < 3; ++axis) {
                    if (v[axis] < lo[axis]) lo[axis] = v[axis];
                    if (v[axis] > hi[axis]) hi[axis] = v[axis];
                }
            }
        w.node->bounds = BoundingBox{lo, hi};
    }

    // Each node's mean on its axis: its vertices' coordinates summed in float in
    // the node's order, over three times its triangles.
    void means(const Batch& batch, const int* axes, float* mean) const
    {
        float sum[BATCH] = {};
        const std::uint64_t* run[BATCH];
        const float* coordinate[BATCH];  // of vertex 0 on the node's axis
        std::uint32_t together = ~0u;
        for (std::size_t b = 0; b < batch.size; ++b) {
            run[b] = &mRun[batch.work[b].first];
            coordinate[b] = mVertices + axes[b];
            together = std::min(together, batch.work[b].node->triangleCount);
        }
        auto add = [&](std::size_t b, std::uint32_t i) {
            const std::uint64_t t = run[b][i];
            const float* c = coordinate[b];
            sum[b] = ((sum[b] + c[3 * std::size_t(corner(t, 0))]) + c[3 * std::size_t(corner(t, 1))]) +
                     c[3 * std::size_t(corner(t, 2))];
        };
        if (batch.size < BATCH) together = 0;
        for (std::uint32_t i = 0; i < together; ++i)
#pragma GCC unroll 8
            for (std::size_t b = 0; b < BATCH; ++b) add(b, i);
        for (std::size_t b = 0; b < batch.size; ++b) {
            const std::uint32_t count = batch.work[b].node->triangleCount;
            for (std::uint32_t i = together; i < count; ++i) add(b, i);
            mean[b] = float(double(sum[b]) / (3.0 * double(count)));
        }
    }

    // MeshTree::partition on the node's places.
    std::uint32_t partition(const Work& w, int axis, float mean)
    {
        std::uint64_t* run = &mRun[w.first];
        float* on = &mCentroids[axis][w.first];
        float* second = &mCentroids[(axis + 1) % 3][w.first];
        float* third = &mCentroids[(axis + 2) % 3][w.first];
        std::uint32_t k = 0;
        for (std::uint32_t i = 0; i < w.node->triangleCount; ++i)
            if (on[i] < mean) {
                std::swap(run[i], run[k]);
                std::swap(on[i], on[k]);
                std::swap(second[i], second[k]);
                std::swap(third[i], third[k]);
                ++k;
            }
        return k;
    }

    void split(const Batch& batch, std::vector<Work>& pending)
    {
        if (batch.size == 0) return;
        int axes[BATCH];
        float mean[BATCH], lastMean[BATCH];
        long long counts[3][BATCH];
        for (int axis = 0; axis < 3; ++axis) {
            std::fill_n(axes, batch.size, axis);
            means(batch, axes, mean);
            for (std::size_t b = 0; b < batch.size; ++b) counts[axis][b] = partition(batch.work[b], axis, mean[b]);
        }
        std::copy_n(mean, batch.size, lastMean);
        for (std::size_t b = 0; b < batch.size; ++b) {
            const long long half = batch.work[b].node->triangleCount / 2;
            int axis = 0;
            long long best = std::llabs(half - counts[0][b]);
            if (std::llabs(half - counts[1][b]) < best) {
                axis = 1;
                best = std::llabs(half - counts[1][b]);
            }
            if (std::llabs(half - counts[2][b]) < best) axis = 2;
            axes[b] = axis;
        }
        means(batch, axes, mean);
        for (std::size_t b = 0; b < batch.size; ++b) {
            const Work& w = batch.work[b];
            MeshTreeNode* node = w.node;
            // On the axis just partitioned, the same mean leaves the order as it is.
            const bool same = axes[b] == 2 && std::memcmp(&mean[b], &lastMean[b], sizeof(float)) == 0;
            const std::uint32_t e = same ? std::uint32_t(counts[2][b]) : partition(w, axes[b], mean[b]);
            if (e == 0 || e == node->triangleCount) continue;  // no axis separates them
            node->left = new MeshTreeNode{e, node->triangles, BoundingBox{}, nullptr, nullptr};
            node->right = new MeshTreeNode{node->triangleCount - e, node->triangles + 3 * std::size_t(e),
                                           BoundingBox{}, nullptr, nullptr};
            pending.push_back(Work{node->right, w.first + e});
            pending.push_back(Work{node->left, w.first});
        }
    }

    std::uint16_t* mTriangles;
    const float* mVertices;
    std::vector<std::uint64_t> mRun;    // the triangles in their order, three indices each
    std::vector<float> mCentroids[3];  // per axis, ((a + b) + c) / 3 of the triangle at each place
};

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
    SubtreeBuilder(node->triangles, node->triangleCount, verts).build(node);
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
