// The catalogue and the repository listing as the code host sends them, good and bad; the
// local file names built from remote texts; reading images and the configuration from disk;
// the real QNetworkAccessManager against a loopback server: what counts as a reply, where the
// credentials go, and which addresses are refused before anything is sent.

#include "computer/catalogueconfig.h"
#include "computer/filedownloader.h"
#include "computer/firmwarecatalogue.h"
#include "computer/firmwaremgt.h"
#include "link/firmwareprogram.h"
#include "loopbackhttpserver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(CatalogueStatus)

using Mode = LoopbackHttpServer::Mode;

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

// A repository listing of (name, address) pairs, then some junk.
QByteArray listingOf(std::initializer_list<std::pair<const char*, const char*>> files)
{
    QByteArray out = "[";
    for (const auto& [name, url] : files)
        out += QByteArray("{\"name\":\"") + name + "\",\"download_url\":\"" + url + "\"},";
    return out + "17, \"text\", null]";
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool allowAll(const QUrl& url)
{
    return url.scheme() == QLatin1String("https");
}

CatalogueConfig configFor(const LoopbackHttpServer& server)
{
    CatalogueConfig c;
    c.apiBase = server.base();
    c.account = QStringLiteral("diver");
    c.token = QStringLiteral("s3cret");
    c.allowLoopbackHttp = true;
    c.transferTimeoutMs = 3000;
    return c;
}

// Runs one download to its end; false when it never ended.
bool fetch(FileDownloader& d, const QUrl& url, FileDownloader::DownloadKind kind)
{
    QSignalSpy done(&d, &FileDownloader::downloaded);
    if (d.startDownload(url, kind) != 0)
        return false;
    return done.wait(10000) && done.count() == 1;
}

} // namespace

class TestFirmwareCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void catalogueEntries()
    {
        QList<FirmwareEntry> entries;
        QCOMPARE(parseCatalogue(wrapCatalogue(kThreeEntries), &entries), CatalogueStatus::Ok);
        QCOMPARE(entries.size(), 3);
        const FirmwareEntry& e = entries.at(0);
        QCOMPARE(e.fileName, QString("Veltra.1.2.3.b.bin"));
        QCOMPARE(e.version, QString("1.2.3.b"));
        QCOMPARE(e.versionWord, 0x01020362u);
        QCOMPARE(e.description, QString("Stable"));
        QCOMPARE(e.color, QColor(255, 128, 0));
        QCOMPARE(e.dateText, QString("2024-03-01_10-20-30_"));
        QVERIFY(e.downloadUrl.isEmpty());
        QCOMPARE(entries.at(2).version, QString("0.9.1.c"));
        // The suffix goes only when it is .bin in any case.
        QCOMPARE(firmwareNameOfFile("Veltra.1.2.3.b.BIN"), QString("Veltra.1.2.3.b"));
        QCOMPARE(firmwareNameOfFile("Veltra.1.2.3.b.hex"), QString("Veltra.1.2.3.b.hex"));
        QCOMPARE(firmwareNameOfFile(".bin"), QString());
    }

    void versions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QString>("version");
        QTest::newRow("0x01020362") << "0x01020362" << 0x01020362u << "1.2.3.b";
        QTest::newRow("without 0x") << "01020362" << 0x01020362u << "1.2.3.b";
        QTest::newRow("leading zero missing") << "0x1020362" << 0x01020362u << "1.2.3.b";
        QTest::newRow("all ones") << "0xFFFFFF7A" << 0xFFFFFF7Au << "255.255.255.z";
        QTest::newRow("letter not printable") << "0x01020300" << 0x01020300u << "1.2.3.0";
        QTest::newRow("empty") << "" << 0u << "0.0.0.0";
        QTest::newRow("not hexadecimal") << "v1.2" << 0u << "0.0.0.0";
        QTest::newRow("more than 32 bits") << "0x1FFFFFFFF" << 0u << "0.0.0.0";
    }

    void versions()
    {
        QFETCH(QString, text);
        QFETCH(quint32, word);
        QFETCH(QString, version);
        const FirmwareEntry e = makeFirmwareEntry("f.bin", text, {}, {}, {});
        QCOMPARE(e.versionWord, word);
        QCOMPARE(e.version, version);
    }

    void colours()
    {
        QCOMPARE(catalogueColor("#FF8000"), QColor(255, 128, 0, 255));
        QCOMPARE(catalogueColor("#0a0b0c"), QColor(10, 11, 12, 255));
        // Anything but #RRGGBB is white.
        for (const char* text : { "", "#12345", "#1234567", "#GG0000", "#-12345", "orange" })
            QVERIFY2(catalogueColor(text) == QColor(Qt::white), text);
    }

    void badCatalogue_data()
    {
        QTest::addColumn<bool>("listing");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<CatalogueStatus>("status");
        const QByteArray good = wrapCatalogue(kThreeEntries);
        QTest::newRow("listing empty") << true << QByteArray() << CatalogueStatus::Empty;
        QTest::newRow("listing object")
            << true << QByteArray("{\"message\":\"Not Found\"}") << CatalogueStatus::NotJson;
        QTest::newRow("listing truncated")
            << true << QByteArray("[{\"name\":\"a.bin\",\"download_u") << CatalogueStatus::NotJson;
        QTest::newRow("listing too large")
            << true << QByteArray(kMaxCatalogueBytes + 1, '[') << CatalogueStatus::TooLarge;
        QTest::newRow("empty") << false << QByteArray() << CatalogueStatus::Empty;
        QTest::newRow("truncated")
            << false << good.left(good.size() / 2) << CatalogueStatus::NotJson;
        QTest::newRow("401 page") << false << QByteArray("<html>Bad credentials</html>")
                                  << CatalogueStatus::NotJson;
        QTest::newRow("error object") << false << QByteArray("{\"message\":\"Bad credentials\"}")
                                      << CatalogueStatus::NoContent;
        QTest::newRow("array") << false << QByteArray("[]") << CatalogueStatus::NotJson;
        QTest::newRow("content number")
            << false << QByteArray("{\"content\":12}") << CatalogueStatus::NoContent;
        QTest::newRow("bad padding")
            << false << QByteArray("{\"content\":\"W10=W10=\"}") << CatalogueStatus::BadBase64;
        QTest::newRow("content not JSON")
            << false << QByteArray("{\"content\":\"aGVsbG8=\"}") << CatalogueStatus::NotJson;
        QTest::newRow("content an object")
            << false << wrapCatalogue("{\"File\":\"x\"}") << CatalogueStatus::NotJson;
        QTest::newRow("too large")
            << false << QByteArray(kMaxCatalogueBytes + 1, ' ') << CatalogueStatus::TooLarge;
        QByteArray many = "[";
        for (int i = 0; i <= kMaxCatalogueEntries; ++i)
            many += QByteArray(i ? "," : "") + "{}";
        QTest::newRow("too many entries")
            << false << wrapCatalogue(many + "]") << CatalogueStatus::TooManyEntries;
        QTest::newRow("garbage bytes")
            << false << QByteArray("\xff\xfe\x00\x01{", 5) << CatalogueStatus::NotJson;
    }

    void badCatalogue()
    {
        QFETCH(bool, listing);
        QFETCH(QByteArray, reply);
        QFETCH(CatalogueStatus, status);
        QList<FirmwareEntry> entries { makeFirmwareEntry("kept.bin", "0x01000061", {}, {}, {}) };
        entries[0].downloadUrl = QStringLiteral("https://files.example/old");
        QCOMPARE(listing ? applyRepositoryListing(reply, &entries, allowAll)
                         : parseCatalogue(reply, &entries),
            status);
        QVERIFY(!catalogueStatusText(status).isEmpty());
        // What was there stays.
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).fileName, QString("kept.bin"));
        QCOMPARE(entries.at(0).downloadUrl, QString("https://files.example/old"));
    }

    void listing()
    {
        QList<FirmwareEntry> entries;
        QCOMPARE(parseCatalogue(wrapCatalogue(kThreeEntries + QByteArray()), &entries),
            CatalogueStatus::Ok);
        // A second entry with the first one's file name gets nothing: the first match takes it.
        entries.append(makeFirmwareEntry("Veltra.1.2.3.b.bin", "0x01020362", "twin", {}, {}));

        const QByteArray listing = listingOf({
            { "readme.md", "https://files.example/readme.md" },
            { "Fw.BIN", "https://files.example/Fw.BIN" },
            { "Veltra.1.2.3.b.bin", "https://files.example/Veltra.1.2.3.b.bin" },
            { "Old.0.9.1.c.bin", "file:///etc/passwd" },
            { "Unlisted.bin", "https://files.example/Unlisted.bin" },
            { "bin", "https://files.example/bin" },
        });
        int matched = -1;
        QCOMPARE(
            applyRepositoryListing(listing, &entries, allowAll, &matched), CatalogueStatus::Ok);
        QCOMPARE(matched, 1);
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries.at(0).downloadUrl, QString("https://files.example/Veltra.1.2.3.b.bin"));
        // Not in the listing: still listed, without an address.
        QVERIFY(entries.at(1).downloadUrl.isEmpty());
        // An address the downloader would refuse is not taken.
        QVERIFY(entries.at(2).downloadUrl.isEmpty());
        QVERIFY(entries.at(3).downloadUrl.isEmpty());
    }

    void hostileNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* tag, const QString& file, const QString& date,
                       const QString& name) { QTest::newRow(tag) << file << date << name; };
        row("plain", "Veltra.1.2.3.b.bin", "2024-03-01T10:20:30Z",
            "Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin");
        row("parent folders", "../../evil.bin", "", "___.._evil.bin--1.2.3.b.bin");
        row("backslashes", "..\\..\\evil", "", "___.._evil--1.2.3.b.bin");
        row("absolute", "/etc/passwd", "", "_etc_passwd--1.2.3.b.bin");
        row("drive", "C:\\x", "", "C__x--1.2.3.b.bin");
        row("slash in the date", "a", "2024/../../x", "a-2024_.._.._x-1.2.3.b.bin");
        row("hidden", ".profile", "", "_profile--1.2.3.b.bin");
        row("not ASCII", QString::fromUtf8("Pl\xc3\xb6tz"), "", "Pl_tz--1.2.3.b.bin");
        row("control characters", QString("a\nb\tc") + QChar(0), "", "a_b_c_--1.2.3.b.bin");
    }

    void hostileNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, date);
        QFETCH(QString, expected);
        QCOMPARE(localFirmwareName(makeFirmwareEntry(file, "0x01020362", {}, {}, date)), expected);
    }

    void readImage_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("ok");
        QTest::newRow("largest") << qint64(kMaxFirmwareBytes) << true << true;
        QTest::newRow("empty") << qint64(0) << true << false;
        QTest::newRow("one byte too large") << qint64(kMaxFirmwareBytes + 1) << true << false;
        QTest::newRow("missing") << qint64(0) << false << false;
    }

    void readImage()
    {
        QFETCH(qint64, size);
        QFETCH(bool, exists);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath("Veltra.1.2.3.b.bin");
        const QByteArray bytes(size, '\x5A');
        if (exists)
            QVERIFY(writeFile(path, bytes));
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

    void configuration()
    {
        QTemporaryDir dir;
        qunsetenv(CatalogueConfig::kAccountVariable);
        qunsetenv(CatalogueConfig::kTokenVariable);

        QVERIFY(
            writeFile(dir.filePath("options.ini"), "[firmware]\ncatalogueHost=api.example.org\n"));
        const QString credentialsPath = dir.filePath(CatalogueConfig::kCredentialsFile);
        QVERIFY(writeFile(credentialsPath, "[catalogue]\naccount=diver\ntoken=s3cret\n"));
        // Readable by others: ignored.
        QVERIFY(QFile::setPermissions(credentialsPath,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        QString warning;
        CatalogueConfig c = CatalogueConfig::load(dir.path(), &warning);
        QVERIFY(!c.isComplete());
        QVERIFY(warning.contains("readable by other users"));

        QVERIFY(QFile::setPermissions(credentialsPath, QFile::ReadOwner | QFile::WriteOwner));
        c = CatalogueConfig::load(dir.path());
        QVERIFY(c.isComplete());
        QCOMPARE(c.apiBase, QUrl("https://api.example.org"));
        QCOMPARE(c.catalogueUrl(true),
            QUrl("https://api.example.org/repos/Brenmor-Systems/Veltra_Repository/contents/"
                 "toc-private.json"));
        QCOMPARE(c.authorization(), QByteArray("Basic ZGl2ZXI6czNjcmV0"));
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

    void configurationHost_data()
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

    void configurationHost()
    {
        QFETCH(QString, text);
        QFETCH(QUrl, url);
        QCOMPARE(CatalogueConfig::parseHost(text), url);
    }

    void fuzzRegressions()
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

    void reply_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("reason");
        const int fw = FileDownloader::FirmwareFile;
        const int toc = FileDownloader::TocFile;
        const QByteArray page = "<html><body>Bad credentials</body></html>";
        const QByteArray largest(kMaxFirmwareBytes, '\x5A');
        QTest::newRow("catalogue") << toc << 200 << QByteArray("{}") << int(Mode::Normal) << "";
        QTest::newRow("largest image") << fw << 200 << largest << int(Mode::Normal) << "";
        QTest::newRow("401 page") << fw << 401 << page << int(Mode::Normal) << "HTTP 401";
        QTest::newRow("404 page") << fw << 404 << page << int(Mode::Normal) << "HTTP 404";
        QTest::newRow("500") << toc << 500 << page << int(Mode::Normal) << "HTTP 500";
        QTest::newRow("204-style empty 200")
            << fw << 200 << QByteArray() << int(Mode::Normal) << "Empty reply";
        QTest::newRow("truncated") << fw << 200 << QByteArray(1000, 'x') << int(Mode::Truncated)
                                   << "Truncated reply: 500 of 1000 bytes";
        QTest::newRow("stalls mid-body")
            << fw << 200 << QByteArray(1000, 'x') << int(Mode::Stalls) << "No reply within";
        QTest::newRow("silent") << toc << 200 << QByteArray("{}") << int(Mode::Silent)
                                << "No reply within";
        QTest::newRow("image one byte too large")
            << fw << 200 << QByteArray(kMaxFirmwareBytes + 1, 'x') << int(Mode::Normal)
            << "larger than";
        QTest::newRow("catalogue too large")
            << toc << 200 << QByteArray(1024 * 1024 + 1, ' ') << int(Mode::Normal) << "larger than";
        QTest::newRow("announces 100 MiB")
            << fw << 200 << QByteArray(64, 'x') << int(Mode::AnnounceHuge) << "larger than";
    }

    void reply()
    {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, mode);
        QFETCH(QString, reason);
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setRoute("/file", status, body, Mode(mode));
        CatalogueConfig config = configFor(server);
        config.transferTimeoutMs = 300;
        FileDownloader d(config);
        QVERIFY(fetch(d, server.url("/file"), FileDownloader::DownloadKind(kind)));
        QCOMPARE(int(d.kind()), kind);
        if (reason.isEmpty()) {
            QVERIFY2(d.succeeded(), qPrintable(d.errorText()));
            QCOMPARE(d.downloadedData(), body);
            return;
        }
        QVERIFY(!d.succeeded());
        // Nothing of an error reply may pass for content.
        QVERIFY(d.downloadedData().isEmpty());
        QVERIFY(!d.errorText().isEmpty());
        QVERIFY2(d.errorText().contains(reason), qPrintable(d.errorText()));
        QVERIFY(!d.isBusy());
    }

    void credentialsOnlyToTheApiHost()
    {
        // The API host and another origin are covered by tst_firmwaremgt.
        LoopbackHttpServer api;
        QVERIFY(api.listen());
        api.setRoute("/toc", 200, "x");
        // Without a complete configuration nothing carries credentials, not even the API host.
        CatalogueConfig noToken = configFor(api);
        noToken.token.clear();
        FileDownloader anonymous(noToken);
        QVERIFY(fetch(anonymous, api.url("/toc"), FileDownloader::TocFile));
        QVERIFY(!api.requests().last().headers.contains("authorization"));
    }

    void redirectElsewhereIsNotFollowedWithCredentials()
    {
        LoopbackHttpServer api, other;
        QVERIFY(api.listen());
        QVERIFY(other.listen());
        other.setRoute("/collect", 200, "stolen");
        LoopbackHttpServer::Route redirect;
        redirect.status = 302;
        redirect.location = other.url("/collect").toEncoded();
        api.setRoute("/toc", redirect);
        FileDownloader d(configFor(api));
        QVERIFY(fetch(d, api.url("/toc"), FileDownloader::TocFile));
        QVERIFY(!d.succeeded());
        QVERIFY(d.downloadedData().isEmpty());
        QCOMPARE(other.requests().size(), 0);
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("loopbackAllowed");
        QTest::newRow("local file") << "file:///etc/passwd" << true;
        QTest::newRow("resource") << "qrc:/TestGraphics/icons/ok.png" << true;
        QTest::newRow("ftp") << "ftp://127.0.0.1/x.bin" << true;
        QTest::newRow("plain http elsewhere") << "http://192.0.2.1/x.bin" << true;
        QTest::newRow("localhost by name") << "http://localhost:1/x.bin" << true;
        QTest::newRow("loopback without the test setting") << "http://127.0.0.1:1/x.bin" << false;
        QTest::newRow("user info") << "https://a:b@192.0.2.1/x.bin" << true;
        QTest::newRow("empty") << "" << true;
    }

    void refusedAddresses()
    {
        QFETCH(QString, url);
        QFETCH(bool, loopbackAllowed);
        CatalogueConfig config;
        config.allowLoopbackHttp = loopbackAllowed;
        FileDownloader d(config);
        QSignalSpy done(&d, &FileDownloader::downloaded);
        QCOMPARE(
            d.startDownload(QUrl(url), FileDownloader::FirmwareFile), FileDownloader::kRefused);
        QVERIFY(!d.isBusy());
        QVERIFY(!d.errorText().isEmpty());
        QTest::qWait(20);
        QCOMPARE(done.count(), 0);
    }
};

QTEST_MAIN(TestFirmwareCatalogue)
#include "tst_firmwarecatalogue.moc"
