// Other programs' dive files: the choice of reader by content, Subsurface XML, mapped CSV and
// the program's own report read back, FIT, and the samples kept in ../shared/formats.

#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/csvmapping.h"
#include "fileio/csvreport.h"
#include "fileio/divefileformat.h"
#include "fileio/divelinesio.h"
#include "fileio/fitfile.h"
#include "fileio/subsurfacexml.h"
#include "fileio/suuntofile.h"
#include "fileio/udcffile.h"
#include "tests/shareddata.h"

#include <QBuffer>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString localText(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// time:depth:temperature:gas:tank per sample, for comparing whole profiles at once.
QString samplesText(const DiveProfile& d)
{
    QStringList parts;
    for (const DiveSample& s : d.samples)
        parts << QStringLiteral("%1:%2:%3:%4:%5")
                     .arg(s.time)
                     .arg(s.depth)
                     .arg(s.temperature)
                     .arg(s.gasIndex)
                     .arg(s.tankPressureBar);
    return parts.join(QLatin1Char(' '));
}

const char subsurfaceDoc[] = R"(<?xml version="1.0"?>
<!-- written by hand -->
<divelog program='subsurface' version='3'>
<settings><divecomputerid model='Reefy' deviceid='abcd0001' serial='S-77'/></settings>
<divesites><site uuid='0000002a' name='Arch' gps='28.5 -16.25'/></divesites>
<dives>
<trip date='2024-05-18' time='09:00:00' location='Canaries'>
<dive number='12' rating='4' tags='wreck, deep' divesiteid='0000002a' date='2024-05-18' time='10:15:30' duration='3:00 min'>
  <buddy>Ana, Tom</buddy>
  <notes>Good vis</notes>
  <cylinder size='12.0 l' workpressure='232.0 bar' o2='32.0%' start='200.0 bar' end='150.0 bar' />
  <cylinder o2='30.0%' he='22.0%' use='not used' />
  <cylinder size='7.0 l' o2='50.0%' start='200.0 bar' end='180.0 bar' />
  <divecomputer model='Reefy' deviceid='abcd0001'>
  <depth max='20.0 m' mean='10.0 m' />
  <event time='1:00 min' type='25' value='50' name='gaschange' />
  <sample time='0:00 min' depth='0.0 m' pressure0='200.0 bar' />
  <sample time='0:30 min' depth='10.0 m' temp='18.0 C' />
  <sample time='1:00 min' depth='20.0 m' pressure2='199.0 bar' />
  <sample time='2:00 min' pressure0='170.0 bar' />
  <sample time='3:00 min' depth='0.0 m' temp='20.0 C' pressure2='180.0 bar' />
  </divecomputer>
  <divecomputer model='Loop' dctype='CCR' date='2024-05-18' time='10:15:20'>
  <event time='0:00 min' name='gaschange' cylinder='2' />
  <sample time='0:10 min' depth='5.0 m' po2='1.3 bar' />
  <sample time='0:20 min' depth='6.0 m' />
  </divecomputer>
</dive>
</trip>
<dive date='2024-5-19' time='8:05:00' duration='40:00 min'>
  <location gps='10.5 20.25'>Bay</location>
  <divecomputer model='Reefy'><depth max='12.5 m' mean='7.0 m' /></divecomputer>
</dive>
</dives>
</divelog>
)";

// A FIT file laid out field by field, in either byte order, with its CRC (CRC-16/ARC, computed
// bit by bit here rather than with the reader's nibble table).
class FitBuilder
{
public:
    explicit FitBuilder(bool big)
        : m_big(big)
    { }
    void define(int local, int global, const QList<std::array<int, 3>>& fields)
    {
        m_data += char(0x40 | local);
        m_data += char(0);
        m_data += char(m_big ? 1 : 0);
        put(global, 2);
        m_data += char(fields.size());
        for (const auto& f : fields) {
            for (int b : f)
                m_data += char(b);
        }
        m_sizes[local] = {};
        for (const auto& f : fields)
            m_sizes[local] << f[1];
    }
    void message(int local, const QList<qint64>& values, int header = -1)
    {
        m_data += char(header < 0 ? local : header);
        for (qsizetype i = 0; i < values.size(); ++i)
            put(values.at(i), m_sizes[local].at(i));
    }
    QByteArray file() const
    {
        QByteArray out(14, '\0');
        out[0] = 14;
        out[1] = 0x20;
        for (int i = 0; i < 4; ++i)
            out[4 + i] = char((m_data.size() >> (8 * i)) & 0xFF);
        out.replace(8, 4, ".FIT");
        out += m_data;
        quint16 crc = 0;
        for (char c : out) {
            crc ^= quint8(c);
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        out += char(crc & 0xFF);
        out += char(crc >> 8);
        return out;
    }

private:
    void put(qint64 value, int size)
    {
        for (int i = 0; i < size; ++i)
            m_data += char((value >> (8 * (m_big ? size - 1 - i : i))) & 0xFF);
    }
    bool m_big;
    QByteArray m_data;
    QList<int> m_sizes[16];
};

// Start 1,000,000,000 s after the FIT epoch (1989-12-31 UTC) = 2021-09-08 01:46:40 UTC; air and
// EAN50; records at +0 s (0 m, 25 C), +10 s (10 m, no temperature), +20 s in a compressed-
// timestamp header (12.345 m) and +30 s (surface); a switch to gas 1 at +15 s.
QByteArray fitDive(bool big)
{
    const qint64 t0 = 1000000000;
    FitBuilder f(big);
    f.define(0, 0, { { 1, 2, 0x84 }, { 2, 2, 0x84 }, { 4, 4, 0x86 } });
    f.message(0, { 23, 62, t0 });
    f.define(1, 259, { { 254, 2, 0x84 }, { 0, 1, 2 }, { 1, 1, 2 }, { 2, 1, 0 }, { 3, 1, 0 } });
    f.message(1, { 0, 0, 21, 1, 0 });
    f.message(1, { 1, 0, 50, 1, 0 });
    f.message(1, { 2, 0, 80, 0, 0 }); // disabled: not a gas of the dive
    f.define(2, 20, { { 253, 4, 0x86 }, { 92, 4, 0x86 }, { 13, 1, 1 } });
    f.message(2, { t0, 0, 25 });
    f.define(3, 20, { { 253, 4, 0x86 }, { 92, 4, 0x86 } });
    f.message(3, { t0 + 10, 10000 });
    f.define(4, 21, { { 253, 4, 0x86 }, { 0, 1, 0 }, { 3, 4, 0x86 } });
    f.message(4, { t0 + 15, 57, 1 });
    f.define(1, 20, { { 92, 4, 0x86 } }); // local type 1 redefined for the compressed record
    f.message(1, { 12345 }, 0x80 | (1 << 5) | int((t0 + 20) & 0x1F));
    f.message(3, { t0 + 30, 0 });
    f.define(5, 18, { { 2, 4, 0x86 }, { 7, 4, 0x86 }, { 141, 4, 0x86 } });
    f.message(5, { t0, 30000, 12400 });
    return f.file();
}

} // namespace

class TestOtherFormats : public QObject
{
    Q_OBJECT

private slots:
    void formatByContent_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format");
        const auto row = [](const char* tag, const QByteArray& head, const char* path, int f) {
            QTest::newRow(tag) << head << QString(path) << f;
        };
        row("uddf saved as xml", "<?xml version='1.0'?>\n<uddf version='3.2.1'>", "a.xml",
            DiveOriginUddf);
        row("prefixed uddf", "<u:uddf xmlns:u='http://www.streit.cc/uddf/3.2/'>", "a",
            DiveOriginUddf);
        row("subsurface as dlf.xml", "\xEF\xBB\xBF<!-- c --><divelog program='subsurface'>",
            "x.dlf.xml", DiveOriginSubsurface);
        row("subsurface v1", "<dives><program name='subsurface' version='1'/>", "a.xml",
            DiveOriginSubsurface);
        row("other program's dives root", "<dives><dive/></dives>", "a.xml", DiveOriginNone);
        row("suunto dm", "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\n<SUUNTO>", "a.xml",
            DiveOriginSuunto);
        row("udcf upper case", "<PROFILE UDCF=\"1\">\r\n", "a.xml", DiveOriginUdcf);
        row("fit by header", QByteArray("\x0e\x20\x00\x00\x10\x00\x00\x00.FIT\x00\x00", 14),
            "a.bin", DiveOriginFit);
        row("suunto json", "{ \"DeviceLog\": {", "x.txt", DiveOriginSuunto);
        row("suunto sml", "<sml xmlns=\"http://www.suunto.com/schemas/sml\">", "x",
            DiveOriginSuunto);
        row("seabear upper-case extension", "/* SEABEAR DIVING", "x.CSV", DiveOriginCsv);
        row("subsurface csv", "\"dive number\",\"date\",\"time\",\"sample time (min)\"", "x.txt",
            DiveOriginCsv);
        row("unknown xml named uddf", "<gpx/>", "a.uddf", DiveOriginUddf);
        row("extension when content says nothing", "", "a.ssrf", DiveOriginSubsurface);
        row("unknown", "hello", "a.txt", DiveOriginNone);
    }
    void formatByContent()
    {
        QFETCH(QByteArray, head);
        QFETCH(QString, path);
        QFETCH(int, format);
        QCOMPARE(int(sniffDiveFormat(head, path)), format);
    }

    void subsurfaceLogbook()
    {
        DiveFileContent c;
        SubsurfaceXml::parse(subsurfaceDoc, c);
        QVERIFY2(c.ok(), qPrintable(c.error));
        QCOMPARE(c.dives.size(), 3);
        // One dive per computer, each with every detail of the dive.
        const DiveProfile& a = c.dives.at(0);
        QCOMPARE(a.name, QString("Dive 12 - Reefy"));
        QCOMPARE(a.number, 12);
        QCOMPARE(a.rating, 4);
        QCOMPARE(a.tags, QStringList({ "wreck", "deep" }));
        QCOMPARE(a.buddies, QStringList({ "Ana", "Tom" }));
        QCOMPARE(a.notes, QString("Good vis"));
        QCOMPARE(a.site, QString("Arch"));
        QVERIFY(a.position && a.position->latitude == 28.5 && a.position->longitude == -16.25);
        QCOMPARE(a.trip, QString("Canaries"));
        QCOMPARE(a.serial, QString("S-77"));
        QCOMPARE(localText(a.dateTime), QString("2024-05-18 10:15:30"));
        // The unused 30/22 cylinder is no gas; the change by value 50 (= O2 50 %) is cylinder 2,
        // gas 1. Depth and temperature carry over samples that leave them out (the first
        // temperature also back to the start); the tank pressure is the breathed cylinder's.
        QCOMPARE(a.gases.size(), 2);
        QCOMPARE(a.gases.at(1).o2, 50);
        QCOMPARE(samplesText(a),
            QString("0:0:18:0:200 30:10:18:0:200 60:20:18:1:199 120:20:18:1:199 180:0:20:1:180"));
        QCOMPARE(a.tanks.size(), 2);
        QCOMPARE(QList<double>({ a.tanks[0].sizeL, a.tanks[0].workingBar, a.tanks[0].startBar,
                     a.tanks[0].endBar, double(a.tanks[1].gasIndex), a.tanks[1].endBar }),
            QList<double>({ 12, 232, 200, 150, 1, 180 }));
        QCOMPARE(a.diveMode, 0u);
        // The second computer: its own start, closed circuit, setpoint carried.
        const DiveProfile& b = c.dives.at(1);
        QCOMPARE(b.name, QString("Dive 12 - Loop"));
        QCOMPARE(localText(b.dateTime), QString("2024-05-18 10:15:20"));
        QCOMPARE(b.diveMode, 1u);
        QCOMPARE(b.trip, QString("Canaries"));
        QCOMPARE(b.samples.size(), 2);
        QCOMPARE(b.samples[1].setpointMbar, quint16(1300));
        QCOMPARE(b.samples[0].gasIndex, 1);
        // Version 2 site, unpadded date, outside the trip, no samples: its summary stays.
        const DiveProfile& d = c.dives.at(2);
        QCOMPARE(localText(d.dateTime), QString("2024-05-19 08:05:00"));
        QCOMPARE(d.site, QString("Bay"));
        QVERIFY(d.position && d.position->longitude == 20.25);
        QVERIFY(d.trip.isEmpty() && d.samples.isEmpty());
        QCOMPARE(QList<double>({ d.duration, d.maxDepth, d.meanDepth }),
            QList<double>({ 2400, 12.5, 7 }));
    }

    // Every cut of the document is refused as a whole, never read in part.
    void subsurfaceCutShort()
    {
        const QByteArray doc(subsurfaceDoc);
        const qsizetype end = doc.indexOf("</divelog>");
        for (qsizetype n = 0; n < end; n += 7) {
            DiveFileContent c;
            SubsurfaceXml::parse(doc.left(n), c);
            QVERIFY2(!c.ok() && c.dives.isEmpty(), qPrintable(QString::number(n)));
        }
    }

    void badInput_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("data");
        for (int f : { DiveOriginSubsurface, DiveOriginSuunto, DiveOriginUdcf, DiveOriginFit }) {
            const QByteArray name = diveFormatName(DiveOrigin(f)).toLatin1();
            QTest::newRow(name + " empty") << f << QByteArray();
            QTest::newRow(name + " garbage") << f << QByteArray("\x01\xff<<&&;\x00zz", 10);
            QTest::newRow(name + " wrong root") << f << QByteArray("<gpx><dive/></gpx>");
        }
        QTest::newRow("udcf cut") << int(DiveOriginUdcf)
                                  << QByteArray("<PROFILE><REPGROUP><DIVE><D>1");
        QTest::newRow("suunto cut") << int(DiveOriginSuunto) << QByteArray("<SUUNTO><MSG><SAMPLE>");
        QTest::newRow("json without log") << int(DiveOriginSuunto) << QByteArray("{\"a\":1}");
    }
    void badInput()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, data);
        DiveFileContent c;
        const auto parse = format == DiveOriginSubsurface ? &SubsurfaceXml::parse
            : format == DiveOriginSuunto                  ? &SuuntoFile::parse
            : format == DiveOriginUdcf                    ? &UdcfFile::parse
                                                          : &FitFile::parse;
        parse(data, c);
        QVERIFY(!c.ok() || (format == DiveOriginSubsurface && c.dives.isEmpty()));
        QVERIFY(c.dives.isEmpty());
    }

    // The Suunto app's log as JSON and as XML: samples by their time from the start (or their
    // UTC time), kelvin read as Celsius (300.15 K = 27 C), the temperature carried.
    void suuntoApp_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("json") << QByteArray(
            "{\"DeviceLog\":{\"Device\":{\"Name\":\"D5\"},\"Header\":{\"DateTime\":"
            "\"2019-05-25T10:50:21Z\",\"Diving\":{\"Gases\":[{\"Oxygen\":0.32}]}},\"Samples\":["
            "{\"TimeISO8601\":\"2019-05-25T10:50:21Z\",\"Temperature\":300.15},"
            "{\"TimeISO8601\":\"2019-05-25T10:51:21Z\",\"Depth\":12.5},"
            "{\"TimeISO8601\":\"2019-05-25T10:52:21Z\",\"Depth\":0}]}}");
        QTest::newRow("sml") << QByteArray(
            "<sml><DeviceLog><Header><DateTime>2019-05-25T10:50:21Z</DateTime><Diving><Gases><Gas>"
            "<Oxygen>0.32</Oxygen></Gas></Gases></Diving></Header><Device><Name>D5</Name></Device>"
            "<Samples><Sample><Time>0</Time><Temperature>300.15</Temperature></Sample><Sample>"
            "<Time>60</Time><Depth>12.5</Depth></Sample><Sample><UTC>2019-05-25T10:52:21Z</UTC>"
            "<Depth>0</Depth></Sample></Samples></DeviceLog></sml>");
    }
    void suuntoApp()
    {
        QFETCH(QByteArray, data);
        DiveFileContent c;
        SuuntoFile::parse(data, c);
        QVERIFY2(c.ok() && c.dives.size() == 1, qPrintable(c.error));
        const DiveProfile& d = c.dives.at(0);
        QCOMPARE(d.computer, QString("D5"));
        QCOMPARE(d.gases.at(0).o2, 32);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(d.dateTime, Qt::UTC).toString(Qt::ISODate),
            QString("2019-05-25T10:50:21Z"));
        QCOMPARE(samplesText(d), QString("60:12.5:27:0:0 120:0:27:0:0"));
    }

    void fit_data()
    {
        QTest::addColumn<bool>("big");
        QTest::newRow("little endian") << false;
        QTest::newRow("big endian") << true;
    }
    void fit()
    {
        QFETCH(bool, big);
        const QByteArray file = fitDive(big);
        DiveFileContent c;
        QCOMPARE(FitFile::parseData(file, c), FitFile::Status::Ok);
        QVERIFY(c.warnings.isEmpty());
        QCOMPARE(c.dives.size(), 1);
        const DiveProfile& d = c.dives.at(0);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(d.dateTime, Qt::UTC).toString(Qt::ISODate),
            QString("2021-09-08T01:46:40Z"));
        QCOMPARE(d.computer, QString("Suunto 62"));
        QCOMPARE(d.gases.size(), 2);
        QCOMPARE(samplesText(d), QString("0:0:25:0:0 10:10:25:0:0 20:12.345:25:1:0 30:0:25:1:0"));
        QCOMPARE(QList<double>({ d.duration, d.maxDepth }), QList<double>({ 30, 12.4 }));
        // Cut anywhere before its CRC: refused with a status, never read in part.
        for (qsizetype n = 0; n < file.size() - 2; ++n) {
            DiveFileContent cut;
            QVERIFY2(FitFile::parseData(file.left(n), cut) != FitFile::Status::Ok,
                qPrintable(QString::number(n)));
        }
        // A wrong CRC is said, the dive still read.
        QByteArray damaged = file;
        damaged[damaged.size() - 1] = char(damaged.at(damaged.size() - 1) ^ 0x55);
        DiveFileContent warned;
        QCOMPARE(FitFile::parseData(damaged, warned), FitFile::Status::Ok);
        QCOMPARE(warned.warnings.size(), 1);
        // A data message whose definition never came.
        QByteArray undefined = file;
        undefined[14 + 1 + 5 + 3 * 3] = char(0x0F); // the file_id data message's header
        DiveFileContent u;
        QCOMPARE(FitFile::parseData(undefined, u), FitFile::Status::UndefinedMessage);
    }

    void mappedCsv_data()
    {
        QTest::addColumn<QString>("preset"); // or a column mapping after "columns:"
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("dives"); // "local start|number|samples" per dive
        QTest::newRow("subsurface profile, two dives")
            << "subsurface-profile"
            << QByteArray(
                   "\"dive number\",\"date\",\"time\",\"sample time (min)\",\"sample depth "
                   "(m)\",\"sample temperature (C)\",\"sample pressure (bar)\",\"sample "
                   "heartrate\"\n"
                   "\"7\",\"2024-05-18\",\"10:00:00\",\"0:00\",\"0.0\",\"20.0\",\"200.0\",\"\"\n"
                   "\"7\",\"2024-05-18\",\"10:00:00\",\"0:30\",\"6.5\",\"\",\"198.5\",\"\"\n"
                   "\"8\",\"2024-05-19\",\"11:00:00\",\"0:00\",\"1.0\",\"18.5\",\"\",\"\"\n"
                   "\"8\",\"2024-05-19\",\"11:00:00\",\"1:05\",\"3.0\",\"\",\"\",\"\"\n")
            << QStringList { "2024-05-18 10:00:00|7|0:0:20:-1:200 30:6.5:20:-1:198.5",
                   "2024-05-19 11:00:00|8|0:1:18.5:-1:0 65:3:18.5:-1:0" };
        // 10 ft = 3.048 m.
        QTest::newRow("subsurface profile in feet")
            << "subsurface-profile"
            << QByteArray("\"dive number\",\"date\",\"time\",\"sample time (min)\",\"sample depth "
                          "(ft)\"\n\"1\",\"2024-01-01\",\"08:00:00\",\"0:10\",\"10\"\n")
            << QStringList { "2024-01-01 08:00:00|1|10:3.048:0:-1:0" };
        // Rows 2 s apart from the header; the table begins after the blank line below its titles;
        // one of the two trailing surface rows is kept.
        QTest::newRow("seabear")
            << "seabear"
            << QByteArray("//SEABEAR DIVING TECHNOLOGY\n//DIVE NR: 5\n//2013.02.03 04:05:06\n"
                          "//Log interval: 2 s\n//GAS TABLE: 32/0;0/0\n\nDepth;Temperature\n1;1\n"
                          "0;1\n\n1.0;25\n2.5;\n0.0;\n0.0;\n")
            << QStringList { "2013-02-03 04:05:06|5|0:1:25:0:0 2:2.5:25:0:0 4:0:25:0:0" };
        // ReefNet's export as the peers' Sensus preset lays it out (no sample exists to copy):
        // nine columns of record, device, dive and clock, then elapsed s, depth in m and
        // temperature in K, which the preset leaves alone. No start date: the import asks for
        // it. Of the two surface rows at the end one is kept.
        QTest::newRow("sensus ultra")
            << "sensus-ultra"
            << QByteArray("10,24401,3,2014,6,14,9,30,0,0,0.00,297.15\n"
                          "10,24401,3,2014,6,14,9,30,0,10,3.50,296.65\n"
                          "10,24401,3,2014,6,14,9,30,0,20,7.25,296.15\n"
                          "10,24401,3,2014,6,14,9,30,0,30,0.40,296.15\n"
                          "10,24401,3,2014,6,14,9,30,0,40,0.00,296.15\n"
                          "10,24401,3,2014,6,14,9,30,0,50,0.00,296.15\n")
            << QStringList { "|0|0:0:0:-1:0 10:3.5:0:-1:0 20:7.25:0:-1:0 30:0.4:0:-1:0 "
                             "40:0:0:-1:0" };
        // 0.5 min = 30 s; 0,5 ft with a decimal comma... 10 ft = 3.048 m.
        QTest::newRow("columns: minutes, comma, feet")
            << "columns:time=2,depth=1,separator=semicolon,decimal=comma,time-unit=min,depth-unit="
               "ft"
            << QByteArray("Tiefe;Zeit\n10,0 FT;0,5\n") << QStringList { "|0|30:3.048:0:-1:0" };
    }
    void mappedCsv()
    {
        QFETCH(QString, preset);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, dives);
        CsvColumnMapping m;
        QString error;
        QVERIFY(preset.startsWith("columns:") ? parseCsvColumns(preset.mid(8), m, error)
                                              : csvPreset(preset, m));
        DiveFileContent c;
        parseMappedCsv(data, m, c);
        QVERIFY2(c.ok(), qPrintable(c.error));
        QStringList got;
        for (const DiveProfile& d : c.dives)
            got << QStringLiteral("%1|%2|%3")
                       .arg(d.dateTime ? localText(d.dateTime) : QString())
                       .arg(d.number)
                       .arg(samplesText(d));
        QCOMPARE(got, dives);
        // The preset the content shows is found without being named.
        CsvColumnMapping found;
        // (ReefNet's rows carry no mark of their own: that preset is chosen by name.)
        QCOMPARE(detectCsvPreset(data, found),
            !preset.startsWith("columns:") && preset != "sensus-ultra");
    }

    void subsurfaceDiveList()
    {
        const QByteArray data
            = "dive number,date,time,duration [min],sac [l/min],maxdepth [m],"
              "avgdepth [m],mode,airtemp [C],watertemp [C],cylinder size (1) "
              "[l],startpressure (1) [bar],endpressure (1) [bar],o2 (1) [%],he "
              "(1) [%],location,gps,divemaster,buddy,suit,rating,visibility,"
              "notes,weight [kg],tags,\n"
              "3,2024-01-02,09:30:00,45:30,14.0,25.4,15.1,CCR,20,18,12,210,60,"
              "21,35,Reef,28.1 -16.2,,\"Ana, Tom\",,3,,\"Line one\n\"\"quoted\"\" "
              "two\",4,\"a, b\"\n";
        CsvColumnMapping m;
        QVERIFY(detectCsvPreset(data, m));
        DiveFileContent c;
        parseMappedCsv(data, m, c);
        QCOMPARE(c.dives.size(), 1);
        const DiveProfile& d = c.dives.at(0);
        // 45:30 = 2730 s; trimix 21/35.
        QCOMPARE(QList<double>({ double(d.number), d.duration, d.maxDepth, double(d.diveMode),
                     double(d.gases.at(0).he), d.tanks.at(0).sizeL, d.tanks.at(0).endBar }),
            QList<double>({ 3, 2730, 25.4, 1, 35, 12, 60 }));
        QCOMPARE(d.buddies, QStringList({ "Ana", "Tom" }));
        QCOMPARE(d.notes, QString("Line one\n\"quoted\" two"));
        QCOMPARE(d.tags, QStringList({ "a", "b" }));
        QVERIFY(d.position && d.position->latitude == 28.1);
        QVERIFY(d.samples.isEmpty());
    }

    // The report "Export to CSV" writes reads back, in either decimal mark.
    void reportReadsBack()
    {
        DiveProfile dive;
        dive.name = "Reef; north";
        dive.computer = "Veltra";
        dive.serial = "A1";
        dive.dateTime = QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)).toSecsSinceEpoch();
        dive.gfLow = 30;
        dive.gfHigh = 85;
        DiveGas air;
        DiveProfile::gasName(air);
        DiveGas nx;
        nx.o2 = 50;
        DiveProfile::gasName(nx);
        dive.gases = { air, nx };
        for (int i = 0; i < 3; ++i) {
            DiveSample s;
            s.time = i * 10;
            s.depth = 1.25 * i;
            s.temperature = 20.5;
            s.gasIndex = i == 2 ? 1 : 0;
            dive.samples << s;
        }
        for (int mode : { 0, 1 }) {
            QBuffer buffer;
            QVERIFY(buffer.open(QIODevice::WriteOnly));
            QVERIFY(CsvFile::writeReport(buffer, dive, mode));
            DiveFileContent c;
            CsvReport::parse(buffer.data(), c);
            QVERIFY2(c.ok(), qPrintable(c.error));
            const DiveProfile& back = c.dives.at(0);
            QCOMPARE(back.name, dive.name);
            QCOMPARE(back.dateTime, dive.dateTime);
            QCOMPARE(back.gfHigh, quint8(85));
            QCOMPARE(samplesText(back), samplesText(dive));
            QCOMPARE(back.gases.at(1).o2, 50);
        }
    }

    // A dive whose file gives no start is refused unless a date is given; one without samples
    // keeps its summary.
    void startDateAndSummary()
    {
        QTemporaryDir dir;
        DiveProfile dive;
        for (int t : { 0, 60, 120 }) {
            DiveSample s;
            s.time = t;
            s.depth = t == 60 ? 9 : 0;
            dive.samples << s;
        }
        const QString csv = dir.filePath("p.csv");
        QVERIFY(exportDive(dive, csv, nullptr, true));
        DiveFileContent c = readDiveFile(csv);
        QVERIFY(c.ok() && c.dives.isEmpty());
        QCOMPARE(c.undated, 1);
        QCOMPARE(c.refused.at(0).reason, noStartDateText());
        DiveReadOptions given;
        given.fallbackDateTime = 1700000000;
        c = readDiveFile(csv, given);
        QCOMPARE(c.dives.size(), 1);
        QCOMPARE(c.dives.at(0).dateTime, qint64(1700000000));

        const QString ssrf = dir.filePath("log.ssrf");
        QFile f(ssrf);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(subsurfaceDoc) > 0);
        f.close();
        c = readDiveFile(ssrf);
        QCOMPARE(c.format, DiveOriginSubsurface);
        QCOMPARE(c.dives.size(), 3);
        QCOMPARE(QList<double>({ c.dives[2].duration, c.dives[2].maxDepth, c.dives[0].maxDepth }),
            QList<double>({ 2400, 12.5, 20 }));
        // Unknown content names what is read.
        QFile unknown(dir.filePath("track.dat"));
        QVERIFY(unknown.open(QIODevice::WriteOnly) && unknown.write("<gpx/>") > 0);
        unknown.close();
        QVERIFY(readDiveFile(unknown.fileName()).error.contains(readableFormatsText()));
    }

    void suuntoPressuresInBar()
    {
        // ../shared/formats/README.md: the transmitter writes 1/1000 bar; 203.48 to 61.5 bar.
        SHARED_SAMPLE_OR_SKIP(path, "suunto-sdm-xml/sdm_vyper_air_ean33_tank.xml");
        const DiveFileContent c = readDiveFile(path);
        QVERIFY(c.ok() && c.dives.size() == 1 && !c.dives[0].tanks.isEmpty());
        QCOMPARE(QList<double>({ c.dives[0].tanks[0].startBar, c.dives[0].tanks[0].endBar }),
            QList<double>({ 203.48, 61.5 }));
        QVERIFY(c.dives[0].samples.constLast().tankPressureBar < 100);
    }

    // Values as ../shared/formats/README.md reads them with its own scripts.
    void sharedSamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("csvColumns");
        QTest::addColumn<int>("dives");
        QTest::addColumn<int>("samples"); // of the first dive; -1 unchecked
        QTest::addColumn<double>("maxDepth");
        QTest::addColumn<double>("duration"); // s, -1 unchecked
        QTest::addColumn<QString>("start"); // local, or UTC with a Z
        QTest::addColumn<int>("switches");
        QTest::addColumn<int>("mode");
        const auto row
            = [](const char* file, const char* columns, int dives, int samples, double depth,
                  double duration, const char* start, int switches, int mode) {
                  QTest::newRow(file) << QString(file) << QString(columns) << dives << samples
                                      << depth << duration << QString(start) << switches << mode;
              };
        row("subsurface-xml/two_computers_gps_site_gaschanges.xml", "", 2, 3602, 29.785, 4010,
            "2021-11-29 06:31:23", 2, 0);
        row("subsurface-xml/ccr_bailout_four_cells.dlf.xml", "", 1, 1911, 29.22, 4594,
            "2021-06-12 09:47:24", 4, 1);
        row("subsurface-xml/trip_trimix_five_cylinders_planned.xml", "", 1, 47, 110, -1,
            "2018-10-29 16:39:32", 5, 0);
        row("subsurface-xml/v2_location_gps_unpadded_dates.xml", "", 3, 0, 30, 1800,
            "2015-01-01 10:00:00", 0, 0);
        row("suunto-sdm-xml/sdm_vyper_air_ean33_tank.xml", "", 1, 100, 28.25, 1980,
            "2010-06-14 13:50:19", 0, 0);
        row("suunto-sdm-xml/sdm_vyper_42m_deco_bookmarks.xml", "", 1, 61, 42.37, 1800,
            "2009-11-23 09:21:00", 0, 0);
        row("udcf/divinglog5_uppercase_metric.udcf", "", 1, 65, 24.69, 1920, "2011-05-17 11:01:00",
            0, 0);
        row("csv/seabear_h3_apnea_1s.CSV", "", 1, 984, 70.1, 983, "2012-10-01 07:07:26", 0, 0);
        row("csv/seabear_h3_oc_gastable.CSV", "", 1, -1, 69.9, -1, "2012-10-01 06:49:48", 0, 0);
        row("csv/xp5_german_tabs_decimal_comma.csv",
            "time=1,depth=2,temperature=10,separator=tab,decimal=comma", 1, 188, 15.5, 2820, "", 0,
            0);
        // Mixes in whole percent: air and EAN32, not pure oxygen.
        row("uddf/kenozooid_ostc_2dives_percent_gases.uddf", "", 2, -1, 33.0, -1, "", 1, 0);
        row("fit/garmin_ccr_51m_utc_plus12.fit", "", 1, 5000, 51.765, -1, "2023-08-16T20:51:59Z", 1,
            1);
        row("fit/suunto_ocean_nitrox32_bigendian.fit", "", 1, 418, 10.59, -1,
            "2026-05-15T10:40:49Z", 0, 0);
    }
    void sharedSamples()
    {
        QFETCH(QString, file);
        QFETCH(QString, csvColumns);
        QFETCH(int, dives);
        QFETCH(int, samples);
        QFETCH(double, maxDepth);
        QFETCH(double, duration);
        QFETCH(QString, start);
        QFETCH(int, switches);
        QFETCH(int, mode);
        SHARED_SAMPLE_OR_SKIP(path, file);
        DiveReadOptions options;
        CsvColumnMapping mapping;
        QString error;
        if (!csvColumns.isEmpty()) {
            QVERIFY(parseCsvColumns(csvColumns, mapping, error));
            options.csv = &mapping;
            options.fallbackDateTime = 1;
        }
        const DiveFileContent c = readDiveFile(path, options);
        QVERIFY2(c.ok(), qPrintable(c.error));
        QCOMPARE(c.dives.size(), dives);
        const DiveProfile& d = c.dives.at(0);
        if (samples >= 0)
            QCOMPARE(d.samples.size(), samples);
        QVERIFY2(std::fabs(d.maxDepth - maxDepth) < 0.001, qPrintable(QString::number(d.maxDepth)));
        if (duration >= 0)
            QCOMPARE(d.duration, duration);
        if (start.endsWith('Z'))
            QCOMPARE(
                QDateTime::fromSecsSinceEpoch(d.dateTime, Qt::UTC).toString(Qt::ISODate), start);
        else if (!start.isEmpty())
            QCOMPARE(localText(d.dateTime), start);
        int changes = 0;
        for (qsizetype i = 1; i < d.samples.size(); ++i)
            changes += d.samples[i].gasIndex != d.samples[i - 1].gasIndex;
        QCOMPARE(changes, switches);
        QCOMPARE(int(d.diveMode), mode);
        if (file.contains(QLatin1String("percent")))
            QCOMPARE(
                QList<int>({ d.gases.value(0).o2, d.gases.value(1).o2 }), QList<int>({ 21, 32 }));
    }
};

QTEST_GUILESS_MAIN(TestOtherFormats)
#include "tst_otherformats.moc"
