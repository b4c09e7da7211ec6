#pragma once

namespace physics {

// Integrator of a first-order system over a flat array of floats.
class ODE {
public:
    // Writes dx/dt of state x at time t into xdot.
    using DerivFunc = void (*)(float t, float* x, float* xdot, void* user);

    virtual ~ODE() = default;
    virtual void resize(unsigned n) = 0;
    // x0 is only read and x1 only written, each of the size set by resize.
    virtual void integrate(const float* x0, float* x1, float t0, float t1, DerivFunc f, void* user) = 0;
};

// The classical fourth-order Runge-Kutta method.
class ODERungeKutta : public ODE {
public:
    ODERungeKutta() = default;
    ~ODERungeKutta() override;
    ODERungeKutta(const ODERungeKutta&) = delete;
    ODERungeKutta& operator=(const ODERungeKutta&) = delete;

    void resize(unsigned n) override;
    void integrate(const float* x0, float* x1, float t0, float t1, DerivFunc f, void* user) override;

    unsigned mSize = 0;
    float* mTemp = nullptr;
    float* mK1 = nullptr;
    float* mK2 = nullptr;
    float* mK3 = nullptr;
    float* mK4 = nullptr;

private:
    void release();
};

}  // namespace physics
