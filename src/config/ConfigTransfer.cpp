#include "config/ConfigTransfer.h"

#include "resources/Strings.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"

QByteArray WriteBlockBody(const QByteArray& Payload) {
    return CommandBody(cmdWriteBlock) + Payload;
}

QByteArray ReadBlockBody(uint8_t Block, int BankNo) {
    QByteArray body = CommandBody(cmdReadBlock) + char(Block);
    if (IsBankBlock(Block)) body += char(BankNo);
    return body;
}

std::vector<uint8_t> BlocksOfPage(int Page) {
    switch (Page) {
    case 0: // General
        return {1};
    case 1: // Functions
        return {2, 9};
    case 2: // Petrol map
        return {3};
    case 3: // Gas map, Compensated
        return {4};
    case 4: // Gas map, Slave
        return {8};
    case 5: // Lambda
        return {5};
    case 6: // Correction
        return {6};
    case 7: // Drivability
        return {7};
    default:
        return {};
    }
}

bool BlockOfKind(TMapTypeOfData Kind, TBlockBank& Where) {
    const TMapKindInfo& info = MapKind(Kind);
    if (info.Block == 0) return false;
    Where = {info.Block, info.BankNo};
    return true;
}

// ---- Writes ---------------------------------------------------------------------------------

void TDataMap::PrepareWrite() {
    EnableMapRefresh = false;
    ReadFromGUI();
    ModelToRaw(RawData.Image);
}

void TDataMap::QueueBlockWrite(uint8_t Block, int BankNo, bool Notify) {
    SendCommand(WriteBlockBody(RawData.EncodeBlock(Block, BankNo)), this, Notify);
}

void TDataMap::QueueBlockRead(uint8_t Block, int BankNo, bool Notify) {
    SendCommand(ReadBlockBody(Block, BankNo), this, Notify);
}

void TDataMap::DownloadBlockBank(uint8_t Block, int BankNo) {
    PrepareWrite();
    QueueBlockWrite(Block, BankNo, false);
}

void TDataMap::DownloadBothBanks(bool Compensated) {
    PrepareWrite();
    const uint8_t block = Compensated ? 4 : 8;
    QueueBlockWrite(block, 1, false);
    QueueBlockWrite(block, 2, false);
}

void TDataMap::DownloadForKind(TMapTypeOfData Kind) {
    TBlockBank where;
    if (!BlockOfKind(Kind, where)) return;
    DownloadBlockBank(where.Block, where.BankNo == 0 ? Bank : where.BankNo);
}

void TDataMap::DownloadActivePage() {
    if (!MainView) return;
    for (uint8_t block : BlocksOfPage(MainView->ActivePage()))
        DownloadBlock(block);
}

void TDataMap::DownloadAll(bool Notify) {
    PrepareWrite();
    for (uint8_t b = 1; b <= ConfigBlockCount; ++b) {
        if (b == 4)
            DownloadBothBanks(true);
        else if (b == 8)
            DownloadBothBanks(false);
        else
            QueueBlockWrite(b, Bank, Notify && b == ConfigBlockCount);
    }
    if (DiagnosticsView) DiagnosticsView->WriteVIN();
    SendCommand(CommandBody(cmdMode) + char(OperatingMode == SlaveMode ? 1 : 2),
                MainView ? MainView->ModeReplyConsumer() : nullptr, false);
}

// ---- Reads ----------------------------------------------------------------------------------

void TDataMap::UploadAll(bool Notify) {
    EnableMapRefresh = false;
    for (uint8_t b = 1; b <= ConfigBlockCount; ++b) {
        if (IsBankBlock(b)) {
            QueueBlockRead(b, 1, false);
            QueueBlockRead(b, 2, false);
        } else {
            QueueBlockRead(b, 0, Notify && b == ConfigBlockCount);
        }
    }
    if (DiagnosticsView) DiagnosticsView->ReadVIN();
}

void TDataMap::RefreshActiveMap() {
    if (!MainView) return;
    const int bank = Bank == 1 ? 1 : 2;
    switch (MainView->ActivePage()) {
    case 2: // Petrol map
        if (PetrolAcquire || PetrolAdapt) QueueBlockRead(3, 0, false);
        break;
    case 3: // Gas map, Compensated
        if (GasAdapt) QueueBlockRead(4, bank, false);
        break;
    case 4: // Gas map, Slave
        if (AdaptAux || GasAdapt) QueueBlockRead(8, bank, false);
        break;
    default:
        break;
    }
}

// ---- Replies --------------------------------------------------------------------------------

void TDataMap::FrameReceived(const TFrame& Reply) {
    const uint16_t code = FrameCommand(Reply.Data);
    if (code == ReplyCode(cmdReadBlock)) {
        const uint8_t block = RawData.DecodeBlock(Reply);
        if (block == 1) {
            RawToSettings(RawData.Image);
            RefreshViews();
            MakeFileName();
        } else if (block == 3) {
            RawToMap(RawData.Image, 3, Bank);
            if (MainView) {
                MainView->RepaintMapGrid(TMapGridId::MappaBenzina);
                MainView->UpdateColourRanges();
            }
        } else if (IsBankBlock(block)) {
            const QByteArray payload = FramePayload(Reply.Data);
            const int bank = payload.size() >= 2 ? static_cast<uint8_t>(payload[1]) : 0;
            RawToMap(RawData.Image, block, bank);
            if (MainView) {
                if (OperatingMode == CompensatedMode) {
                    MainView->RepaintMapGrid(TMapGridId::MappaGas_Comp);
                } else {
                    MainView->RepaintMapGrid(TMapGridId::MappaGas_Slave);
                    MainView->RefreshMapCheck();
                }
                MainView->UpdateColourRanges();
            }
        } else {
            // A settings block read from the ECU makes the configuration differ from its file.
            RawToSettings(RawData.Image);
            RefreshViews();
            SetSaved(false);
            if (MainView) {
                MainView->RefreshStatusPanel();
                MainView->ClearDownloadPending();
                if (Reply.Notify) MainView->ShowTransientMessage(ResStr(SCfgUploadSuccessful), 500);
            }
            if (block == ConfigBlockCount) emit ConfigurationRead();
        }
    } else if (code == ReplyCode(cmdWriteBlock) && Reply.Notify) {
        if (MainView) MainView->ShowTransientMessage(ResStr(SCfgDownloadSuccessful), 500);
    }
    EnableMapRefresh = true;
}

void TDataMap::FrameDiscarded() {}

void TDataMap::FrameFailed() {
    const TFrame* head = TXQueue ? TXQueue->HeadFrame() : nullptr;
    const uint16_t code = head ? FrameCommand(head->Data) : 0;
    if (code == cmdReadBlock)
        Dialogs().Tell(TMsgKind::Error, ResStr(SCfgUploadFailed));
    else if (code == cmdWriteBlock)
        Dialogs().Tell(TMsgKind::Error, ResStr(SCfgDownloadFailed));
    EnableMapRefresh = true;
}
