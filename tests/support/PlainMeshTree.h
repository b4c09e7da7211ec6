#pragma once
// The mesh tree's nodes built one node at a time, as the tree was first built,
// with the tree's own bounds and partition of a single node: the left child by
// recursion, the right one by continuing the loop. The library's build must give
// the same nodes and the same triangle order; tests and benchmarks hold the two
// side by side.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/rigidbody/MeshTree.h"

namespace testing_support {

inline void plainBuildNode(physics::rigidbody::MeshTree& tree, physics::rigidbody::MeshTreeNode* node,
                           const float* vertices)
{
    using physics::rigidbody::MeshTreeNode;
    for (;;) {
        if (node->triangleCount == 0) return;
        tree.computeNodeBounds(node, vertices);
        if (node->triangleCount < 10) return;

        const long long half = node->triangleCount / 2;
        const long long cx = tree.partition(0, vertices, node);
        const long long cy = tree.partition(1, vertices, node);
        const long long cz = tree.partition(2, vertices, node);
        int axis = 0;
        long long best = std::llabs(half - cx);
        if (std::llabs(half - cy) < best) {
            axis = 1;
            best = std::llabs(half - cy);
        }
        if (std::llabs(half - cz) < best) axis = 2;

        const std::uint32_t e = tree.partition(axis, vertices, node);
        if (e == 0 || e == node->triangleCount) return;
        node->left = new MeshTreeNode{e, node->triangles, physics::BoundingBox{}, nullptr, nullptr};
        plainBuildNode(tree, node->left, vertices);
        node->right = new MeshTreeNode{node->triangleCount - e, node->triangles + 3 * std::size_t(e),
                                       physics::BoundingBox{}, nullptr, nullptr};
        node = node->right;
    }
}

// The nodes of a tree over a copy of the indices, built the plain way.
class PlainTreeNodes {
public:
    PlainTreeNodes(const std::vector<std::uint16_t>& indices, const float* vertices)
        : triangles(indices),
          root(new physics::rigidbody::MeshTreeNode{std::uint32_t(indices.size() / 3), triangles.data(),
                                                    physics::BoundingBox{}, nullptr, nullptr})
    {
        physics::rigidbody::MeshTree tree;
        plainBuildNode(tree, root, vertices);
    }
    PlainTreeNodes(const PlainTreeNodes&) = delete;
    PlainTreeNodes& operator=(const PlainTreeNodes&) = delete;
    ~PlainTreeNodes()
    {
        std::vector<physics::rigidbody::MeshTreeNode*> pending{root};
        while (!pending.empty()) {
            physics::rigidbody::MeshTreeNode* node = pending.back();
            pending.pop_back();
            if (node->left) pending.push_back(node->left);
            if (node->right) pending.push_back(node->right);
            delete node;
        }
    }

    std::vector<std::uint16_t> triangles;  // in the build's order
    physics::rigidbody::MeshTreeNode* root;
};

}  // namespace testing_support
