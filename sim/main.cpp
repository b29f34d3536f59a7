// corvane-ecu-sim: the simulated Corvane gas ECU on a pseudo-terminal.
#include "sim/PtyLink.h"
#include "sim/SimControl.h"
#include "sim/SimEcu.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t StopRequested = 0;
void OnStopSignal(int) {
    StopRequested = 1;
}

const auto Start = std::chrono::steady_clock::now();
SimTime Now() {
    return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - Start);
}

void Print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
void Warn(const QString& text) {
    std::fprintf(stderr, "corvane-ecu-sim: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString Usage(const QCommandLineParser& parser) {
    return parser.helpText() +
           QStringLiteral(
               "\nThe terminal is published at the --link path until the simulator stops (SIGINT, SIGTERM,\n"
               "or the quit command), which removes the link. It prints \"ready PATH\" on standard output\n"
               "once the link exists.\n\n") +
           ControlHelp();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-ecu-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The simulated Corvane gas ECU. It opens a pseudo-terminal, publishes its terminal side at the\n"
        "link path, and answers there as the ECU does: request frames at 9600 baud, and after a reset the\n"
        "boot monitor's text dialogue at 38400 baud with two stop bits. It starts with a Slave-mode\n"
        "configuration and an engine idling on petrol. Control commands (below) come on standard input."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Publish the terminal at PATH (default /tmp/corvane-ecu)."),
                                  QStringLiteral("PATH"), QStringLiteral("/tmp/corvane-ecu"));
    const QCommandLineOption noPacing(
        QStringLiteral("no-pacing"),
        QStringLiteral("Send at once instead of at the line's speed, for fast tests."));
    const QCommandLineOption blank(
        QStringLiteral("blank"),
        QStringLiteral("A blank ECU: no firmware, so no answer to any frame (cmdIdentify "
                       "included); its boot monitor offers itself until a firmware is flashed."));
    const QCommandLineOption verbose(
        {QStringLiteral("v"), QStringLiteral("verbose")},
        QStringLiteral("Log every frame and monitor line received and sent, on standard error."));
    const QCommandLineOption fuel(QStringLiteral("fuel"),
                                  QStringLiteral("Configuration for lpg (default) or cng."),
                                  QStringLiteral("FUEL"), QStringLiteral("lpg"));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Operating mode: slave (default) or compensated."),
                                  QStringLiteral("MODE"), QStringLiteral("slave"));
    const QCommandLineOption ident(QStringLiteral("ident"),
                                   QStringLiteral("Identification text (default \"CORVANE KELD 2.05\")."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption anyBaud(
        QStringLiteral("any-baud"),
        QStringLiteral("Understand the other side whatever speed it has set (by default "
                       "bytes at the wrong speed are lost, as on a real line)."));
    const QCommandLineOption quitOnEof(QStringLiteral("quit-on-eof"),
                                       QStringLiteral("Stop when standard input closes."));
    const QCommandLineOption exec(
        QStringLiteral("exec"),
        QStringLiteral("Run a control command at start (repeatable), e.g. --exec \"point 2000 4.5\"."),
        QStringLiteral("COMMAND"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Fault: answer nothing."));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("Fault: send back what is received, as a modem would."));
    const QCommandLineOption badChecksum(QStringLiteral("bad-checksum"),
                                         QStringLiteral("Fault: replies carry a wrong checksum."));
    const QCommandLineOption unterminated(QStringLiteral("unterminated"),
                                          QStringLiteral("Fault: replies start and never end."));
    const QCommandLineOption drop(QStringLiteral("drop"),
                                  QStringLiteral("Fault: leave out every N-th reply."), QStringLiteral("N"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Fault: send replies MS milliseconds late."),
                                   QStringLiteral("MS"));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Fault: N bytes of noise before every reply."),
                                     QStringLiteral("N"));
    const QCommandLineOption refuse(
        QStringLiteral("refuse"),
        QStringLiteral("Fault: answer these command codes (comma-separated, 0x0B or 11) "
                       "with rspNotSupported."),
        QStringLiteral("CODES"));
    parser.addOptions({help, link, noPacing, blank, verbose, fuel, mode, ident, anyBaud, quitOnEof, exec,
                       silent, echo, badChecksum, unterminated, drop, delay, garbage, refuse});

    if (!parser.parse(QCoreApplication::arguments())) {
        Warn(parser.errorText() + QStringLiteral(" (try --help)"));
        return 2;
    }
    if (parser.isSet(help)) {
        Print(Usage(parser));
        return 0;
    }
    const QString fuelName = parser.value(fuel).toLower();
    const QString modeName = parser.value(mode).toLower();
    if ((fuelName != QLatin1String("lpg") && fuelName != QLatin1String("cng")) ||
        (modeName != QLatin1String("slave") && modeName != QLatin1String("compensated"))) {
        Warn(QStringLiteral("--fuel takes lpg or cng, --mode slave or compensated"));
        return 2;
    }

    TSimEcu::TOptions options;
    options.Pacing = !parser.isSet(noPacing);
    options.Blank = parser.isSet(blank);
    options.Fuel = fuelName == QLatin1String("cng") ? 0 : 1;
    options.CheckLine = !parser.isSet(anyBaud);
    if (parser.isSet(ident)) options.Ident = parser.value(ident).toLatin1();
    TSimEcu ecu(options);
    ecu.Engine.Mode = modeName == QLatin1String("compensated") ? 2 : 1;
    if (parser.isSet(verbose))
        ecu.Log = [](const QString& line) {
            std::fprintf(stderr, "%9.3f %s\n", Seconds(Now()), line.toLocal8Bit().constData());
        };

    QStringList startup;
    if (parser.isSet(silent)) startup << QStringLiteral("silent on");
    if (parser.isSet(echo)) startup << QStringLiteral("echo on");
    if (parser.isSet(badChecksum)) startup << QStringLiteral("bad-checksum on");
    if (parser.isSet(unterminated)) startup << QStringLiteral("unterminated on");
    if (parser.isSet(drop)) startup << QStringLiteral("drop ") + parser.value(drop);
    if (parser.isSet(delay)) startup << QStringLiteral("delay ") + parser.value(delay);
    if (parser.isSet(garbage)) startup << QStringLiteral("garbage ") + parser.value(garbage);
    if (parser.isSet(refuse))
        startup << QStringLiteral("refuse ") +
                       parser.value(refuse).replace(QLatin1Char(','), QLatin1Char(' '));
    startup << parser.values(exec);
    for (const QString& command : startup) {
        const TControlResult r = RunControlCommand(ecu, command, Now());
        if (!r.Ok || r.Action != TControlResult::None) {
            Warn(QStringLiteral("at start, \"%1\": %2")
                     .arg(command, r.Ok ? QStringLiteral("not allowed here") : r.Error));
            return 2;
        }
    }

    const QString linkPath = parser.value(link);
    TPtyLink pty;
    QString error;
    if (!pty.Open(linkPath, error)) {
        Warn(error);
        return 1;
    }
    if (ecu.Log) ecu.Log(QStringLiteral("link %1 -> %2").arg(linkPath, pty.TerminalName()));

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Stop signals are only let in while waiting, so none is lost between the check and the wait.
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGHUP);
    sigprocmask(SIG_BLOCK, &blocked, &waiting);

    Print(QStringLiteral("ready ") + linkPath);

    bool stdinOpen = true;
    QByteArray control;
    int exitCode = 0;
    while (!StopRequested) {
        const bool present = pty.ClientPresent();
        ecu.SetClientLine(present ? pty.ClientLine() : std::nullopt);
        const SimTime now = Now();
        ecu.Advance(now);
        pty.Write(ecu.TakeOutput(now));

        SimTime wait = Ms(100);
        const SimTime next = ecu.NextEvent();
        if (next != SimNever) wait = std::clamp(next - Now(), SimTime{0}, wait);
        if (pty.IsOpen() && !present) wait = std::min(wait, Ms(20)); // watch for the port being opened

        pollfd fds[2];
        int count = 0;
        int stdinIndex = -1, ptyIndex = -1;
        if (stdinOpen) {
            fds[count] = {STDIN_FILENO, POLLIN, 0};
            stdinIndex = count++;
        }
        if (present) {
            fds[count] = {pty.Fd(), POLLIN, 0};
            ptyIndex = count++;
        }
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000),
                               static_cast<long>(wait.count() % 1000000) * 1000};
        const int ready = ppoll(fds, count, &timeout, &waiting);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Warn(QStringLiteral("poll failed"));
            exitCode = 1;
            break;
        }
        if (ptyIndex >= 0 && (fds[ptyIndex].revents & POLLIN)) {
            const QByteArray bytes = pty.Read();
            ecu.SetClientLine(pty.ClientLine());
            ecu.Receive(bytes, Now());
        }
        if (stdinIndex >= 0 && (fds[stdinIndex].revents & (POLLIN | POLLHUP))) {
            char buffer[4096];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;
                if (parser.isSet(quitOnEof)) break;
            } else {
                control.append(buffer, n);
            }
            qsizetype end;
            while ((end = control.indexOf('\n')) >= 0) {
                const QString line = QString::fromLocal8Bit(control.left(end)).trimmed();
                control.remove(0, end + 1);
                if (line.isEmpty()) continue;
                TControlResult r = RunControlCommand(ecu, line, Now());
                if (r.Action == TControlResult::Unplug) {
                    pty.Close();
                    if (ecu.Log) ecu.Log(QStringLiteral("unplugged"));
                } else if (r.Action == TControlResult::Replug) {
                    if (pty.IsOpen()) {
                        r.Ok = false;
                        r.Error = QStringLiteral("already plugged in");
                    } else if (!pty.Open(linkPath, r.Error)) {
                        r.Ok = false;
                    } else if (ecu.Log) {
                        ecu.Log(QStringLiteral("replugged: %1 -> %2").arg(linkPath, pty.TerminalName()));
                    }
                }
                for (const QString& l : r.Lines)
                    Print(QStringLiteral("= ") + l);
                Print(r.Ok ? QStringLiteral("ok") : QStringLiteral("error: ") + r.Error);
                if (r.Action == TControlResult::Quit) StopRequested = 1;
            }
        }
    }
    pty.Close();
    return exitCode;
}
