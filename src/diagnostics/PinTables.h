#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <array>

// The 56-pin connector of the two ECU hardware models, and where each pin sits on the connector
// picture of the pin-out window. No widget here.

enum class TEcuModel { KELD04 = 0, ORB04 = 1 };

inline constexpr int PinCount = 56;
inline constexpr int PinsPerList = 14;

using TPinTable = std::array<const char*, PinCount>;
// Signal names, pin 1 first.
extern const TPinTable KeldPins;
extern const TPinTable OrbPins;
const TPinTable& PinTable(TEcuModel model);

// A list line: the pin number right-aligned in two characters, " : ", the signal name.
QString PinLine(int pin, const char* signal);

// The four lists of the window, by the first pin each shows.
enum class TPinList { Pins1 = 0, Pins15 = 1, Pins29 = 2, Pins43 = 3 };
inline constexpr std::array<TPinList, 4> PinLists = {TPinList::Pins1, TPinList::Pins15, TPinList::Pins29,
                                                     TPinList::Pins43};
// The first pin of a list: 1, 15, 29 or 43.
int FirstPin(TPinList list);
// The list that shows pin (1..56) and the line it is on (0..13).
TPinList ListOfPin(int pin);
inline int LineOfPin(int pin) {
    return (pin - 1) % PinsPerList;
}

// The connector picture is drawn in these units (pixels at 100 % scale); the markers are circles
// of MarkerSize drawn around the pins.
inline constexpr QSize ConnectorPictureSize{129, 553};
inline constexpr int MarkerSize = 18;

// The top left corner of the marker of a list when line (0..13) is chosen: the upper lists span
// the picture from 40 to 215, the lower ones from 316 to 490.
QPoint MarkerPosition(TPinList list, int line);
// The centre of a pin on the picture: the centre of its marker, so that the two cannot part.
QPoint PinCentre(int pin);
