// The catalogue and the repository listing as the code host sends them, good and bad; the
// local file names built from remote texts; reading images and the configuration from disk.

#include "computer/catalogueconfig.h"
#include "computer/firmwarecatalogue.h"
#include "computer/firmwaremgt.h"
#include "link/firmwareprogram.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(CatalogueStatus)

namespace {

// The catalogue reply as the code host wraps it: Base64 cut into lines of 60 characters.
QByteArray wrapCatalogue(const QByteArray& json)
{
    const QByteArray b64 = json.toBase64();
    QByteArray wrapped;
    for (int i = 0; i < b64.size(); i += 60)
        wrapped += b64.mid(i, 60) + "\\n";
    return "{\"name\":\"toc-private.json\",\"encoding\":\"base64\",\"content\":\"" + wrapped
        + "\"}";
}

const QByteArray kThreeEntries = R"([
 {"File":"Veltra.1.2.3.b.bin","Version":"0x01020362","Description":"Stable","Color":"#FF8000",
  "DateTime":"2024-03-01T10:20:30Z"},
 {"File":"Veltra.2.0.0.a.bin","Version":"0x02000061","Description":"Beta","Color":"",
  "DateTime":"2024-05-07T08:00:00Z"},
 {"File":"Old.0.9.1.c.bin","Version":"0x00090163","Description":"Old","Color":"#00ff00",
  "DateTime":"2023-01-02T03:04:05Z"}
])";

bool allowAll(const QUrl& url)
{
    return url.scheme() == QLatin1String("https");
}

} // namespace

class TestFirmwareCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void catalogueEntries();
    void versions_data();
    void versions();
    void colours_data();
    void colours();
    void dates();
    void badCatalogue_data();
    void badCatalogue();
    void listing();
    void badListing_data();
    void badListing();
    void hostileNames_data();
    void hostileNames();
    void nameOfFile_data();
    void nameOfFile();
    void readImage_data();
    void readImage();
    void configuration();
    void configurationHost_data();
    void configurationHost();
    void fuzzRegressions();
};

void TestFirmwareCatalogue::catalogueEntries()
{
    QList<FirmwareEntry> entries;
    QCOMPARE(parseCatalogue(wrapCatalogue(kThreeEntries), &entries), CatalogueStatus::Ok);
    QCOMPARE(entries.size(), 3);
    const FirmwareEntry& e = entries.at(0);
    QCOMPARE(e.fileName, QString("Veltra.1.2.3.b.bin"));
    QCOMPARE(e.version, QString("1.2.3.b"));
    QCOMPARE(e.versionWord, 0x01020362u);
    QCOMPARE(e.major, 1);
    QCOMPARE(e.minor, 2);
    QCOMPARE(e.patch, 3);
    QCOMPARE(e.letter, quint16('b'));
    QCOMPARE(e.description, QString("Stable"));
    QCOMPARE(e.color, QColor(255, 128, 0));
    QCOMPARE(e.dateText, QString("2024-03-01_10-20-30_"));
    QVERIFY(e.downloadUrl.isEmpty());
    QCOMPARE(entries.at(1).color, QColor(Qt::white));
    QCOMPARE(entries.at(2).version, QString("0.9.1.c"));
    QCOMPARE(entries.at(2).color, QColor(0, 255, 0));
}

void TestFirmwareCatalogue::versions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("word");
    QTest::addColumn<QString>("version");
    QTest::newRow("0x01020362") << "0x01020362" << 0x01020362u << "1.2.3.b";
    QTest::newRow("capitals") << "0x0A0B0C41" << 0x0A0B0C41u << "10.11.12.A";
    QTest::newRow("without 0x") << "01020362" << 0x01020362u << "1.2.3.b";
    QTest::newRow("leading zero missing") << "0x1020362" << 0x01020362u << "1.2.3.b";
    QTest::newRow("all ones") << "0xFFFFFF7A" << 0xFFFFFF7Au << "255.255.255.z";
    QTest::newRow("letter not printable") << "0x01020300" << 0x01020300u << "1.2.3.0";
    QTest::newRow("empty") << "" << 0u << "0.0.0.0";
    QTest::newRow("not hexadecimal") << "v1.2" << 0u << "0.0.0.0";
    QTest::newRow("more than 32 bits") << "0x1FFFFFFFF" << 0u << "0.0.0.0";
    QTest::newRow("negative") << "-0x1" << 0u << "0.0.0.0";
}

void TestFirmwareCatalogue::versions()
{
    QFETCH(QString, text);
    QFETCH(quint32, word);
    QFETCH(QString, version);
    const FirmwareEntry e = makeFirmwareEntry("f.bin", text, {}, {}, {});
    QCOMPARE(e.versionWord, word);
    QCOMPARE(e.version, version);
}

void TestFirmwareCatalogue::colours_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("orange") << "#FF8000" << QColor(255, 128, 0, 255);
    QTest::newRow("lower case") << "#0a0b0c" << QColor(10, 11, 12, 255);
    QTest::newRow("empty") << "" << QColor(Qt::white);
    QTest::newRow("five digits") << "#12345" << QColor(Qt::white);
    QTest::newRow("seven digits") << "#1234567" << QColor(Qt::white);
    QTest::newRow("not hexadecimal") << "#GG0000" << QColor(Qt::white);
    QTest::newRow("sign inside") << "#-12345" << QColor(Qt::white);
    QTest::newRow("name") << "orange" << QColor(Qt::white);
}

void TestFirmwareCatalogue::colours()
{
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QCOMPARE(catalogueColor(text), colour);
}

void TestFirmwareCatalogue::dates()
{
    QCOMPARE(catalogueDateText("2024-03-01T10:20:30Z"), QString("2024-03-01_10-20-30_"));
    QCOMPARE(catalogueDateText(""), QString(""));
}

void TestFirmwareCatalogue::badCatalogue_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<CatalogueStatus>("status");
    const QByteArray good = wrapCatalogue(kThreeEntries);
    QTest::newRow("empty") << QByteArray() << CatalogueStatus::Empty;
    QTest::newRow("truncated") << good.left(good.size() / 2) << CatalogueStatus::NotJson;
    QTest::newRow("401 page") << QByteArray("<html>Bad credentials</html>")
                              << CatalogueStatus::NotJson;
    QTest::newRow("error object") << QByteArray("{\"message\":\"Bad credentials\"}")
                                  << CatalogueStatus::NoContent;
    QTest::newRow("array") << QByteArray("[]") << CatalogueStatus::NotJson;
    QTest::newRow("content number") << QByteArray("{\"content\":12}") << CatalogueStatus::NoContent;
    QTest::newRow("bad padding") << QByteArray("{\"content\":\"W10=W10=\"}")
                                 << CatalogueStatus::BadBase64;
    QTest::newRow("content not JSON")
        << QByteArray("{\"content\":\"aGVsbG8=\"}") << CatalogueStatus::NotJson;
    QTest::newRow("content an object")
        << wrapCatalogue("{\"File\":\"x\"}") << CatalogueStatus::NotJson;
    QTest::newRow("too large") << QByteArray(kMaxCatalogueBytes + 1, ' ')
                               << CatalogueStatus::TooLarge;
    QByteArray many = "[";
    for (int i = 0; i <= kMaxCatalogueEntries; ++i)
        many += QByteArray(i ? "," : "") + "{}";
    QTest::newRow("too many entries")
        << wrapCatalogue(many + "]") << CatalogueStatus::TooManyEntries;
    QTest::newRow("garbage bytes")
        << QByteArray("\xff\xfe\x00\x01{", 5) << CatalogueStatus::NotJson;
}

void TestFirmwareCatalogue::badCatalogue()
{
    QFETCH(QByteArray, reply);
    QFETCH(CatalogueStatus, status);
    QList<FirmwareEntry> entries { makeFirmwareEntry("kept.bin", "0x01000061", {}, {}, {}) };
    QCOMPARE(parseCatalogue(reply, &entries), status);
    QVERIFY(!catalogueStatusText(status).isEmpty());
    // What was there stays.
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).fileName, QString("kept.bin"));
}

void TestFirmwareCatalogue::listing()
{
    QList<FirmwareEntry> entries;
    QCOMPARE(
        parseCatalogue(wrapCatalogue(kThreeEntries + QByteArray()), &entries), CatalogueStatus::Ok);
    // A second entry with the first one's file name gets nothing: the first match takes it.
    entries.append(makeFirmwareEntry("Veltra.1.2.3.b.bin", "0x01020362", "twin", {}, {}));
    const QByteArray listing = R"([
 {"name":"readme.md","download_url":"https://files.example/readme.md"},
 {"name":"Fw.BIN","download_url":"https://files.example/Fw.BIN"},
 {"name":"Veltra.1.2.3.b.bin","download_url":"https://files.example/Veltra.1.2.3.b.bin"},
 {"name":"Old.0.9.1.c.bin","download_url":"file:///etc/passwd"},
 {"name":"Unlisted.bin","download_url":"https://files.example/Unlisted.bin"},
 {"name":"bin","download_url":"https://files.example/bin"},
 17, "text", null
])";
    int matched = -1;
    QCOMPARE(applyRepositoryListing(listing, &entries, allowAll, &matched), CatalogueStatus::Ok);
    QCOMPARE(matched, 1);
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.at(0).downloadUrl, QString("https://files.example/Veltra.1.2.3.b.bin"));
    // Not in the listing: still listed, without an address.
    QVERIFY(entries.at(1).downloadUrl.isEmpty());
    // An address the downloader would refuse is not taken.
    QVERIFY(entries.at(2).downloadUrl.isEmpty());
    QVERIFY(entries.at(3).downloadUrl.isEmpty());
}

void TestFirmwareCatalogue::badListing_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<CatalogueStatus>("status");
    QTest::newRow("empty") << QByteArray() << CatalogueStatus::Empty;
    QTest::newRow("object") << QByteArray("{\"message\":\"Not Found\"}")
                            << CatalogueStatus::NotJson;
    QTest::newRow("truncated") << QByteArray("[{\"name\":\"a.bin\",\"download_u")
                               << CatalogueStatus::NotJson;
    QTest::newRow("too large") << QByteArray(kMaxCatalogueBytes + 1, '[')
                               << CatalogueStatus::TooLarge;
}

void TestFirmwareCatalogue::badListing()
{
    QFETCH(QByteArray, reply);
    QFETCH(CatalogueStatus, status);
    QList<FirmwareEntry> entries { makeFirmwareEntry("a.bin", "0x01000061", {}, {}, {}) };
    entries[0].downloadUrl = QStringLiteral("https://files.example/old");
    QCOMPARE(applyRepositoryListing(reply, &entries, allowAll), status);
    QCOMPARE(entries.at(0).downloadUrl, QString("https://files.example/old"));
}

void TestFirmwareCatalogue::hostileNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Veltra.1.2.3.b.bin"
                           << "2024-03-01T10:20:30Z"
                           << "Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin";
    QTest::newRow("parent folders") << "../../evil.bin"
                                    << "2024-03-01T10:20:30Z"
                                    << "___.._evil.bin-2024-03-01_10-20-30_-1.2.3.b.bin";
    QTest::newRow("backslashes") << "..\\..\\evil"
                                 << ""
                                 << "___.._evil--1.2.3.b.bin";
    QTest::newRow("absolute") << "/etc/passwd"
                              << ""
                              << "_etc_passwd--1.2.3.b.bin";
    QTest::newRow("drive") << "C:\\x"
                           << ""
                           << "C__x--1.2.3.b.bin";
    QTest::newRow("slash in the date") << "a"
                                       << "2024/../../x"
                                       << "a-2024_.._.._x-1.2.3.b.bin";
    QTest::newRow("hidden") << ".profile"
                            << ""
                            << "_profile--1.2.3.b.bin";
    QTest::newRow("not ASCII") << QString::fromUtf8("Pl\xc3\xb6tz") << ""
                               << "Pl_tz--1.2.3.b.bin";
    QTest::newRow("control characters") << QString("a\nb\tc") + QChar(0) << ""
                                        << "a_b_c_--1.2.3.b.bin";
}

void TestFirmwareCatalogue::hostileNames()
{
    QFETCH(QString, file);
    QFETCH(QString, date);
    QFETCH(QString, expected);
    const FirmwareEntry e = makeFirmwareEntry(file, "0x01020362", {}, {}, date);
    const QString name = localFirmwareName(e);
    QCOMPARE(name, expected);
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath("Firmwares");
    const QString path = QDir(folder).filePath(name);
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
}

void TestFirmwareCatalogue::nameOfFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("bin") << "Veltra.1.2.3.b.bin"
                         << "Veltra.1.2.3.b";
    QTest::newRow("BIN") << "Veltra.1.2.3.b.BIN"
                         << "Veltra.1.2.3.b";
    QTest::newRow("other suffix") << "Veltra.1.2.3.b.hex"
                                  << "Veltra.1.2.3.b.hex";
    QTest::newRow("only .bin") << ".bin"
                               << "";
}

void TestFirmwareCatalogue::nameOfFile()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QCOMPARE(firmwareNameOfFile(file), name);
}

void TestFirmwareCatalogue::readImage_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("ok");
    QTest::newRow("97 bytes") << qint64(97) << true << true;
    QTest::newRow("largest") << qint64(kMaxFirmwareBytes) << true << true;
    QTest::newRow("empty") << qint64(0) << true << false;
    QTest::newRow("one byte too large") << qint64(kMaxFirmwareBytes + 1) << true << false;
    QTest::newRow("missing") << qint64(0) << false << false;
}

void TestFirmwareCatalogue::readImage()
{
    QFETCH(qint64, size);
    QFETCH(bool, exists);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Veltra.1.2.3.b.bin");
    QByteArray bytes;
    for (qint64 i = 0; i < size; ++i)
        bytes.append(char(i % 251));
    if (exists) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), size);
    }
    QByteArray image("previous");
    QString error;
    QCOMPARE(readFirmwareFile(path, &image, &error), ok);
    if (ok) {
        QCOMPARE(image, bytes);
    } else {
        QCOMPARE(image, QByteArray("previous"));
        QVERIFY(!error.isEmpty());
    }
}

void TestFirmwareCatalogue::configuration()
{
    QTemporaryDir dir;
    qunsetenv(CatalogueConfig::kAccountVariable);
    qunsetenv(CatalogueConfig::kTokenVariable);

    // Nothing configured.
    CatalogueConfig c = CatalogueConfig::load(dir.path());
    QVERIFY(!c.isComplete());

    {
        QFile options(QDir(dir.path()).filePath("options.ini"));
        QVERIFY(options.open(QIODevice::WriteOnly));
        options.write("[firmware]\ncatalogueHost=api.example.org\n");
    }
    const QString credentialsPath = QDir(dir.path()).filePath(CatalogueConfig::kCredentialsFile);
    {
        QFile credentials(credentialsPath);
        QVERIFY(credentials.open(QIODevice::WriteOnly));
        credentials.write("[catalogue]\naccount=diver\ntoken=s3cret\n");
    }
    // Readable by others: ignored.
    QVERIFY(QFile::setPermissions(credentialsPath,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    QString warning;
    c = CatalogueConfig::load(dir.path(), &warning);
    QVERIFY(!c.isComplete());
    QVERIFY(warning.contains("readable by other users"));

    QVERIFY(QFile::setPermissions(credentialsPath, QFile::ReadOwner | QFile::WriteOwner));
    c = CatalogueConfig::load(dir.path());
    QVERIFY(c.isComplete());
    QCOMPARE(c.apiBase, QUrl("https://api.example.org"));
    QCOMPARE(c.catalogueUrl(true),
        QUrl("https://api.example.org/repos/Brenmor-Systems/Veltra_Repository/contents/"
             "toc-private.json"));
    QCOMPARE(c.catalogueUrl(false),
        QUrl("https://api.example.org/repos/Brenmor-Systems/Veltra_Repository/contents"));
    QCOMPARE(c.authorization(), QByteArray("Basic ZGl2ZXI6czNjcmV0"));
    QVERIFY(c.credentialsAllowedFor(QUrl("https://api.example.org/anything")));
    QVERIFY(c.credentialsAllowedFor(QUrl("https://API.example.org:443/x")));
    QVERIFY(!c.credentialsAllowedFor(QUrl("https://files.example.org/x")));
    QVERIFY(!c.credentialsAllowedFor(QUrl("http://api.example.org/x")));
    QVERIFY(!c.credentialsAllowedFor(QUrl("https://api.example.org:8443/x")));

    // The environment comes before the file.
    qputenv(CatalogueConfig::kAccountVariable, "other");
    qputenv(CatalogueConfig::kTokenVariable, "t0ken");
    c = CatalogueConfig::load(dir.path());
    qunsetenv(CatalogueConfig::kAccountVariable);
    qunsetenv(CatalogueConfig::kTokenVariable);
    QCOMPARE(c.account, QString("other"));
    QCOMPARE(c.token, QString("t0ken"));

    // An account with a colon would split wrongly.
    c.account = QStringLiteral("a:b");
    QVERIFY(!c.isComplete());
    QVERIFY(!c.credentialsAllowedFor(QUrl("https://api.example.org/x")));
}

void TestFirmwareCatalogue::configurationHost_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("host") << "api.example.org" << QUrl("https://api.example.org");
    QTest::newRow("host and port")
        << "api.example.org:8443" << QUrl("https://api.example.org:8443");
    QTest::newRow("https URL") << "https://api.example.org/" << QUrl("https://api.example.org");
    QTest::newRow("with path") << "https://api.example.org/evil" << QUrl();
    QTest::newRow("with user") << "https://me@api.example.org" << QUrl();
    QTest::newRow("empty") << "  " << QUrl();
}

void TestFirmwareCatalogue::configurationHost()
{
    QFETCH(QString, text);
    QFETCH(QUrl, url);
    QCOMPARE(CatalogueConfig::parseHost(text), url);
}

void TestFirmwareCatalogue::fuzzRegressions()
{
    // Inputs the fuzz target kept; each must be refused or read without harm.
    QDirIterator it(QStringLiteral(VELTRA_TEST_DATA "/fuzz/firmwarecatalogue"), QDir::Files);
    int count = 0;
    while (it.hasNext()) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        QList<FirmwareEntry> entries;
        parseCatalogue(data, &entries);
        applyRepositoryListing(data, &entries, allowAll);
        for (const FirmwareEntry& e : std::as_const(entries))
            QVERIFY(!localFirmwareName(e).contains(QLatin1Char('/')));
        ++count;
    }
    QVERIFY(count > 0);
}

QTEST_MAIN(TestFirmwareCatalogue)
#include "tst_firmwarecatalogue.moc"
