#include "common/ProgramFixture.h"
#include "app/UnitMain.h"
#include "resources/Strings.h"

#include <QMenu>
#include <clocale>

// The gettext catalogue beside the program, as built from its .po file: one process per test,
// as libintl's language is the process's.
namespace {

class Catalogue : public ProgramFixture {
protected:
    ~Catalogue() override { qunsetenv("LANGUAGE"); }
};

TEST_F(Catalogue, AGermanUserSeesTheCatalogueTranslationEvenUnderTheCLocale) {
    // No German locale is installed where the tests run: the messages locale stays "C", under
    // which libintl would ignore a language given the usual way.
    qputenv("LANG", "de_DE.UTF-8");
    qunsetenv("LANGUAGE");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(CatalogueLanguage(), QStringLiteral("de_DE.UTF-8"));
    InitMessageCatalogue(QStringLiteral(CORVANE_PROGRAM_DIR));
    EXPECT_EQ(ResStr(SMenuFile), QStringLiteral("Datei"));
    EXPECT_EQ(ResStr(SActionPinOut), QStringLiteral("Steuergeräte-Pinbelegung"));
    // A text the catalogue does not hold passes unchanged.
    EXPECT_EQ(ResStr(SMsgExitNow), QStringLiteral("Exit now?"));
    CreateProgram();
    EXPECT_EQ(FormMain->MenuFile->title(), QStringLiteral("Datei"));
    EXPECT_EQ(FormMain->FileOpen1->text(), QStringLiteral("Öffnen..."));
}

TEST_F(Catalogue, ALanguageWithoutACatalogueKeepsTheTexts) {
    qputenv("LANG", "it_IT.UTF-8");
    InitMessageCatalogue(QStringLiteral(CORVANE_PROGRAM_DIR));
    EXPECT_EQ(ResStr(SMenuFile), QStringLiteral("File"));
}

TEST_F(Catalogue, WithoutLangTheLocaleGivesTheCatalogueLanguage) {
    qunsetenv("LANG");
    EXPECT_EQ(CatalogueLanguage(), QLocale::system().name());
}

} // namespace
