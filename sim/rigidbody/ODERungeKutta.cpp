#include "sim/rigidbody/ODE.h"

#include <initializer_list>
#include <memory>

namespace physics {

ODERungeKutta::~ODERungeKutta() { release(); }

void ODERungeKutta::release()
{
    for (float** a : {&mTemp, &mK1, &mK2, &mK3, &mK4}) {
        delete[] *a;
        *a = nullptr;
    }
    mSize = 0;
}

void ODERungeKutta::resize(unsigned n)
{
    release();
    // Allocate all five before publishing any, so a failure leaves the integrator empty.
    std::unique_ptr<float[]> temp(new float[n]), k1(new float[n]), k2(new float[n]),
        k3(new float[n]), k4(new float[n]);
    mTemp = temp.release();
    mK1 = k1.release();
    mK2 = k2.release();
    mK3 = k3.release();
    mK4 = k4.release();
    mSize = n;
}

void ODERungeKutta::integrate(const float* x0, float* x1, float t0, float t1, DerivFunc f, void* user)
{
    const unsigned n = mSize;
    const float h = t1 - t0;
    const double halfH = h * 0.5;

    f(t0, const_cast<float*>(x0), mK1, user);
    for (unsigned i = 0; i < n; ++i) mTemp[i] = float(x0[i] + mK1[i] * halfH);
    f(float(t0 + halfH), mTemp, mK2, user);
    for (unsigned i = 0; i < n; ++i) mTemp[i] = float(x0[i] + mK2[i] * halfH);
    f(float(t0 + halfH), mTemp, mK3, user);
    for (unsigned i = 0; i < n; ++i) mTemp[i] = float(x0[i] + double(mK3[i]) * h);
    f(float(t0 + double(h)), mTemp, mK4, user);

    const double sixthH = h / 6.0;
    for (unsigned i = 0; i < n; ++i)
        x1[i] = float(x0[i] + sixthH * ((double(mK2[i]) + mK3[i]) * 2.0 + mK1[i] + mK4[i]));
}

}  // namespace physics
