#pragma once

#include <QString>

class DiveProfile;

// What the cursor points at, on one line: time, depth, temperature, ceiling (or no-stop time)
// and vertical speed, in the diver's units. Empty when t is outside the dive's samples.
QString positionReadout(const DiveProfile& dive, int timeS);

// The position readout as HTML for second t of the dive; with a visible selection the range
// [first, last] is added. Empty when t is outside the dive's samples.
QString positionInformationHtml(
    const DiveProfile& dive, int timeS, bool selectionVisible, int rangeFirstS, int rangeLastS);
