#include "resources/Strings.h"

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

    QString error;
    EXPECT_FALSE(ParseStringModule("12\tok\nnot a line\n", table, &error));
    EXPECT_EQ(error, "line 2");
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
