#pragma once
// Single-precision three-vector with expression templates.
//
// Rounding rule: every node of a vector expression rounds its per-component
// result to float before the enclosing node uses it, and a finished expression is
// evaluated component by component straight into its target (no temporaries).
// Scalar operands are converted to float first, also when they are doubles.
// Functions that produce one value from one scalar expression (cross product
// components) evaluate it in double and round once when the value is stored; a
// dot product rounds each of its partial sums, taken z, y, x.
#include <cmath>
#include <type_traits>

namespace physics {

struct Vector3;

// Base of every expression node (curiously recurring template).
template <class E>
struct VectorExpression {
    const E& self() const { return static_cast<const E&>(*this); }
    template <int I>
    float get() const { return self().template get<I>(); }
    inline operator Vector3() const;
};

struct Vector3 {
    float x, y, z;

    template <int I>
    float get() const
    {
        static_assert(I >= 0 && I < 3, "component index");
        if constexpr (I == 0) return x;
        else if constexpr (I == 1) return y;
        else return z;
    }

    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

    template <class E>
    Vector3& operator=(const VectorExpression<E>& e)
    {
        // Each component reads only the same component of its operands, so the
        // target may appear in the expression.
        x = e.template get<0>();
        y = e.template get<1>();
        z = e.template get<2>();
        return *this;
    }

    template <class E>
    Vector3& operator+=(const VectorExpression<E>& e)
    {
        x = x + e.template get<0>();
        y = y + e.template get<1>();
        z = z + e.template get<2>();
        return *this;
    }
    Vector3& operator+=(const Vector3& v)
    {
        x = x + v.x;
        y = y + v.y;
        z = z + v.z;
        return *this;
    }

    template <class E>
    Vector3& operator-=(const VectorExpression<E>& e)
    {
        x = x - e.template get<0>();
        y = y - e.template get<1>();
        z = z - e.template get<2>();
        return *this;
    }
    Vector3& operator-=(const Vector3& v)
    {
        x = x - v.x;
        y = y - v.y;
        z = z - v.z;
        return *this;
    }

    // The shared zero vector, created on first use.
    static const Vector3& zero();
};

static_assert(std::is_trivial_v<Vector3> && std::is_standard_layout_v<Vector3>,
              "Vector3 is a plain record of three floats");

template <class E>
inline VectorExpression<E>::operator Vector3() const
{
    return Vector3{get<0>(), get<1>(), get<2>()};
}

// Three doubles: the clamped difference of the box-sphere tests, and the bounds
// the culling works out in double precision. Its own operations below are plain
// double arithmetic, nothing rounded to float (squaredLength rounds: it is the
// box-sphere test's).
struct DoubleVector3 {
    double x, y, z;

    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
};

inline DoubleVector3 toDouble(const Vector3& v) { return DoubleVector3{v.x, v.y, v.z}; }
inline DoubleVector3 operator+(const DoubleVector3& a, const DoubleVector3& b)
{
    return DoubleVector3{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline DoubleVector3 operator-(const DoubleVector3& a, const DoubleVector3& b)
{
    return DoubleVector3{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline DoubleVector3 operator*(const DoubleVector3& a, double s) { return DoubleVector3{a.x * s, a.y * s, a.z * s}; }
inline DoubleVector3 operator/(const DoubleVector3& a, double s) { return DoubleVector3{a.x / s, a.y / s, a.z / s}; }
// Summed x, y, z.
inline double dot(const DoubleVector3& a, const DoubleVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double norm(const DoubleVector3& a) { return std::sqrt(dot(a, a)); }
inline DoubleVector3 cross(const DoubleVector3& a, const DoubleVector3& b)
{
    return DoubleVector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// Sum of the absolute components, x, y, z.
inline double absoluteSum(const DoubleVector3& a) { return std::fabs(a.x) + std::fabs(a.y) + std::fabs(a.z); }
inline bool isFinite(const DoubleVector3& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

namespace detail {

// Leaf node: a reference to a stored vector.
struct VectorRef : VectorExpression<VectorRef> {
    const Vector3& v;
    explicit VectorRef(const Vector3& v) : v(v) {}
    template <int I>
    float get() const { return v.template get<I>(); }
};

// Operands are held by value when they are nodes (nodes are small), by reference
// when they are vectors.
template <class T>
struct Operand {
    using type = T;
};
template <>
struct Operand<Vector3> {
    using type = VectorRef;
};

template <class T>
inline constexpr bool isVectorLike =
    std::is_same_v<T, Vector3> || std::is_base_of_v<VectorExpression<T>, T>;

inline VectorRef wrap(const Vector3& v) { return VectorRef(v); }
template <class E>
inline const E& wrap(const VectorExpression<E>& e) { return e.self(); }

template <class L, class R>
struct Sum : VectorExpression<Sum<L, R>> {
    typename Operand<L>::type l;
    typename Operand<R>::type r;
    Sum(const typename Operand<L>::type& l, const typename Operand<R>::type& r) : l(l), r(r) {}
    template <int I>
    float get() const { return l.template get<I>() + r.template get<I>(); }
};

template <class L, class R>
struct Difference : VectorExpression<Difference<L, R>> {
    typename Operand<L>::type l;
    typename Operand<R>::type r;
    Difference(const typename Operand<L>::type& l, const typename Operand<R>::type& r) : l(l), r(r) {}
    template <int I>
    float get() const { return l.template get<I>() - r.template get<I>(); }
};

template <class E>
struct Scaled : VectorExpression<Scaled<E>> {
    typename Operand<E>::type e;
    float s;
    Scaled(const typename Operand<E>::type& e, float s) : e(e), s(s) {}
    template <int I>
    float get() const { return e.template get<I>() * s; }
};

template <class E>
struct Divided : VectorExpression<Divided<E>> {
    typename Operand<E>::type e;
    float s;
    Divided(const typename Operand<E>::type& e, float s) : e(e), s(s) {}
    template <int I>
    float get() const { return e.template get<I>() / s; }
};

template <class E>
struct Negated : VectorExpression<Negated<E>> {
    typename Operand<E>::type e;
    explicit Negated(const typename Operand<E>::type& e) : e(e) {}
    template <int I>
    float get() const { return -e.template get<I>(); }
};

template <class T>
using Enable = std::enable_if_t<isVectorLike<T>, int>;

}  // namespace detail

template <class L, class R, detail::Enable<L> = 0, detail::Enable<R> = 0>
inline detail::Sum<L, R> operator+(const L& l, const R& r)
{
    return detail::Sum<L, R>(detail::wrap(l), detail::wrap(r));
}

template <class L, class R, detail::Enable<L> = 0, detail::Enable<R> = 0>
inline detail::Difference<L, R> operator-(const L& l, const R& r)
{
    return detail::Difference<L, R>(detail::wrap(l), detail::wrap(r));
}

template <class E, class S, detail::Enable<E> = 0, std::enable_if_t<std::is_arithmetic_v<S>, int> = 0>
inline detail::Scaled<E> operator*(const E& e, S s)
{
    return detail::Scaled<E>(detail::wrap(e), float(s));
}

template <class E, class S, detail::Enable<E> = 0, std::enable_if_t<std::is_arithmetic_v<S>, int> = 0>
inline detail::Divided<E> operator/(const E& e, S s)
{
    return detail::Divided<E>(detail::wrap(e), float(s));
}

template <class E, detail::Enable<E> = 0>
inline detail::Negated<E> operator-(const E& e)
{
    return detail::Negated<E>(detail::wrap(e));
}

// a x b, each component one double expression rounded once.
inline Vector3 crossProduct(const Vector3& a, const Vector3& b)
{
    return Vector3{float(double(a.y) * b.z - double(a.z) * b.y),
                   float(double(a.z) * b.x - double(a.x) * b.z),
                   float(double(a.x) * b.y - double(a.y) * b.x)};
}

// Sum in the order z, y, x starting from 0.0, rounding every partial sum.
inline float dotProduct(const Vector3& a, const Vector3& b)
{
    float s = float(0.0 + double(a.z) * b.z);
    s = float(double(s) + double(a.y) * b.y);
    s = float(double(s) + double(a.x) * b.x);
    return s;
}

inline float squaredLength(const Vector3& a) { return dotProduct(a, a); }

// Squared length of a double vector: each component first rounded to float.
inline float squaredLength(const DoubleVector3& a)
{
    return squaredLength(Vector3{float(a.x), float(a.y), float(a.z)});
}

// In place; a zero vector becomes NaN (callers guard where that can happen).
inline void normalise(Vector3& a)
{
    const float len = float(std::sqrt(double(squaredLength(a))));
    a.x = a.x / len;
    a.y = a.y / len;
    a.z = a.z / len;
}

inline const Vector3& Vector3::zero()
{
    static const Vector3 value{0.0f, 0.0f, 0.0f};
    return value;
}

}  // namespace physics
