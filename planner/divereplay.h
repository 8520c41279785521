#pragma once

#include "dive/diveprofile.h"
#include "engine/deco.h"

#include <QList>

#include <array>

// A logged dive run through the decompression engine with the diver's own gradient factors:
// what those factors would have shown at every sample, beside what the computer recorded.
// Plain data; the graph, the read-out and the command line all read the same replay.

constexpr int kReplayCompartments = kCompartments;

// One sample of the replay. Pressures in bar, depths in metres, times in minutes unless named.
struct ReplayPoint
{
    double timeS = 0;
    double depthM = 0;
    float ambientBar = 0;
    float ceilingM = 0; // at the diver's factors, 0 when none
    float ndlMin = 0; // no-decompression time left, capped at 250; 0 while stops are owed
    int gas = -1; // index into the dive's gases of the gas breathed
    float setpointBar = 0; // closed-circuit setpoint in use, 0 open circuit
    int leadingTissue = 0; // 0-based compartment nearest its surface M-value
    float gfSurfacePercent = 0; // that compartment's tension against its surface M-value
    float cnsPercent = 0;
    float otu = 0;
    float ppO2 = 0;
    float ppN2 = 0;
    float ppHe = 0;
    float endM = 0; // equivalent narcotic depth, oxygen and nitrogen both narcotic
    float densityGL = 0; // density of the gas breathed, g/L
    float modM = 0; // depth where the gas breathed reaches 1.4 bar ppO2 (0 without oxygen)
    // Per compartment: the heat-map load (see tissueLoad).
    std::array<float, kReplayCompartments> load {};
};

struct DiveReplay
{
    int gfLow = 0; // %, the factors the replay used
    int gfHigh = 0;
    float surfaceBar = 1.013f;
    float density = 1.03f; // kg/L of the dive's water
    QList<ReplayPoint> points; // one per sample of the dive
    float maxGfSurfacePercent = 0;
    float cnsEndPercent = 0;
    float otu = 0;
    float maxPpO2 = 0;

    bool isEmpty() const { return points.isEmpty(); }
    // The point at or just before second t; -1 before the first or without points.
    int indexAt(double timeS) const;
    // The replay at second t between two samples: the values drawn straight from one to the
    // next (exact for the partial pressures on one gas), the leading tissue and gas of the
    // sample before. A default point outside the samples.
    ReplayPoint at(double timeS) const;
};

// Replays every sample of the dive: gases by the samples' gas indexes (an unknown gas keeps
// the previous one), setpoints where the samples log one on a closed-circuit dive (closed
// circuit by its mode or by any setpoint logged; 1.3 bar until the first one), the dive's
// water and surface pressure, starting from rested tissues.
DiveReplay replayDive(const DiveProfile& dive, int gfLowPercent, int gfHighPercent);

// The dive with samples added wherever two lie more than maxStepS apart (depth drawn straight,
// the gas and setpoint of the later one), so that a plan's few points or a sparse log replay
// with tissues that move between them. Other fields of the added samples stay zero.
DiveProfile densifiedForReplay(const DiveProfile& dive, double maxStepS);

// Time to surface in minutes from sample `index` of the replay (the whole ascent with its
// stops, on the dive's gases), or 0 within the no-decompression limit. Computed on demand:
// a schedule per sample would cost far more than the rest of the replay.
float replayTtsMin(const DiveProfile& dive, const DiveReplay& replay, int index);
// The same for every sample, in one walk.
QList<float> replayTtsAll(const DiveProfile& dive, const DiveReplay& replay);

// The load the heat map shows for one compartment: below its ambient pressure the tension as
// a fraction of the ambient minus 1 (-1 empty to 0 at ambient); above it the share of the way
// from the ambient to the M-value (0 at ambient, 1 at the M-value, more beyond).
float tissueLoad(float tensionBar, float ambientBar, float mValueBar);
