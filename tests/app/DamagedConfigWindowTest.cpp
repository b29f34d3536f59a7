// Damaged configuration files loaded into the whole program: what survives the file checks (a
// sound record list of wrong bytes) reaches every page, grid and chart of the main window, which
// must show it without stepping outside a table; what does not is refused and leaves the program
// as it was. The file is never written.
#include "app/UnitMain.h"
#include "common/DamagedInputs.h"
#include "common/FileBytes.h"
#include "common/ProgramFixture.h"
#include "config/ConfigFile.h"
#include "config/UnitDati.h"

#include <gtest/gtest.h>

namespace {

class DamagedConfigWindow : public ProgramFixture {};

TEST_F(DamagedConfigWindow, EveryPageShowsWhatLoadsAndNothingChangesForWhatIsRefused) {
    CreateProgram();
    FormMain->show();
    const QString good = winDir.filePath("good.cfg");
    ASSERT_TRUE(DataMap->SaveToFile(good));
    const QByteArray bytes = ReadAll(good);
    ASSERT_TRUE(DataMap->LoadFromFile(good));

    // Only overwritten bytes and long runs: the cuts and the noise stop at the file checks,
    // which the configuration tests cover on their own.
    std::vector<TDamagedInput> corpus;
    for (TDamagedInput& input : DamagedCorpus(bytes, 20261215, 0, 120, bytes.size()))
        if (!input.kind.startsWith("cut")) corpus.push_back(std::move(input));

    const QString path = winDir.filePath("damaged.cfg");
    const QString caption = FormMain->windowTitle();
    for (const TDamagedInput& input : corpus) {
        SCOPED_TRACE(input.kind.toStdString());
        WriteAll(path, input.bytes);
        dialogs.told.clear();
        const bool loaded = DataMap->LoadFromFile(path);
        ASSERT_EQ(ReadAll(path), input.bytes);
        if (loaded) {
            // Every page once, with its grids and charts painted.
            for (QTabWidget* tabs : FormMain->findChildren<QTabWidget*>())
                for (int i = 0; i < tabs->count(); ++i) {
                    tabs->setCurrentIndex(i);
                    FormMain->grab();
                }
            ASSERT_TRUE(DataMap->LoadFromFile(good));
            continue;
        }
        ASSERT_EQ(dialogs.told.size(), 1);
        EXPECT_TRUE(dialogs.told[0].startsWith("damaged.cfg ")) << dialogs.told[0].toStdString();
        EXPECT_EQ(DataMap->FileName, good);
        EXPECT_TRUE(DataMap->Saved());
        EXPECT_EQ(FormMain->windowTitle(), caption);
    }
}

} // namespace
