#include "fileio/gassettings.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class GasPlanText
{
    Q_DECLARE_TR_FUNCTIONS(GasPlan)
};

} // namespace

bool GasSettings::operator==(const GasSettings& o) const
{
    return bottomSacLpm == o.bottomSacLpm && decoSacLpm == o.decoSacLpm
        && reserveMode == o.reserveMode && minimumGasFactor == o.minimumGasFactor
        && problemMin == o.problemMin && decoReserveBar == o.decoReserveBar
        && bailoutGfLow == o.bailoutGfLow && bailoutGfHigh == o.bailoutGfHigh
        && bailoutStressFactor == o.bailoutStressFactor && bailoutStressMin == o.bailoutStressMin
        && bailout == o.bailout && cylinderCelsius == o.cylinderCelsius
        && bailoutProblemMin == o.bailoutProblemMin && setpointSwitchM == o.setpointSwitchM
        && contingency == o.contingency && deeperM == o.deeperM && longerMin == o.longerMin;
}

QString validateCylinders(const QList<Cylinder>& cylinders, int gasCount)
{
    if (cylinders.size() < gasCount)
        return GasPlanText::tr("Gas %1 has no cylinder: give one cylinder per gas.")
            .arg(cylinders.size() + 1);
    for (int i = 0; i < cylinders.size(); ++i) {
        const Cylinder& c = cylinders[i];
        if (!std::isfinite(c.litres) || !(c.litres > 0))
            return GasPlanText::tr("Cylinder %1: the size must be more than 0 L.").arg(i + 1);
        if (!std::isfinite(c.fillBar) || !(c.fillBar > 0))
            return GasPlanText::tr("Cylinder %1: the fill pressure must be more than 0 bar.")
                .arg(i + 1);
        if (c.fillBar > kMaxFillBar)
            return GasPlanText::tr("Cylinder %1: the fill pressure must not exceed 300 bar.")
                .arg(i + 1);
        if (c.litres > 100)
            return GasPlanText::tr("Cylinder %1: the size must not exceed 100 L.").arg(i + 1);
        if (!std::isfinite(c.workBar) || c.workBar < 0 || c.workBar > kMaxFillBar)
            return GasPlanText::tr("Cylinder %1: the working pressure must not exceed 300 bar.")
                .arg(i + 1);
    }
    return {};
}

QString validateGasSettings(const GasSettings& s)
{
    auto positive = [](double v) { return std::isfinite(v) && v > 0; };
    if (!positive(s.bottomSacLpm) || s.bottomSacLpm > 100)
        return GasPlanText::tr("Bottom SAC must be more than 0 and at most 100 L/min.");
    if (!positive(s.decoSacLpm) || s.decoSacLpm > 100)
        return GasPlanText::tr("Deco SAC must be more than 0 and at most 100 L/min.");
    if (!positive(s.minimumGasFactor) || s.minimumGasFactor > 10)
        return GasPlanText::tr("Minimum-gas factor must be more than 0 and at most 10.");
    if (!std::isfinite(s.problemMin) || s.problemMin < 0 || s.problemMin > 30)
        return GasPlanText::tr("Problem-solving time must be 0 to 30 min.");
    if (!std::isfinite(s.decoReserveBar) || s.decoReserveBar < 0 || s.decoReserveBar > kMaxFillBar)
        return GasPlanText::tr("Deco gas reserve must be 0 to 300 bar.");
    const bool ownGf = s.bailoutGfLow != 0 || s.bailoutGfHigh != 0;
    if (ownGf
        && (s.bailoutGfLow < 10 || s.bailoutGfHigh < 10 || s.bailoutGfLow > 100
            || s.bailoutGfHigh > 100 || s.bailoutGfLow > s.bailoutGfHigh))
        return GasPlanText::tr(
            "Bailout GF must be LOW/HIGH between 10 and 100 with LOW at most HIGH.");
    if (!std::isfinite(s.bailoutStressFactor) || s.bailoutStressFactor < 1
        || s.bailoutStressFactor > 10)
        return GasPlanText::tr("Bailout stress factor must be 1 to 10.");
    if (!std::isfinite(s.bailoutStressMin) || s.bailoutStressMin < 0 || s.bailoutStressMin > 60)
        return GasPlanText::tr("Bailout stress time must be 0 to 60 min.");
    if (!std::isfinite(s.cylinderCelsius) || s.cylinderCelsius < -20 || s.cylinderCelsius > 60)
        return GasPlanText::tr("Cylinder temperature must be -20 to 60 °C.");
    if (!std::isfinite(s.bailoutProblemMin) || s.bailoutProblemMin < 0 || s.bailoutProblemMin > 30)
        return GasPlanText::tr("Bailout problem-solving time must be 0 to 30 min.");
    if (!std::isfinite(s.setpointSwitchM) || s.setpointSwitchM < 0 || s.setpointSwitchM > 100)
        return GasPlanText::tr("Setpoint switch depth must be 0 to 100 m.");
    if (!std::isfinite(s.deeperM) || s.deeperM < 0 || s.deeperM > 30)
        return GasPlanText::tr("Contingency depth must be 0 to 30 m deeper.");
    if (!std::isfinite(s.longerMin) || s.longerMin < 0 || s.longerMin > 60)
        return GasPlanText::tr("Contingency time must be 0 to 60 min longer.");
    return {};
}
