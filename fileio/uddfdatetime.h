#pragma once

#include <QString>

// ISO 8601 date-times as dive files write them: "2019-03-05T10:22:00", "2019-03-05T10:22:00Z",
// "2019-03-05T10:22:00+01:00", "2019-03-05T10:22:00.250Z", "2019-03-05 10:22", "2019-03-05".
// A "Z" or an offset means UTC; no zone means the system's local time (daylight saving
// included). Fractional seconds are dropped. Returns seconds since 1970-01-01 UTC, or 0 for
// text that is no date.
qint64 parseUddfDateTime(const QString& text);

// The UTC form with "Z" ("2024-01-17T11:16:00Z"); empty for a time outside years 1..9999.
QString formatUddfDateTime(qint64 secondsSinceEpoch);
