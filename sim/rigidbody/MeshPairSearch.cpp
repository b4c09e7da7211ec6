// The search of a mesh pair, in the order it runs: the walks' bounds on node
// pairs and triangles (MeshPairWalk), the triangle pairs found plane by plane
// (Search) and tested in the walks' order, and where that cannot be done the
// walk of node pairs.
#include "sim/rigidbody/MeshPairSearch.h"

#include <algorithm>
#include <cmath>

#include "sim/rigidbody/TriangleContacts.h"

namespace physics {
namespace rigidbody {

namespace {

// Of a leaf's first 32 triangles, those that may still meet a triangle of the
// nodes on the other side (bit i for triangle i); later triangles are always kept.
using TriangleMask = std::uint32_t;
constexpr TriangleMask ALL_TRIANGLES = ~TriangleMask(0);

// Both meshes of one mesh-mesh search and what it has learnt of them.
class MeshPairWalk {
public:
    MeshPairWalk(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts, PointIndex* points,
                 MeshPairScratch& scratch);

    // Whether no triangle of node p (of mesh pm) and none of node q can meet.
    bool apart(const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q, const MeshInWorld& qm);
    // Whether triangle t of mesh tm can meet no triangle of node (of mesh nm).
    bool triangleApart(const MeshInWorld& tm, std::uint32_t t, const MeshTreeNode* node, const MeshInWorld& nm);
    // The triangles of mask that may meet a triangle of node.
    TriangleMask meeting(const MeshTreeNode* leaf, const MeshInWorld& leafMesh, TriangleMask mask,
                         const MeshTreeNode* node, const MeshInWorld& nodeMesh);

    ContactList* contacts() const { return mContacts; }
    PointIndex* points() const { return mPoints; }
    MeshPairScratch& scratch() const { return mScratch; }

private:
    // Groups a (triangles [aStart, aStart + aCount) of am) and b: apart by their
    // cones and planes, or by distance at the angle the search grants.
    bool apart(const WorldBounds& a, const MeshInWorld& am, std::uint32_t aStart, std::uint32_t aCount,
               const WorldBounds& b, const MeshInWorld& bm, std::uint32_t bStart, std::uint32_t bCount);

    const MeshInWorld* mListed;  // its triangles come first in mNearParallel's pairs
    const MeshInWorld* mOther;
    NearParallelPairs mNearParallel;
    ContactList* mContacts;
    PointIndex* mPoints;
    MeshPairScratch& mScratch;
};

bool searchPlanes(const MeshInWorld& first, const MeshInWorld& second, MeshPairWalk& walk);
void walkNodePairs(MeshPairWalk& walk, const MeshInWorld& first, const MeshInWorld& second);

}  // namespace

void collideMeshPair(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts, PointIndex* points,
                     MeshPairScratch& scratch)
{
    MeshPairWalk walk(first, second, contacts, points, scratch);
    if (!searchPlanes(first, second, walk)) walkNodePairs(walk, first, second);
}

void walkMeshPairByNodes(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts,
                         PointIndex* points, MeshPairScratch& scratch)
{
    MeshPairWalk walk(first, second, contacts, points, scratch);
    walkNodePairs(walk, first, second);
}

namespace {

MeshPairWalk::MeshPairWalk(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts,
                           PointIndex* points, MeshPairScratch& scratch)
    : mNearParallel(scratch.nearParallel), mContacts(contacts), mPoints(points), mScratch(scratch)
{
    // The search looks up the triangles of one mesh among the normals of the other:
    // the fewer lookups the better.
    const bool firstListed = first.tree()->triangleCount >= second.tree()->triangleCount;
    mListed = firstListed ? &first : &second;
    mOther = firstListed ? &second : &first;
}

bool MeshPairWalk::apart(const WorldBounds& a, const MeshInWorld& am, std::uint32_t aStart, std::uint32_t aCount,
                         const WorldBounds& b, const MeshInWorld& bm, std::uint32_t bStart, std::uint32_t bCount)
{
    if (groupsApart(a, b)) return true;
    // The reach at the search angle is the least the search can grant: short of
    // it there is no need to search. Boxes are looked at when spheres fall short.
    static const double sinSearch = std::sin(NearParallelPairs::SEARCH_ANGLE);
    const double least = triangleReach(a, b, sinSearch);
    double gap = sphereGap(a, b);
    bool boxes = false;
    if (!(gap > least)) {
        gap = widerGap(gap, a, b);
        boxes = true;
        if (!(gap > least)) return false;
    }
    if (!mNearParallel.searched()) {
        // Meshes apart as wholes need only the angle that puts them beyond reach
        // (with room to spare): the narrower the search, the fewer pairs it lists.
        const bool wholeMeshes = aCount == std::uint32_t(am.tree()->triangleCount) &&
                                 bCount == std::uint32_t(bm.tree()->triangleCount);
        const double sinNeeded = 2 * triangleReach(a, b, 1.0) / gap;
        const double angle = wholeMeshes && sinNeeded < std::sin(NearParallelPairs::SEARCH_ANGLE)
                                 ? std::max(std::asin(sinNeeded), 1e-3)
                                 : NearParallelPairs::SEARCH_ANGLE;
        mNearParallel.search(*mListed, *mOther, angle);
    }
    const double reach = triangleReach(a, b, std::sin(mNearParallel.leastAngle(a, b)));
    if (!(gap > reach) && !boxes) gap = widerGap(gap, a, b);
    if (!(gap > reach)) return false;
    return &am == mListed ? !mNearParallel.anyIn(aStart, aCount, bStart, bCount)
                          : !mNearParallel.anyIn(bStart, bCount, aStart, aCount);
}

bool MeshPairWalk::triangleApart(const MeshInWorld& tm, std::uint32_t t, const MeshTreeNode* node,
                                 const MeshInWorld& nm)
{
    return apart(tm.worldTriangle(t).bounds, tm, t, 1, nm.nodeBounds(node), nm,
                 nm.tree()->nodeSummaries[node->index].firstTriangle, node->triangleCount);
}

bool MeshPairWalk::apart(const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q, const MeshInWorld& qm)
{
    return apart(pm.nodeBounds(p), pm, pm.tree()->nodeSummaries[p->index].firstTriangle, p->triangleCount,
                 qm.nodeBounds(q), qm, qm.tree()->nodeSummaries[q->index].firstTriangle, q->triangleCount);
}

TriangleMask MeshPairWalk::meeting(const MeshTreeNode* leaf, const MeshInWorld& leafMesh, TriangleMask mask,
                                   const MeshTreeNode* node, const MeshInWorld& nodeMesh)
{
    const std::uint32_t leafStart = leafMesh.tree()->nodeSummaries[leaf->index].firstTriangle;
    for (std::uint32_t i = 0; i < leaf->triangleCount && i < 32; ++i)
        if ((mask >> i & 1u) && triangleApart(leafMesh, leafStart + i, node, nodeMesh)) mask &= ~(TriangleMask(1) << i);
    return mask;
}

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float
// Planes searched together: the bits of one mask.
constexpr std::uint32_t PLANES = 32;
// Deep enough for any tree whose turns fit a key (32 levels).
constexpr int STACK = 72;
// Nodes of at most this many triangles are judged by the walks' distance
// bounds as well, plane by plane: above it their bounds seldom rule anything out.
constexpr std::uint32_t SMALL_NODE = 64;

// Room for the triangle pairs of a search whose first mesh is this tree: more
// make it give way to the walk of node pairs.
std::size_t candidateRoom(const MeshTree& first) { return 4 * std::size_t(first.triangleCount) + 1024; }

// What the plane tests need of the mesh whose nodes they visit.
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
    DoubleVector3 along;
    double offset;
    double margin;
};

CarriedPlane carry(const TrianglePlane& plane, const Target& target)
{
    const DoubleVector3 n = toDouble(plane.n);
    const DoubleVector3(&r)[3] = target.mesh->rotation();
    CarriedPlane c;
    for (int j = 0; j < 3; ++j) c.along[j] = r[0][j] * n.x + r[1][j] * n.y + r[2][j] * n.z;
    c.offset = dot(n, target.mesh->translation()) + double(plane.d);
    c.margin = 1.0001e-6 + norm(n) * (3.0001 * U * target.coordinates + target.vertexError) * (1 + 1e-12) +
               1e-13 * (absoluteSum(n) * (target.rotationTerms * target.bodyTerms + target.translationTerms) +
                        std::fabs(double(plane.d)));
    return c;
}

// Whether every computed vertex from the box has a plane value of one sign,
// not snapped (RoundingBounds.md, "The mesh pair searched plane by plane").
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
        : mFirst(first),
          mSecond(second),
          mWalk(walk),
          mCandidates(walk.scratch().candidates),
          mRoom(candidateRoom(*first.tree()))
    {
        mCandidates.clear();
    }

    bool full() const { return mOverflow; }

    // The planes of the triangles of `planes` not marked wideSlab (or only
    // those of wideOnly's complement: RoundingBounds.md) against the nodes of
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
                if (mWalk.apart(node, planes, target.tree()->root, target)) continue;
                stack[top++] = node->right;
                stack[top++] = node->left;
                continue;
            }
            const std::uint32_t start = tree.nodeSummaries[node->index].firstTriangle;
            mCount = 0;
            for (std::uint32_t i = 0; i < node->triangleCount && !mOverflow; ++i) {
                const std::uint32_t p = start + i;
                if (tree.triangleSummaries[p].wideSlab) continue;
                mOwners[mCount] = p;
                mFacets[mCount] = &planes.facet(p);
                mCarried[mCount] = carry(mFacets[mCount]->plane, t);
                if (++mCount == PLANES) flush(planes, target, wideOnly);
            }
            if (mCount > 0 && !mOverflow) flush(planes, target, wideOnly);
            if (mOverflow) return;
        }
    }

    // The pairs of the two meshes' wide triangles.
    void widePairs()
    {
        const MeshTree& a = *mFirst.tree();
        const MeshTree& b = *mSecond.tree();
        for (std::uint32_t p : a.wideSlabTriangles) {
            const Facet& fp = mFirst.facet(p);
            for (std::uint32_t q : b.wideSlabTriangles) {
                const Facet& fq = mSecond.facet(q);
                if (meet(fp, fq)) keep(p, q);
                if (mOverflow) return;
            }
        }
    }

    // The kept pairs' triangle tests, in the walks' order.
    void test(ContactList* contacts)
    {
        const MeshTree& a = *mFirst.tree();
        const MeshTree& b = *mSecond.tree();
        for (PairCandidate& c : mCandidates) {
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
        std::sort(mCandidates.begin(), mCandidates.end(), [](const PairCandidate& x, const PairCandidate& y) {
            return x.key != y.key ? x.key < y.key : x.order < y.order;
        });
        for (const PairCandidate& c : mCandidates) {
            const Facet& fa = mFirst.facet(c.first);
            const Facet& fb = mSecond.facet(c.second);
            if (b.leafTurns[b.triangleLeaf[c.second]].depth > a.leafTurns[a.triangleLeaf[c.first]].depth)
                collideTriangleTriangle(fb.p, fa.p, mSecond.body(), mFirst.body(), contacts, mWalk.points());
            else
                collideTriangleTriangle(fa.p, fb.p, mFirst.body(), mSecond.body(), contacts, mWalk.points());
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
        if (&planes == &mFirst)
            keep(p, q);
        else
            keep(q, p);
    }
    void keep(std::uint32_t inFirst, std::uint32_t inSecond)
    {
        if (mCandidates.size() == mRoom) {
            mOverflow = true;
            return;
        }
        mCandidates.push_back(PairCandidate{0, 0, inFirst, inSecond});
    }

    // The gathered planes against the target's tree.
    void flush(const MeshInWorld& planes, const MeshInWorld& target, bool wideOnly)
    {
        const std::uint32_t all = mCount == PLANES ? ~std::uint32_t(0) : (std::uint32_t(1) << mCount) - 1;
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
                if (beyond(mCarried[k], box)) mask &= ~(std::uint32_t(1) << k);
            }
            if (!mask) continue;
            // Planes whose triangle cannot meet any of the node's, by the walks' own
            // bounds (MeshCulling.h), have no pair to keep here.
            if (node->triangleCount <= SMALL_NODE && !wideOnly)
                for (std::uint32_t m = mask; m; m &= m - 1) {
                    const int k = __builtin_ctz(m);
                    if (mWalk.triangleApart(planes, mOwners[k], node, target)) mask &= ~(std::uint32_t(1) << k);
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
                    if (meet(*mFacets[k], fq)) keep(planes, mOwners[k], q);
                }
                if (mOverflow) return;
            }
        }
        mCount = 0;
    }

    const MeshInWorld& mFirst;
    const MeshInWorld& mSecond;
    MeshPairWalk& mWalk;
    std::vector<PairCandidate>& mCandidates;
    const std::size_t mRoom;
    bool mOverflow = false;
    // The planes gathered for one search of the target's tree.
    std::uint32_t mCount = 0;
    std::uint32_t mOwners[PLANES];
    const Facet* mFacets[PLANES];
    CarriedPlane mCarried[PLANES];
};

bool searchPlanes(const MeshInWorld& first, const MeshInWorld& second, MeshPairWalk& walk)
{
    const MeshTree* a = first.tree();
    const MeshTree* b = second.tree();
    if (!a->ordered || !b->ordered) return false;
    if (a->triangleCount == 0 || b->triangleCount == 0) return true;  // the walks test nothing

    // The larger mesh's planes search the smaller one first.
    const bool firstSearches =
        !(first.nodeBounds(a->root).radius < second.nodeBounds(b->root).radius);
    const MeshInWorld& x = firstSearches ? first : second;
    const MeshInWorld& y = firstSearches ? second : first;

    // The wide pairs one by one, unless there are too many of them.
    const std::size_t wide = a->wideSlabTriangles.size() * b->wideSlabTriangles.size();
    if (wide > 16 * candidateRoom(*a)) return false;

    Search search(first, second, walk);
    search.planesAgainst(x, y, false);
    if (!search.full() && !x.tree()->wideSlabTriangles.empty()) search.planesAgainst(y, x, true);
    if (!search.full()) search.widePairs();
    if (search.full()) return false;
    search.test(walk.contacts());
    return true;
}


// The walk of node pairs from the two roots; the inner node of a pair goes first.
void walkNodeNode(MeshPairWalk& walk, const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q,
                  const MeshInWorld& qm);
void walkNodeLeaf(MeshPairWalk& walk, const MeshTreeNode* node, const MeshInWorld& nodeMesh, const MeshTreeNode* leaf,
                  const MeshInWorld& leafMesh, TriangleMask leafMask = ALL_TRIANGLES);
void collideLeafLeaf(MeshPairWalk& walk, const MeshTreeNode* f, const MeshInWorld& fm, const MeshTreeNode* s,
                     const MeshInWorld& sm, TriangleMask sMask = ALL_TRIANGLES);

void walkNodePairs(MeshPairWalk& walk, const MeshInWorld& first, const MeshInWorld& second)
{
    const MeshTreeNode* p = first.tree()->root;
    const MeshTreeNode* q = second.tree()->root;
    if (p->left && q->left)
        walkNodeNode(walk, p, first, q, second);
    else if (p->left)
        walkNodeLeaf(walk, p, first, q, second);
    else if (q->left)
        walkNodeLeaf(walk, q, second, p, first);
    else
        collideLeafLeaf(walk, p, first, q, second);
}

// Whether no triangle of the leaf is left in mask.
bool noneLeft(const MeshTreeNode* leaf, TriangleMask mask)
{
    if (leaf->triangleCount > 32) return false;
    const TriangleMask used = leaf->triangleCount == 32 ? ALL_TRIANGLES : (TriangleMask(1) << leaf->triangleCount) - 1;
    return (mask & used) == 0;
}

void walkNodeNode(MeshPairWalk& walk, const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q,
                  const MeshInWorld& qm)
{
    if (walk.apart(p, pm, q, qm)) return;
    const MeshTreeNode* const pairs[4][2] = {{p->left, q->left}, {p->left, q->right}, {p->right, q->left},
                                             {p->right, q->right}};
    for (const auto& pair : pairs) {
        const MeshTreeNode* c = pair[0];
        const MeshTreeNode* d = pair[1];
        if (c->left && d->left)
            walkNodeNode(walk, c, pm, d, qm);
        else if (c->left)
            walkNodeLeaf(walk, c, pm, d, qm);
        else if (d->left)  // the inner node goes first
            walkNodeLeaf(walk, d, qm, c, pm);
        else
            collideLeafLeaf(walk, c, pm, d, qm);
    }
}

void walkNodeLeaf(MeshPairWalk& walk, const MeshTreeNode* node, const MeshInWorld& nodeMesh, const MeshTreeNode* leaf,
                  const MeshInWorld& leafMesh, TriangleMask leafMask)
{
    if (walk.apart(node, nodeMesh, leaf, leafMesh)) return;
    // The leaf's triangles apart from this whole node are apart from its children.
    leafMask = walk.meeting(leaf, leafMesh, leafMask, node, nodeMesh);
    if (noneLeft(leaf, leafMask)) return;
    for (const MeshTreeNode* child : {node->left, node->right}) {
        if (child->left)
            walkNodeLeaf(walk, child, nodeMesh, leaf, leafMesh, leafMask);
        else
            collideLeafLeaf(walk, child, nodeMesh, leaf, leafMesh, leafMask);
    }
}

void collideLeafLeaf(MeshPairWalk& walk, const MeshTreeNode* f, const MeshInWorld& fm, const MeshTreeNode* s,
                     const MeshInWorld& sm, TriangleMask sMask)
{
    if (walk.apart(f, fm, s, sm)) return;
    sMask = walk.meeting(s, sm, sMask, f, fm);
    if (noneLeft(s, sMask)) return;
    const TriangleMask fMask = walk.meeting(f, fm, ALL_TRIANGLES, s, sm);
    const std::uint32_t fStart = fm.tree()->nodeSummaries[f->index].firstTriangle;
    const std::uint32_t sStart = sm.tree()->nodeSummaries[s->index].firstTriangle;
    for (std::uint32_t i = 0; i < f->triangleCount; ++i) {
        if (i < 32 && !(fMask >> i & 1u)) continue;
        const WorldTriangle& a = fm.worldTriangle(fStart + i);
        for (std::uint32_t j = 0; j < s->triangleCount; ++j) {
            if (j < 32 && !(sMask >> j & 1u)) continue;
            const WorldTriangle& b = sm.worldTriangle(sStart + j);
            if (trianglesApart(a.bounds, b.bounds)) continue;
            collideTriangleTriangle(a.p, b.p, fm.body(), sm.body(), walk.contacts(), walk.points());
        }
    }
}

}  // namespace

}  // namespace rigidbody
}  // namespace physics
