// The configuration transfer against corvane-ecu-sim: the frames each operation sends and their
// order, what the replies do to the model, the map refresh on the master timer, and a silent ECU.
#include "TransferFixture.h"

namespace {

const QStringList AllBlockWrites = {"W1", "W2", "W3", "W4/1", "W4/2", "W5", "W6", "W7", "W8/1", "W8/2", "W9"};
const QStringList AllBlockReads = {"R1", "R2", "R3", "R4/1", "R4/2", "R5", "R6", "R7", "R8/1", "R8/2", "R9"};

TEST_F(TransferTest, ConnectionReadsTheWholeConfigurationWithoutAWord) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(sent.contains("R1"));
    EXPECT_EQ(sent.mid(sent.indexOf("R1")), AllBlockReads + QStringList({"VIN r"}));
    EXPECT_TRUE(view.notices.isEmpty());
    EXPECT_TRUE(dialogs.told.isEmpty());
    // The image is the ECU's, block for block, and the model shows it.
    for (int b = 1; b <= ConfigBlockCount; ++b)
        for (int bank : {1, 2}) {
            if (bank == 2 && !IsBankBlock(b)) continue;
            EXPECT_EQ(model->RawData.EncodeBlock(uint8_t(b), bank), EcuBlock(ecu, b, bank))
                << b << "/" << bank;
        }
    EXPECT_EQ(model->Make, "Fiat");
    EXPECT_EQ(model->Model, "Punto 1.2 8V");
    EXPECT_FALSE(model->Saved()); // read from the ECU, in no file
    EXPECT_TRUE(model->EnableMapRefresh);

    // The user's Upload says it is done, once.
    Clear();
    model->UploadAll(true);
    EXPECT_FALSE(model->EnableMapRefresh);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, AllBlockReads + QStringList({"VIN r"}));
    EXPECT_EQ(view.notices, QStringList({"Upload successful 500"}));
    EXPECT_TRUE(view.calls.contains("ClearDownloadPending"));
}

TEST_F(TransferTest, DownloadAllWritesEveryBlockThenTheVinAndTheMode) {
    TEcuSim ecu;
    Connect(ecu);
    Clear();
    model->DownloadAll(true);
    EXPECT_FALSE(model->EnableMapRefresh);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, AllBlockWrites + QStringList({"VIN w", "mode 1"}));
    EXPECT_EQ(view.notices, QStringList({"Download successful 500"}));
    EXPECT_TRUE(model->EnableMapRefresh);

    // Without Notify nothing is shown; a VIN that is not whole is not written; the mode follows.
    Clear();
    vin.vin = "ZFA1880000";
    OperatingMode = CompensatedMode;
    model->DownloadAll(false);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, AllBlockWrites + QStringList({"mode 2"}));
    EXPECT_TRUE(view.notices.isEmpty());
}

TEST_F(TransferTest, DownloadThenUploadLeavesTheEcuAndTheModelAsTheyWere) {
    TEcuSim ecu;
    Connect(ecu);
    const std::vector<QByteArray> ecuBefore = EcuBlocks(ecu);
    const ModelState before = ModelState::Of(*model);

    model->DownloadAll(false);
    ASSERT_TRUE(Settle());
    model->UploadAll(false);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(EcuBlocks(ecu) == ecuBefore);
    EXPECT_TRUE(SameState(before, ModelState::Of(*model)));
}

// Several raw values read as one value on the quantised conversions; writing back a value nobody
// changed keeps the raw value the ECU had, and a changed value is converted as usual.
TEST_F(ModelTest, WritingBackAnUnchangedValueLeavesTheRawValueAsItWas) {
    struct Case {
        const char* name;
        int32_t* element;
        int32_t raw;   // not the one the value it reads as converts to
        int32_t fresh; // the raw value of the shown value plus one step
        std::function<void()> change;
    };
    RMappatura& image = model->RawData.Image;
    const Case cases[] = {
        {"PressioneGas", &image.PressioneGas[4], 36, 41, [&] { model->PressioneGas[4] += 50; }},
        {"Giri_Slave", &image.Giri_Slave[1], 15, 19, [&] { model->Giri_Slave[1] += 100; }},
        {"Giri_Benzina", &image.Giri_Benzina[2], 30, 34, [&] { model->Giri_Benzina[2] += 100; }},
        {"Giri_Comp", &image.Giri_Comp[3], 46, 50, [&] { model->Giri_Comp[3] += 100; }},
        {"SwitchRPM", &image.SwitchRPM, 126, 131, [&] { model->SwitchRPM += 100; }},
        {"TPSCutOffRPM", &image.TPSCutOffRPM, 46, 50, [&] { model->TPSCutOffRPM += 100; }},
        {"AdaptMinRPM", &image.AdaptMinRPM, 46, 50, [&] { model->AdaptMinRPM += 100; }},
        {"AccelLevel", &image.AccelLevel, 129, 129, [&] { model->AccelLevel += 1; }},
        {"FullGroupHoldOff", &image.FullGroupHoldOff, 1, 3, [&] { model->FullGroupHoldOff += 1; }},
    };
    for (const Case& c : cases) {
        *c.element = c.raw;
        model->RawToSettings(image);
        model->RawToMaps(image);
        model->ModelToRaw(image);
        EXPECT_EQ(*c.element, c.raw) << c.name;
        c.change();
        model->ModelToRaw(image);
        EXPECT_EQ(*c.element, c.fresh) << c.name;
    }
}

TEST_F(TransferTest, SettingBlocksFromTheEcuMarkTheConfigurationUnsavedButBlockOneOnlyRenames) {
    TEcuSim ecu;
    Connect(ecu);
    model->Model.clear();
    model->FileName = "mine.cfg";
    model->SetSaved(true);
    Clear();
    SendCommand(ReadBlockBody(1, 0), model.get(), false);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(model->Saved());
    EXPECT_EQ(model->FileName, "Punto 1.2 8V LPG Slave 2024-03-15.cfg");
    EXPECT_FALSE(view.calls.contains("ClearDownloadPending"));

    for (uint8_t block : {2, 5, 6, 7, 9}) {
        model->SetSaved(true);
        Clear();
        SendCommand(ReadBlockBody(block, 0), model.get(), false);
        ASSERT_TRUE(Settle());
        EXPECT_FALSE(model->Saved()) << int(block);
        EXPECT_EQ(view.calls.mid(2), QStringList({"RefreshStatusPanel", "ClearDownloadPending"}))
            << int(block);
        EXPECT_TRUE(view.notices.isEmpty());
    }
}

TEST_F(TransferTest, MapRepliesFillTheBankTheyNameAndRepaintTheMode) {
    TEcuSim ecu;
    Connect(ecu);
    model->TempiGas_Slave_banco2[1][1] = 1.5;
    model->Giri_Slave[9] = 6400;
    model->DownloadBlockBank(8, 2);
    ASSERT_TRUE(Settle());

    model->TempiGas_Slave_banco2[1][1] = 0.5;
    model->Giri_Slave[9] = 6000;
    const auto bank1 = model->TempiGas_Slave_banco1;
    model->Bank = 1;
    model->SetSaved(true);
    Clear();
    SendCommand(ReadBlockBody(8, 2), model.get(), false);
    ASSERT_TRUE(Settle());
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[1][1], 1.5);
    EXPECT_EQ(model->Giri_Slave[9], 6400);
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == bank1);
    EXPECT_TRUE(model->Saved()); // map blocks leave the file state alone
    EXPECT_EQ(view.calls, QStringList({"MappaGas_Slave", "RefreshMapCheck", "UpdateColourRanges"}));

    OperatingMode = CompensatedMode;
    const QList<std::pair<QByteArray, QStringList>> cases = {
        {ReadBlockBody(4, 1), {"MappaGas_Comp", "UpdateColourRanges"}},
        {ReadBlockBody(3, 0), {"MappaBenzina", "UpdateColourRanges"}},
    };
    for (const auto& [request, calls] : cases) {
        Clear();
        SendCommand(request, model.get(), false);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(view.calls, calls);
        EXPECT_TRUE(model->Saved());
    }
}

TEST_F(TransferTest, EachEditWritesTheBlockThatHoldsIt) {
    TEcuSim ecu;
    Connect(ecu);
    model->LambdaProbes = 2;
    model->Bank = 2;
    const QStringList byKind[] = {
        {"W8/2"}, {"W8/2"}, {"W8/1"}, {"W8/2"}, {"W3"}, {"W3"}, {"W3"}, {"W4/2"},
        {"W4/2"}, {"W4/1"}, {"W4/2"}, {"W6"},   {"W6"}, {"W6"}, {"W6"}, {"W6"},
        {"W6"},   {"W5"},   {"W7"},   {"W7"},   {"W9"}, {},
    };
    for (int kind = 0; kind <= MapTypeCount; ++kind) {
        Clear();
        model->DownloadForKind(MapTypeFromOrdinal(kind));
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, byKind[kind]) << "kind " << kind;
    }
    const QStringList byPage[] = {{},       {"W1"}, {"W2", "W9"}, {"W3"}, {"W4/2"},
                                  {"W8/2"}, {"W5"}, {"W6"},       {"W7"}, {}};
    for (int page = -1; page <= 8; ++page) {
        Clear();
        view.activePage = page;
        model->DownloadActivePage();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, byPage[page + 1]) << "page " << page;
    }
    for (bool compensated : {true, false}) {
        Clear();
        model->DownloadBothBanks(compensated);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, compensated ? QStringList({"W4/1", "W4/2"}) : QStringList({"W8/1", "W8/2"}));
    }
}

TEST_F(TransferTest, RefreshReadsTheDisplayedMapOnlyWhileTheEcuChangesIt) {
    TEcuSim ecu;
    Connect(ecu);
    model->LambdaProbes = 2;
    struct Case {
        int page, bank;
        bool acquire, petrolAdapt, aux, gasAdapt;
        QStringList read;
    };
    const Case cases[] = {
        {2, 1, true, false, false, false, {"R3"}},   {2, 2, false, true, false, false, {"R3"}},
        {2, 1, false, false, true, true, {}},        {3, 1, false, false, false, true, {"R4/1"}},
        {3, 2, false, false, false, true, {"R4/2"}}, {3, 1, true, true, true, false, {}},
        {4, 2, false, false, true, false, {"R8/2"}}, {4, 1, false, false, false, true, {"R8/1"}},
        {4, 1, true, true, false, false, {}},        {0, 1, true, true, true, true, {}},
        {5, 1, true, true, true, true, {}},          {-1, 1, true, true, true, true, {}},
    };
    for (const Case& c : cases) {
        view.activePage = c.page;
        model->Bank = uint8_t(c.bank);
        model->PetrolAcquire = c.acquire;
        model->PetrolAdapt = c.petrolAdapt;
        model->AdaptAux = c.aux;
        model->GasAdapt = c.gasAdapt;
        Clear();
        model->RefreshActiveMap();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.read) << "page " << c.page << " bank " << c.bank;
    }
}

TEST_F(TransferTest, MasterTimerReReadsTheMapEvery201TicksWhileNoReadWaits) {
    TEcuSim ecu;
    Connect(ecu);
    // The ECU adapts its gas map with two probes (a settings reply takes every setting from it).
    model->LambdaProbes = 2;
    model->GasAdapt = true;
    model->DownloadAll(false);
    ASSERT_TRUE(Settle());
    model->Bank = 2;
    view.activePage = 4;
    Clear();
    for (int i = 0; i < 603; ++i)
        Tick();
    EXPECT_EQ(sent, QStringList({"R8/2", "R8/2", "R8/2"}));
    EXPECT_EQ(sentAt, QList<int>({201, 402, 603}));

    // A read still waiting at the refresh tick puts the refresh off by a whole period.
    Clear();
    for (int i = 0; i < 200; ++i)
        Tick();
    ASSERT_TRUE(ecu.Fault("delay 300"));
    SendCommand(ReadBlockBody(1, 0), model.get(), false);
    ++tick;
    link->MasterTimerTimer();
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(ecu.Fault("faults off"));
    for (int i = 0; i < 201; ++i)
        Tick();
    EXPECT_EQ(sent, QStringList({"R1", "R8/2"}));
    EXPECT_EQ(sentAt, QList<int>({803, 1005}));

    // While a transfer has it paused, nothing is re-read.
    Clear();
    model->EnableMapRefresh = false;
    for (int i = 0; i < 201; ++i)
        Tick();
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(TransferTest, SilentEcuEndsATransferWithOneMessage) {
    const std::pair<void (TDataMap::*)(bool), QString> cases[] = {
        {&TDataMap::UploadAll, "Upload failed: check connections."},
        {&TDataMap::DownloadAll, "Download failed: check connections."},
    };
    for (const auto& [transfer, message] : cases) {
        link.reset();
        TEcuSim ecu;
        Connect(ecu);
        ASSERT_TRUE(ecu.Fault("silent on"));
        dialogs.told.clear();
        (model.get()->*transfer)(true);
        // Three transmissions of 50 ticks each, and as long again to show that nothing follows.
        int failedAt = -1;
        for (int i = 0; i < 300; ++i) {
            ++tick;
            link->MasterTimerTimer();
            QCoreApplication::processEvents();
            if (failedAt < 0 && !dialogs.told.isEmpty()) {
                failedAt = i;
                EXPECT_TRUE(model->EnableMapRefresh);
                EXPECT_FALSE(link->ECUisConnected());
            }
        }
        EXPECT_EQ(dialogs.told, QStringList({message}));
        EXPECT_GE(failedAt, 100);
        EXPECT_TRUE(view.notices.isEmpty());
    }
}

} // namespace
