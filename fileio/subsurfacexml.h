#pragma once

#include <QByteArray>

struct DiveFileContent;

// Subsurface's XML logbook ("divelog" root, versions 1 to 3; ".ssrf" or ".xml"), read as a
// stream. Every dive computer of a dive becomes a dive of its own with that computer's start,
// samples, gas changes and mode, and all of the dive's details: number, rating, tags, buddies,
// notes, site with its position, trip, cylinders. A dive without samples keeps its date,
// duration and depths.
namespace SubsurfaceXml {

void parse(const QByteArray& data, DiveFileContent& content);

} // namespace SubsurfaceXml
