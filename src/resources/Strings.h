#pragma once

#include "StringIds.h"

#include <QHash>
#include <QString>

// The resource strings: every text the program shows is fetched here by its number.
//
// A text comes from the language module in use, else from the English table built into the
// program, and is then passed through the gettext catalogue of the text domain "default".

QString ResStr(StringId id);

// Parses module text (lines "number<TAB>text", "#" comments, \n \t \\ escapes, UTF-8) into table.
// Returns false, leaves table as it was and puts the number of the first bad line in *badLine
// when a line is malformed, is not UTF-8 or holds a NUL byte.
bool ParseStringModule(const QByteArray& text, QHash<int, QString>& table, int* badLine = nullptr);

// The largest language module read: the whole string table in any language fits many times.
inline constexpr qint64 MaxLanguageModuleSize = 4 * 1024 * 1024;

// Three-letter abbreviation of a Windows locale identifier ("ENU", "ITA", ...), "" when unknown.
QString LanguageAbbreviation(int localeId);

// The locale identifier of the user's language, from LC_ALL, LC_MESSAGES or LANG; 9 (English)
// when none of them names a language the program knows.
int UserLocaleId();

// Loads the module for localeId beside the program (three-letter then two-letter extension).
// On success every later ResStr reads from it; on failure nothing changes. A missing module is
// no fault; a module that is there but damaged (or too large) is not loaded either, and *error
// receives a message naming the file and the bad line.
bool LoadLanguageModule(int localeId, QString* error = nullptr);

// Back to the texts built into the program, as at start without a module (tests: the program
// itself returns to English only through an English module).
void UnloadLanguageModule();

// Looks for modules in dir instead of beside the program (tests).
void SetLanguageModuleDirectory(const QString& dir);

// The module file tried first for localeId, for messages and tests.
QString LanguageModulePath(int localeId, bool twoLetter);

// The language whose gettext catalogue the texts pass through: LANG when it is set, otherwise
// the user's locale as ll_CC. The language switch does not change it.
QString CatalogueLanguage();

// Binds the gettext catalogue folder (<dir>/locale) for the catalogue language; texts pass
// through it from then on.
void InitMessageCatalogue(const QString& programDir);
