#include "resources/Strings.h"
#include "common/DamagedInputs.h"
#include "common/FileBytes.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(StringTable, BuiltInTextsAreExactIncludingTrailingSpaces) {
    EXPECT_EQ(ResStr(SAppName), "Corvane Diagnostic");
    EXPECT_EQ(ResStr(SMsgUnexpectedAnswer), "Unespected answer to command ");
}

TEST(StringTable, ModuleTextParsesEscapesAndComments) {
    QHash<int, QString> table;
    ASSERT_TRUE(ParseStringModule("# comment\n12\tone\\ntwo\r\n13\ttab\\there\\\\\n\n14\t\n", table));
    EXPECT_EQ(table.value(12), "one\ntwo");
    EXPECT_EQ(table.value(13), "tab\there\\");
    EXPECT_TRUE(table.contains(14));
    EXPECT_EQ(table.size(), 3);

    int badLine = 0;
    EXPECT_FALSE(ParseStringModule("12\tok\nnot a line\n", table, &badLine));
    EXPECT_EQ(badLine, 2);
    EXPECT_EQ(table.size(), 3); // a bad module leaves the table as it was
}

TEST(StringTable, LanguageModuleReplacesTextsAndFallsBackPerString) {
    QTemporaryDir dir;
    SetLanguageModuleDirectory(dir.path());
    EXPECT_FALSE(LoadLanguageModule(1040)); // no module yet: nothing changes
    EXPECT_EQ(ResStr(SAppName), "Corvane Diagnostic");

    // Only the two-letter file exists: it is found after the three-letter one.
    const QString path = LanguageModulePath(1040, true);
    EXPECT_TRUE(path.endsWith(QFileInfo(QCoreApplication::applicationFilePath()).fileName() + ".IT"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(int(SAppName)) + "\tDiagnostica Corvane\n");
    f.close();
    EXPECT_TRUE(LoadLanguageModule(1040));
    EXPECT_EQ(ResStr(SAppName), "Diagnostica Corvane");
    EXPECT_EQ(ResStr(SMsgFrameTimeout), "Frame time-out error"); // not in the module

    EXPECT_FALSE(LoadLanguageModule(9)); // no English module: Italian stays
    EXPECT_EQ(ResStr(SAppName), "Diagnostica Corvane");
    SetLanguageModuleDirectory(QString());
}

// The shared damaged corpus over a module in use: a damaged module is not loaded, the texts stay
// those of the module loaded before, and the message names the file and the bad line. Cuts
// that end between lines or inside a text are modules of fewer or shorter texts and load.
TEST(StringTable, SharedDamagedCorpusLeavesTheTextsAsTheyWere) {
    QTemporaryDir dir;
    SetLanguageModuleDirectory(dir.path());
    const QString path = LanguageModulePath(1040, false);
    const QString shown = QFileInfo(path).fileName();
    const QByteArray good = "# Italiano\r\n" + QByteArray::number(int(SAppName)) + "\tDiagnostica Corvane\r\n" +
                            QByteArray::number(int(SMsgFrameTimeout)) + "\tTempo scaduto: più di 500 ms\\n\r\n" +
                            QByteArray::number(int(SSettingsFolderError)) + "\tla cartella non può essere creata\r\n";
    auto loadGood = [&] {
        WriteAll(path, good);
        QString error;
        ASSERT_TRUE(LoadLanguageModule(1040, &error)) << error.toStdString();
    };
    loadGood();
    const QString appName = ResStr(SAppName), timeout = ResStr(SMsgFrameTimeout);
    ASSERT_EQ(appName, "Diagnostica Corvane");

    int refused = 0;
    for (const TDamagedInput& input : DamagedCorpus(good, 20261213, 200, 200)) {
        SCOPED_TRACE(input.kind.toStdString());
        WriteAll(path, input.bytes);
        QString error;
        if (LoadLanguageModule(1040, &error)) {
            ASSERT_TRUE(error.isEmpty());
            loadGood();
            continue;
        }
        ++refused;
        ASSERT_EQ(ReadAll(path), input.bytes);
        EXPECT_TRUE(error.startsWith("The language module " + shown + " is damaged at line "))
            << error.toStdString();
        ASSERT_EQ(ResStr(SAppName), appName);
        ASSERT_EQ(ResStr(SMsgFrameTimeout), timeout);
    }
    EXPECT_GT(refused, 200);

    // A module larger than any table is not read.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_TRUE(f.resize(MaxLanguageModuleSize + 1));
    }
    QString error;
    EXPECT_FALSE(LoadLanguageModule(1040, &error));
    EXPECT_EQ(error, "The language module " + shown + " is larger than 4194304 bytes and was not loaded; "
                     "the texts stay as they were.");
    EXPECT_EQ(ResStr(SAppName), appName);
    SetLanguageModuleDirectory(QString());
}

TEST(StringTable, UserLocaleFollowsTheEnvironmentOrder) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        int expected;
    };
    const Case cases[] = {{"", "", "it_IT.UTF-8", 1040}, {"", "pl_PL", "it_IT", 21},
                          {"de_DE", "pl_PL", "it_IT", 1031}, {"", "", "", 9}, {"", "", "ja_JP", 9}};
    for (const Case& c : cases) {
        qputenv("LC_ALL", c.lcAll);
        qputenv("LC_MESSAGES", c.lcMessages);
        qputenv("LANG", c.lang);
        EXPECT_EQ(UserLocaleId(), c.expected) << c.lcAll << "/" << c.lcMessages << "/" << c.lang;
    }
    EXPECT_EQ(LanguageAbbreviation(21), "PLK");
    EXPECT_EQ(LanguageAbbreviation(1036), "FRA");
}

} // namespace
