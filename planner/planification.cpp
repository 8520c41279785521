#include "planner/planification.h"

#include "planner/plansimplify.h"

#include <QCoreApplication>

#include <utility>

namespace {

DiveGas standardGas(const char* name, int o2)
{
    DiveGas gas;
    gas.id = QString::fromLatin1(name);
    gas.name = gas.id;
    gas.o2 = o2;
    gas.he = 0;
    return gas;
}

DiveSample planPoint(double timeS, double depthM)
{
    DiveSample s;
    s.time = timeS;
    s.depth = depthM;
    s.gasIndex = 0;
    return s;
}

} // namespace

const QList<DiveGas>& standardGasList()
{
    static const QList<DiveGas> gases
        = { standardGas("Air", 21), standardGas("Nx30", 30), standardGas("Nx40", 40),
              standardGas("OxyAR", 100), standardGas("OxySR", 100), standardGas("Oxycf", 100) };
    return gases;
}

PlanifDive::PlanifDive()
{
    reset_tissues(tissues, 1.013f);
}

std::unique_ptr<PlanifDive> PlanifDive::makeDefault(int slot)
{
    auto dive = std::make_unique<PlanifDive>();
    dive->profile.name = QCoreApplication::translate("Planification", "Dive %1").arg(slot + 1);
    dive->profile.origin = DiveOriginPlan;
    dive->profile.gases = standardGasList();
    dive->profile.samples = { planPoint(0, 0), planPoint(60, 20), planPoint(600, 20) };
    dive->profile.computeStatistics();
    dive->profile.computeSpeeds(false);
    dive->surfaceIntervalS = slot == 0 ? 0 : 7200;
    return dive;
}

Planification::Planification() = default;
Planification::~Planification() = default;

int Planification::diveCount() const
{
    int n = 0;
    while (n < kPlanSlots && dives[size_t(n)])
        ++n;
    return n;
}

PlanifDive* Planification::current() const
{
    if (currentIndex < 0 || currentIndex >= kPlanSlots)
        return nullptr;
    return dives[size_t(currentIndex)].get();
}

int Planification::addDefaultDive()
{
    const int slot = diveCount();
    if (slot >= kPlanSlots)
        return -1;
    dives[size_t(slot)] = PlanifDive::makeDefault(slot);
    dives[size_t(slot)]->settings = newDiveSettings;
    currentIndex = slot;
    return slot;
}

void Planification::prepareProfile(DiveProfile& profile, int slot) const
{
    // A dive without gases is breathed on air; unknown gas indexes take the previous one.
    if (profile.gases.isEmpty())
        profile.gases = standardGasList();
    profile.fillGasIndexes();
    for (DiveSample& s : profile.samples) {
        if (s.gasIndex >= profile.gases.size())
            s.gasIndex = 0;
    }
    if (profile.name.isEmpty())
        profile.name = QCoreApplication::translate("Planification", "Dive %1").arg(slot + 1);
    profile.ascentSamples.clear();
    profile.ceilingTrace.clear();
    profile.computeStatistics();
    profile.computeSpeeds(false);
}

void Planification::simplify(PlanifDive& dive) const
{
    // A recorded dive has a sample every few seconds: the plan keeps a dozen points.
    SimplifiedDive simple = simplifyForPlan(dive.profile);
    dive.profile = std::move(simple.profile);
    if (!simple.decoGases.isEmpty())
        dive.settings.decoGases = simple.decoGases;
    dive.profile.computeStatistics();
    dive.profile.computeSpeeds(false);
}

int Planification::addDive(const DiveProfile& profile)
{
    const int slot = diveCount();
    if (slot >= kPlanSlots)
        return -1;
    auto dive = PlanifDive::makeDefault(slot);
    dive->settings = newDiveSettings;
    dive->profile = profile;
    prepareProfile(dive->profile, slot);
    simplify(*dive);
    dives[size_t(slot)] = std::move(dive);
    currentIndex = slot;
    return slot;
}

bool Planification::replaceCurrentProfile(const DiveProfile& profile)
{
    PlanifDive* dive = current();
    if (!dive)
        return false;
    dive->profile = profile;
    prepareProfile(dive->profile, currentIndex);
    simplify(*dive);
    return true;
}

bool Planification::replaceCurrentByDefault()
{
    if (!current())
        return false;
    auto fresh = PlanifDive::makeDefault(currentIndex);
    // The slot's surface settings are the user's, not the dive's.
    const PlanifDive& old = *dives[size_t(currentIndex)];
    fresh->surfaceIntervalS = old.surfaceIntervalS;
    fresh->surfacePressure = old.surfacePressure;
    fresh->waterType = old.waterType;
    fresh->settings = old.settings;
    dives[size_t(currentIndex)] = std::move(fresh);
    return true;
}

int Planification::removeCurrent()
{
    const int removed = currentIndex;
    if (!current())
        return currentIndex;
    for (int k = removed; k < kPlanSlots - 1; ++k)
        dives[size_t(k)] = std::move(dives[size_t(k + 1)]);
    dives[size_t(kPlanSlots - 1)].reset();
    if (removed == 0)
        currentIndex = dives[0] ? 0 : -1;
    else if (removed == 2)
        currentIndex = 1;
    else
        currentIndex = dives[1] ? 1 : 0;
    // The first dive of a plan starts rested.
    if (dives[0])
        dives[0]->surfaceIntervalS = 0;
    return currentIndex;
}

void Planification::clear()
{
    for (auto& d : dives)
        d.reset();
    currentIndex = -1;
    std::fill(std::begin(startTensions), std::end(startTensions), 0.0f);
}

void Planification::adopt(std::array<std::unique_ptr<PlanifDive>, kPlanSlots>&& loaded)
{
    clear();
    dives = std::move(loaded);
    currentIndex = dives[0] ? 0 : -1;
    if (dives[0])
        newDiveSettings = dives[0]->settings;
}

void Planification::applySettings(const PlanDiveSettings& settings)
{
    newDiveSettings = settings;
    for (auto& dive : dives) {
        if (dive)
            dive->settings = settings;
    }
}

void Planification::emitMessage(const QString& text) const
{
    if (messageCallback)
        messageCallback(text);
}

void Planification::emitLine(const LinePlan& line) const
{
    if (lineCallback)
        lineCallback(line);
}
