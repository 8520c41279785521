// Replays the inputs that once crashed or misled the device record decoders.

#include "fileio/binarydiveparser.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/devicerecords"));
    const QStringList names = dir.entryList(QDir::Files);
    QVERIFY2(!names.isEmpty(), "no inputs in tests/data/fuzz/devicerecords");
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
    // Hand-made seeds beside the found ones, so the test never runs empty.
    QTest::newRow("seed") << QString();
}

void TestFuzzRegressions::replay()
{
    QFETCH(QString, path);
    QByteArray input = QByteArray::fromHex("0580020102030405060708090a");
    if (!path.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        input = f.readAll();
    }
    if (input.isEmpty())
        return;
    const quint32 variant = quint8(input[0]) & 3;
    const bool tissues = quint8(input[0]) & 4;
    const QByteArray bytes = input.mid(1);

    DiveHeader header;
    parseDiveHeaderReply(QByteArray(1, char(19)) + bytes, variant, header);
    QList<DeviceSample> samples;
    const SampleDecodeResult r = decodeDeviceSamples(bytes, tissues, samples);
    // Every byte is the format marker, part of a whole record or counted as dropped: none is
    // lost silently.
    if (!bytes.isEmpty() && r.status != SampleDecodeStatus::MissingFormat) {
        const int marker = quint8(bytes[0]) == 0x80 ? 2 : 0;
        QCOMPARE(marker + samples.size() * r.recordLength + r.droppedBytes, bytes.size());
    }
    const DiveProfile dive = convertDownloadedDive(header, samples, {});
    QCOMPARE(dive.samples.size(), samples.size());
    const BinaryDiveContent content = parseBinaryDive(bytes);
    QVERIFY(qint64(content.samples.size()) * 28 <= qMax<qint64>(0, bytes.size() - 185));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
