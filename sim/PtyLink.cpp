#include "sim/PtyLink.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

int SpeedToBaud(speed_t s) {
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool TPtyLink::Open(const QString& linkPath, QString& error) {
    Close();
    const QByteArray path = QFile::encodeName(linkPath);
    const QFileInfo existing(linkPath);
    if (existing.exists() && !existing.isSymLink()) {
        error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath);
        return false;
    }

    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
        error = SystemError("cannot open a pseudo-terminal");
        if (fd >= 0) ::close(fd);
        return false;
    }
    const char* name = ptsname(fd);
    if (!name) {
        error = SystemError("ptsname");
        ::close(fd);
        return false;
    }
    // The terminal starts raw at 9600 8-N-1, as a serial port straight out of the box; termios
    // calls on the master side act on the terminal side.
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cflag |= CLOCAL | CREAD;
        tcsetattr(fd, TCSANOW, &t);
    }

    // Publish the link atomically, so that a program watching the path never finds it half made.
    const QByteArray temporary = path + ".new-" + QByteArray::number(getpid());
    ::unlink(temporary.constData());
    if (::symlink(name, temporary.constData()) != 0 ||
        ::rename(temporary.constData(), path.constData()) != 0) {
        error = SystemError("cannot create the link");
        ::unlink(temporary.constData());
        ::close(fd);
        return false;
    }
    Master = fd;
    Link = linkPath;
    Terminal = QString::fromLocal8Bit(name);
    Present = false;
    return true;
}

void TPtyLink::Close() {
    if (Master < 0) return;
    // Remove the link only while it still points at this terminal.
    const QByteArray path = QFile::encodeName(Link);
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        if (Terminal == QString::fromLocal8Bit(target)) ::unlink(path.constData());
    }
    ::close(Master);
    Master = -1;
    Present = false;
}

bool TPtyLink::ClientPresent() {
    if (Master < 0) return false;
    pollfd p{Master, POLLIN, 0};
    const bool hungUp = ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
    if (hungUp && Present) {
        // The program closed the port: what it had not read yet goes nowhere.
        tcflush(Master, TCOFLUSH);
    }
    Present = !hungUp;
    return Present;
}

std::optional<TClientLine> TPtyLink::ClientLine() const {
    termios t{};
    if (Master < 0 || tcgetattr(Master, &t) != 0) return std::nullopt;
    TClientLine line;
    line.Baud = SpeedToBaud(cfgetospeed(&t));
    line.EightBitsNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
    return line;
}

QByteArray TPtyLink::Read() {
    QByteArray data;
    if (Master < 0) return data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(Master, buffer, sizeof buffer);
        if (n <= 0) break;
        data.append(buffer, n);
    }
    return data;
}

void TPtyLink::Write(const QByteArray& bytes) {
    if (Master < 0 || !Present || bytes.isEmpty()) return;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(Master, bytes.constData() + done, bytes.size() - done);
        if (n <= 0) break; // the other side's buffer is full: the rest is lost
        done += n;
    }
}
