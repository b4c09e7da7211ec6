// Building a mesh tree's nodes, the library's way and node by node as the tree
// was first built (tests/support/PlainMeshTree.h), over terrain grids of 1,922 to
// 130,050 triangles: compare the pairs of one run. BM_MeshTreeBuild is the whole
// build, with what the tree keeps for the mesh pairs' culling.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "Meshes.h"
#include "PlainMeshTree.h"
#include "sim/rigidbody/MeshTree.h"

using namespace testing_support;

namespace {

// A terrain grid of the given samples a side: 2 (samples - 1)^2 triangles.
const MeshData& terrainOf(int samples)
{
    static std::vector<std::pair<int, MeshData>> made;
    for (const auto& [s, m] : made)
        if (s == samples) return m;
    made.emplace_back(samples, terrainMesh(samples, 50.0f));
    return made.back().second;
}

void reportTriangles(benchmark::State& state, const MeshData& m)
{
    state.counters["triangles"] = m.triangleCount();
    state.counters["time_per_triangle"] = benchmark::Counter(
        m.triangleCount(), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void freeNodes(MeshTreeNode* node)
{
    if (node->left) freeNodes(node->left);
    if (node->right) freeNodes(node->right);
    delete node;
}

}  // namespace

using NodeBuild = void (*)(MeshTree&, MeshTreeNode*, const float*);

// The nodes of a fresh root over a copy of the indices, timed alone.
static void buildNodes(benchmark::State& state, NodeBuild build)
{
    const MeshData& m = terrainOf(int(state.range(0)));
    MeshTree tree;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint16_t> triangles = m.indices;
        auto* root = new MeshTreeNode{std::uint32_t(m.triangleCount()), triangles.data(), BoundingBox{}, nullptr,
                                      nullptr};
        state.ResumeTiming();
        build(tree, root, m.vertices.data());
        state.PauseTiming();
        freeNodes(root);
        state.ResumeTiming();
    }
    reportTriangles(state, m);
}

static void BM_MeshTreeNodes(benchmark::State& state)
{
    buildNodes(state, [](MeshTree& tree, MeshTreeNode* root, const float* vertices) {
        tree.buildNode(root, vertices);
    });
}

static void BM_MeshTreeNodesPlain(benchmark::State& state) { buildNodes(state, plainBuildNode); }

static void BM_MeshTreeBuild(benchmark::State& state)
{
    const MeshData& m = terrainOf(int(state.range(0)));
    std::vector<float> vertices = m.vertices;
    std::vector<std::uint16_t> triangles = m.indices;
    for (auto _ : state) {
        MeshTree tree;
        tree.build(m.vertexCount(), vertices.data(), m.triangleCount(), triangles.data());
        benchmark::DoNotOptimize(tree.root);
    }
    reportTriangles(state, m);
}

// 1,922, 7,938, 32,258 and 130,050 triangles.
BENCHMARK(BM_MeshTreeNodes)->Arg(32)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshTreeNodesPlain)->Arg(32)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshTreeBuild)->Arg(32)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
