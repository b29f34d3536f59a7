#include "calibration/MapCheck.h"

#include "StringIds.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"

#include <algorithm>

namespace {

using K = TMapTypeOfData;

// The largest index whose breakpoint lies strictly below value, or 1.
int IndexBelow(const TDataMap& model, K axis, int points, double value) {
    int index = 1;
    for (int i = 1; i <= points; ++i)
        if (model.GetTableValue(axis, i) < value) index = i;
    return index;
}

} // namespace

void TMapCheck::ResetIndices() {
    WaterIndex = DefaultWater;
    GasIndex = DefaultGas;
    PressureIndex = DefaultPressure;
}

void TMapCheck::FollowLiveData(double waterTemp, double gasTemp, double gasPress) {
    WaterIndex = IndexBelow(Model, K::TemperaturaRiduttore, TemperaturePoints, waterTemp);
    GasIndex = IndexBelow(Model, K::TemperaturaGas, TemperaturePoints, gasTemp);
    PressureIndex = IndexBelow(Model, K::PressioneGas, PressurePoints, gasPress);
}

void TMapCheck::StepWater(int delta) {
    WaterIndex = std::clamp(WaterIndex + delta, 1, TemperaturePoints);
}
void TMapCheck::StepGas(int delta) {
    GasIndex = std::clamp(GasIndex + delta, 1, TemperaturePoints);
}
void TMapCheck::StepPressure(int delta) {
    PressureIndex = std::clamp(PressureIndex + delta, 1, PressurePoints);
}

double TMapCheck::WaterValue() const {
    return Model.GetTableValue(K::TemperaturaRiduttore, WaterIndex);
}
double TMapCheck::GasValue() const {
    return Model.GetTableValue(K::TemperaturaGas, GasIndex);
}
double TMapCheck::PressureValue() const {
    return Model.GetTableValue(K::PressioneGas, PressureIndex);
}

double TMapCheck::Correction() const {
    return Model.GetTableValue(K::CorrTemperaturaRiduttore, WaterIndex) +
           Model.GetTableValue(K::CorrTemperaturaGas, GasIndex) +
           Model.GetTableValue(K::CorrPressioneGas, PressureIndex);
}

double TMapCheck::DelayLimit(double n) const {
    return Model.SlaveMaxDelay - n * (Model.SlaveMaxDelay - Model.SlaveMinDelay) / 6000;
}

double TMapCheck::GasTime(int r, int k, bool compensated) const {
    const double c = Correction();
    if (compensated) {
        const K map = Model.Bank == 2 ? K::TempiGas_Comp_banco2 : K::TempiGas_Comp_banco1;
        return Model.GetMapValue(map, r, k) * (c + 100) / 100 + Model.InjectorOffset;
    }
    const K map = Model.Bank == 2 ? K::TempiGas_Slave_banco2 : K::TempiGas_Slave_banco1;
    const double t = Model.GetTableValue(K::TempiBenzina_Slave, r);
    return Model.GetMapValue(map, r, k) * t * (c + 100) / 100 + Model.InjectorOffset;
}

double TMapCheck::CellValue(TCheckPage page, int r, int k, bool compensated) const {
    if (r == 0 || k == 0) return 0;
    const double g = GasTime(r, k, compensated);
    const double n = Model.GetTableValue(compensated ? K::Giri_Comp : K::Giri_Slave, k);
    switch (page) {
    case TCheckPage::Monotony:
        return g;
    case TCheckPage::Delays: {
        const double t = Model.GetTableValue(K::TempiBenzina_Slave, r);
        const double limit = DelayLimit(n);
        return t <= limit ? g : g - (t - limit);
    }
    case TCheckPage::FullOpen:
        return n == 0 ? 0 : 120000 / n - g;
    }
    return 0;
}

QString TMapCheck::CellText(TCheckPage page, int r, int k, bool compensated) const {
    const bool comp = compensated && page == TCheckPage::FullOpen;
    if (r == 0 && k == 0)
        return Model.LambdaProbes >= 2 ? ResStr(SCheckBank) + QString::number(Model.Bank) : QString();
    if (r == 0)
        return QString::asprintf("%3d", int(Model.GetTableValue(comp ? K::Giri_Comp : K::Giri_Slave, k)));
    if (k == 0)
        return comp ? QString::asprintf("%4.0f", Model.GetTableValue(K::MAP_Comp, r))
                    : QString::asprintf("%2.1f", Model.GetTableValue(K::TempiBenzina_Slave, r));
    const double v = CellValue(page, r, k, comp);
    return QString::asprintf(page == TCheckPage::Monotony ? "%3.2f" : "%2.1f", v);
}
