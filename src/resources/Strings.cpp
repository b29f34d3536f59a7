#include "resources/Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <cstring>
#include <libintl.h>

// Part of libintl's interface in glibc and GNU gettext alike.
extern "C" int _nl_msg_cat_cntr;

namespace {

struct TStringTables {
    QHash<int, QString> builtin;
    QHash<int, QString> module;
    bool moduleLoaded = false;
    bool catalogueBound = false;
    QString moduleDir;

    TStringTables() { ParseStringModule(QByteArray(BuiltinStringTable), builtin); }
};

TStringTables& Tables() {
    static TStringTables tables;
    return tables;
}

QString Unescape(QByteArrayView raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\' && i + 1 < raw.size()) {
            const char n = raw[i + 1];
            if (n == 'n' || n == 't' || n == '\\') {
                out += n == 'n' ? '\n' : n == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return QString::fromUtf8(out);
}

} // namespace

bool ParseStringModule(const QByteArray& text, QHash<int, QString>& table, int* badLine) {
    QHash<int, QString> parsed;
    int lineNo = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNo;
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype tab = line.indexOf('\t');
        bool ok = false;
        const int number = tab > 0 ? line.left(tab).toInt(&ok) : 0;
        // A text that is not UTF-8 would show as replacement characters, and a NUL cuts a
        // message short wherever it goes through a C string (the catalogue lookup).
        if (!ok || number < 0 || line.contains('\0') || QString::fromUtf8(line).toUtf8() != line) {
            if (badLine) *badLine = lineNo;
            return false;
        }
        parsed.insert(number, Unescape(QByteArrayView(line).sliced(tab + 1)));
    }
    table = std::move(parsed);
    return true;
}

QString ResStr(StringId id) {
    TStringTables& t = Tables();
    QString text;
    auto found = t.moduleLoaded ? t.module.constFind(id) : t.module.constEnd();
    if (found != t.module.constEnd())
        text = *found;
    else
        text = t.builtin.value(id);
    if (t.catalogueBound && !text.isEmpty()) {
        const QByteArray utf8 = text.toUtf8();
        const char* translated = dgettext("default", utf8.constData());
        if (translated != utf8.constData()) return QString::fromUtf8(translated);
    }
    return text;
}

namespace {

// The languages the program knows: the locale number its menus and settings use, the module's
// abbreviation, and the ISO code of the user's locale and of Qt's own translations.
struct TLanguage {
    int LocaleId;
    const char* Abbreviation;
    const char* Code;
};
constexpr TLanguage Languages[] = {{9, "ENU", "en"},    {1040, "ITA", "it"}, {1031, "DEU", "de"},
                                   {1036, "FRA", "fr"}, {1034, "ESP", "es"}, {21, "PLK", "pl"}};

const TLanguage* LanguageOf(int localeId) {
    for (const TLanguage& l : Languages)
        if (l.LocaleId == localeId) return &l;
    return nullptr;
}

} // namespace

QString LanguageAbbreviation(int localeId) {
    const TLanguage* l = LanguageOf(localeId);
    return l ? QLatin1String(l->Abbreviation) : QString();
}

int UserLocaleId() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (value.isEmpty()) continue;
        const QString code = value.left(2).toLower();
        for (const TLanguage& l : Languages)
            if (code == QLatin1String(l.Code)) return l.LocaleId;
        return 9;
    }
    return 9;
}

void SetLanguageModuleDirectory(const QString& dir) { Tables().moduleDir = dir; }

QString LanguageModulePath(int localeId, bool twoLetter) {
    QString abbreviation = LanguageAbbreviation(localeId);
    if (abbreviation.isEmpty()) return QString();
    if (twoLetter) abbreviation = abbreviation.left(2);
    QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) program = QStringLiteral("corvane-diagnostic");
    QFileInfo info(program);
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    name = (dot > 0 ? name.left(dot) : name) + QLatin1Char('.') + abbreviation;
    const QString dir = Tables().moduleDir.isEmpty() ? info.absolutePath() : Tables().moduleDir;
    return dir + QLatin1Char('/') + name;
}

namespace {

// Qt's own texts (the buttons of a question, the file dialogs) in the language of the module, from
// the translations Qt ships; English, Qt's own language, when there are none for it.
void FollowWithQtTexts(int localeId) {
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const TLanguage* language = LanguageOf(localeId);
    // English is Qt's own language.
    const QString code = language && localeId != 9 ? QLatin1String(language->Code) : QString();
    if (code.isEmpty() || !QCoreApplication::instance()) return;
    auto* translator = new QTranslator;
    if (translator->load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator)) {
        installed = translator;
    } else {
        delete translator;
    }
}

} // namespace

bool LoadLanguageModule(int localeId, QString* error) {
    for (bool twoLetter : {false, true}) {
        const QString path = LanguageModulePath(localeId, twoLetter);
        if (path.isEmpty()) return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString shown = QFileInfo(path).fileName();
        const QByteArray text = file.read(MaxLanguageModuleSize + 1);
        if (text.size() > MaxLanguageModuleSize) {
            if (error) *error = ResStr(SLanguageModuleTooLarge).arg(shown).arg(MaxLanguageModuleSize);
            return false;
        }
        QHash<int, QString> table;
        int badLine = 0;
        if (!ParseStringModule(text, table, &badLine)) {
            if (error) *error = ResStr(SLanguageModuleDamaged).arg(shown).arg(badLine);
            return false;
        }
        TStringTables& t = Tables();
        t.module = std::move(table);
        t.moduleLoaded = true;
        FollowWithQtTexts(localeId);
        return true;
    }
    return false;
}

QString CatalogueLanguage() {
    const QString lang = qEnvironmentVariable("LANG");
    return lang.isEmpty() ? QLocale::system().name() : lang;
}

void UnloadLanguageModule() {
    TStringTables& t = Tables();
    t.module.clear();
    t.moduleLoaded = false;
    FollowWithQtTexts(9);
}

void InitMessageCatalogue(const QString& programDir) {
    // libintl takes its language from LANGUAGE before the locale's own, so that is where the
    // catalogue language goes. It ignores LANGUAGE while the messages locale is "C", which is
    // what a user gets whose language has no locale installed: the built-in UTF-8 variant of
    // "C" keeps the program's messages as they are and lets the catalogue be read.
    const QByteArray language = CatalogueLanguage().toLocal8Bit();
    if (!language.isEmpty()) qputenv("LANGUAGE", language);
    const char* messages = std::setlocale(LC_MESSAGES, nullptr);
    if (!messages || !std::strcmp(messages, "C") || !std::strcmp(messages, "POSIX"))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    const QByteArray dir = QFile::encodeName(QDir(programDir).filePath(QStringLiteral("locale")));
    bindtextdomain("default", dir.constData());
    bind_textdomain_codeset("default", "UTF-8");
    // libintl keeps the translations it looked up; this counter is how it is told that the
    // language has changed.
    ++_nl_msg_cat_cntr;
    Tables().catalogueBound = true;
}
