#pragma once

// The runs of dive header fields that the computer's dive list reply and the binary dive file
// lay out alike, read in one place so the two readers cannot drift apart.

#include "dive/bytecursor.h"
#include "dive/devicerecords.h"

// From the low gradient factor to the last of the 16 word pairs.
inline void readHeaderSettings(ByteCursor& c, DiveHeader& h)
{
    h.gfLow = c.u8();
    h.gfHigh = c.u8();
    h.waterDensity = c.u16();
    h.surfacePressureMbar = c.u16();
    for (int i = 0; i < 16; ++i) {
        h.wordsA[i] = c.u16();
        h.wordsB[i] = c.u16();
    }
}

// From the start time to the words after the end time.
inline void readHeaderTimes(ByteCursor& c, DiveHeader& h)
{
    h.startTime = c.i64();
    h.wordAfterStart = c.u16();
    h.maxDepthDm = c.u16();
    h.afterMaxDepth0 = c.u16();
    h.afterMaxDepth1 = c.u8();
    h.afterMaxDepth2 = c.u8();
    h.afterMaxDepth3 = c.u32();
    h.afterMaxDepth4 = c.u16();
    h.afterMaxDepth5 = c.u32();
    h.afterMaxDepth6 = c.u32();
    h.afterMaxDepth7 = c.u16();
    h.afterMaxDepth8 = c.u16();
    h.afterMaxDepth9 = c.u16();
    h.endTime = c.i64();
    for (auto& w : h.wordsAfterEnd)
        w = c.u32();
}
