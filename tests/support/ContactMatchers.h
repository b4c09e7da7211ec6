#pragma once
#include <gtest/gtest.h>

#include "sim/rigidbody/Contact.h"

namespace testing_support {

inline void expectSameContact(const physics::rigidbody::Contact& a, const physics::rigidbody::Contact& b)
{
    EXPECT_EQ(a.bodyA, b.bodyA);
    EXPECT_EQ(a.bodyB, b.bodyB);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.point[i], b.point[i]);
        EXPECT_EQ(a.normal[i], b.normal[i]);
        EXPECT_EQ(a.edgeA[i], b.edgeA[i]);
        EXPECT_EQ(a.edgeB[i], b.edgeB[i]);
    }
    EXPECT_EQ(a.vertexFace, b.vertexFace);
}

inline void expectSameContacts(const physics::rigidbody::ContactList& a, const physics::rigidbody::ContactList& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameContact(a[i], b[i]);
    }
}

inline void expectVector(const physics::Vector3& v, float x, float y, float z, float tolerance = 0.0f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

}  // namespace testing_support
