// Box against box: separating-axis test on the fifteen candidate axes, then face
// contacts by clipping the incident face against the reference face, or a single
// edge-edge contact.
#include <cmath>
#include <cstring>
#include <limits>

#include "sim/maths/Matrix3.h"
#include "sim/rigidbody/BoxBox.h"
#include "sim/rigidbody/Collide.h"

namespace physics {
namespace rigidbody {

namespace {

Vector3 column(const Matrix3& m, int c) { return Vector3{m[0][c], m[1][c], m[2][c]}; }

struct BoxFrame {
    Vector3 centre;
    Vector3 axis[3];
    float half[3];
};

BoxFrame frameOf(const BoxBody* box)
{
    BoxFrame f;
    f.centre = box->position;
    for (int i = 0; i < 3; ++i) {
        f.axis[i] = column(box->rotation, i);
        f.half[i] = box->halfExtents[i];
    }
    return f;
}

// The two indices other than i, in increasing order.
void otherAxes(int i, int& first, int& second)
{
    first = (i == 0) ? 1 : 0;
    second = (i == 2) ? 1 : 2;
}

void appendEdgeContact(BoxBody* a, BoxBody* b, const BoxFrame& fa, const BoxFrame& fb, const Vector3& n,
                       int code, ContactList* contacts)
{
    // Corner of A farthest along n and corner of B farthest along -n.
    Vector3 pa = fa.centre;
    for (int j = 0; j < 3; ++j) {
        const float sign = dotProduct(fa.axis[j], n) > 0.0f ? 1.0f : -1.0f;
        pa += fa.axis[j] * (sign * fa.half[j]);
    }
    Vector3 pb = fb.centre;
    for (int j = 0; j < 3; ++j) {
        const float sign = dotProduct(fb.axis[j], n) > 0.0f ? -1.0f : 1.0f;
        pb += fb.axis[j] * (sign * fb.half[j]);
    }

    const Vector3& ua = fa.axis[(code - 7) / 3];
    const Vector3& ub = fb.axis[(code - 7) % 3];
    float alpha, beta;
    closestPointsOnLines(pa, ua, pb, ub, alpha, beta);
    pa = pa + ua * alpha;
    pb = pb + ub * beta;

    const Vector3 point = (pa + pb) * 0.5;
    contacts->push_back(Contact{a, b, point, -n, ua, ub, false});
}

void appendFaceContacts(BoxBody* a, BoxBody* b, const BoxFrame& fa, const BoxFrame& fb, const Matrix3& incidentRotation,
                        const Vector3& n, int code, ContactList* contacts)
{
    const bool referenceIsA = code <= 3;
    const BoxFrame& ref = referenceIsA ? fa : fb;
    const BoxFrame& inc = referenceIsA ? fb : fa;
    const Vector3 nf = referenceIsA ? n : Vector3(-n);

    // Incident face: the face of the incident box most anti-parallel to nf.
    const Vector3 nr = Matrix3::transpose(incidentRotation) * nf;
    const float anr[3] = {std::fabs(nr.x), std::fabs(nr.y), std::fabs(nr.z)};
    int lanr;
    if (anr[1] > anr[0]) lanr = anr[1] > anr[2] ? 1 : 2;
    else lanr = anr[0] > anr[2] ? 0 : 2;
    int a1, a2;
    otherAxes(lanr, a1, a2);

    // Centre of the incident face, relative to the reference centre.
    Vector3 center;
    if (nr[lanr] < 0.0f) center = (inc.centre - ref.centre) + inc.axis[lanr] * inc.half[lanr];
    else center = (inc.centre - ref.centre) - inc.axis[lanr] * inc.half[lanr];

    const int codeN = referenceIsA ? code - 1 : code - 4;
    int code1, code2;
    otherAxes(codeN, code1, code2);

    // The incident face in the reference face's 2-D frame.
    const float c1 = dotProduct(center, ref.axis[code1]);
    const float c2 = dotProduct(center, ref.axis[code2]);
    float m11 = dotProduct(ref.axis[code1], inc.axis[a1]);
    float m12 = dotProduct(ref.axis[code1], inc.axis[a2]);
    float m21 = dotProduct(ref.axis[code2], inc.axis[a1]);
    float m22 = dotProduct(ref.axis[code2], inc.axis[a2]);

    const float k1 = m11 * inc.half[a1];
    const float k2 = m21 * inc.half[a1];
    const float k3 = m12 * inc.half[a2];
    const float k4 = m22 * inc.half[a2];
    const float quad[8] = {
        float(double(c1) - k1 - k3), float(double(c2) - k2 - k4),
        float(double(c1) - k1 + k3), float(double(c2) - k2 + k4),
        float(double(c1) + k1 + k3), float(double(c2) + k2 + k4),
        float(double(c1) + k1 - k3), float(double(c2) + k2 - k4),
    };

    float clipped[16];
    const int count = clipQuadToRect(ref.half[code1], ref.half[code2], quad, clipped);
    if (count == 0) return;

    // Map the clipped 2-D points back onto the incident face.
    const float det = float(1.0 / (double(m11) * m22 - double(m12) * m21));
    m11 = m11 * det;
    m12 = m12 * det;
    m21 = m21 * det;
    m22 = m22 * det;

    for (int i = 0; i < count; ++i) {
        const double x = clipped[2 * i], y = clipped[2 * i + 1];
        const float u = float(m22 * (x - c1) - m12 * (y - c2));
        const float v = float(m11 * (y - c2) - m21 * (x - c1));
        const Vector3 point = (center + inc.axis[a1] * u) + inc.axis[a2] * v;
        const float depth = float(double(ref.half[codeN]) - dotProduct(nf, point));
        if (depth >= 0.0f) {
            const Vector3 world = point + ref.centre;
            // Face contacts have no edges: both edge fields stay zero.
            contacts->push_back(Contact{a, b, world, -n, Vector3::zero(), Vector3::zero(), true});
        }
    }
}

}  // namespace

void SeparatingAxis::reset()
{
    depth = -std::numeric_limits<float>::max();
    normal = Vector3::zero();
    normalInBoxFrame = false;
    invert = false;
    code = 0;
}

bool SeparatingAxis::testFaceAxis(float distance, float radius, const Vector3& axis, int axisCode)
{
    const float s = float(double(std::fabs(distance)) - radius);
    if (s > 0.0f) return false;
    if (s > depth) {
        depth = s;
        normal = axis;
        normalInBoxFrame = false;
        invert = distance < 0.0f;
        code = axisCode;
    }
    return true;
}

bool SeparatingAxis::testEdgeAxis(float distance, float radius, float ax, float ay, float az, int axisCode)
{
    const float s = float(double(std::fabs(distance)) - radius);
    if (s > 0.0f) return false;
    const float l = float(std::sqrt(double(float(double(ax) * ax + double(ay) * ay + double(az) * az))));
    if (l <= 0.0f) return true;
    const float scaled = s / l;
    // Edge axes must beat the best axis by 5% to win: face contacts are more stable.
    if (1.05 * scaled > depth) {
        depth = scaled;
        normal = Vector3{ax / l, ay / l, az / l};
        normalInBoxFrame = true;
        invert = distance < 0.0f;
        code = axisCode;
    }
    return true;
}

void closestPointsOnLines(const Vector3& pa, const Vector3& ua, const Vector3& pb, const Vector3& ub, float& alpha,
                          float& beta)
{
    const Vector3 p = pb - pa;
    const float uaub = dotProduct(ua, ub);
    const float q1 = dotProduct(ua, p);
    const float q2 = -dotProduct(ub, p);
    const float d = float(1.0 - double(uaub) * uaub);
    if (d <= 0.0001) {
        alpha = 0.0f;
        beta = 0.0f;
        return;
    }
    const float r = float(1.0 / d);
    alpha = float((q1 + double(uaub) * q2) * r);
    beta = float((double(uaub) * q1 + q2) * r);
}

int clipQuadToRect(float halfX, float halfY, const float quad[8], float out[16])
{
    const float half[2] = {halfX, halfY};
    float scratch[16];
    const float* in = quad;
    int inCount = 4;
    float* target = out;

    for (int d = 0; d < 2; ++d) {
        const int e = 1 - d;
        for (float sign : {-1.0f, 1.0f}) {
            int count = 0;
            for (int i = 0; i < inCount; ++i) {
                const float* v = in + 2 * i;
                const float* next = in + 2 * ((i + 1) % inCount);
                const bool vInside = sign * v[d] < half[d];
                const bool nextInside = sign * next[d] < half[d];
                if (vInside) {
                    target[2 * count] = v[0];
                    target[2 * count + 1] = v[1];
                    if (++count == 8) break;
                }
                if (vInside != nextInside) {
                    const double bound = double(sign) * half[d];
                    target[2 * count + d] = float(bound);
                    target[2 * count + e] = float(v[e] + (double(next[e]) - v[e]) / (double(next[d]) - v[d]) * (bound - v[d]));
                    if (++count == 8) break;
                }
            }
            in = target;
            inCount = count;
            if (count == 8) {
                if (in != out) std::memcpy(out, in, sizeof(float) * 16);
                return 8;
            }
            target = (target == out) ? scratch : out;
        }
    }
    if (in != out) std::memcpy(out, in, sizeof(float) * 2 * inCount);
    return inCount;
}

void collideBoxBox(RigidBody* aBody, RigidBody* bBody, ContactList* contacts)
{
    auto* a = static_cast<BoxBody*>(aBody);
    auto* b = static_cast<BoxBody*>(bBody);
    const BoxFrame fa = frameOf(a), fb = frameOf(b);
    const float* hA = fa.half;
    const float* hB = fb.half;

    const Vector3 p = b->position - a->position;
    const Vector3 pp = Matrix3::transpose(a->rotation) * p;
    Matrix3 rel = Matrix3::transpose(a->rotation);
    rel *= b->rotation;
    const float (*R)[3] = rel.m;
    float Q[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) Q[i][j] = std::fabs(R[i][j]);

    SeparatingAxis best;
    best.reset();

    // Face axes of A, then of B.
    for (int i = 0; i < 3; ++i) {
        const float radius = float(hA[i] + double(hB[0]) * Q[i][0] + double(hB[1]) * Q[i][1] + double(hB[2]) * Q[i][2]);
        if (!best.testFaceAxis(pp[i], radius, fa.axis[i], 1 + i)) return;
    }
    for (int j = 0; j < 3; ++j) {
        const float distance = dotProduct(fb.axis[j], p);
        const float radius = float(hB[j] + double(hA[0]) * Q[0][j] + double(hA[1]) * Q[1][j] + double(hA[2]) * Q[2][j]);
        if (!best.testFaceAxis(distance, radius, fb.axis[j], 4 + j)) return;
    }

    // Edge axes a_i x b_j, written in A's frame.
    const double h0 = hA[0], h1 = hA[1], h2 = hA[2];
    const double g0 = hB[0], g1 = hB[1], g2 = hB[2];
    const double p0 = pp.x, p1 = pp.y, p2 = pp.z;
    struct EdgeAxis {
        float distance, radius, ax, ay, az;
    };
    const EdgeAxis edges[9] = {
        {float(p2 * R[1][0] - p1 * R[2][0]), float(h1 * Q[2][0] + h2 * Q[1][0] + g1 * Q[0][2] + g2 * Q[0][1]),
         0.0f, -R[2][0], R[1][0]},
        {float(p2 * R[1][1] - p1 * R[2][1]), float(h1 * Q[2][1] + h2 * Q[1][1] + g0 * Q[0][2] + g2 * Q[0][0]),
         0.0f, -R[2][1], R[1][1]},
        {float(p2 * R[1][2] - p1 * R[2][2]), float(h1 * Q[2][2] + h2 * Q[1][2] + g0 * Q[0][1] + g1 * Q[0][0]),
         0.0f, -R[2][2], R[1][2]},
        {float(p0 * R[2][0] - p2 * R[0][0]), float(h0 * Q[2][0] + h2 * Q[0][0] + g1 * Q[1][2] + g2 * Q[1][1]),
         R[2][0], 0.0f, -R[0][0]},
        {float(p0 * R[2][1] - p2 * R[0][1]), float(h0 * Q[2][1] + h2 * Q[0][1] + g0 * Q[1][2] + g2 * Q[1][0]),
         R[2][1], 0.0f, -R[0][1]},
        {float(p0 * R[2][2] - p2 * R[0][2]), float(h0 * Q[2][2] + h2 * Q[0][2] + g0 * Q[1][1] + g1 * Q[1][0]),
         R[2][2], 0.0f, -R[0][2]},
        {float(p1 * R[0][0] - p0 * R[1][0]), float(h0 * Q[1][0] + h1 * Q[0][0] + g1 * Q[2][2] + g2 * Q[2][1]),
         -R[1][0], R[0][0], 0.0f},
        {float(p1 * R[0][1] - p0 * R[1][1]), float(h0 * Q[1][1] + h1 * Q[0][1] + g0 * Q[2][2] + g2 * Q[2][0]),
         -R[1][1], R[0][1], 0.0f},
        {float(p1 * R[0][2] - p0 * R[1][2]), float(h0 * Q[1][2] + h1 * Q[0][2] + g0 * Q[2][1] + g1 * Q[2][0]),
         -R[1][2], R[0][2], 0.0f},
    };
    for (int k = 0; k < 9; ++k) {
        const EdgeAxis& e = edges[k];
        if (!best.testEdgeAxis(e.distance, e.radius, e.ax, e.ay, e.az, 7 + k)) return;
    }

    if (best.code == 0) return;
    Vector3 n = best.normal;
    if (best.normalInBoxFrame) n = a->rotation * n;
    if (best.invert) n = -n;

    if (best.code >= 7) appendEdgeContact(a, b, fa, fb, n, best.code, contacts);
    else appendFaceContacts(a, b, fa, fb, best.code <= 3 ? b->rotation : a->rotation, n, best.code, contacts);
}

}  // namespace rigidbody
}  // namespace physics
