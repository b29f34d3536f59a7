// corvane-cfg, run as the technician runs it: show, diff and new on configuration files, exit
// status and messages.
#include "ModelFixture.h"
#include "common/FileBytes.h"
#include "config/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <functional>

namespace {

struct ToolRun {
    int status = -1;
    QString out, err;
};

class CfgTool : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    ToolRun Tool(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C");
        env.insert("WinDir", settingsDir.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(CORVANE_CFG), args);
        ToolRun r;
        if (!p.waitForFinished(60000)) return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    // The default configuration with a few changes, saved by the model.
    void SaveEdited(const QString& path) {
        model->Make = "Fiat";
        model->SwitchRPM = 2500;
        model->TempiGas_Slave_banco2[3][4] = 1.25;
        model->PressioneGas[15] = 1200;
        ASSERT_TRUE(model->SaveToFile(path));
    }

    QTemporaryDir dir;
};

// The date of the configuration is today's, so a run across midnight could differ only there.
QByteArray WithoutDate(QByteArray file) {
    return file.replace(ConfigHeaderSize + 2 + 41, ConfigDateLength, "dddddd");
}

TEST_F(CfgTool, NewWritesTheDefaultConfigurationAsTheProgramSavesIt) {
    struct Case {
        const char* fuel;
        const char* mode;
        uint8_t fuelCode, modeCode;
    };
    for (const Case& c :
         {Case{"lpg", "slave", FuelLPG, SlaveMode}, Case{"cng", "slave", FuelCNG, SlaveMode},
          Case{"lpg", "comp", FuelLPG, CompensatedMode}, Case{"cng", "comp", FuelCNG, CompensatedMode}}) {
        SCOPED_TRACE(std::string(c.fuel) + " " + c.mode);
        const ToolRun r = Tool({"new", "--fuel", c.fuel, "--mode", c.mode, "-o", "new.cfg"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.isEmpty() && r.err.isEmpty()) << r.err.toStdString();

        OperatingMode = c.modeCode;
        TDataMap fresh;
        fresh.ResetAll(c.fuelCode);
        ASSERT_TRUE(fresh.SaveToFile(Path("program.cfg")));
        const QByteArray expected = ReadAll(Path("program.cfg"));
        ASSERT_EQ(expected.size(), 886);
        EXPECT_EQ(WithoutDate(ReadAll(Path("new.cfg"))), WithoutDate(expected));
    }
}

TEST_F(CfgTool, ShowListsEverySettingWithItsUnitAndEveryTable) {
    SaveEdited(Path("edited.cfg"));
    const ToolRun r = Tool({"show", "edited.cfg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QStringList lines = r.out.split('\n');
    for (const char* expected : {
             "  Version                 1.01",
             "  Mode                    Slave",
             "  Make                    \"Fiat\"",
             "  SwitchRPM               2500 rpm",
             "  SwitchTemp              30 °C",
             "  InjectorOffset          0.8 ms",
             "  BackToPetrolOnLowGas    on",
             "  AdaptCompCorrection     1 %",
             "  TempiGas_Slave_banco2 (factor), rows TempiBenzina_Slave (ms), columns Giri_Slave (rpm)",
             "                 500    1000    1500    2000    2500    3000    4000    5000    6000",
             "         2.9   0.938   0.938   0.938   1.250   0.953   0.953   0.977   1.000   1.000",
             "  Benzina (ms), rows MAP_Benzina (mbar), columns Giri_Benzina (rpm)",
             "  LivelloGas (V)",
         })
        EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
    // Settings, then the 21 tables.
    EXPECT_EQ(lines.filter(QRegularExpression("^  [A-Za-z0-9_]+ \\(")).size(), MapTypeCount);
}

TEST_F(CfgTool, DiffNamesEachSettingAndCellThatDiffers) {
    ASSERT_TRUE(model->SaveToFile(Path("default.cfg")));
    SaveEdited(Path("edited.cfg"));
    ToolRun r = Tool({"diff", "default.cfg", "edited.cfg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Make: \"\" -> \"Fiat\"\n"
                                    "SwitchRPM: 2000 rpm -> 2500 rpm\n"
                                    "TempiGas_Slave_banco2[3][4]: 0.9375 factor -> 1.25 factor\n"
                                    "PressioneGas[15]: 1100 mbar -> 1200 mbar\n"));

    r = Tool({"diff", "edited.cfg", "edited.cfg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty() && r.err.isEmpty());

    // The mode word is part of the configuration.
    QByteArray comp = ReadAll(Path("edited.cfg"));
    WriteAll(Path("comp.cfg"), comp.replace(4, 4, "COMP"));
    r = Tool({"diff", "edited.cfg", "comp.cfg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QStringLiteral("Mode: Slave -> Compensated\n"));
}

// The tool writes the raw bytes, not the values they read as: bytes that read alike are still a
// difference.
TEST_F(CfgTool, DiffNamesRawBytesThatReadAsTheSameValue) {
    model->ModelToRaw(model->RawData.Image);
    const RMappatura defaults = model->RawData.Image;
    ASSERT_EQ(defaults.SwitchRPM, 125);
    ASSERT_EQ(defaults.IgnitionType, 1);
    ASSERT_EQ(defaults.PressioneGas[15], 69);
    const auto save = [this](const QString& name, const RMappatura& image) {
        model->RawData.Image = image;
        QString error;
        ASSERT_TRUE(WriteFileSafely(Path(name), ConfigFileBytes(model->RawData, SlaveMode), error));
    };
    save("default.cfg", defaults);

    const struct {
        const char* what;
        std::function<void(RMappatura&)> change;
        const char* line;
    } cases[] = {
        {"a speed on the same 100 rpm", [](RMappatura& r) { r.SwitchRPM = 126; },
         "SwitchRPM: 2000 rpm (raw 125) -> 2000 rpm (raw 126)"},
        {"an ignition code the tool does not know", [](RMappatura& r) { r.IgnitionType = 3; },
         "IgnitionType: 0 (raw 1) -> 0 (raw 3)"},
        {"a gas pressure on the same 50 mbar", [](RMappatura& r) { r.PressioneGas[15] = 70; },
         "PressioneGas[15]: 1100 mbar (raw 69) -> 1100 mbar (raw 70)"},
        {"a text padded otherwise", [](RMappatura& r) { r.Make = QByteArray(MakeLength, '\0'); },
         "Make: \"\" (raw 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20) -> \"\" (raw 00 00 00 "
         "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RMappatura changed = defaults;
        c.change(changed);
        save("changed.cfg", changed);
        const ToolRun r = Tool({"diff", "default.cfg", "changed.cfg"});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_EQ(r.out, QString::fromLatin1(c.line) + '\n');
    }
}

TEST_F(CfgTool, DiffNamesEveryByteOfTheRecordsOnce) {
    model->ModelToRaw(model->RawData.Image);
    QString error;
    ASSERT_TRUE(WriteFileSafely(Path("a.cfg"), ConfigFileBytes(model->RawData, SlaveMode), error));
    RMappatura& image = model->RawData.Image;
    ForEachElement(image, [](int32_t& e) { e = (e + 1) % 256; });
    image.Make = "Make";
    image.Model = "Model";
    image.ConfigDate = "010101";
    ASSERT_TRUE(WriteFileSafely(Path("b.cfg"), ConfigFileBytes(model->RawData, SlaveMode), error));

    const ToolRun r = Tool({"diff", "a.cfg", "b.cfg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), RawElementCount + 3);
    EXPECT_EQ(QSet<QString>(lines.begin(), lines.end()).size(), lines.size());
}

TEST_F(CfgTool, MistakesExitWithTwoAndOneLine) {
    ASSERT_TRUE(model->SaveToFile(Path("good.cfg")));
    WriteAll(Path("cut.cfg"), ReadAll(Path("good.cfg")).left(500));
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{}, "wrong arguments for corvane-cfg (see corvane-cfg --help)"},
        {{"frob"}, "unknown command \"frob\" (see corvane-cfg --help)"},
        {{"show"}, "wrong arguments for show (see corvane-cfg --help)"},
        {{"show", "missing.cfg"}, "missing.cfg cannot be read: No such file or directory"},
        {{"show", "cut.cfg"}, "cut.cfg is damaged: it ends inside record 6 of 11."},
        {{"diff", "good.cfg"}, "wrong arguments for diff (see corvane-cfg --help)"},
        {{"diff", "good.cfg", "cut.cfg"}, "cut.cfg is damaged: it ends inside record 6 of 11."},
        {{"new", "--fuel", "diesel", "--mode", "slave", "-o", "x.cfg"}, "--fuel takes lpg or cng"},
        {{"new", "--fuel", "lpg", "--mode", "turbo", "-o", "x.cfg"}, "--mode takes slave or comp"},
        {{"new", "--fuel", "lpg", "--mode", "slave"}, "wrong arguments for new (see corvane-cfg --help)"},
        {{"new", "--fuel", "lpg", "--mode", "slave", "-o", "none/x.cfg"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = Tool(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("corvane-cfg: ") && r.err.endsWith('\n') && r.err.count('\n') == 1)
            << r.err.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_EQ(r.err, "corvane-cfg: " + c.message + "\n");
        }
    }
    EXPECT_FALSE(QFile::exists(Path("x.cfg")));

    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage:"));
}

} // namespace
