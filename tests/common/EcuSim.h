#pragma once

// TEcuSim: the simulated ECU for end-to-end tests.
//
// It starts corvane-ecu-sim (the program named by the CORVANE_SIM environment variable, which
// ctest sets) on a link path inside its own temporary folder, waits until the link exists, and
// stops the simulator in its destructor. Open LinkPath() as the serial port, at 9600 baud 8-N-1
// for frames; after a reset the ECU's boot monitor talks at 38400 baud with two stop bits, and
// bytes sent or read at the wrong speed are lost or garbled, as on a real line.
//
//     TEcuSim ecu;                        // replies at once (--no-pacing)
//     ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText();
//     port.setPortName(ecu.LinkPath());
//     ecu.WorkingPoint(2000, 4.5);        // the engine holds 2000 rpm, 4.5 ms petrol time
//     ecu.Fault("silent on");             // the ECU stops answering
//     ecu.Unplug();                       // the port fails, the link path disappears
//     ecu.Replug();                       // a new terminal at the same path; reopen the port
//
// Options are corvane-ecu-sim's command-line options and replace the default "--no-pacing":
// TEcuSim({"--no-pacing", "--blank"}) is a blank ECU that answers at once, TEcuSim({}) one that
// answers at the line's real speed (9600 baud, 10 bits a byte). Command() sends any control
// command of "corvane-ecu-sim --help" and returns whether the simulator accepted it, with the
// lines it printed (the status, a block, the lines flashed through the boot monitor).

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TEcuSim {
public:
    explicit TEcuSim(const QStringList& options = {QStringLiteral("--no-pacing")}) {
        const QString program = qEnvironmentVariable("CORVANE_SIM");
        if (program.isEmpty()) {
            Error = QStringLiteral("CORVANE_SIM is not set");
            return;
        }
        if (!Folder.isValid()) {
            Error = QStringLiteral("no temporary folder");
            return;
        }
        Link = Folder.filePath(QStringLiteral("ecu"));
        Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Process.start(program,
                      QStringList{QStringLiteral("--link"), Link, QStringLiteral("--quit-on-eof")} + options);
        if (!Process.waitForStarted(10000)) {
            Error = QStringLiteral("cannot start ") + program + QStringLiteral(": ") + Process.errorString();
            return;
        }
        const QString first = ReadLine(10000);
        if (first != QStringLiteral("ready ") + Link || !QFileInfo::exists(Link)) {
            Error = QStringLiteral("the simulator did not come up: ") + first;
            return;
        }
        Running = true;
    }

    ~TEcuSim() {
        if (Process.state() == QProcess::NotRunning) return;
        Process.write("quit\n");
        Process.closeWriteChannel();
        if (!Process.waitForFinished(3000)) {
            Process.terminate();
            if (!Process.waitForFinished(3000)) Process.kill();
            Process.waitForFinished(1000);
        }
    }

    TEcuSim(const TEcuSim&) = delete;
    TEcuSim& operator=(const TEcuSim&) = delete;

    bool IsRunning() const { return Running && Process.state() == QProcess::Running; }
    QString ErrorText() const { return Error; }
    // The serial port to open: a symbolic link to the simulator's terminal.
    QString LinkPath() const { return Link; }

    // Sends one control command and waits for the answer. Output receives the data lines.
    bool Command(const QString& line, QStringList* output = nullptr, int timeoutMs = 5000) {
        if (!IsRunning()) return false;
        Process.write(line.toLocal8Bit() + '\n');
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const QString reply = ReadLine(int(deadline.remainingTime()));
            if (reply.startsWith(QStringLiteral("= "))) {
                if (output) output->append(reply.mid(2));
                continue;
            }
            if (reply == QStringLiteral("ok")) return true;
            Error = reply.isEmpty() ? QStringLiteral("no answer to ") + line : reply;
            return false;
        }
    }

    // One value of the simulator's "status" (engine, rpm, fuel, mode, monitor, flashed-lines, ...).
    QString Value(const QString& key) {
        QStringList lines;
        return Command(QStringLiteral("get ") + key, &lines) && !lines.isEmpty() ? lines.first() : QString();
    }

    // The engine holds a working point: speed in rpm and petrol injection time in ms.
    bool WorkingPoint(int rpm, double petrolMs) {
        return Command(QStringLiteral("point %1 %2").arg(rpm).arg(petrolMs, 0, 'f', 3));
    }
    // A fault command: "silent on", "echo on", "drop 3", "delay 800", "refuse 0x0B", "faults off", ...
    bool Fault(const QString& command) { return Command(command); }
    // The terminal goes away, as when the USB adapter is pulled out.
    bool Unplug() { return Command(QStringLiteral("unplug")); }
    // A new terminal comes up at the same link path.
    bool Replug() { return Command(QStringLiteral("replug")) && QFileInfo::exists(Link); }

private:
    QString ReadLine(int timeoutMs) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!Process.canReadLine()) {
            if (Process.state() != QProcess::Running || deadline.hasExpired()) return QString();
            Process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return QString::fromLocal8Bit(Process.readLine()).trimmed();
    }

    QTemporaryDir Folder;
    QString Link;
    QProcess Process;
    QString Error;
    bool Running = false;
};
