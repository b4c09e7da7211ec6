#include "sim/rigidbody/MeshPairSearch.h"

#include <algorithm>
#include <cmath>

#include "sim/rigidbody/CollideMesh.h"
#include "sim/rigidbody/TriangleContacts.h"

namespace physics {
namespace rigidbody {

namespace {

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float
// Planes searched together: the bits of one mask.
constexpr std::uint32_t PLANES = 32;
// Deep enough for any tree whose turns fit a key (32 levels).
constexpr int STACK = 72;
// Nodes of at most this many triangles are judged by the walks' distance
// bounds as well, plane by plane: above it their bounds seldom rule anything out.
constexpr std::uint32_t SMALL_NODE = 64;

// What the plane tests need of the mesh whose nodes they visit (MeshPairSearch.h).
struct Target {
    const MeshInWorld* mesh;
    double vertexError;  // |computed world vertex - (R v + t)|
    double coordinates;  // Rw: |computed world vertex|
    double bodyTerms;    // sum over j of |v_j| for every body-space vertex
    double rotationTerms;  // greatest |R_ij|
    double translationTerms;  // sum of |t_i|
};

Target targetOf(const MeshInWorld& mesh)
{
    const WorldBounds& root = mesh.nodeBounds(mesh.tree()->root);
    Target t{&mesh, root.vertexError, root.coordinateBound, 0, 0, 0};
    const BoundingBox& box = mesh.tree()->bounds;
    for (int j = 0; j < 3; ++j) {
        t.bodyTerms += std::max(std::fabs(double(box.min[j])), std::fabs(double(box.max[j])));
        t.translationTerms += std::fabs(mesh.translation()[j]);
        for (int i = 0; i < 3; ++i) t.rotationTerms = std::max(t.rotationTerms, std::fabs(mesh.rotation()[i][j]));
    }
    return t;
}

// A triangle's plane in the target's body space: the real plane value of the
// target's computed vertex from body-space v is along . v + offset, up to margin
// less what keeps the computed value from being snapped.
struct CarriedPlane {
    double along[3];
    double offset;
    double margin;
};

CarriedPlane carry(const TrianglePlane& plane, const Target& target)
{
    const double n[3] = {plane.n.x, plane.n.y, plane.n.z};
    const double(&r)[3][3] = target.mesh->rotation();
    const double(&t)[3] = target.mesh->translation();
    CarriedPlane c;
    for (int j = 0; j < 3; ++j) c.along[j] = r[0][j] * n[0] + r[1][j] * n[1] + r[2][j] * n[2];
    c.offset = n[0] * t[0] + n[1] * t[1] + n[2] * t[2] + double(plane.d);
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const double terms = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
    c.margin = 1.0001e-6 + length * (3.0001 * U * target.coordinates + target.vertexError) * (1 + 1e-12) +
               1e-13 * (terms * (target.rotationTerms * target.bodyTerms + target.translationTerms) +
                        std::fabs(double(plane.d)));
    return c;
}

// Whether every computed vertex from the box has a plane value of one sign,
// not snapped (MeshPairSearch.h).
bool beyond(const CarriedPlane& c, const BoundingBox& box)
{
    double centre = c.offset, spread = 0;
    for (int j = 0; j < 3; ++j) {
        const double lo = box.min[j], hi = box.max[j];
        centre += c.along[j] * (0.5 * (lo + hi));
        spread += std::fabs(c.along[j]) * (0.5 * (hi - lo));
    }
    // Written so that NaN keeps the box.
    return centre - spread > c.margin || centre + spread < -c.margin;
}

// One search over the two meshes of a pair.
class Search {
public:
    Search(const MeshInWorld& first, const MeshInWorld& second, MeshPairWalk& walk)
        : first_(first), second_(second), walk_(walk), candidates_(first.cache().candidates)
    {
        candidates_.clear();
    }

    bool full() const { return overflow_; }

    // The planes of the triangles of `planes` not marked wideSlab (or only
    // those of wideOnly's complement: see MeshPairSearch.h) against the nodes of
    // `target`, all of them or (wideOnly) only their wide triangles. Inner nodes
    // of `planes` that the walks' bounds part from all of `target` have no pair
    // (a leaf's planes are judged one by one in flush).
    void planesAgainst(const MeshInWorld& planes, const MeshInWorld& target, bool wideOnly)
    {
        const Target t = targetOf(target);
        const MeshTree& tree = *planes.tree();
        const MeshTreeNode* stack[STACK];
        int top = 0;
        stack[top++] = tree.root;
        while (top > 0) {
            const MeshTreeNode* node = stack[--top];
            if (node->left) {
                if (walk_.apart(node, planes, target.tree()->root, target)) continue;
                stack[top++] = node->right;
                stack[top++] = node->left;
                continue;
            }
            const std::uint32_t start = tree.nodeSummaries[node->index].firstTriangle;
            count_ = 0;
            for (std::uint32_t i = 0; i < node->triangleCount && !overflow_; ++i) {
                const std::uint32_t p = start + i;
                if (tree.triangleSummaries[p].wideSlab) continue;
                owners_[count_] = p;
                facets_[count_] = &planes.facet(p);
                carried_[count_] = carry(facets_[count_]->plane, t);
                if (++count_ == PLANES) flush(planes, target, wideOnly);
            }
            if (count_ > 0 && !overflow_) flush(planes, target, wideOnly);
            if (overflow_) return;
        }
    }

    // The pairs of the two meshes' wide triangles.
    void widePairs()
    {
        const MeshTree& a = *first_.tree();
        const MeshTree& b = *second_.tree();
        for (std::uint32_t p : a.wideSlabTriangles) {
            const Facet& fp = first_.facet(p);
            for (std::uint32_t q : b.wideSlabTriangles) {
                const Facet& fq = second_.facet(q);
                if (meet(fp, fq)) keep(p, q);
                if (overflow_) return;
            }
        }
    }

    // The kept pairs' triangle tests, in the walks' order.
    void test(ContactList* contacts)
    {
        const MeshTree& a = *first_.tree();
        const MeshTree& b = *second_.tree();
        for (PairCandidate& c : candidates_) {
            const std::uint32_t la = a.triangleLeaf[c.first], lb = b.triangleLeaf[c.second];
            const LeafTurns& ta = a.leafTurns[la];
            const LeafTurns& tb = b.leafTurns[lb];
            const std::uint32_t both = std::min(ta.depth, tb.depth);
            const std::uint64_t common = both == 0 ? 0 : ~std::uint64_t(0) << (64 - 2 * both);
            c.key = (ta.high & common) | (tb.low & common) | ((ta.depth > tb.depth ? ta.low : tb.low) & ~common);
            const std::uint64_t inA = c.first - a.nodeSummaries[la].firstTriangle;
            const std::uint64_t inB = c.second - b.nodeSummaries[lb].firstTriangle;
            c.order = tb.depth > ta.depth ? inB << 32 | inA : inA << 32 | inB;
        }
        std::sort(candidates_.begin(), candidates_.end(), [](const PairCandidate& x, const PairCandidate& y) {
            return x.key != y.key ? x.key < y.key : x.order < y.order;
        });
        for (const PairCandidate& c : candidates_) {
            const Facet& fa = first_.facet(c.first);
            const Facet& fb = second_.facet(c.second);
            if (b.leafTurns[b.triangleLeaf[c.second]].depth > a.leafTurns[a.triangleLeaf[c.first]].depth)
                collideTriangleTriangle(fb.p, fa.p, second_.body(), first_.body(), contacts);
            else
                collideTriangleTriangle(fa.p, fb.p, first_.body(), second_.body(), contacts);
        }
    }

private:
    static bool meet(const Facet& p, const Facet& q)
    {
        return !planeSeparates(p.plane, q.p) && !planeSeparates(q.plane, p.p);
    }

    // The pair of triangle p of `planes` and q of the other mesh.
    void keep(const MeshInWorld& planes, std::uint32_t p, std::uint32_t q)
    {
        if (&planes == &first_)
            keep(p, q);
        else
            keep(q, p);
    }
    void keep(std::uint32_t inFirst, std::uint32_t inSecond)
    {
        if (candidates_.size() == candidates_.capacity()) {
            overflow_ = true;
            return;
        }
        candidates_.push_back(PairCandidate{0, 0, inFirst, inSecond});
    }

    // The gathered planes against the target's tree.
    void flush(const MeshInWorld& planes, const MeshInWorld& target, bool wideOnly)
    {
        const std::uint32_t all = count_ == PLANES ? ~std::uint32_t(0) : (std::uint32_t(1) << count_) - 1;
        const MeshTree& tree = *target.tree();
        struct Pending {
            const MeshTreeNode* node;
            std::uint32_t mask;
        };
        Pending stack[STACK];
        int top = 0;
        stack[top++] = {tree.root, all};
        while (top > 0) {
            const Pending visit = stack[--top];
            const MeshTreeNode* node = visit.node;
            const NodeSummary& summary = tree.nodeSummaries[node->index];
            if (wideOnly && summary.wideSlabCount == 0) continue;
            const BoundingBox& box = wideOnly ? summary.wideSlabBox : node->bounds;
            std::uint32_t mask = visit.mask;
            for (std::uint32_t m = mask; m; m &= m - 1) {
                const int k = __builtin_ctz(m);
                if (beyond(carried_[k], box)) mask &= ~(std::uint32_t(1) << k);
            }
            if (!mask) continue;
            // Planes whose triangle cannot meet any of the node's, by the walks' own
            // bounds (MeshCulling.h), have no pair to keep here.
            if (node->triangleCount <= SMALL_NODE && !wideOnly)
                for (std::uint32_t m = mask; m; m &= m - 1) {
                    const int k = __builtin_ctz(m);
                    if (walk_.triangleApart(planes, owners_[k], node, target)) mask &= ~(std::uint32_t(1) << k);
                }
            if (!mask) continue;
            if (node->left) {
                stack[top++] = {node->right, mask};
                stack[top++] = {node->left, mask};
                continue;
            }
            for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
                const std::uint32_t q = summary.firstTriangle + i;
                if (wideOnly && !tree.triangleSummaries[q].wideSlab) continue;
                const Facet& fq = target.facet(q);
                for (std::uint32_t m = mask; m; m &= m - 1) {
                    const int k = __builtin_ctz(m);
                    if (meet(*facets_[k], fq)) keep(planes, owners_[k], q);
                }
                if (overflow_) return;
            }
        }
        count_ = 0;
    }

    const MeshInWorld& first_;
    const MeshInWorld& second_;
    MeshPairWalk& walk_;
    std::vector<PairCandidate>& candidates_;
    bool overflow_ = false;
    // The planes gathered for one search of the target's tree.
    std::uint32_t count_ = 0;
    std::uint32_t owners_[PLANES];
    const Facet* facets_[PLANES];
    CarriedPlane carried_[PLANES];
};

}  // namespace

bool searchMeshPair(const MeshInWorld& first, const MeshInWorld& second, MeshPairWalk& walk, ContactList* contacts)
{
    const MeshTree* a = first.tree();
    const MeshTree* b = second.tree();
    if (a == b || !a->ordered || !b->ordered) return false;
    if (a->triangleCount == 0 || b->triangleCount == 0) return true;  // the walks test nothing

    // The larger mesh's planes search the smaller one first.
    const bool firstSearches =
        !(first.nodeBounds(a->root).radius < second.nodeBounds(b->root).radius);
    const MeshInWorld& x = firstSearches ? first : second;
    const MeshInWorld& y = firstSearches ? second : first;

    // The wide pairs one by one, unless there are too many of them.
    const std::size_t wide = a->wideSlabTriangles.size() * b->wideSlabTriangles.size();
    if (wide > 16 * first.cache().candidates.capacity()) return false;

    Search search(first, second, walk);
    search.planesAgainst(x, y, false);
    if (!search.full() && !x.tree()->wideSlabTriangles.empty()) search.planesAgainst(y, x, true);
    if (!search.full()) search.widePairs();
    if (search.full()) return false;
    search.test(contacts);
    return true;
}

}  // namespace rigidbody
}  // namespace physics
