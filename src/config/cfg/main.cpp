// corvane-cfg: configuration files on the command line, for technicians and for tests.
//
//   corvane-cfg show FILE
//   corvane-cfg diff A B
//   corvane-cfg new --fuel lpg|cng --mode slave|comp -o FILE
//
// Exit status 0 done (diff: equal), 1 diff found differences, 2 error, with one line on
// standard error.
#include "resources/Strings.h"
#include "config/UnitDati.h"
#include "config/ConfigListing.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace {

enum : int { ExitDone = 0, ExitDifferent = 1, ExitError = 2 };

void Print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

int Fail(const QString& message) {
    Print(stderr, QStringLiteral("corvane-cfg: ") + message + QLatin1Char('\n'));
    return ExitError;
}

// A model loaded from a file, or the reason it could not be.
struct TLoaded {
    std::unique_ptr<TDataMap> Model;
    TConfigFile File;
};

bool Load(const QString& name, TLoaded& loaded, QString& error) {
    loaded.Model = LoadDetached(name, loaded.File, error);
    return loaded.Model != nullptr;
}

int Show(const QStringList& args) {
    if (args.size() != 1) return Fail(ResStr(SCfgToolWrongArguments).arg(QStringLiteral("show")));
    TLoaded loaded;
    QString error;
    if (!Load(args[0], loaded, error)) return Fail(error);
    Print(stdout, ShowConfiguration(*loaded.Model, loaded.File, args[0]));
    return ExitDone;
}

int Diff(const QStringList& args) {
    if (args.size() != 2) return Fail(ResStr(SCfgToolWrongArguments).arg(QStringLiteral("diff")));
    TLoaded a, b;
    QString error;
    if (!Load(args[0], a, error) || !Load(args[1], b, error)) return Fail(error);
    const QStringList lines =
        DiffConfigurations(ListConfiguration(*a.Model, a.File), ListConfiguration(*b.Model, b.File));
    for (const QString& l : lines)
        Print(stdout, l + QLatin1Char('\n'));
    return lines.isEmpty() ? ExitDone : ExitDifferent;
}

int New(const QStringList& args) {
    QString fuel, mode, output;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = a == QLatin1String("--fuel")   ? &fuel
                          : a == QLatin1String("--mode") ? &mode
                          : a == QLatin1String("-o")     ? &output
                                                         : nullptr;
        if (!target || i + 1 >= args.size() || !target->isEmpty())
            return Fail(ResStr(SCfgToolWrongArguments).arg(QStringLiteral("new")));
        *target = args[++i];
    }
    if (fuel.isEmpty() || mode.isEmpty() || output.isEmpty())
        return Fail(ResStr(SCfgToolWrongArguments).arg(QStringLiteral("new")));
    if (fuel != QLatin1String("lpg") && fuel != QLatin1String("cng")) return Fail(ResStr(SCfgToolBadFuel));
    if (mode != QLatin1String("slave") && mode != QLatin1String("comp")) return Fail(ResStr(SCfgToolBadMode));

    // The defaults depend on the mode, so it is set before the model is created.
    OperatingMode = mode == QLatin1String("slave") ? SlaveMode : CompensatedMode;
    TDataMap model;
    model.ResetAll(fuel == QLatin1String("lpg") ? FuelLPG : FuelCNG);
    model.ModelToRaw(model.RawData.Image);
    QString error;
    if (!WriteFileSafely(output, ConfigFileBytes(model.RawData, OperatingMode), error))
        return Fail(ResStr(SCfgToolCannotWrite).arg(output, error));
    return ExitDone;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return Fail(ResStr(SCfgToolWrongArguments).arg(QStringLiteral("corvane-cfg")));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        Print(stdout, ResStr(SCfgToolUsage) + QLatin1Char('\n'));
        return ExitDone;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("show")) return Show(args);
    if (command == QLatin1String("diff")) return Diff(args);
    if (command == QLatin1String("new")) return New(args);
    return Fail(ResStr(SCfgToolUnknownCommand).arg(command));
}
