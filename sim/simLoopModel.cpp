#include "simLoopModel.h"

#include <algorithm>
#include <cmath>

namespace LoopModel {

namespace {

State derivative(const State &x, const Plant &p, const Gains &g, const Command &c)
{
    State d;
    double wr = c.velocity;
    if (c.positionLoop) {
        const double ep = c.position - x.position;
        wr = std::clamp(g.positionKp * ep + g.positionKi * x.positionIntegral, -c.speedLimit, c.speedLimit);
        d.positionIntegral = ep;
    }
    const double ew = wr - x.velocity;
    const double demand = g.speedKp * ew + g.speedKi * x.speedIntegral;
    const double tc = std::clamp(demand, -c.torqueLimit, c.torqueLimit);
    // Conditional integration: a clamped loop does not wind up.
    d.speedIntegral = demand == tc ? ew : 0.0;
    d.torque = (tc - x.torque) / p.torqueLag;
    d.velocity = (x.torque - p.damping * x.velocity) / p.inertia;
    d.position = x.velocity;
    return d;
}

State plus(const State &x, const State &d, double h)
{
    return {x.position + h * d.position, x.velocity + h * d.velocity, x.torque + h * d.torque,
            x.speedIntegral + h * d.speedIntegral, x.positionIntegral + h * d.positionIntegral};
}

} // namespace

State step(const State &x, const Plant &p, const Gains &g, const Command &c, double h)
{
    const State k1 = derivative(x, p, g, c);
    const State k2 = derivative(plus(x, k1, h / 2), p, g, c);
    const State k3 = derivative(plus(x, k2, h / 2), p, g, c);
    const State k4 = derivative(plus(x, k3, h), p, g, c);
    auto mix = [h](double a, double b1, double b2, double b3, double b4) {
        return a + h / 6 * (b1 + 2 * b2 + 2 * b3 + b4);
    };
    return {mix(x.position, k1.position, k2.position, k3.position, k4.position),
            mix(x.velocity, k1.velocity, k2.velocity, k3.velocity, k4.velocity),
            mix(x.torque, k1.torque, k2.torque, k3.torque, k4.torque),
            mix(x.speedIntegral, k1.speedIntegral, k2.speedIntegral, k3.speedIntegral, k4.speedIntegral),
            mix(x.positionIntegral, k1.positionIntegral, k2.positionIntegral, k3.positionIntegral,
                k4.positionIntegral)};
}

} // namespace LoopModel
