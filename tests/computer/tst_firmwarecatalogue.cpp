// Catalogue and listing replies good and bad, local names from remote texts, images and settings
// read from disk; downloads from a loopback server (what counts as a reply, where credentials
// go); the firmware manager from that server to the installation into the virtual computer.

#include "computer/catalogueconfig.h"
#include "computer/filedownloader.h"
#include "computer/firmwarecatalogue.h"
#include "computer/firmwaremgt.h"
#include "link/firmwareprogram.h"
#include "loopbackhttpserver.h"
#include "virtuallink.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
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
 {"File":"Veltra.2.0.0.a.bin","Version":"0x02000061","Description":"<b>Beta</b>","Color":"",
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
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly)
        && f.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray testImage(int size, int seed = 7)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + seed) & 0xFF));
    return image;
}

bool allowAll(const QUrl& url)
{
    return url.scheme() == QLatin1String("https");
}

CatalogueConfig configFor(const LoopbackHttpServer& server, int timeoutMs = 3000)
{
    CatalogueConfig c;
    c.apiBase = server.base();
    c.account = QStringLiteral("diver");
    c.token = QStringLiteral("s3cret");
    c.allowLoopbackHttp = true;
    c.transferTimeoutMs = timeoutMs;
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

const QByteArray kTocPath = "/repos/Brenmor-Systems/Veltra_Repository/contents/toc-private.json";
const QByteArray kListingPath = "/repos/Brenmor-Systems/Veltra_Repository/contents";
const QString kStableLocal = QStringLiteral("Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin");

// The maker's repository: three catalogue entries, two of them in the listing.
struct Repository
{
    LoopbackHttpServer api;
    LoopbackHttpServer files; // another origin for the images, when asked for
    QByteArray stable = testImage(1000);
    QByteArray beta = testImage(97, 3);

    Repository(bool imagesElsewhere = false)
    {
        api.listen();
        files.listen();
        LoopbackHttpServer& host = imagesElsewhere ? files : api;
        api.setRoute(kTocPath, 200, wrapCatalogue(kThreeEntries));
        api.setRoute(kListingPath, 200,
            "[{\"name\":\"readme.md\",\"download_url\":\"" + host.url("/readme.md").toEncoded()
                + "\"},{\"name\":\"Veltra.1.2.3.b.bin\",\"download_url\":\""
                + host.url("/files/stable.bin").toEncoded()
                + "\"},{\"name\":\"Veltra.2.0.0.a.bin\",\"download_url\":\""
                + host.url("/files/beta.bin").toEncoded() + "\"}]");
        host.setRoute("/files/stable.bin", 200, stable);
        host.setRoute("/files/beta.bin", 200, beta);
    }

    CatalogueConfig config(int timeoutMs = 2000) const { return configFor(api, timeoutMs); }
};

// The manager with recorded dialogs; answers yes unless told otherwise.
struct Manager
{
    QTemporaryDir dir;
    QStringList criticals;
    QStringList questions;
    bool answerYes = true;
    QString file;
    std::unique_ptr<FirmwareMgt> mgr;

    FirmwareMgt& open(const CatalogueConfig& config = {}, TarskBle* link = nullptr)
    {
        FirmwareMgt::Hooks h;
        h.critical = [this](const QString& title, const QString& text) {
            criticals << title + ": " + text;
        };
        h.question = [this](const QString& title, const QString& text) {
            questions << title + ": " + text;
            return answerYes;
        };
        h.openFirmwareFile = [this](QWidget*) { return file; };
        mgr = std::make_unique<FirmwareMgt>(nullptr, dir.path(), config, link, h);
        return *mgr;
    }
    QString folder() const { return QDir(dir.path()).filePath("Firmwares"); }
    QPushButton* button(const char* name) { return mgr->findChild<QPushButton*>(name); }
    // Fetches the repository's catalogue and waits until its three entries are listed.
    bool showCatalogue()
    {
        mgr->fetchCatalogue();
        for (int i = 0; i < 250 && mgr->info() != QLatin1String("3 Firmwares Available"); ++i)
            QTest::qWait(20);
        return mgr->info() == QLatin1String("3 Firmwares Available");
    }
};

// A link to the virtual computer in its firmware mode, identified like the connection dialog.
std::unique_ptr<VirtualLink> firmwareLink(quint8 modeByte = VirtualDiveComputer::kFirmwareModeByte)
{
    auto v = std::make_unique<VirtualLink>();
    v->computer->setModeByte(modeByte);
    return v->connectAndIdentify() ? std::move(v) : nullptr;
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
        using S = CatalogueStatus;
        auto row = [](const char* tag, bool listing, const QByteArray& reply, S status) {
            QTest::newRow(tag) << listing << reply << status;
        };
        const QByteArray good = wrapCatalogue(kThreeEntries);
        QByteArray many = "[{}";
        for (int i = 0; i < kMaxCatalogueEntries; ++i)
            many += ",{}";
        row("listing empty", true, "", S::Empty);
        row("listing object", true, "{\"message\":\"Not Found\"}", S::NotJson);
        row("listing truncated", true, "[{\"name\":\"a.bin\",\"download_u", S::NotJson);
        row("listing too large", true, QByteArray(kMaxCatalogueBytes + 1, '['), S::TooLarge);
        row("empty", false, "", S::Empty);
        row("truncated", false, good.left(good.size() / 2), S::NotJson);
        row("error object", false, "{\"message\":\"Bad credentials\"}", S::NoContent);
        row("content number", false, "{\"content\":12}", S::NoContent);
        row("bad padding", false, "{\"content\":\"W10=W10=\"}", S::BadBase64);
        row("content not JSON", false, "{\"content\":\"aGVsbG8=\"}", S::NotJson);
        row("content an object", false, wrapCatalogue("{\"File\":\"x\"}"), S::NotJson);
        row("too large", false, QByteArray(kMaxCatalogueBytes + 1, ' '), S::TooLarge);
        row("too many entries", false, wrapCatalogue(many + "]"), S::TooManyEntries);
        row("garbage bytes", false, QByteArray("\xff\xfe\x00\x01{", 5), S::NotJson);
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
        auto row = [](const char* tag, int kind, int status, const QByteArray& body, Mode mode,
                       const char* reason) {
            QTest::newRow(tag) << kind << status << body << int(mode) << QString(reason);
        };
        const QByteArray kilo(1000, 'x');
        row("catalogue", toc, 200, "{}", Mode::Normal, "");
        row("largest image", fw, 200, largest, Mode::Normal, "");
        row("401 page", fw, 401, page, Mode::Normal, "HTTP 401");
        row("204-style empty 200", fw, 200, "", Mode::Normal, "Empty reply");
        row("truncated", fw, 200, kilo, Mode::Truncated, "Truncated reply: 500 of 1000 bytes");
        row("stalls mid-body", fw, 200, kilo, Mode::Stalls, "No reply within");
        row("silent", toc, 200, "{}", Mode::Silent, "No reply within");
        row("image one byte too large", fw, 200, QByteArray(kMaxFirmwareBytes + 1, 'x'),
            Mode::Normal, "larger than");
        row("catalogue too large", toc, 200, QByteArray(1024 * 1024 + 1, ' '), Mode::Normal,
            "larger than");
        row("announces 100 MiB", fw, 200, QByteArray(64, 'x'), Mode::AnnounceHuge, "larger than");
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

    void downloadAndInstall_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QList<int>>("bar");
        QTest::newRow("1000 bytes")
            << 0 << kStableLocal << QList<int> { 12, 25, 38, 51, 64, 76, 89, 100, 0 };
        QTest::newRow("97 bytes") << 1 << "Veltra.2.0.0.a.bin-2024-05-07_08-00-00_-2.0.0.a.bin"
                                  << QList<int> { 100, 0 };
    }

    void downloadAndInstall()
    {
        QFETCH(int, row);
        QFETCH(QString, local);
        QFETCH(QList<int>, bar);
        Repository repo;
        auto v = firmwareLink();
        QVERIFY(v);
        Manager m;
        FirmwareMgt& mgr = m.open(repo.config(), v->link);
        auto* progressBar = mgr.findChild<QProgressBar*>("progressBar");
        // What the manager shows after each report of the link (the manager hears it first).
        QStringList seen;
        QList<int> values;
        connect(v->link, &TarskBle::onUploadFirmwareProgress, &mgr, [&] {
            seen << mgr.info();
            values << progressBar->value();
        });
        QVERIFY(m.showCatalogue());
        // Remote markup is shown as text; the catalogue requests are signed.
        auto* table = mgr.findChild<QTableWidget*>("tbFirmwares");
        auto* label = table->cellWidget(1, 3)->findChild<QLabel*>();
        QCOMPARE(label->text(), QString("<b>Beta</b>"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(repo.api.requests().at(1).headers.value("authorization"),
            QByteArray("Basic ZGl2ZXI6czNjcmV0"));

        const QByteArray image = row == 0 ? repo.stable : repo.beta;
        mgr.downloadButton(row)->click();
        QTRY_VERIFY(mgr.info().startsWith("Installation successful in 00:00:"));
        QCOMPARE(m.criticals, QStringList());
        QCOMPARE(m.questions.size(), 1);
        QVERIFY(m.questions[0].contains(row == 0 ? "1.2.3.b" : "2.0.0.a"));
        QCOMPARE(fileBytes(QDir(m.folder()).filePath(local)), image);
        QCOMPARE(v->computer->programmedImage(), image);
        QCOMPARE(mgr.totalBytes(), image.size());
        QCOMPARE(seen.first(),
            QStringLiteral("Number of bytes sent: %1/%2")
                .arg(qMin(128, image.size()))
                .arg(image.size()));
        QCOMPARE(values, bar);
        QVERIFY(!mgr.isInstalling());
    }

    void downloadWithoutInstalling()
    {
        // Images on another host, a longer older file of that name on disk, the offer declined.
        Repository repo(true);
        auto v = firmwareLink();
        QVERIFY(v);
        Manager m;
        m.answerYes = false;
        QVERIFY(writeFile(QDir(m.folder()).filePath(kStableLocal), QByteArray(5000, 'Z')));
        FirmwareMgt& mgr = m.open(repo.config(), v->link);
        QVERIFY(m.showCatalogue());
        // A second click while downloading does nothing.
        mgr.downloadButton(0)->click();
        mgr.downloadButton(0)->click();
        mgr.downloadButton(1)->click();
        QTRY_COMPARE(m.questions.size(), 1);
        QTest::qWait(50);
        QCOMPARE(repo.files.requestsFor("/files/stable.bin"), 1);
        QCOMPARE(repo.files.requestsFor("/files/beta.bin"), 0);
        QVERIFY(!repo.files.requests().at(0).headers.contains("authorization"));
        // The whole file is replaced and nothing is installed.
        QCOMPARE(fileBytes(QDir(m.folder()).filePath(kStableLocal)), repo.stable);
        QCOMPARE(v->framesWithCode(13), 0);
    }

    void badReply_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rows"); // listed afterwards
        // Each kind of failure once (the tables above hold them all): the manager shows the
        // error, fetches nothing more and keeps what is on disk.
        const QByteArray refusal("{\"message\":\"Bad credentials\"}");
        const QByteArray image = "/files/stable.bin";
        QTest::newRow("catalogue 401") << kTocPath << 401 << refusal << int(Mode::Normal) << 0;
        QTest::newRow("catalogue garbage")
            << kTocPath << 200 << QByteArray("\x89PNG\r\n\x1a\n") << int(Mode::Normal) << 0;
        // The catalogue is shown, nothing can be downloaded.
        QTest::newRow("listing 401") << kListingPath << 401 << refusal << int(Mode::Normal) << 3;
        QTest::newRow("image 401") << image << 401 << refusal << int(Mode::Normal) << 3;
        QTest::newRow("image truncated")
            << image << 200 << testImage(1000, 1) << int(Mode::Truncated) << 3;
        QTest::newRow("image silent") << image << 200 << refusal << int(Mode::Silent) << 3;
        QTest::newRow("image too large") << image << 200 << refusal << int(Mode::AnnounceHuge) << 3;
    }

    void badReply()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, mode);
        QFETCH(int, rows);
        Repository repo;
        repo.api.setRoute(path, status, body, Mode(mode));
        auto v = firmwareLink();
        QVERIFY(v);
        // An earlier download of the same firmware is on disk and must survive.
        Manager m;
        const QString local = QDir(m.folder()).filePath(kStableLocal);
        QVERIFY(writeFile(local, repo.stable));
        FirmwareMgt& mgr = m.open(repo.config(300), v->link);
        const bool image = path.startsWith("/files");
        if (image) {
            QVERIFY(m.showCatalogue());
            mgr.downloadButton(0)->click();
        } else {
            mgr.fetchCatalogue();
        }
        QTRY_COMPARE(m.criticals.size(), 1);
        QVERIFY(m.criticals.at(0).startsWith("Download Error: "));
        QCOMPARE(mgr.findChild<QTableWidget*>("tbFirmwares")->rowCount(), rows);
        for (int row = 0; row < rows; ++row)
            QCOMPARE(mgr.downloadButton(row)->isEnabled(), image && row < 2);
        // No listing is asked for after a failed catalogue.
        QCOMPARE(repo.api.requestsFor(kListingPath), rows ? 1 : 0);
        QVERIFY(m.questions.isEmpty());
        QCOMPARE(fileBytes(local), repo.stable);
        QCOMPARE(QDir(m.folder()).entryList(QDir::Files), QStringList { kStableLocal });
        QCOMPARE(v->framesWithCode(13), 0);
        // The user may try again.
        QCOMPARE(mgr.downloadIndex(), -1);
    }

    void fromDisk_data()
    {
        QTest::addColumn<int>("modeByte"); // 0: no computer
        QTest::addColumn<int>("size"); // -1: no file
        QTest::addColumn<QString>("fault"); // what the computer does during the installation
        QTest::addColumn<QString>("outcome"); // the critical message, or the final info
        const int fw = VirtualDiveComputer::kFirmwareModeByte;
        QTest::newRow("97 bytes") << fw << 97 << QString() << "Installation successful in ";
        QTest::newRow("no computer") << 0 << 97 << QString() << "Error: No computer connected";
        QTest::newRow("empty file") << fw << 0 << QString()
                                    << "Error: Impossible to load binary file\nThe firmware "
                                       "image is empty";
        QTest::newRow("block refused") << fw << 1000 << "refuse"
                                       << "Installation failed: Program Error";
        QTest::newRow("connection lost") << fw << 1000 << "drop"
                                         << "Installation failed: ";
    }

    void fromDisk()
    {
        QFETCH(int, modeByte);
        QFETCH(int, size);
        QFETCH(QString, fault);
        QFETCH(QString, outcome);
        std::unique_ptr<VirtualLink> v;
        if (modeByte) {
            v = firmwareLink(quint8(modeByte));
            QVERIFY(v);
            v->computer->setRefused(14, fault == "refuse");
        }
        if (fault == "drop") {
            connect(
                v->link, &TarskBle::onUploadFirmwareProgress, v->computer,
                [&] { v->computer->dropConnection(); }, Qt::SingleShotConnection);
        }
        Manager m;
        m.file = QDir(m.dir.path()).filePath("Veltra.1.2.3.b.bin");
        const QByteArray image = testImage(qMax(size, 0));
        if (size >= 0)
            QVERIFY(writeFile(m.file, image));
        FirmwareMgt& mgr = m.open();
        m.button("btFirmwareFromDisk")->click();
        if (outcome.startsWith("Error")) {
            QCOMPARE(m.criticals.size(), 1);
            QVERIFY2(m.criticals.at(0).startsWith(outcome), qPrintable(m.criticals.at(0)));
            QVERIFY(!mgr.isInstalling());
            if (v)
                QCOMPARE(v->framesWithCode(13), 0);
            return;
        }
        // What will be installed is said before anything is written.
        QCOMPARE(m.questions.size(), 1);
        QVERIFY(m.questions[0].contains(QStringLiteral("1.2.3.b (%1 bytes)").arg(size)));
        QVERIFY(mgr.isInstalling());
        QTRY_VERIFY2(mgr.info().startsWith(outcome), qPrintable(mgr.info()));
        QVERIFY(!mgr.isInstalling());
        if (fault.isEmpty()) {
            QCOMPARE(v->computer->programmedImage(), image);
            QCOMPARE(v->computer->programVersionWord(), 0x01020362u);
        }
        if (fault != "refuse")
            return;
        // A second attempt runs once the computer accepts.
        v->computer->setRefused(14, false);
        m.button("btFirmwareFromDisk")->click();
        QTRY_VERIFY(mgr.info().startsWith("Installation successful in "));
    }
};

QTEST_MAIN(TestFirmwareCatalogue)
#include "tst_firmwarecatalogue.moc"
