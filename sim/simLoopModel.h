#pragma once

// The simulated controller's speed and position loops on a simple load, as the
// position-velocity, velocity and PVT modes run them. Everything is at the output shaft,
// in rad, rad/s and N-m:
//
//   load            J dw/dt = tau - b w,  dp/dt = w       J = Inertia Gr^2, b = Damp Gr^2
//   torque          dtau/dt = (tau_c - tau) / Tc          Tc = kTorqueLag (current loop and
//                                                         coupling lumped into one lag)
//   speed loop      tau_c = clamp(KP_ASR e_w + KI_ASR int(e_w), +-torque limit)
//                   e_w = w_r - w; the integral holds while the command is clamped
//   position loop   w_r = clamp(KP_APR e_p + KI_APR int(e_p), +-speed limit), e_p = p_r - p
//                   (velocity mode: w_r is the commanded velocity)
//
// With KI_ASR = 0 and no limit reached, a velocity step is the textbook second-order
// response
//
//   w / w_r = K / (J Tc s^2 + (J + b Tc) s + b + K),   K = KP_ASR
//   wn^2 = (b + K) / (J Tc),   2 zeta wn = (J + b Tc) / (J Tc),   final value K / (b + K)
//
// so a higher speed-loop gain gives a faster and less damped response, with less
// steady-state error. The model integrates with a fixed fourth-order Runge-Kutta step of
// kStep; the motor answers each command with the state at the moment the command arrives,
// so feedback comes at whatever rate the link carries commands.
namespace LoopModel {

constexpr double kTorqueLag = 0.01; // s
constexpr double kStep = 1e-4;      // s

struct Plant
{
    double inertia = 0.0185; // J, kg m^2
    double damping = 0.23;   // b, N m s/rad
    double torqueLag = kTorqueLag;
};

struct Gains
{
    double speedKp = 0, speedKi = 0, positionKp = 0, positionKi = 0;
};

struct Command
{
    bool positionLoop = false; // position-velocity and PVT; velocity mode otherwise
    double position = 0;       // p_r
    double velocity = 0;       // w_r in velocity mode
    double speedLimit = 0;     // position loop output limit
    double torqueLimit = 0;
};

struct State
{
    double position = 0, velocity = 0, torque = 0, speedIntegral = 0, positionIntegral = 0;
};

// One Runge-Kutta step of `h` seconds.
State step(const State &x, const Plant &p, const Gains &g, const Command &c, double h);

} // namespace LoopModel
