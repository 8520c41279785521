#pragma once

#include "dive/diveprofile.h"
#include "engine/model.h"
#include "planner/gasplan.h"
#include "planner/plangas.h"

#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <memory>

struct BailoutPlan;
struct ContingencyPlan;

constexpr int kPlanSlots = 3;

// One line of a plan's result, as the computation reports it.
struct LinePlan
{
    // A switch line marks a change of gas: at its depth and run time the diver starts breathing
    // `gas`; the lines before it name the gas breathed until then.
    enum Kind : quint32 { Start = 0, Line = 1, Summary = 2, Switch = 3 };
    enum Direction : quint32 { Descending = 0, Level = 1, Ascending = 2 };

    quint32 kind = Start;
    quint32 direction = Level;
    quint8 computed = 0; // 1 for the computed ascent, 0 for the diver's own segments
    float depth = 0; // m, at the end of the line
    float duration = 0; // min
    float runTime = 0; // min, elapsed at the end of the line
    quint32 gas = 0; // index into the dive's gases
    float cns = 0; // %, summary only: the highest CNS of the dive (with what an earlier dive left)
    float otu = 0; // summary only
    float cnsEnd = 0; // %, summary only: at the end of the computed ascent
    // min, summary only: the no-decompression time left at the end of the bottom phase (the
    // last point), capped at 250; -1 when the dive owes stops there
    float ndl = -1;
    float setpoint = 0; // bar, closed circuit: the setpoint breathed on the line; 0 open circuit
};

// What the last computation of a planned dive found, beyond what the profile carries.
struct PlanDiveResult
{
    bool computed = false;
    float cnsPercent = 0; // highest CNS of the dive and its ascent
    float otu = 0; // running total at the end of the dive
    float dtrMin = 0; // time to surface from the last point
    float stopTimeMin = 0;
    bool decoImpossible = false; // a stop would never end: no usable ascent
    float cnsEndPercent = 0; // at the end of the computed ascent
    float ndlMin = -1; // no-decompression time left at the last point; -1 in decompression
    float gfLow = 0; // the factors the ascent was computed with, fractions
    float gfHigh = 0;
    // Why those are not the diver's own (each factor then at most 68), and from which run time
    // on; None when they are the diver's.
    enum class GfReduction : quint8 { None, Effort, ThirdDive, Yoyo };
    GfReduction gfReduction = GfReduction::None;
    float gfReducedFromMin = 0;

    // Gas planning: the lines of the computation, the stretches breathed from each gas (the
    // `cylinder` of a segment is a gas index until the plan maps it), the cylinders the dive
    // uses with the gas index of each, their use and warnings, and the closed-circuit bailout.
    QList<LinePlan> lines;
    QList<GasSegment> gasSegments;
    QList<Cylinder> cylinders;
    QList<int> cylinderGas;
    GasPlanResult gas;
    std::shared_ptr<const BailoutPlan> bailout;
    std::shared_ptr<const QList<ContingencyPlan>> contingencies; // when the plan asks for them
};

// One planned dive of a plan.
class PlanifDive
{
public:
    // A new dive for slot `slot` (0-based): three default points, the standard gases.
    static std::unique_ptr<PlanifDive> makeDefault(int slot);
    // The defaults of a dive about to be read from a plan file.
    PlanifDive();

    DiveProfile profile;
    tissues_t tissues; // end-of-dive state after a computation
    quint32 surfaceIntervalS = 0;
    quint8 effortMode = 0;
    quint32 waterType = 0; // 0 salt, 1 fresh
    float surfacePressure = 1.013f; // bar
    float otu = 0; // total at the end of the last computation
    PlanDiveSettings settings;
    // One cylinder per gas of the profile, by gas index; gases without one (or with a size of 0)
    // take the defaults.
    QList<Cylinder> cylinders;
    PlanDiveResult result;
};

// The standard gases every new planned dive starts with.
const QList<DiveGas>& standardGasList();

// Up to three successive planned dives and the dive being edited.
class Planification
{
public:
    Planification();
    ~Planification();
    Planification(const Planification&) = delete;
    Planification& operator=(const Planification&) = delete;

    std::function<void(const QString&)> messageCallback; // "" clears, anything else appends
    std::function<void(const LinePlan&)> lineCallback;

    std::array<std::unique_ptr<PlanifDive>, kPlanSlots> dives; // contiguous from slot 0
    int currentIndex = -1;
    float startTensions[kCompartments] = {}; // N2 at the start of the current dive

    // The settings new dives start with; applySettings also gives them to every dive.
    PlanDiveSettings newDiveSettings;
    void applySettings(const PlanDiveSettings& settings);
    // Gas planning for every dive: breathing rates, reserves and the closed-circuit bailout.
    GasSettings gasSettings;

    int diveCount() const;
    PlanifDive* current() const;
    // Adds a dive in the first free slot and makes it current; -1 when all slots are taken.
    int addDefaultDive();
    // Adds a dive with this profile, its samples reduced to a dozen points that keep its deepest
    // point and length, the gases it took on the way up as deco gases; -1 when no slot is free.
    int addDive(const DiveProfile& profile);
    // Replaces the profile part of the current dive; false without a current dive.
    bool replaceCurrentProfile(const DiveProfile& profile);
    // Replaces the current dive by a fresh default dive of the same slot.
    bool replaceCurrentByDefault();
    // Removes the current dive and closes the gap; returns the new current index.
    int removeCurrent();
    void clear();
    // Takes over the dives of another plan (a loaded file); slot 0 becomes current.
    void adopt(std::array<std::unique_ptr<PlanifDive>, kPlanSlots>&& loaded);

    void emitMessage(const QString& text) const;
    void emitLine(const LinePlan& line) const;

private:
    void prepareProfile(DiveProfile& profile, int slot) const;
    void simplify(PlanifDive& dive) const;
};
