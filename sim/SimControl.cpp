#include "sim/SimControl.h"

#include <QMap>

namespace {

const char* const EngineNames[] = {"off", "key", "running", "waiting", "stall"};

bool ParseNumber(const QString& s, int& v) {
    bool ok = false;
    v = s.toInt(&ok, 0);
    return ok;
}
bool ParseReal(const QString& s, double& v) {
    bool ok = false;
    v = s.toDouble(&ok);
    return ok;
}
bool ParseSwitch(const QStringList& args, bool& v) {
    if (args.size() != 1) return false;
    if (args[0] == QLatin1String("on"))
        v = true;
    else if (args[0] == QLatin1String("off"))
        v = false;
    else
        return false;
    return true;
}

QString TroubleCodeText(uint16_t code) {
    static const char letters[] = "PCBU";
    return QStringLiteral("%1%2%3")
        .arg(QLatin1Char(letters[code >> 14]))
        .arg((code >> 12) & 3)
        .arg(code & 0x0FFF, 3, 16, QLatin1Char('0'))
        .toUpper();
}

QMap<QString, QString> State(const TSimEcu& ecu) {
    const TLiveValues& v = ecu.Engine.Values();
    QMap<QString, QString> s;
    s[QStringLiteral("engine")] = QLatin1String(EngineNames[static_cast<int>(v.State)]);
    s[QStringLiteral("rpm")] = QString::number(qRound(v.Rpm));
    s[QStringLiteral("petrol-ms")] = QString::number(v.PetrolMs[0], 'f', 2);
    s[QStringLiteral("gas-ms")] = QString::number(v.GasMs[0], 'f', 2);
    s[QStringLiteral("map")] = QString::number(qRound(v.MapMbar));
    s[QStringLiteral("fuel")] = v.OnGas ? QStringLiteral("gas") : QStringLiteral("petrol");
    s[QStringLiteral("changeover")] = QString::number(v.Changeover);
    s[QStringLiteral("mode")] =
        ecu.Engine.Mode == 2 ? QStringLiteral("compensated") : QStringLiteral("slave");
    s[QStringLiteral("water")] = QString::number(v.WaterC, 'f', 1);
    s[QStringLiteral("gas-temp")] = QString::number(v.GasC, 'f', 1);
    s[QStringLiteral("gas-level")] = QString::number(v.GasLevel, 'f', 1);
    s[QStringLiteral("pressure")] = QString::number(qRound(v.GasPressure));
    s[QStringLiteral("petrol-trim")] = QString::number(v.PetrolTrim, 'f', 2);
    s[QStringLiteral("gas-trim")] = QString::number(v.GasTrim[0], 'f', 2);
    s[QStringLiteral("demand")] = QString::number(ecu.Engine.GetDemand(), 'f', 3);
    s[QStringLiteral("monitor")] = !ecu.InMonitor()            ? QStringLiteral("off")
                                   : ecu.Monitor.Downloading() ? QStringLiteral("download")
                                   : ecu.Monitor.Entered()     ? QStringLiteral("active")
                                                               : QStringLiteral("offering");
    s[QStringLiteral("firmware")] = ecu.Monitor.HasFirmware ? QStringLiteral("yes") : QStringLiteral("no");
    s[QStringLiteral("flashed-lines")] = QString::number(ecu.Monitor.FlashedLines.size());
    QStringList erased;
    for (int sector : ecu.Monitor.ErasedSectors)
        erased << QStringLiteral("%1").arg(sector, 2, 10, QLatin1Char('0'));
    s[QStringLiteral("erased")] = erased.isEmpty() ? QStringLiteral("none") : erased.join(QLatin1Char(','));
    QStringList stored, pending;
    for (uint16_t c : ecu.StoredCodes)
        stored << TroubleCodeText(c);
    for (uint16_t c : ecu.PendingCodes)
        pending << TroubleCodeText(c);
    s[QStringLiteral("dtc")] = stored.isEmpty() ? QStringLiteral("none") : stored.join(QLatin1Char(','));
    s[QStringLiteral("pending")] =
        pending.isEmpty() ? QStringLiteral("none") : pending.join(QLatin1Char(','));
    s[QStringLiteral("vin")] = QString::fromLatin1(ecu.Vin);
    s[QStringLiteral("ident")] = QString::fromLatin1(ecu.Ident);
    return s;
}

TControlResult Fail(const QString& why) {
    TControlResult r;
    r.Ok = false;
    r.Error = why;
    return r;
}

} // namespace

bool ParseTroubleCode(const QString& text, uint16_t& code) {
    const QString t = text.trimmed().toUpper();
    static const QString letters = QStringLiteral("PCBU");
    if (t.size() == 5 && letters.contains(t[0]) && t[1] >= QLatin1Char('0') && t[1] <= QLatin1Char('3')) {
        bool ok = false;
        const int low = t.mid(2).toInt(&ok, 16);
        if (!ok) return false;
        code = static_cast<uint16_t>((letters.indexOf(t[0]) << 14) | ((t[1].unicode() - '0') << 12) | low);
        return true;
    }
    bool ok = false;
    const uint v = text.toUInt(&ok, 0);
    if (!ok || v > 0xFFFF) return false;
    code = static_cast<uint16_t>(v);
    return true;
}

QString ControlHelp() {
    return QStringLiteral(
        "Control commands (one a line on standard input; each is answered by data lines starting\n"
        "with \"= \" and a last line \"ok\" or \"error: ...\"):\n"
        "  help                      this list\n"
        "  status                    the whole state, one key=value a line\n"
        "  get KEY                   one value of the status (engine, rpm, fuel, mode, monitor, ...)\n"
        "Faults:\n"
        "  silent on|off             answer nothing at all\n"
        "  echo on|off               send back every byte received instead of answering (a modem)\n"
        "  bad-checksum on|off       replies carry a wrong checksum\n"
        "  unterminated on|off       replies start and never end (no end byte)\n"
        "  drop N                    leave out every N-th reply (0: none)\n"
        "  delay MS                  send replies MS milliseconds late\n"
        "  garbage N                 put N bytes of noise before every reply\n"
        "  refuse CODE...|none       answer these command codes (0x0B, 11) with rspNotSupported\n"
        "  accept CODE...            stop refusing these codes\n"
        "  erase-fail SECTOR COUNT   the boot monitor's next COUNT erases of SECTOR report an error\n"
        "  refuse-line N             the boot monitor refuses (NAK) line N of every download (0: none)\n"
        "  faults off                clear every fault above\n"
        "  unplug                    the terminal goes away and the link path disappears\n"
        "  replug                    a new terminal comes up at the same link path\n"
        "Engine and working point:\n"
        "  engine off|key|start|stall   key off, key on, crank and run, stall\n"
        "  point RPM MS [MAP]        hold a speed and petrol injection time (and manifold pressure, mbar)\n"
        "  script [loop] RPM MS SECONDS [RPM MS SECONDS ...]\n"
        "                            move through working points, reaching each after SECONDS\n"
        "  temp WATER GAS            set the water and gas temperatures, deg C (they go on warming)\n"
        "  gas-level PERCENT         fuel left in the gas tank\n"
        "  pressure MBAR|auto        hold the reducer pressure, or let the reducer deliver it\n"
        "  demand FACTOR             gas the engine needs, as a factor on the default slave map\n"
        "  map-error                 largest relative difference of each bank's slave gas map from\n"
        "                            what the engine needs (0.100 for a map 10 % off)\n"
        "  fuel petrol|gas           change fuel at once, as the ECU's changeover would\n"
        "ECU:\n"
        "  mode slave|compensated    operating mode\n"
        "  dtc CODE...|clear         add stored trouble codes (P3391, U300A or 0x3391), or clear them\n"
        "  pending CODE...           add pending trouble codes\n"
        "  comerror CODE             add a communication error code to the ECU's log\n"
        "  vin TEXT                  the 17-character vehicle identification number\n"
        "  ident TEXT                the identification text\n"
        "  power-cycle               switch the ECU off and on: it starts in its boot monitor\n"
        "  block N [BANK]            print a configuration block as hex\n"
        "  flashed                   print the lines of the last firmware download, one a line\n"
        "  burst COUNT BAUD BITS     send COUNT filler bytes back to back (BITS a byte), for timing\n"
        "  quit                      stop the simulator (the link is removed)\n");
}

TControlResult RunControlCommand(TSimEcu& ecu, const QString& line, SimTime now) {
    QStringList args = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    TControlResult r;
    if (args.isEmpty()) return r;
    const QString cmd = args.takeFirst();
    TFaults& f = ecu.Faults;
    int n = 0;
    double x = 0, y = 0;
    bool on = false;

    if (cmd == QLatin1String("help")) {
        for (const QString& l : ControlHelp().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            r.Lines << l;
    } else if (cmd == QLatin1String("status")) {
        const auto s = State(ecu);
        for (auto it = s.begin(); it != s.end(); ++it)
            r.Lines << it.key() + QLatin1Char('=') + it.value();
    } else if (cmd == QLatin1String("get")) {
        const auto s = State(ecu);
        if (args.size() != 1 || !s.contains(args[0])) return Fail(QStringLiteral("unknown key"));
        r.Lines << s[args[0]];
    } else if (cmd == QLatin1String("silent") || cmd == QLatin1String("echo") ||
               cmd == QLatin1String("bad-checksum") || cmd == QLatin1String("unterminated")) {
        if (!ParseSwitch(args, on)) return Fail(QStringLiteral("expected on or off"));
        bool& target = cmd == QLatin1String("silent")         ? f.Silent
                       : cmd == QLatin1String("echo")         ? f.Echo
                       : cmd == QLatin1String("bad-checksum") ? f.BadChecksum
                                                              : f.Unterminated;
        target = on;
    } else if (cmd == QLatin1String("drop") || cmd == QLatin1String("delay") ||
               cmd == QLatin1String("garbage")) {
        if (args.size() != 1 || !ParseNumber(args[0], n) || n < 0)
            return Fail(QStringLiteral("expected a number"));
        (cmd == QLatin1String("drop")    ? f.DropEvery
         : cmd == QLatin1String("delay") ? f.DelayMs
                                         : f.Garbage) = n;
        if (cmd == QLatin1String("drop"))
            f.RepliesCounted = 0; // the N-th reply from now is the first left out
    } else if (cmd == QLatin1String("refuse") || cmd == QLatin1String("accept")) {
        if (args.isEmpty()) return Fail(QStringLiteral("expected command codes"));
        if (cmd == QLatin1String("refuse") && args == QStringList{QStringLiteral("none")}) {
            f.Refused.clear();
            return r;
        }
        for (const QString& a : args) {
            if (!ParseNumber(a, n) || n < 0 || n > 0xFFFF)
                return Fail(QStringLiteral("bad command code ") + a);
            if (cmd == QLatin1String("refuse"))
                f.Refused.insert(static_cast<uint16_t>(n));
            else
                f.Refused.erase(static_cast<uint16_t>(n));
        }
    } else if (cmd == QLatin1String("faults")) {
        if (args != QStringList{QStringLiteral("off")}) return Fail(QStringLiteral("expected: faults off"));
        f.Clear();
        ecu.Monitor.ClearFaults();
    } else if (cmd == QLatin1String("erase-fail")) {
        int count = 0;
        if (args.size() != 2 || !ParseNumber(args[0], n) || !ParseNumber(args[1], count) || n < 0 || n > 4 ||
            count < 0)
            return Fail(QStringLiteral("expected: erase-fail SECTOR COUNT"));
        if (count == 0)
            ecu.Monitor.FailingErases.erase(n);
        else
            ecu.Monitor.FailingErases[n] = count;
    } else if (cmd == QLatin1String("refuse-line")) {
        if (args.size() != 1 || !ParseNumber(args[0], n) || n < 0)
            return Fail(QStringLiteral("expected a line number"));
        ecu.Monitor.RefusedLine = n;
    } else if (cmd == QLatin1String("unplug")) {
        r.Action = TControlResult::Unplug;
    } else if (cmd == QLatin1String("replug")) {
        r.Action = TControlResult::Replug;
    } else if (cmd == QLatin1String("quit")) {
        r.Action = TControlResult::Quit;
    } else if (cmd == QLatin1String("engine")) {
        const QString what = args.value(0);
        if (args.size() != 1) return Fail(QStringLiteral("expected off, key, start or stall"));
        if (what == QLatin1String("off"))
            ecu.Engine.KeyOff();
        else if (what == QLatin1String("key"))
            ecu.Engine.KeyOn();
        else if (what == QLatin1String("start"))
            ecu.Engine.Start();
        else if (what == QLatin1String("stall"))
            ecu.Engine.Stall();
        else
            return Fail(QStringLiteral("expected off, key, start or stall"));
    } else if (cmd == QLatin1String("point")) {
        double map = 0;
        if ((args.size() != 2 && args.size() != 3) || !ParseReal(args[0], x) || !ParseReal(args[1], y) ||
            (args.size() == 3 && !ParseReal(args[2], map)) || x < 0 || y < 0)
            return Fail(QStringLiteral("expected: point RPM MS [MAP]"));
        ecu.Engine.Hold(x, y, args.size() == 3 ? std::optional<double>(map) : std::nullopt);
    } else if (cmd == QLatin1String("script")) {
        const bool loop = !args.isEmpty() && args[0] == QLatin1String("loop");
        if (loop) args.removeFirst();
        if (args.isEmpty() || args.size() % 3 != 0)
            return Fail(QStringLiteral("expected RPM MS SECONDS triples"));
        std::vector<TScriptPoint> points;
        for (int i = 0; i < args.size(); i += 3) {
            TScriptPoint p;
            if (!ParseReal(args[i], p.Rpm) || !ParseReal(args[i + 1], p.PetrolMs) ||
                !ParseReal(args[i + 2], p.Seconds) || p.Seconds < 0)
                return Fail(QStringLiteral("expected RPM MS SECONDS triples"));
            points.push_back(p);
        }
        ecu.Engine.RunScript(std::move(points), loop);
    } else if (cmd == QLatin1String("temp")) {
        if (args.size() != 2 || !ParseReal(args[0], x) || !ParseReal(args[1], y))
            return Fail(QStringLiteral("expected: temp WATER GAS"));
        ecu.Engine.SetTemperatures(x, y);
    } else if (cmd == QLatin1String("gas-level")) {
        if (args.size() != 1 || !ParseReal(args[0], x) || x < 0 || x > 100)
            return Fail(QStringLiteral("expected a percentage"));
        ecu.Engine.SetGasLevel(x);
    } else if (cmd == QLatin1String("pressure")) {
        if (args == QStringList{QStringLiteral("auto")})
            ecu.Engine.SetPressureOverride(std::nullopt);
        else if (args.size() == 1 && ParseReal(args[0], x) && x >= 0)
            ecu.Engine.SetPressureOverride(x);
        else
            return Fail(QStringLiteral("expected mbar or auto"));
    } else if (cmd == QLatin1String("demand")) {
        if (args.size() != 1 || !ParseReal(args[0], x) || x <= 0)
            return Fail(QStringLiteral("expected a factor"));
        ecu.Engine.SetDemand(x);
    } else if (cmd == QLatin1String("map-error")) {
        for (int bank = 1; bank <= 2; ++bank)
            r.Lines << QString::number(ecu.Engine.SlaveMapError(bank), 'f', 4);
    } else if (cmd == QLatin1String("fuel")) {
        if (args == QStringList{QStringLiteral("gas")})
            ecu.Engine.ForceFuel(true);
        else if (args == QStringList{QStringLiteral("petrol")})
            ecu.Engine.ForceFuel(false);
        else
            return Fail(QStringLiteral("expected petrol or gas"));
    } else if (cmd == QLatin1String("mode")) {
        if (args == QStringList{QStringLiteral("slave")})
            ecu.Engine.Mode = 1;
        else if (args == QStringList{QStringLiteral("compensated")})
            ecu.Engine.Mode = 2;
        else
            return Fail(QStringLiteral("expected slave or compensated"));
    } else if (cmd == QLatin1String("dtc") || cmd == QLatin1String("pending")) {
        auto& list = cmd == QLatin1String("dtc") ? ecu.StoredCodes : ecu.PendingCodes;
        if (args == QStringList{QStringLiteral("clear")}) {
            list.clear();
            return r;
        }
        if (args.isEmpty()) return Fail(QStringLiteral("expected trouble codes"));
        std::vector<uint16_t> codes;
        for (const QString& a : args) {
            uint16_t code = 0;
            if (!ParseTroubleCode(a, code)) return Fail(QStringLiteral("bad trouble code ") + a);
            codes.push_back(code);
        }
        list.insert(list.end(), codes.begin(), codes.end());
    } else if (cmd == QLatin1String("comerror")) {
        if (args.size() != 1 || !ParseNumber(args[0], n) || n < 0 || n > 0xFFFF)
            return Fail(QStringLiteral("expected a code"));
        ecu.AddComError(static_cast<uint16_t>(n));
    } else if (cmd == QLatin1String("vin")) {
        if (args.size() != 1 || args[0].size() != 17) return Fail(QStringLiteral("a VIN has 17 characters"));
        ecu.Vin = args[0].toLatin1();
    } else if (cmd == QLatin1String("ident")) {
        const QString text = line.section(QLatin1Char(' '), 1).trimmed();
        if (text.isEmpty()) return Fail(QStringLiteral("expected a text"));
        ecu.Ident = text.toLatin1();
    } else if (cmd == QLatin1String("power-cycle")) {
        ecu.PowerCycle(now);
    } else if (cmd == QLatin1String("block")) {
        int bank = 1;
        if (args.isEmpty() || args.size() > 2 || !ParseNumber(args[0], n) ||
            (args.size() == 2 && !ParseNumber(args[1], bank)))
            return Fail(QStringLiteral("expected: block N [BANK]"));
        const QByteArray block = ecu.Image.Block(n, bank);
        if (block.isEmpty()) return Fail(QStringLiteral("no such block"));
        r.Lines << QString::fromLatin1(block.toHex(' ').toUpper());
    } else if (cmd == QLatin1String("flashed")) {
        for (const QByteArray& l : ecu.Monitor.FlashedLines)
            r.Lines << QString::fromLatin1(l);
    } else if (cmd == QLatin1String("burst")) {
        int baud = 0, bits = 0;
        if (args.size() != 3 || !ParseNumber(args[0], n) || !ParseNumber(args[1], baud) ||
            !ParseNumber(args[2], bits) || n < 0 || baud <= 0 || bits < 7)
            return Fail(QStringLiteral("expected: burst COUNT BAUD BITS"));
        ecu.Burst(n, baud, bits, now);
    } else {
        return Fail(QStringLiteral("unknown command ") + cmd + QStringLiteral(" (try help)"));
    }
    return r;
}
