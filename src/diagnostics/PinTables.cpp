#include "diagnostics/PinTables.h"

// clang-format off
const TPinTable KeldPins = {
    "KEY", "INJ_B_MOS", "INJ_D_MOS", "INJ_F_MOS",
    "INJ_H_MOS", "GAS_SOLENOID", "WATER_TEMP_IN", "spare1_out",
    "GND", "GND", "EMU_LAMBDA_1", "CHANGE_SWITCH",
    "LINE_K", "CAN_H", "RPM_IN", "LAMBDA_1_IN",
    "reserved_ref1", "PRESS_IN", "spare_out_led3", "spare_out_led4",
    "INJ_7_NEG", "INJ_7_IN", "INJ_8_NEG", "INJ_8_IN",
    "INJ_4_NEG", "INJ_4_IN", "INJ_3_NEG", "INJ_3_IN",
    "BATTERY", "INJ_A_MOS", "INJ_C_MOS", "INJ_E_MOS",
    "INJ_G_MOS", "VCC_SENS", "GAS_TEMP_IN", "TPS_IN",
    "GND", "GND", "EMU_LAMBDA_2", "GND",
    "LINE_L", "CAN_L", "MAP_IN", "LAMBDA_2_IN",
    "reserved_ref2", "GAS_LEVEL_IN", "spare_out_led2", "spare_out_led1",
    "INJ_5_NEG", "INJ_5_IN", "INJ_6_IN", "INJ_6_NEG",
    "INJ_2_NEG", "INJ_2_IN", "INJ_1_NEG", "INJ_1_IN",
};

const TPinTable OrbPins = {
    "INJ1_IN", "INJ2_IN", "INJ3_IN", "INJ4_IN",
    "KEY", "TEMP_GAS_IN", "NC", "IN_PRESS_GAS",
    "VCC_SENS", "LINE_L", "VBAT", "CAN_H",
    "LAMBDA_IN", "NC", "VBAT", "LED1_COM",
    "LED2_COM", "GAS_LEVEL_IN", "GND", "NC",
    "VCC_SENS_LEVEL", "GND", "NC", "GAS_SOLENOID",
    "GND", "KEY", "INJ_1_MOS", "INJ_2_MOS",
    "INJ_1_NEG", "INJ_2_NEG", "INJ_3_NEG", "INJ_4_NEG",
    "TEMP_WATER_IN", "GND", "MAP_PRESS_IN", "TPS_IN",
    "GND", "LINE_K", "GND", "CAN_L",
    "EMU_LAMBDA", "RPM_IN", "BATTERY", "LED3_COM",
    "LED4_COM", "BUZZER", "SERIAL_COM", "CHANGE_SWITCH",
    "POWER_SWITCH", "GND", "NC", "GND",
    "GND", "KEY", "INJ3_MOS", "INJ4_MOS",
};
// clang-format on

const TPinTable& PinTable(TEcuModel model) {
    return model == TEcuModel::ORB04 ? OrbPins : KeldPins;
}

QString PinLine(int pin, const char* signal) {
    return QStringLiteral("%1 : ").arg(pin, 2) + QLatin1String(signal);
}

int FirstPin(TPinList list) {
    return 1 + int(list) * PinsPerList;
}

TPinList ListOfPin(int pin) {
    return TPinList((pin - 1) / PinsPerList);
}

QPoint MarkerPosition(TPinList list, int line) {
    // On the picture the lower block of pins sits one pixel further right than the upper block
    // and is one pixel shorter.
    switch (list) {
    case TPinList::Pins1:
        return {44, line * 175 / 13 + 40};
    case TPinList::Pins29:
        return {65, line * 175 / 13 + 40};
    case TPinList::Pins15:
        return {45, line * 174 / 13 + 316};
    case TPinList::Pins43:
        return {66, line * 174 / 13 + 316};
    }
    return {};
}

QPoint PinCentre(int pin) {
    return MarkerPosition(ListOfPin(pin), LineOfPin(pin)) + QPoint(MarkerSize / 2, MarkerSize / 2);
}
