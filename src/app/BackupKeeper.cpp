#include "app/BackupKeeper.h"

#include "StringIds.h"
#include "config/ConfigBackups.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/Frames.h"
#include "link/SerialLink.h"
#include "resources/Strings.h"

#include <QDateTime>

TBackupKeeper::TBackupKeeper(QObject* parent) : QObject(parent) {
    VinWait.setSingleShot(true);
    VinWait.setInterval(VinWaitMs);
    connect(&VinWait, &QTimer::timeout, this, &TBackupKeeper::WritePending);
}

void TBackupKeeper::ConfigurationRead() {
    if (!DataMap) return;
    // The image as the ECU sent it, in the mode it reported.
    TRawData raw = DataMap->RawData;
    Pending = ConfigFileBytes(raw, OperatingMode);
    PendingIdentity = SerialLink ? SerialLink->Identity() : QString();
    PendingMake = QString::fromLatin1(raw.Image.Make);
    PendingModel = QString::fromLatin1(raw.Image.Model);
    // A VIN read queued behind the configuration names the car; the flasher reads none.
    if (TXQueue && TXQueue->Contains(cmdVIN)) {
        // Another car may be on the link now: without its answer the make and model name it.
        LastVin.clear();
        VinWait.start();
        return;
    }
    WritePending();
}

void TBackupKeeper::VinReceived(const QString& vin) {
    LastVin = vin;
    if (VinWait.isActive()) {
        VinWait.stop();
        WritePending();
    }
}

void TBackupKeeper::WritePending() {
    if (Pending.isEmpty()) return;
    const TConfigBackups backups(Root.isEmpty() ? TConfigBackups::DefaultRoot() : Root);
    QString car = TConfigBackups::CarName(LastVin, PendingMake, PendingModel);
    if (car.isEmpty()) car = ResStr(SBackupUnknownCar);
    QString error;
    const auto result = backups.Write(car, Pending, PendingIdentity, QDateTime::currentDateTime(), error);
    Pending.clear();
    if (result != TConfigBackups::TWriteResult::Failed) {
        FailureReported = false;
        return;
    }
    if (FailureReported) return;
    FailureReported = true;
    emit BackupFailed(ResStr(SBackupWriteFailed).arg(error));
}
