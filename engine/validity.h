#pragma once

#include "engine/config.h"
#include "engine/model.h"

#include <cstdint>

// Validity rules that the plan computation derives from the engine state: reduced gradient
// factors and the invalid-dive codes. Dives of a plan are numbered from 0; the third dive is 2.

constexpr int64_t kFullDaySeconds = 86400; // third-dive rules apply below this interval
constexpr int64_t kYoyoMarkingSeconds = 72000; // yoyo marking applies below this interval
constexpr int kTarCompartment = 9; // the 146-minute nitrogen compartment (10th)
constexpr float kTarLimitBar = 0.8f;
constexpr float kReducedGfDepthM = 6.0f;

constexpr uint8_t kInvalidDiveNone = 0;
constexpr uint8_t kInvalidDiveYoyo = 1;
constexpr uint8_t kInvalidDiveTar = 2;

// Texts shown for the codes (the caller translates them).
extern const char* const kInvalidDiveYoyoText; // "Invalid dive: Yoyo on previous dive"
extern const char* const
    kInvalidDiveTarText; // "Invalid dive: Dive not allowed because of TAR > 0.8"
extern const char* const kDecoNotTerminatedText; // "Deco not terminated"

// The factors used for effort dives, repetitive third dives and after a severe yoyo: each of
// the diver's factors, but never above 68 (30/80 becomes 30/68; deep stops asked for stay).
constexpr uint8_t kReducedGfPercent = 68;
gf_t reduced_gf(const gf_t& chosen);

// True for the third dive of a plan begun less than 24 h after the previous one, open circuit.
bool third_dive_rules_apply(int diveIndex, int64_t surfaceIntervalS, bool closedCircuit);

// Gradient factors a dive starts with: the plan's own (80/80 when none), reduced_gf() of them
// with the effort flag or on a third dive deeper than 6 m. A yoyo of level 3 further switches
// to reduced_gf() from that point of the profile on; that is up to the caller walking the points.
gf_t dive_gf(const gf_t* planGf, bool effortMode, int diveIndex, int64_t surfaceIntervalS,
    bool closedCircuit, float maxDepthM);

// 2 when the third-dive rules apply and compartment 10 starts the dive above 0.8 bar, else 0.
// Code 1 comes from the profile's yoyo scan in marking mode.
uint8_t invalid_dive_code(
    int diveIndex, int64_t surfaceIntervalS, bool closedCircuit, const tissues_t& start);

// Whether the yoyo scan of this dive runs in marking mode.
bool yoyo_marking_mode(int diveIndex, int64_t surfaceIntervalS, int previousYoyoCount);

// Whether tissues read from outside (a plan file) are usable: every tension finite and within
// 0..100 bar, CNS finite and within 0..100. The engine computes garbage from garbage.
bool tissues_valid(const tissues_t& tissues);
