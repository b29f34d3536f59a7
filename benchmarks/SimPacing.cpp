// How closely corvane-ecu-sim's paced output matches the wire: the simulator sends a burst of
// 1000 bytes back to back at 9600 baud (10 bits a byte, frames) and at 38400 baud (11 bits a
// byte, the boot monitor's two stop bits); this program times the bytes as they arrive on its
// terminal and prints the burst's duration against the wire time. The target is within 5 %.
//
//   bench_sim_pacing [--runs N]      (default 5 runs per speed; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "common/EcuSim.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The tool's side of the line, opened raw at the speed given.
int OpenLine(const QString& path, speed_t speed, bool twoStopBits) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (twoStopBits) t.c_cflag |= CSTOPB;
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

struct Timing {
    double seconds = 0; // first byte's start to last byte's end, as the receiver sees it
    int bytes = 0;
};

Timing TimeBurst(TEcuSim& sim, int fd, int count, int baud, int bits) {
    const double byteTime = double(bits) / baud;
    sim.Command(QStringLiteral("burst %1 %2 %3").arg(count).arg(baud).arg(bits));
    Timing t;
    Clock::time_point first, last;
    char buffer[4096];
    while (t.bytes < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        const auto now = Clock::now();
        if (t.bytes == 0) first = now;
        last = now;
        t.bytes += int(n);
    }
    // A byte is handed over once its last bit is in, so the first arrival already took a byte time.
    t.seconds = std::chrono::duration<double>(last - first).count() + byteTime;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = IntOption(app.arguments(), QStringLiteral("--runs"), 5);
    UseBuiltSimulator();

    TEcuSim sim(QStringList{}); // pacing on
    if (!sim.IsRunning()) {
        std::fprintf(stderr, "bench_sim_pacing: %s\n", qPrintable(sim.ErrorText()));
        return 1;
    }

    struct Speed {
        int baud, bits;
        speed_t speed;
        bool twoStopBits;
    };
    const int count = 1000;
    bool allWithin = true;
    std::printf("1000-byte burst from corvane-ecu-sim, paced against the wire time (%d runs each)\n", runs);
    for (const Speed s : {Speed{9600, 10, B9600, false}, Speed{38400, 11, B38400, true}}) {
        const int fd = OpenLine(sim.LinkPath(), s.speed, s.twoStopBits);
        if (fd < 0) {
            std::fprintf(stderr, "bench_sim_pacing: cannot open the link\n");
            return 1;
        }
        const double wire = double(count) * s.bits / s.baud;
        std::vector<double> deviations;
        for (int r = 0; r < runs; ++r) {
            const Timing t = TimeBurst(sim, fd, count, s.baud, s.bits);
            if (t.bytes != count) {
                std::printf("  %5d baud: run %d received %d of %d bytes\n", s.baud, r + 1, t.bytes, count);
                allWithin = false;
                continue;
            }
            deviations.push_back(100.0 * (t.seconds - wire) / wire);
            std::printf("  %5d baud, %2d bits a byte: wire %.4f s, paced %.4f s, %+.2f %%\n", s.baud, s.bits,
                        wire, t.seconds, deviations.back());
        }
        ::close(fd);
        if (!deviations.empty()) {
            const auto [lo, hi] = std::minmax_element(deviations.begin(), deviations.end());
            const double worst = std::max(std::abs(*lo), std::abs(*hi));
            std::printf("  %5d baud: deviation %+.2f %% .. %+.2f %%, worst %.2f %% (%s 5 %%)\n", s.baud, *lo,
                        *hi, worst, worst <= 5 ? "within" : "outside");
            allWithin = allWithin && worst <= 5;
        }
    }
    return allWithin ? 0 : 3;
}
