// The language modules shipped beside the program, checked against the built-in table: a string
// added to the table without its translations, a lost placeholder, escape, accelerator or
// significant space, or a text left in English fails here before it reaches a user.

#include "resources/Strings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>

namespace {

struct TShippedModule {
    const char* Abbreviation;
    int LocaleId;
    // Words that are the same in this language as in English, besides the shared ones below.
    QStringList SameWords;
};

// Units, abbreviations, protocol words and names that every language keeps as they are.
const QStringList SharedSameWords = {
    "V",   "A",   "s",   "ms",  "mbar", "bar",  "rpm",   "RPM",   "C",    "Volt", "Vcc",
    "MAP", "TPS", "CNG", "LPG", "std",  "MP",   "HP",    "COM",   "TX",   "RX",   "DTC",
    "VIN", "OK",  "I",   "II",  "III",  "R",    "Slave", "SLAVE", "Lambda", "Min", "Max",
    "Corvane", "AEB", "UEGO", "Bosch"};

// Whole texts that are names: products, hardware models, languages in their own tongue.
const QSet<QString> NameTexts = {
    "Corvane Diagnostic", "Corvane Fast", "Corvane Standard", "Matrix", "Landi", "Turbo", "keld",
    "orb", "KELD-04 X01X01R1", "ORB-04 X02X02R2", "RPMx1000", "cut-off", "Deutsch", "English",
    "Español", "Français", "Italiano", "Polska"};

QHash<int, QString> BuiltinTable() {
    QHash<int, QString> table;
    EXPECT_TRUE(ParseStringModule(QByteArray(BuiltinStringTable), table));
    return table;
}

QString ShippedModulePath(const char* abbreviation) {
    return QStringLiteral(CORVANE_PROGRAM_DIR "/corvane-diagnostic.") + QLatin1String(abbreviation);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

std::string Show(const QString& s) { return s.toStdString(); }

bool CopyReplacing(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

// Qt placeholders (%1) may move inside the sentence; printf ones (%d, %.2f) must keep their order.
std::string Placeholders(const QString& text, bool qtStyle) {
    static const QRegularExpression re(QStringLiteral("%(?:([0-9]+)|[-+ #0]*[0-9]*(?:\\.[0-9]+)?[diouxXeEfgGcs])"));
    QStringList found;
    for (const auto& m : re.globalMatch(text))
        if (m.hasCaptured(1) == qtStyle) found << m.captured(0);
    if (qtStyle) found.sort();
    return found.join(QLatin1Char(' ')).toStdString();
}

int Count(const QString& text, const QString& what) { return int(text.count(what)); }

QString LeadingSpace(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && s[n].isSpace()) ++n;
    return s.left(n);
}

QString TrailingSpace(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && s[s.size() - 1 - n].isSpace()) ++n;
    return s.right(n);
}

// A text may stay as in English when it is a name, or when it has no words but the language's
// same words (units and abbreviations), or no words at all ("%1 - %2").
bool MayStayEnglish(const QString& text, const QStringList& sameWords) {
    if (NameTexts.contains(text)) return true;
    static const QRegularExpression word(QStringLiteral("[^\\W\\d_]+"));
    for (const auto& m : word.globalMatch(text))
        if (!SharedSameWords.contains(m.captured(0)) && !sameWords.contains(m.captured(0))) return false;
    return true;
}

class ShippedLanguageModule : public testing::TestWithParam<TShippedModule> {};

TEST_P(ShippedLanguageModule, HoldsEveryStringOfTheTableOnceAndNoOther) {
    const QByteArray text = ReadFile(ShippedModulePath(GetParam().Abbreviation));
    QHash<int, QString> module;
    int badLine = 0;
    ASSERT_TRUE(ParseStringModule(text, module, &badLine)) << "damaged at line " << badLine;

    // The parser keeps the last of two lines with one number: a duplicate would hide a string.
    QSet<int> seen;
    int lineNo = 0;
    for (const QByteArray& line : text.split('\n')) {
        ++lineNo;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const int number = line.left(line.indexOf('\t')).toInt();
        EXPECT_FALSE(seen.contains(number)) << "number " << number << " again on line " << lineNo;
        seen.insert(number);
    }

    const QHash<int, QString> english = BuiltinTable();
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        EXPECT_TRUE(module.contains(it.key())) << "untranslated " << it.key() << ": " << Show(it.value());
    for (auto it = module.cbegin(); it != module.cend(); ++it)
        EXPECT_TRUE(english.contains(it.key())) << "unknown number " << it.key();
}

TEST_P(ShippedLanguageModule, KeepsPlaceholdersEscapesAcceleratorsAndSpaces) {
    QHash<int, QString> module;
    ASSERT_TRUE(ParseStringModule(ReadFile(ShippedModulePath(GetParam().Abbreviation)), module));
    const QHash<int, QString> english = BuiltinTable();
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        if (!module.contains(it.key())) continue; // reported by the completeness test
        const QString& en = it.value();
        const QString& tr = module[it.key()];
        SCOPED_TRACE(std::to_string(it.key()) + ": \"" + Show(en) + "\" -> \"" + Show(tr) + "\"");
        EXPECT_EQ(Placeholders(tr, true), Placeholders(en, true));
        EXPECT_EQ(Placeholders(tr, false), Placeholders(en, false));
        for (const auto& [special, name] : {std::pair{"\n", "\\n"}, {"\t", "\\t"}, {"\\", "\\\\"}, {"&&", "&&"}})
            EXPECT_EQ(Count(tr, special), Count(en, special)) << "count of " << name;
        EXPECT_EQ(Count(tr, "&") - 2 * Count(tr, "&&"), Count(en, "&") - 2 * Count(en, "&&"))
            << "accelerator";
        // Texts joined to others ("Trying on " + port) or padded for a gauge keep their spaces.
        EXPECT_EQ(Show(LeadingSpace(tr)), Show(LeadingSpace(en)));
        EXPECT_EQ(Show(TrailingSpace(tr)), Show(TrailingSpace(en)));
        EXPECT_EQ(tr.isEmpty(), en.isEmpty());
    }
}

TEST_P(ShippedLanguageModule, LeavesNoTextInEnglishButNamesAndUnits) {
    const QHash<int, QString> english = BuiltinTable();
    QHash<int, QString> module;
    ASSERT_TRUE(ParseStringModule(ReadFile(ShippedModulePath(GetParam().Abbreviation)), module));
    if (QLatin1String(GetParam().Abbreviation) == QLatin1String("ENU")) {
        // English is the built-in table itself, so that switching back to English restores it.
        EXPECT_EQ(module, english);
        return;
    }
    for (auto it = module.cbegin(); it != module.cend(); ++it) {
        if (it.value() != english.value(it.key())) continue;
        EXPECT_TRUE(MayStayEnglish(it.value(), GetParam().SameWords))
            << "left in English " << it.key() << ": " << Show(it.value());
    }
}

TEST_P(ShippedLanguageModule, LoadsAsTheProgramLoadsIt) {
    // The module's name follows the running program, so the shipped file is copied under the name
    // this test program looks for.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetLanguageModuleDirectory(dir.path());
    const int locale = GetParam().LocaleId;
    ASSERT_TRUE(CopyReplacing(ShippedModulePath(GetParam().Abbreviation), LanguageModulePath(locale, false)));
    ASSERT_TRUE(LoadLanguageModule(locale));

    QHash<int, QString> module;
    ASSERT_TRUE(ParseStringModule(ReadFile(ShippedModulePath(GetParam().Abbreviation)), module));
    const QHash<int, QString> english = BuiltinTable();
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        EXPECT_EQ(Show(ResStr(StringId(it.key()))), Show(module.value(it.key(), it.value()))) << it.key();

    // Back to the built-in texts for the tests that follow.
    ASSERT_TRUE(CopyReplacing(ShippedModulePath("ENU"), LanguageModulePath(9, false)));
    EXPECT_TRUE(LoadLanguageModule(9));
    EXPECT_EQ(ResStr(SAppName), english.value(SAppName));
    SetLanguageModuleDirectory(QString());
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedLanguageModule,
                         testing::Values(TShippedModule{"ENU", 9, {}},
                                         // Italian says "Gas" and "File" as English does.
                                         TShippedModule{"ITA", 1040, {"Gas", "File"}},
                                         // Polish says "Port" and "Bank" (cylinder bank) as English does.
                                         TShippedModule{"PLK", 21, {"Port", "Bank"}}),
                         [](const testing::TestParamInfo<TShippedModule>& info) {
                             return std::string(info.param.Abbreviation);
                         });

} // namespace
