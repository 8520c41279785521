#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct DiveSite;

// The sites with a position as a GeoJSON FeatureCollection (RFC 7946): one Point a site,
// coordinates [longitude, latitude], the site's texts and dive count as properties. Sites
// without a position are left out: a map has nowhere to put them.
QByteArray sitesGeoJson(const QList<DiveSite>& sites);
// Writes it atomically: on failure the previous file stays and error says why.
bool writeSitesGeoJson(const QString& path, const QList<DiveSite>& sites, QString* error);
