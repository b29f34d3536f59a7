#pragma once

#include "config/MapTypes.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

// The requests of the configuration transfer and which blocks each part of the configuration
// lives in. TDataMap sends them and consumes their replies.

// The body of a block write: the command code, then the block payload (which starts with the
// block number, and for blocks 4 and 8 the bank).
QByteArray WriteBlockBody(const QByteArray& Payload);
// The body of a block read; BankNo follows the block number only for blocks 4 and 8.
QByteArray ReadBlockBody(uint8_t Block, int BankNo);

// The blocks written for a page of the main window (General 0 ... Drivability 7), in order;
// none for another index.
std::vector<uint8_t> BlocksOfPage(int Page);

// Where an array lives: its block, and the bank of the block (0 for "the model's Bank"; blocks
// other than 4 and 8 ignore the bank). False for a kind above 20.
struct TBlockBank {
    uint8_t Block = 0;
    int BankNo = 0;
};
bool BlockOfKind(TMapTypeOfData Kind, TBlockBank& Where);
