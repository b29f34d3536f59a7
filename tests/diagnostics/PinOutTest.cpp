// The pin-out window: the lists of both models, the markers on the connector picture and their
// blinking.
#include "DiagnosticsFixture.h"
#include "app/Constants.h"
#include "diagnostics/ConnectorPicture.h"
#include "diagnostics/UnitPinOut.h"

#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

class PinOutWindow : public ::testing::Test {
protected:
    PinOutWindow() : form(std::make_unique<TFormPinOut>(&host)) {}

    void Click(int pin) {
        QListWidget* list = form->List(ListOfPin(pin));
        const QRect line = list->visualItemRect(list->item(LineOfPin(pin)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
    }
    int Countdown() {
        return host.countdowns.count(TGuiCountdown::PinOut) ? host.countdowns[TGuiCountdown::PinOut] : -2;
    }
    static QColor Pixel(const QImage& image, QPoint p) { return image.pixelColor(p); }

    FakeGuiHost host;
    std::unique_ptr<TFormPinOut> form;
};

TEST_F(PinOutWindow, ShowsTheVariantsModelWithNothingMarked) {
    form->show();
    EXPECT_EQ(form->ScegliECU->currentIndex(), BuildVariant == KELD ? 0 : 1);
    EXPECT_TRUE(form->ScegliECU->isEnabled());
    EXPECT_EQ(form->ScegliECU->itemText(0), QStringLiteral("KELD-04 X01X01R1"));
    EXPECT_EQ(form->ScegliECU->itemText(1), QStringLiteral("ORB-04 X02X02R2"));
    EXPECT_EQ(Countdown(), -1);
    for (TPinList which : PinLists) {
        EXPECT_FALSE(form->Marker(which)->isVisible());
        EXPECT_TRUE(form->List(which)->selectedItems().isEmpty());
        EXPECT_EQ(form->List(which)->count(), PinsPerList);
    }
}

TEST_F(PinOutWindow, ListsFollowTheModelAndTheMarkersStay) {
    form->show();
    Click(43);
    const QPoint before = form->Marker43->pos();
    struct Case {
        int model;
        int pin;
        const char* line;
    };
    const Case cases[] = {{0, 1, " 1 : KEY"},       {0, 14, "14 : CAN_H"},    {0, 15, "15 : RPM_IN"},
                          {0, 28, "28 : INJ_3_IN"}, {0, 29, "29 : BATTERY"},  {0, 42, "42 : CAN_L"},
                          {0, 43, "43 : MAP_IN"},   {0, 56, "56 : INJ_1_IN"}, {1, 1, " 1 : INJ1_IN"},
                          {1, 14, "14 : NC"},       {1, 15, "15 : VBAT"},     {1, 29, "29 : INJ_1_NEG"},
                          {1, 43, "43 : BATTERY"},  {1, 56, "56 : INJ4_MOS"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        form->ScegliECU->setCurrentIndex(c.model);
        EXPECT_EQ(form->List(ListOfPin(c.pin))->item(LineOfPin(c.pin))->text(), QLatin1String(c.line));
    }
    // Every line of every list belongs to the model shown.
    form->ScegliECU->setCurrentIndex(1);
    for (int pin = 1; pin <= PinCount; ++pin)
        EXPECT_EQ(form->List(ListOfPin(pin))->item(LineOfPin(pin))->text(),
                  PinLine(pin, OrbPins[size_t(pin - 1)]));
    EXPECT_TRUE(form->Marker43->isVisible());
    EXPECT_EQ(form->Marker43->pos(), before);
    EXPECT_EQ(form->Image1->Model(), TEcuModel::ORB04);
}

TEST_F(PinOutWindow, MarkerGoesToTheClickedPinAndStartsBlinking) {
    form->show();
    struct Case {
        int pin;
        TPinMarker* TFormPinOut::*marker;
        QPoint topLeft;
    };
    const Case cases[] = {
        {14, &TFormPinOut::Marker1, {44, 215}}, {43, &TFormPinOut::Marker43, {66, 316}},
        {1, &TFormPinOut::Marker1, {44, 40}},   {28, &TFormPinOut::Marker15, {45, 490}},
        {29, &TFormPinOut::Marker29, {65, 40}}, {35, &TFormPinOut::Marker29, {65, 40 + 6 * 175 / 13}},
        {56, &TFormPinOut::Marker43, {66, 490}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        host.countdowns.clear();
        Click(c.pin);
        TPinMarker* marker = form.get()->*c.marker;
        EXPECT_TRUE(marker->isVisible());
        EXPECT_EQ(marker->Position(), c.topLeft);
        EXPECT_EQ(marker->pos(), c.topLeft); // unscaled window
        EXPECT_EQ(Countdown(), TFormPinOut::BlinkTicks);
    }
}

TEST_F(PinOutWindow, EveryPinIsDrawnWhereItsMarkerCircles) {
    for (TEcuModel model : {TEcuModel::KELD04, TEcuModel::ORB04}) {
        QImage picture(ConnectorPictureSize, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        TConnectorPicture::Paint(painter, model);
        painter.end();
        const QColor contact = Pixel(picture, PinCentre(1));
        for (int pin = 1; pin <= PinCount; ++pin) {
            SCOPED_TRACE(pin);
            const QPoint centre =
                MarkerPosition(ListOfPin(pin), LineOfPin(pin)) + QPoint(MarkerSize / 2, MarkerSize / 2);
            EXPECT_EQ(Pixel(picture, centre), contact);
            // Between this pin and the next one of its row lies the housing, not another contact.
            if (LineOfPin(pin) < PinsPerList - 1) {
                const QPoint next = PinCentre(pin + 1);
                EXPECT_NE(Pixel(picture, (centre + next) / 2), contact);
            }
        }
    }
}

TEST_F(PinOutWindow, BlinkAlternatesTheMarkersInOppositePhase) {
    form->show();
    Click(3);
    Click(31);
    for (int step = 1; step <= 4; ++step) {
        SCOPED_TRACE(step);
        host.countdowns.clear();
        form->BlinkStep();
        EXPECT_EQ(Countdown(), TFormPinOut::BlinkTicks);
        EXPECT_EQ(form->BlinkCounter, step);
        const TPinMarker::TPenMode left = step % 2 ? TPinMarker::Mask : TPinMarker::Xor;
        const TPinMarker::TPenMode right = step % 2 ? TPinMarker::Xor : TPinMarker::Mask;
        EXPECT_EQ(form->Marker1->PenMode(), left);
        EXPECT_EQ(form->Marker15->PenMode(), left);
        EXPECT_EQ(form->Marker29->PenMode(), right);
        EXPECT_EQ(form->Marker43->PenMode(), right);
    }

    // The two ways of drawing give the ring two colours over the housing, so that it blinks.
    const QPoint ringLeft = PinCentre(3) + QPoint(-7, 0);
    form->BlinkStep();
    ASSERT_EQ(form->Marker1->PenMode(), TPinMarker::Mask);
    const QColor inMask = form->Image1->grab().toImage().pixelColor(ringLeft);
    form->BlinkStep();
    const QColor inXor = form->Image1->grab().toImage().pixelColor(ringLeft);
    EXPECT_NE(inMask, inXor);
    EXPECT_GT(inMask.green(), 150);
    EXPECT_LT(inMask.red(), 80);
    EXPECT_GT(inXor.red(), 150); // lime XORed with a light housing is magenta

    form->close();
    EXPECT_EQ(Countdown(), -1);
    EXPECT_EQ(form->BlinkCounter, 0);
    // Reopening hides the markers until the next click.
    form->show();
    EXPECT_FALSE(form->Marker1->isVisible());
    EXPECT_FALSE(form->Marker29->isVisible());
}

TEST_F(PinOutWindow, ArrowKeysChooseThePinToo) {
    form->show();
    form->ListBox29->setFocus();
    form->ListBox29->setCurrentRow(0);
    QTest::keyClick(form->ListBox29, Qt::Key_Down);
    EXPECT_EQ(form->Marker29->Position(), MarkerPosition(TPinList::Pins29, 1));
    EXPECT_TRUE(form->Marker29->isVisible());
}

} // namespace
