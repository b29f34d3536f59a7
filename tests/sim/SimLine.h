#pragma once

#include "common/EcuSim.h"
#include "link/Codec.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <gtest/gtest.h>

// The tool's side of the line to a running simulator: a real serial port on its link path, with
// the frame codec on top.
class SimLine {
public:
    explicit SimLine(const QString& path) {
        Port.setPortName(path);
        Port.setBaudRate(9600);
        Port.setDataBits(QSerialPort::Data8);
        Port.setParity(QSerialPort::NoParity);
        Port.setStopBits(QSerialPort::OneStop);
        Port.setFlowControl(QSerialPort::NoFlowControl);
        Open = Port.open(QIODevice::ReadWrite);
    }

    bool IsOpen() const { return Open; }
    QSerialPort Port;

    // Boot-monitor speed, or back to frames.
    void MonitorSpeed(bool on) {
        Port.setBaudRate(on ? 38400 : 9600);
        Port.setStopBits(on ? QSerialPort::TwoStop : QSerialPort::OneStop);
    }

    void Write(const QByteArray& bytes) {
        Port.write(bytes);
        Port.waitForBytesWritten(1000);
    }

    // Sends a request built from its code and payload.
    void Request(uint16_t code, const QByteArray& payload = {}) {
        Write(EscapeFrame(BuildFrame(code, payload)));
    }

    // Whatever arrives within the time given.
    QByteArray ReadFor(int ms) {
        QByteArray got;
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (Port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) got += Port.readAll();
        }
        return got + Port.readAll();
    }

    // Reads until the bytes received end with Expected (or the time is up); returns all bytes read.
    QByteArray ReadUntil(const QByteArray& expected, int ms = 3000) {
        QByteArray got;
        const QDeadlineTimer deadline(ms);
        while (!got.endsWith(expected) && !deadline.hasExpired()) {
            if (Port.bytesAvailable() == 0)
                Port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            // One byte at a time, so that nothing after the expected text is swallowed.
            char c;
            while (!got.endsWith(expected) && Port.getChar(&c))
                got.append(c);
        }
        return got;
    }

    // The next whole packet from start byte to end byte, unstuffed; empty on time-out.
    QByteArray ReadFrame(int ms = 2000) {
        QByteArray wire;
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            char c;
            while (Port.getChar(&c)) {
                if (wire.isEmpty() && uint8_t(c) != FrameStartByte) continue;
                wire.append(c);
                if (wire.size() > 1 && uint8_t(c) == FrameStartByte) return UnescapeFrame(wire);
            }
            Port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return {};
    }

    // Sends a request and returns the reply frame.
    QByteArray Exchange(uint16_t code, const QByteArray& payload = {}) {
        Request(code, payload);
        return ReadFrame();
    }

private:
    bool Open = false;
};
