#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Keeps a backup of every whole configuration read from the ECU (on connection, by Upload and
// by the flasher before it flashes) in the backups folder of the car (TConfigBackups). The car
// is named by the VIN read after the configuration, so a read that is followed by a VIN read
// waits for its answer. A backup that cannot be written is reported once in the status bar,
// until one is written again; it never holds up the link.
class TBackupKeeper : public QObject {
    Q_OBJECT
public:
    explicit TBackupKeeper(QObject* parent = nullptr);

    // Where the backups go; by default TConfigBackups::DefaultRoot() at the moment of writing.
    void SetRoot(const QString& root) { Root = root; }

    // How long a read waits for its VIN before it is kept under the make and model.
    static constexpr int VinWaitMs = 15000;

    void ConfigurationRead();
    void VinReceived(const QString& vin);

signals:
    // A backup could not be written: Message says where and why. Emitted once until one is.
    void BackupFailed(const QString& Message);

private:
    void WritePending();

    QString Root;
    QString LastVin;
    QByteArray Pending; // a read waiting for its VIN
    QString PendingIdentity;
    QString PendingMake, PendingModel;
    QTimer VinWait;
    bool FailureReported = false;
};
