// Feeds arbitrary bytes as a logbook file through every operation that reads it, computes and
// exports the dives it loads, and stores, renames and deletes one of its own.
#include "drivedives.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* workDir = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    workDir = new QTemporaryDir;
    if (!workDir->isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = workDir->filePath(QStringLiteral("diveDB.db"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.openOrCreate(path) != LogbookDatabase::Success)
        return 0;

    QList<DiveListEntry> entries;
    int groups = 0;
    db.listComputers();
    if (db.listDives(DiveFilter(), entries, groups)) {
        if (groups > entries.size())
            std::abort();
        QList<DiveProfile> loaded;
        for (const DiveListEntry& entry : entries) {
            DiveProfile dive;
            if (db.loadDive(entry.diveId, dive)) {
                for (const DiveSample& s : dive.samples) {
                    if (s.gasIndex < -1 || s.gasIndex >= dive.gases.size())
                        std::abort();
                }
                loaded.append(dive);
            }
            if (loaded.size() == 32)
                break;
        }
        computeAndWrite(loaded);
    }
    DiveFilter filter;
    filter.byComputer = true;
    filter.computers = db.listComputers();
    filter.byDate = true;
    filter.from = QDateTime::fromSecsSinceEpoch(0);
    filter.hasTo = true;
    filter.to = QDateTime::fromSecsSinceEpoch(4102444800);
    db.listDives(filter, entries, groups);

    DiveProfile dive;
    dive.name = QStringLiteral("fuzz");
    DiveSample sample;
    sample.depth = 3.0;
    sample.gasIndex = 0;
    dive.samples.append(sample);
    dive.gases.append(DiveGas());
    // An import looks for the same dive among whatever the file holds, inside a batch.
    QList<DiveProfile> imported { dive };
    imported.first().name = QStringLiteral("fuzz import");
    db.importDives(imported);
    int id = -1;
    if (db.storeDive(dive, &id) == LogbookDatabase::Success) {
        db.renameDive(id, QStringLiteral("fuzz2"));
        db.deleteDive(id);
    }
    db.close();
    return 0;
}
