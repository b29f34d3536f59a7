// The model's exchange with the ECU. Block writes and reads are not built yet: until they are,
// a write request changes nothing outside the model, and replies to the model are ignored.
#include "config/UnitDati.h"

void TDataMap::DownloadAll(bool Notify) {
    (void)Notify;
}

void TDataMap::FrameReceived(const TFrame& Reply) {
    (void)Reply;
}

void TDataMap::FrameDiscarded() {}

void TDataMap::FrameFailed() {}
