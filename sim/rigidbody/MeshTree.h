#pragma once
// Collision shape of a triangle mesh: the caller's vertex array, an own copy of the
// 16-bit triangle indices and a binary tree of axis-aligned boxes over the triangles.
#include <cstdint>
#include <vector>

#include "sim/maths/BoundingBox.h"
#include "sim/rigidbody/MeshSummaries.h"
#include "sim/rigidbody/NormalGrid.h"

namespace physics {
namespace rigidbody {

// A node is a leaf exactly when left is null; an inner node has both children.
// The left child holds the first triangles of its parent's run, the right child
// the rest, so the leaves read left to right cover the index array in order.
struct MeshTreeNode {
    std::uint32_t triangleCount;
    std::uint16_t* triangles;  // into the tree's index copy, 3 indices per triangle
    BoundingBox bounds;        // body coordinates
    MeshTreeNode* left;
    MeshTreeNode* right;
    std::uint32_t index = 0;  // of the node's summary, in depth-first order
};

// Built once, read-only afterwards. Nodes with fewer than 10 triangles are leaves;
// larger ones are split on the axis whose centroid mean halves them best.
class MeshTree {
public:
    MeshTree();
    ~MeshTree();
    MeshTree(const MeshTree&) = delete;
    MeshTree& operator=(const MeshTree&) = delete;

    // The vertex array is kept, not copied: it must outlive the tree. The index
    // array is copied and the caller's stays unchanged. A mesh without triangles
    // gets an empty root at the origin. Throws std::invalid_argument, building
    // nothing, for a negative triangle count, a missing array or an index not
    // below vertexCount.
    void build(int vertexCount, float* vertices, int triangleCount, std::uint16_t* triangles);

    // Bounds and children of a node and of all below it: each node split as
    // partition and computeNodeBounds split one node, the children of several
    // nodes worked out together.
    void buildNode(MeshTreeNode* node, const float* vertices);
    void computeNodeBounds(MeshTreeNode* node, const float* vertices);
    // Moves the triangles whose centroid lies strictly below the mean centroid on
    // the axis (0 = x, 1 = y, 2 = z) to the front of the node's run; returns their number.
    unsigned partition(int axis, const float* vertices, MeshTreeNode* node);

    int vertexCount = 0;
    float* vertices = nullptr;  // x, y, z per vertex, body coordinates; not owned
    // One more than the largest index of a triangle (0 without triangles): the
    // vertices the walks can read and keep anything for, however many the caller
    // counted (16-bit indices reach 65536 at most).
    int reachedVertexCount = 0;
    int triangleCount = 0;
    std::uint16_t* triangles = nullptr;  // owned, reordered by the build
    MeshTreeNode* root = nullptr;        // owned with all its descendants
    BoundingBox bounds{};                // of the root

    // For the culling of mesh pairs, filled by build from the vertices as they are
    // then (like the node bounds, they assume the vertex array does not change;
    // MeshSummaries.cpp).
    std::vector<TriangleSummary> triangleSummaries;  // in the order of the index copy
    std::vector<NodeSummary> nodeSummaries;          // by MeshTreeNode::index
    NormalGrid normalGrid;                           // the regular triangles' normals
    // For the mesh-mesh pair search: each triangle's leaf (its node index), the
    // leaves' turns by node index, and the triangles marked wideSlab in
    // index-copy order. ordered is false for a tree deeper than 32 levels, whose
    // turns do not fit a key.
    std::vector<std::uint32_t> triangleLeaf;
    std::vector<LeafTurns> leafTurns;
    std::vector<std::uint32_t> wideSlabTriangles;
    bool ordered = false;

private:
    void release();
    void summarise();
    void placeLeaves();
};

}  // namespace rigidbody
}  // namespace physics
