#pragma once

#include "sim/EcuLayout.h"

#include <QByteArray>
#include <array>
#include <cstdint>

// The ECU's configuration memory: the nine blocks, blocks 4 and 8 once per bank, each kept as the
// payload the ECU sends when it is read (block number, bank, bytes).
class TEcuImage {
public:
    // A realistic Slave-mode configuration for LPG (fuel 1) or CNG (fuel 0): the values a full
    // reset of the tool puts in, on a four-cylinder engine.
    static TEcuImage DefaultSlave(int fuel);

    TEcuImage();

    // The stored payload of a block, or an empty one for an unknown block or bank.
    QByteArray Block(int block, int bank = 1) const;
    // Stores a cmdWriteBlock payload (number, bank for 4 and 8, bytes). Bytes past the block's
    // size are ignored; a payload that is too short, or names an unknown block or bank, is refused
    // and nothing changes.
    bool Store(const QByteArray& payload);

    uint8_t Byte(int block, int pos, int bank = 1) const;
    void SetByte(int block, int pos, uint8_t value, int bank = 1);

    // Engineering views of the fields the engine model acts on.
    int Fuel() const { return Byte(1, EcuLayout::B1::Fuel); }
    int Cylinders() const;
    int LambdaType() const { return Byte(1, EcuLayout::B1::LambdaType); }
    int LambdaProbes() const { return Byte(1, EcuLayout::B1::LambdaProbes) >= 2 ? 2 : 1; }
    int TPSType() const { return Byte(1, EcuLayout::B1::TPSType); }
    double InjectorOffsetMs() const {
        return EcuLayout::TenthsFromRaw(Byte(2, EcuLayout::B2::InjectorOffset));
    }
    bool Flag(int block, int pos) const { return Byte(block, pos) != 0; }

    // The slave gas map factor of a bank at a petrol time and speed, interpolated between the
    // map's points and held at its edges.
    double SlaveFactor(int bank, double petrolMs, double rpm) const;
    // The compensated gas map of a bank, in ms, at a manifold pressure and speed.
    double CompensatedGasMs(int bank, double mapMbar, double rpm) const;
    // The index of the slave petrol-time row nearest to a petrol time.
    int NearestSlaveRow(double petrolMs) const;
    // Nearest cells on the axes of a block: returns false when the block has no map.
    bool NearestCell(int block, double y, double rpm, int& row, int& col) const;

private:
    static int Slot(int block, int bank);
    std::array<QByteArray, EcuLayout::BlockCount + 3> Blocks;
};
