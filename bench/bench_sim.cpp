// How fast the simulated devices are: the motor's frame handling, and how many 16-byte
// receive frames the simulated adapter pushes through a pseudo-terminal when unpaced
// (the serial line itself carries at most 5 760 frames/s at 921 600 baud).

#include "simCodec.h"
#include "simMotor.h"
#include "simSerialAdapter.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

static void motorFrames()
{
    SimMotor motor(1, 0x11);
    SimCanFrame enable{1, SimCodec::specialCommand(SimCodec::SpecialEnable)};
    motor.receiveCan(enable);
    SimCanFrame mit{1, SimCodec::mitCommand(1.0f, 0, 20, 1, 0)};
    SimCanFrame reg{0x7FF, SimCodec::registerFrame(1, SimCodec::RegRead, 21)};
    const int n = 200000;
    const auto t0 = Clock::now();
    size_t replies = 0;
    for (int i = 0; i < n; ++i)
        replies += size_t(motor.receiveCan(i % 2 ? mit : reg).size());
    const double s = seconds(t0, Clock::now());
    std::printf("motor: %d command/register frames in %.3f s = %.0f frames/s (%zu replies)\n", n, s, n / s, replies);
}

static void adapterStream(int rate)
{
    SimSerialAdapter adapter;
    adapter.setHeartbeatEnabled(false);
    if (!adapter.start())
        return;
    const int fd = ::open(adapter.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t;
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    adapter.startStreaming(rate);
    const auto t0 = Clock::now();
    long long bytes = 0;
    char buf[65536];
    while (seconds(t0, Clock::now()) < 2.0) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                bytes += n;
        }
    }
    const double s = seconds(t0, Clock::now());
    adapter.stopStreaming();
    const auto st = adapter.stats();
    std::printf("adapter stream %s: %.0f frames/s received over the pty (%llu sent, %llu slipped)\n",
                rate ? qPrintable(QString("at %1/s").arg(rate)) : "unpaced", bytes / 16.0 / s,
                (unsigned long long)st.streamedFrames, (unsigned long long)st.streamSlipped);
    ::close(fd);
}

int main()
{
    motorFrames();
    adapterStream(5760);
    adapterStream(0);
    return 0;
}
