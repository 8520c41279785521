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
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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
QByteArray listingOf(std::initializer_list<std::pair<QByteArray, QByteArray>> files)
{
    QByteArray out = "[";
    for (const auto& [name, url] : files)
        out += "{\"name\":\"" + name + "\",\"download_url\":\"" + url + "\"},";
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
            listingOf({ { "readme.md", host.url("/readme.md").toEncoded() },
                { "Veltra.1.2.3.b.bin", host.url("/files/stable.bin").toEncoded() },
                { "Veltra.2.0.0.a.bin", host.url("/files/beta.bin").toEncoded() } }));
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
        QCOMPARE(QStringList({ e.fileName, e.version, QString::number(e.versionWord, 16),
                     e.description, e.color.name(), e.dateText, entries.at(2).version }),
            QStringList({ "Veltra.1.2.3.b.bin", "1.2.3.b", "1020362", "Stable", "#ff8000",
                "2024-03-01_10-20-30_", "0.9.1.c" }));
        // The suffix goes only when it is .bin in any case.
        QCOMPARE(firmwareNameOfFile("Veltra.1.2.3.b.BIN"), QString("Veltra.1.2.3.b"));
        QCOMPARE(firmwareNameOfFile("Veltra.1.2.3.b.hex"), QString("Veltra.1.2.3.b.hex"));
        QCOMPARE(firmwareNameOfFile(".bin"), QString());
    }

    void versions()
    {
        const std::tuple<const char*, quint32, const char*> rows[] = {
            { "0x01020362", 0x01020362u, "1.2.3.b" },
            { "0x1020362", 0x01020362u, "1.2.3.b" }, // leading zero missing
            { "0xFFFFFF7A", 0xFFFFFF7Au, "255.255.255.z" },
            { "0x01020300", 0x01020300u, "1.2.3.0" }, // letter not printable
            { "", 0u, "0.0.0.0" }, { "v1.2", 0u, "0.0.0.0" }, // not hexadecimal
            { "0x1FFFFFFFF", 0u, "0.0.0.0" }, // more than 32 bits
        };
        for (const auto& [text, word, version] : rows) {
            const FirmwareEntry e = makeFirmwareEntry("f.bin", text, {}, {}, {});
            QCOMPARE(e.versionWord, word);
            QCOMPARE(e.version, QString(version));
        }
    }

    void colours()
    {
        QCOMPARE(catalogueColor("#FF8000"), QColor(255, 128, 0, 255));
        QCOMPARE(catalogueColor("#0a0b0c"), QColor(10, 11, 12, 255));
        // Anything but #RRGGBB is white.
        for (const char* text : { "", "#12345", "#1234567", "#GG0000", "#-12345", "orange" })
            QVERIFY2(catalogueColor(text) == QColor(Qt::white), text);
    }

    void badCatalogue()
    {
        using S = CatalogueStatus;
        const QByteArray good = wrapCatalogue(kThreeEntries);
        QByteArray many = "[{}";
        for (int i = 0; i < kMaxCatalogueEntries; ++i)
            many += ",{}";
        // Listing (else catalogue), the reply, the refusal.
        const std::tuple<bool, QByteArray, S> rows[] = {
            { true, "", S::Empty },
            { true, "{\"message\":\"Not Found\"}", S::NotJson },
            { true, "[{\"name\":\"a.bin\",\"download_u", S::NotJson },
            { true, QByteArray(kMaxCatalogueBytes + 1, '['), S::TooLarge },
            { false, "", S::Empty },
            { false, good.left(good.size() / 2), S::NotJson },
            { false, "{\"message\":\"Bad credentials\"}", S::NoContent },
            { false, "{\"content\":12}", S::NoContent },
            { false, "{\"content\":\"W10=W10=\"}", S::BadBase64 },
            { false, "{\"content\":\"aGVsbG8=\"}", S::NotJson },
            { false, wrapCatalogue("{\"File\":\"x\"}"), S::NotJson },
            { false, QByteArray(kMaxCatalogueBytes + 1, ' '), S::TooLarge },
            { false, wrapCatalogue(many + "]"), S::TooManyEntries },
            { false, QByteArray("\xff\xfe\x00\x01{", 5), S::NotJson },
        };
        for (const auto& [listing, reply, status] : rows) {
            QList<FirmwareEntry> entries { makeFirmwareEntry(
                "kept.bin", "0x01000061", {}, {}, {}) };
            entries[0].downloadUrl = QStringLiteral("https://files.example/old");
            QCOMPARE(listing ? applyRepositoryListing(reply, &entries, allowAll)
                             : parseCatalogue(reply, &entries),
                status);
            QVERIFY(!catalogueStatusText(status).isEmpty());
            // What was there stays.
            QCOMPARE(entries.size(), 1);
            QCOMPARE(entries.at(0).fileName + ' ' + entries.at(0).downloadUrl,
                QString("kept.bin https://files.example/old"));
        }
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

    void hostileNames()
    {
        // File name, date, the local name.
        const std::tuple<QString, const char*, const char*> rows[] = {
            { "Veltra.1.2.3.b.bin", "2024-03-01T10:20:30Z",
                "Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin" },
            { "../../evil.bin", "", "___.._evil.bin--1.2.3.b.bin" },
            { "..\\..\\evil", "", "___.._evil--1.2.3.b.bin" },
            { "/etc/passwd", "", "_etc_passwd--1.2.3.b.bin" },
            { "C:\\x", "", "C__x--1.2.3.b.bin" },
            { "a", "2024/../../x", "a-2024_.._.._x-1.2.3.b.bin" }, // slash in the date
            { ".profile", "", "_profile--1.2.3.b.bin" }, // hidden
            { QString::fromUtf8("Pl\xc3\xb6tz"), "", "Pl_tz--1.2.3.b.bin" },
            { QString("a\nb\tc") + QChar(0), "", "a_b_c_--1.2.3.b.bin" },
        };
        for (const auto& [file, date, expected] : rows)
            QCOMPARE(localFirmwareName(makeFirmwareEntry(file, "0x01020362", {}, {}, date)),
                QString(expected));
    }

    void readImage()
    {
        // Size, whether the file exists, whether it is taken.
        const std::tuple<qint64, bool, bool> rows[] = {
            { kMaxFirmwareBytes, true, true },
            { 0, true, false },
            { kMaxFirmwareBytes + 1, true, false },
            { 0, false, false },
        };
        for (const auto& [size, exists, ok] : rows) {
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
        for (const char* other : { "https://files.example.org/x", "http://api.example.org/x",
                 "https://api.example.org:8443/x" })
            QVERIFY2(!c.credentialsAllowedFor(QUrl(other)), other);

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

    void configurationHost()
    {
        const std::pair<const char*, QUrl> rows[] = {
            { "api.example.org", QUrl("https://api.example.org") },
            { "api.example.org:8443", QUrl("https://api.example.org:8443") },
            { "https://api.example.org/", QUrl("https://api.example.org") },
            { "https://api.example.org/evil", QUrl() },
            { "https://me@api.example.org", QUrl() },
            { "  ", QUrl() },
        };
        for (const auto& [text, url] : rows)
            QCOMPARE(CatalogueConfig::parseHost(text), url);
    }

    void reply()
    {
        const int fw = FileDownloader::FirmwareFile;
        const int toc = FileDownloader::TocFile;
        const QByteArray page = "<html><body>Bad credentials</body></html>";
        const QByteArray kilo(1000, 'x');
        // Kind, status, body, mode, the reason given (none: taken).
        const std::tuple<int, int, QByteArray, Mode, QString> rows[] = {
            { toc, 200, "{}", Mode::Normal, "" },
            { fw, 200, QByteArray(kMaxFirmwareBytes, '\x5A'), Mode::Normal, "" },
            { fw, 401, page, Mode::Normal, "HTTP 401" },
            { fw, 200, "", Mode::Normal, "Empty reply" }, // a 204-style empty 200
            { fw, 200, kilo, Mode::Truncated, "Truncated reply: 500 of 1000 bytes" },
            { fw, 200, kilo, Mode::Stalls, "No reply within" }, // mid-body
            { toc, 200, "{}", Mode::Silent, "No reply within" },
            { fw, 200, QByteArray(kMaxFirmwareBytes + 1, 'x'), Mode::Normal, "larger than" },
            { toc, 200, QByteArray(1024 * 1024 + 1, ' '), Mode::Normal, "larger than" },
            { fw, 200, QByteArray(64, 'x'), Mode::AnnounceHuge, "larger than" },
        };
        for (const auto& [kind, status, body, mode, reason] : rows) {
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
                continue;
            }
            QVERIFY(!d.succeeded());
            // Nothing of an error reply may pass for content.
            QVERIFY(d.downloadedData().isEmpty());
            QVERIFY2(d.errorText().contains(reason), qPrintable(d.errorText()));
            QVERIFY(!d.isBusy());
        }
    }

    void redirectElsewhereIsNotFollowedWithCredentials()
    {
        LoopbackHttpServer api, other;
        QVERIFY(api.listen());
        QVERIFY(other.listen());
        other.setRoute("/collect", 200, "stolen");
        api.setRoute("/toc", 302, {}, Mode::Normal, other.url("/collect").toEncoded());
        FileDownloader d(configFor(api));
        QVERIFY(fetch(d, api.url("/toc"), FileDownloader::TocFile));
        QVERIFY(!d.succeeded());
        QVERIFY(d.downloadedData().isEmpty());
        QCOMPARE(other.requests().size(), 0);
    }

    void refusedAddresses()
    {
        // Loopback is refused without the test setting, and by name even with it.
        const std::pair<const char*, bool> rows[]
            = { { "file:///etc/passwd", true }, { "qrc:/TestGraphics/icons/ok.png", true },
                  { "ftp://127.0.0.1/x.bin", true }, { "http://192.0.2.1/x.bin", true },
                  { "http://localhost:1/x.bin", true }, { "http://127.0.0.1:1/x.bin", false },
                  { "https://a:b@192.0.2.1/x.bin", true }, { "", true } };
        for (const auto& [url, loopbackAllowed] : rows) {
            CatalogueConfig config;
            config.allowLoopbackHttp = loopbackAllowed;
            FileDownloader d(config);
            QSignalSpy done(&d, &FileDownloader::downloaded);
            QCOMPARE(
                d.startDownload(QUrl(url), FileDownloader::FirmwareFile), FileDownloader::kRefused);
            QVERIFY(!d.isBusy());
            QVERIFY2(!d.errorText().isEmpty(), url);
            QTest::qWait(20);
            QCOMPARE(done.count(), 0);
        }
    }

    void downloadAndInstall()
    {
        // Catalogue row, local name, what the progress bar showed.
        const std::tuple<int, QString, QList<int>> rows[] = {
            { 0, kStableLocal, { 12, 25, 38, 51, 64, 76, 89, 100, 0 } },
            { 1, "Veltra.2.0.0.a.bin-2024-05-07_08-00-00_-2.0.0.a.bin", { 100, 0 } },
        };
        for (const auto& [row, local, bar] : rows) {
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

    void badReply()
    {
        // Each kind of failure once (the tables above hold them all): the manager shows the error,
        // fetches nothing more and keeps what is on disk. Path, status, body, mode, rows listed
        // afterwards (3: the catalogue is shown, nothing can be downloaded).
        const QByteArray refusal("{\"message\":\"Bad credentials\"}");
        const QByteArray file = "/files/stable.bin";
        const std::tuple<QByteArray, int, QByteArray, Mode, int> rows[] = {
            { kTocPath, 401, refusal, Mode::Normal, 0 },
            { kTocPath, 200, "\x89PNG\r\n\x1a\n", Mode::Normal, 0 },
            { kListingPath, 401, refusal, Mode::Normal, 3 },
            { file, 401, refusal, Mode::Normal, 3 },
            { file, 200, testImage(1000, 1), Mode::Truncated, 3 },
            { file, 200, refusal, Mode::Silent, 3 },
            { file, 200, refusal, Mode::AnnounceHuge, 3 },
        };
        for (const auto& [path, status, body, mode, rows] : rows) {
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
    }

    void fromDisk()
    {
        const int fw = VirtualDiveComputer::kFirmwareModeByte;
        // Mode byte (0: no computer), file size, what the computer does during the installation
        // or the file's name, the critical message or the final info.
        const std::tuple<int, int, QString, QString> rows[] = {
            { fw, 97, {}, "Installation successful in " },
            { 0, 97, {}, "Error: No computer is connected. Connect the computer" },
            { fw, 0, {}, "Error: The firmware file cannot be read. Check the file or download" },
            { fw, 1000, "refuse", "Installation failed: The computer refused the firmware" },
            { fw, 1000, "drop", "Installation failed: " },
            // Only the name tells what the image is for: another family, or no real version.
            { fw, 97, "holiday.bin", "Error: This file is not firmware for this computer" },
            { fw, 97, "QRD-M.1.2.3.a.bin", "Error: This file is not firmware for this computer" },
            { fw, 97, "Veltra.bin", "Error: The file name gives no firmware version" },
            { fw, 97, "Veltra.x.2.3.b.bin", "Error: The file name gives no firmware version" },
        };
        for (const auto& [modeByte, size, fault, outcome] : rows) {
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
            m.file = QDir(m.dir.path())
                         .filePath(fault.endsWith(".bin") ? fault : QString("Veltra.1.2.3.b.bin"));
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
                continue;
            }
            // What will be installed is said before anything is written.
            QCOMPARE(m.questions.size(), 1);
            QVERIFY(m.questions[0].contains(QStringLiteral("1.2.3.b (%1 bytes)").arg(size)));
            QVERIFY(m.questions[0].contains("Only the file's name can be checked"));
            QVERIFY(mgr.isInstalling());
            QTRY_VERIFY2(mgr.info().startsWith(outcome), qPrintable(mgr.info()));
            QVERIFY(!mgr.isInstalling());
            if (fault.isEmpty()) {
                QCOMPARE(v->computer->programmedImage(), image);
                QCOMPARE(v->computer->programVersionWord(), 0x01020362u);
                // Said only once the computer took ProgramFinished and, connected again,
                // reported the new version.
                QVERIFY(v->computer->firmwareInstalled());
                QCOMPARE(v->framesWithCode(1), 2);
                QVERIFY2(mgr.info().endsWith(", version 1.2.3.b"), qPrintable(mgr.info()));
            }
            if (fault != "refuse")
                continue;
            // The diver reads what to do; the technical word goes to the link log.
            QVERIFY(v->logLines.contains("Firmware installation failed: Program Error"));
            // A second attempt runs once the computer accepts.
            v->computer->setRefused(14, false);
            m.button("btFirmwareFromDisk")->click();
            QTRY_VERIFY(mgr.info().startsWith("Installation successful in "));
        }
    }
};

QTEST_MAIN(TestFirmwareCatalogue)
#include "tst_firmwarecatalogue.moc"
