#pragma once

#include <QByteArray>
#include <QString>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal whose device side the link opens as its serial port while the test holds the
// other side: a line where nobody answers, or where the test itself writes what comes back.
class PtyLine {
public:
    PtyLine() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
    }
    ~PtyLine() { Close(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool Ok() const { return master >= 0; }
    // Takes the device away, as when a USB adapter is pulled out.
    void Close() {
        if (master >= 0) ::close(master);
        master = -1;
    }

    // Everything the link has written since the last call.
    QByteArray Read() {
        QByteArray out;
        char buf[4096];
        ssize_t n = 0;
        while (master >= 0 && (n = ::read(master, buf, sizeof buf)) > 0)
            out.append(buf, n);
        return out;
    }
    void Write(const QByteArray& bytes) {
        if (master >= 0 && ::write(master, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
        }
    }

    // The frames (FE .. FE) in bytes read from the line, still stuffed.
    static std::vector<QByteArray> Frames(const QByteArray& bytes) {
        std::vector<QByteArray> frames;
        qsizetype start = -1;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (uint8_t(bytes[i]) != 0xFE) continue;
            if (start < 0) {
                start = i;
            } else {
                frames.push_back(bytes.mid(start, i - start + 1));
                start = -1;
            }
        }
        return frames;
    }

    QString path;

private:
    int master = -1;
};
