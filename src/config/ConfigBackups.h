#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The automatic backups of the configurations read from ECUs: one folder per car, named after
// its VIN or else its make and model, holding ordinary configuration files named after the
// moment they were read ("2026-12-10 17.05.09.cfg"), the newest KeptPerCar of them. Beside each
// file a small text file of the same name with the extension ".ecu" keeps the ECU's
// identification text, which a configuration file has no room for.
class TConfigBackups {
public:
    static constexpr int KeptPerCar = 50;

    // The backups under Root; by default the user's application data folder's "backups".
    explicit TConfigBackups(QString Root = DefaultRoot());
    static QString DefaultRoot();
    const QString& Root() const { return FRoot; }

    // The folder name of a car: its VIN when it has one, else its make and model; characters a
    // file name cannot hold become "_". Empty when the car has none of them.
    static QString CarName(const QString& Vin, const QString& Make, const QString& Model);

    enum class TWriteResult { Written, Identical, Failed };
    // Keeps Bytes (a whole configuration file) as the car's backup of When, unless they are the
    // bytes of its newest backup; then drops the oldest beyond KeptPerCar. Failed: Error says why.
    TWriteResult Write(const QString& Car, const QByteArray& Bytes, const QString& Identity,
                       const QDateTime& When, QString& Error) const;

    // One backup as the backups window lists it.
    struct TEntry {
        QString Path;
        QDateTime When;
        QString Identity;
        bool Readable = false; // a configuration file whose mode and fuel follow
        uint8_t Mode = 0;      // 0 Slave, 1 Compensated
        int Fuel = 0;          // the fuel code as stored
    };
    // The cars that have backups, by name.
    QStringList Cars() const;
    // A car's backups, newest first.
    std::vector<TEntry> Backups(const QString& Car) const;
    QString CarFolder(const QString& Car) const;

private:
    QStringList FileNames(const QString& Car) const; // oldest first
    QString FRoot;
};
