#include "logbook/sitesgeojson.h"

#include "logbook/diveplaces.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

QByteArray sitesGeoJson(const QList<DiveSite>& sites)
{
    QJsonArray features;
    for (const DiveSite& site : sites) {
        if (!site.position)
            continue;
        features.append(QJsonObject {
            { "type", "Feature" },
            { "geometry",
                QJsonObject { { "type", "Point" },
                    { "coordinates",
                        QJsonArray { site.position->longitude, site.position->latitude } } } },
            { "properties",
                QJsonObject { { "name", site.name }, { "location", site.location },
                    { "country", site.country }, { "notes", site.notes },
                    { "dives", site.dives } } },
        });
    }
    return QJsonDocument(QJsonObject { { "type", "FeatureCollection" }, { "features", features } })
        .toJson(QJsonDocument::Indented);
}

bool writeSitesGeoJson(const QString& path, const QList<DiveSite>& sites, QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = sitesGeoJson(sites);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
