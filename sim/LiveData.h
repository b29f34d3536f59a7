#pragma once

#include "sim/EngineModel.h"

#include <QByteArray>

// The payloads of the three live-data replies, laid out word by word from what the ECU measures.
inline constexpr int LiveDataSize = 104;
inline constexpr int StatusSize = 46;
inline constexpr int FastDataSize = 12;

QByteArray LiveDataPayload(const TLiveValues& v, const TEcuImage& image);
QByteArray StatusPayload(const TLiveValues& v, const TEcuImage& image);
QByteArray FastDataPayload(const TLiveValues& v);
