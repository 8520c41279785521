// The firmware manager end to end: the catalogue from a loopback server through the real
// QNetworkAccessManager, the table, the download into the Firmwares folder, and the installation
// into the virtual computer through the real link.

#include "computer/filedownloader.h"
#include "computer/firmwaremgt.h"
#include "link/firmwareprogram.h"
#include "loopbackhttpserver.h"
#include "virtuallink.h"

#include <QAbstractItemModelTester>
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

const QByteArray kTocPath = "/repos/Brenmor-Systems/Veltra_Repository/contents/toc-private.json";
const QByteArray kListingPath = "/repos/Brenmor-Systems/Veltra_Repository/contents";

QByteArray testImage(int size, int seed = 7)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + seed) & 0xFF));
    return image;
}

QByteArray catalogueReply(const QByteArray& json)
{
    const QByteArray b64 = json.toBase64();
    QByteArray wrapped;
    for (int i = 0; i < b64.size(); i += 60)
        wrapped += b64.mid(i, 60) + "\\n";
    return "{\"content\":\"" + wrapped + "\"}";
}

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
        api.setRoute(kTocPath, 200, catalogueReply(R"([
 {"File":"Veltra.1.2.3.b.bin","Version":"0x01020362","Description":"Stable release",
  "Color":"#FF8000","DateTime":"2024-03-01T10:20:30Z"},
 {"File":"Veltra.2.0.0.a.bin","Version":"0x02000061","Description":"<b>Beta</b>","Color":"#202060",
  "DateTime":"2024-05-07T08:00:00Z"},
 {"File":"Old.0.9.1.c.bin","Version":"0x00090163","Description":"Withdrawn","Color":"",
  "DateTime":"2023-01-02T03:04:05Z"}
])"));
        api.setRoute(kListingPath, 200,
            "[{\"name\":\"readme.md\",\"download_url\":\"" + host.url("/readme.md").toEncoded()
                + "\"},{\"name\":\"Veltra.1.2.3.b.bin\",\"download_url\":\""
                + host.url("/files/stable.bin").toEncoded()
                + "\"},{\"name\":\"Veltra.2.0.0.a.bin\",\"download_url\":\""
                + host.url("/files/beta.bin").toEncoded() + "\"}]");
        host.setRoute("/files/stable.bin", 200, stable);
        host.setRoute("/files/beta.bin", 200, beta);
    }

    CatalogueConfig config() const
    {
        CatalogueConfig c;
        c.apiBase = api.base();
        c.account = QStringLiteral("diver");
        c.token = QStringLiteral("s3cret");
        c.allowLoopbackHttp = true;
        c.transferTimeoutMs = 2000;
        return c;
    }
};

struct Recorder
{
    QStringList criticals;
    QStringList questions;
    bool answerYes = true;
    QString file;
    int fileDialogs = 0;
    QList<QUrl> opened;

    FirmwareMgt::Hooks hooks()
    {
        FirmwareMgt::Hooks h;
        h.critical = [this](const QString& title, const QString& text) {
            criticals << title + ": " + text;
        };
        h.question = [this](const QString& title, const QString& text) {
            questions << title + ": " + text;
            return answerYes;
        };
        h.openFirmwareFile = [this](QWidget*) {
            ++fileDialogs;
            return file;
        };
        h.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        return h;
    }
};

// A link to the virtual computer in its firmware mode, identified like the connection dialog.
std::unique_ptr<VirtualLink> firmwareLink(quint8 modeByte = VirtualDiveComputer::kFirmwareModeByte)
{
    auto v = std::make_unique<VirtualLink>();
    v->computer->setModeByte(modeByte);
    if (!v->connectAndIdentify())
        return nullptr;
    return v;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Fetches the repository's catalogue and waits until its three entries are listed.
bool showCatalogue(FirmwareMgt& mgr)
{
    mgr.fetchCatalogue();
    return QTest::qWaitFor([&] { return mgr.info() == QLatin1String("3 Firmwares Available"); });
}

const QString kStableLocal = QStringLiteral("Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin");

} // namespace

class TestFirmwareMgt : public QObject
{
    Q_OBJECT
private slots:
    void notConfigured();
    void catalogueTable();
    void downloadAndInstall_data();
    void downloadAndInstall();
    void declinedOffer();
    void secondClickDoesNothing();
    void badCatalogueReply_data();
    void badCatalogueReply();
    void badListingReply();
    void badImageReply_data();
    void badImageReply();
    void shorterImageReplacesTheWholeFile();
    void hostileFileName();
    void imagesFromAnotherHostGetNoCredentials();
    void fromDisk_data();
    void fromDisk();
    void installationFailure_data();
    void installationFailure();
    void openFolder();
};

void TestFirmwareMgt::notConfigured()
{
    QTemporaryDir dir;
    Repository repo;
    Recorder r;
    FirmwareMgt mgr(nullptr, dir.path(), CatalogueConfig(), nullptr, r.hooks());
    mgr.fetchCatalogue();
    QTest::qWait(50);
    QCOMPARE(mgr.info(), QString("Firmware catalogue not configured"));
    QVERIFY(mgr.findChild<QPushButton*>("btFirmwareFromDisk")->isEnabled());
    QCOMPARE(mgr.findChild<QTableWidget*>("tbFirmwares")->rowCount(), 0);
    QVERIFY(repo.api.requests().isEmpty());
    QVERIFY(r.criticals.isEmpty());
}

void TestFirmwareMgt::catalogueTable()
{
    QTemporaryDir dir;
    Repository repo;
    Recorder r;
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), nullptr, r.hooks());
    auto* table = mgr.findChild<QTableWidget*>("tbFirmwares");
    QAbstractItemModelTester tester(table->model());
    QVERIFY(showCatalogue(mgr));
    QVERIFY(r.criticals.isEmpty());
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 0)->text(), QString("Veltra.1.2.3.b.bin"));
    QCOMPARE(table->item(0, 1)->text(), QString("1.2.3.b"));
    QCOMPARE(table->item(0, 2)->text(), QString("2024-03-01_10-20-30_"));
    for (int column = 0; column < 3; ++column)
        QCOMPARE(table->item(0, column)->background().color(), QColor(255, 128, 0));
    QCOMPARE(table->item(2, 0)->background().color(), QColor(Qt::white));
    // Dark background, light text.
    QCOMPARE(table->item(1, 0)->foreground().color(), QColor(Qt::white));
    // Remote markup is shown as text.
    auto* label = table->cellWidget(1, 3)->findChild<QLabel*>();
    QCOMPARE(label->text(), QString("<b>Beta</b>"));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(mgr.downloadButton(0)->isEnabled());
    // Not in the listing: listed, counted, not downloadable.
    QVERIFY(!mgr.downloadButton(2)->isEnabled());
    QVERIFY(mgr.entries().at(2).downloadUrl.isEmpty());
    // Both requests went to the API host, signed.
    QCOMPARE(repo.api.requests().size(), 2);
    for (const auto& request : repo.api.requests())
        QCOMPARE(request.headers.value("authorization"), QByteArray("Basic ZGl2ZXI6czNjcmV0"));
}

void TestFirmwareMgt::downloadAndInstall_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<int>>("bar");
    QTest::newRow("1000 bytes")
        << 0 << kStableLocal << "Confirmation: Upload firmware 1.2.3.b?"
        << QStringList { "Number of bytes sent: 128/1000", "Number of bytes sent: 256/1000",
               "Number of bytes sent: 384/1000", "Number of bytes sent: 512/1000",
               "Number of bytes sent: 640/1000", "Number of bytes sent: 768/1000",
               "Number of bytes sent: 896/1000", "Number of bytes sent: 1000/1000", "Nb sent: 0/0" }
        << QList<int> { 12, 25, 38, 51, 64, 76, 89, 100, 0 };
    QTest::newRow("97 bytes") << 1 << "Veltra.2.0.0.a.bin-2024-05-07_08-00-00_-2.0.0.a.bin"
                              << "Confirmation: Upload firmware 2.0.0.a?"
                              << QStringList { "Number of bytes sent: 97/97", "Nb sent: 0/0" }
                              << QList<int> { 100, 0 };
}

void TestFirmwareMgt::downloadAndInstall()
{
    QFETCH(int, row);
    QFETCH(QString, local);
    QFETCH(QString, question);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, bar);
    QTemporaryDir dir;
    Repository repo;
    Recorder r;
    auto v = firmwareLink();
    QVERIFY(v);
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), v->link, r.hooks());
    auto* progressBar = mgr.findChild<QProgressBar*>("progressBar");
    QVERIFY(!progressBar->isVisibleTo(&mgr));
    // What the manager shows after each report of the link (the manager hears it first).
    QStringList seen;
    QList<int> values;
    connect(v->link, &TarskBle::onUploadFirmwareProgress, &mgr, [&] {
        seen << mgr.info();
        values << progressBar->value();
    });
    QVERIFY(showCatalogue(mgr));

    const QByteArray image = row == 0 ? repo.stable : repo.beta;
    mgr.downloadButton(row)->click();
    QTRY_VERIFY(mgr.info().startsWith("Installation successful in 00:00:"));
    QCOMPARE(r.criticals, QStringList());
    QCOMPARE(r.questions, QStringList { question });
    QCOMPARE(fileBytes(QDir(mgr.firmwareFolder()).filePath(local)), image);
    QCOMPARE(mgr.firmwareFolder(), QDir(dir.path()).filePath("Firmwares"));
    QCOMPARE(v->computer->programmedImage(), image);
    QCOMPARE(v->computer->programFault(), QString());
    QCOMPARE(mgr.totalBytes(), image.size());
    QCOMPARE(seen, labels);
    QCOMPARE(values, bar);
    QVERIFY(progressBar->isVisibleTo(&mgr));
    QVERIFY(!mgr.isInstalling());
    QVERIFY(mgr.findChild<QPushButton*>("btFirmwareFromDisk")->isEnabled());
    // One installation per opening from the catalogue: the offer is not made again.
    QCOMPARE(mgr.uploadIndex(), row);
    mgr.offerInstallation(row == 0 ? 1 : 0);
    QCOMPARE(r.questions.size(), 1);
}

void TestFirmwareMgt::declinedOffer()
{
    QTemporaryDir dir;
    Repository repo;
    Recorder r;
    r.answerYes = false;
    auto v = firmwareLink();
    QVERIFY(v);
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), v->link, r.hooks());
    QVERIFY(showCatalogue(mgr));
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.questions.size(), 1);
    QCOMPARE(mgr.downloadIndex(), -1);
    QCOMPARE(mgr.uploadIndex(), -1);
    QCOMPARE(v->framesWithCode(13), 0);
    // The image is kept, and the next click downloads again.
    QCOMPARE(fileBytes(QDir(mgr.firmwareFolder()).filePath(kStableLocal)), repo.stable);
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.questions.size(), 2);
    QCOMPARE(repo.api.requestsFor("/files/stable.bin"), 2);
}

void TestFirmwareMgt::secondClickDoesNothing()
{
    QTemporaryDir dir;
    Repository repo;
    Recorder r;
    r.answerYes = false;
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), nullptr, r.hooks());
    QVERIFY(showCatalogue(mgr));
    mgr.downloadButton(0)->click();
    mgr.downloadButton(0)->click();
    mgr.downloadButton(1)->click();
    QCOMPARE(mgr.downloadIndex(), 0);
    QTRY_COMPARE(r.questions.size(), 1);
    QTest::qWait(50);
    QCOMPARE(repo.api.requestsFor("/files/stable.bin"), 1);
    QCOMPARE(repo.api.requestsFor("/files/beta.bin"), 0);
}

void TestFirmwareMgt::badCatalogueReply_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("mode");
    // Each kind of failure once: tst_filedownloader and tst_firmwarecatalogue hold the full
    // tables; here the manager must show the error and fetch nothing more.
    const QByteArray good = catalogueReply("[{\"File\":\"a.bin\"}]");
    QTest::newRow("401") << 401 << QByteArray("{\"message\":\"Bad credentials\"}")
                         << int(Mode::Normal);
    QTest::newRow("silent") << 200 << good << int(Mode::Silent);
    QTest::newRow("garbage") << 200 << QByteArray("\x89PNG\r\n\x1a\n") << int(Mode::Normal);
}

void TestFirmwareMgt::badCatalogueReply()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, mode);
    QTemporaryDir dir;
    Repository repo;
    repo.api.setRoute(kTocPath, status, body, Mode(mode));
    CatalogueConfig config = repo.config();
    config.transferTimeoutMs = 300;
    Recorder r;
    FirmwareMgt mgr(nullptr, dir.path(), config, nullptr, r.hooks());
    mgr.fetchCatalogue();
    QTRY_COMPARE(r.criticals.size(), 1);
    QVERIFY(r.criticals.at(0).startsWith("Download Error: "));
    QVERIFY(mgr.info().startsWith("Download Error: "));
    QCOMPARE(mgr.findChild<QTableWidget*>("tbFirmwares")->rowCount(), 0);
    // No listing is asked for after a failed catalogue.
    QCOMPARE(repo.api.requestsFor(kListingPath), 0);
    QVERIFY(mgr.findChild<QPushButton*>("btFirmwareFromDisk")->isEnabled());
}

void TestFirmwareMgt::badListingReply()
{
    QTemporaryDir dir;
    Repository repo;
    repo.api.setRoute(kListingPath, 401, "{\"message\":\"Bad credentials\"}");
    Recorder r;
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), nullptr, r.hooks());
    mgr.fetchCatalogue();
    QTRY_COMPARE(r.criticals.size(), 1);
    QVERIFY(r.criticals.at(0).contains("401"));
    // The catalogue is shown, nothing can be downloaded.
    QCOMPARE(mgr.findChild<QTableWidget*>("tbFirmwares")->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        QVERIFY(!mgr.downloadButton(row)->isEnabled());
}

void TestFirmwareMgt::badImageReply_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("mode");
    // One row per kind of failure; the downloader's own test holds the full table.
    const QByteArray page = "<html><body><h1>401 Unauthorized</h1></body></html>";
    QTest::newRow("401 page") << 401 << page << int(Mode::Normal);
    QTest::newRow("truncated") << 200 << testImage(1000) << int(Mode::Truncated);
    QTest::newRow("silent") << 200 << testImage(1000) << int(Mode::Silent);
    QTest::newRow("too large") << 200 << testImage(64) << int(Mode::AnnounceHuge);
}

void TestFirmwareMgt::badImageReply()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, mode);
    QTemporaryDir dir;
    Repository repo;
    repo.api.setRoute("/files/stable.bin", status, body, Mode(mode));
    CatalogueConfig config = repo.config();
    config.transferTimeoutMs = 300;
    // An earlier download of the same firmware is on disk and must survive.
    const QString folder = QDir(dir.path()).filePath("Firmwares");
    QVERIFY(QDir().mkpath(folder));
    const QString local = QDir(folder).filePath(kStableLocal);
    QVERIFY(writeFile(local, repo.stable));
    Recorder r;
    auto v = firmwareLink();
    QVERIFY(v);
    FirmwareMgt mgr(nullptr, dir.path(), config, v->link, r.hooks());
    QVERIFY(showCatalogue(mgr));
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.criticals.size(), 1);
    QVERIFY(r.criticals.at(0).startsWith("Download Error: "));
    QVERIFY(r.questions.isEmpty());
    QCOMPARE(fileBytes(local), repo.stable);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { kStableLocal });
    QCOMPARE(v->framesWithCode(13), 0);
    // The user may try again.
    QCOMPARE(mgr.downloadIndex(), -1);
}

void TestFirmwareMgt::shorterImageReplacesTheWholeFile()
{
    QTemporaryDir dir;
    Repository repo;
    const QString folder = QDir(dir.path()).filePath("Firmwares");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(QDir(folder).filePath(kStableLocal), QByteArray(5000, 'Z')));
    Recorder r;
    r.answerYes = false;
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), nullptr, r.hooks());
    QVERIFY(showCatalogue(mgr));
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.questions.size(), 1);
    QCOMPARE(fileBytes(QDir(folder).filePath(kStableLocal)), repo.stable);
}

void TestFirmwareMgt::hostileFileName()
{
    QTemporaryDir dir;
    Repository repo;
    repo.api.setRoute(kTocPath, 200,
        catalogueReply(R"([{"File":"../../escape.bin","Version":"0x01000061","Color":"#FFFFFF",
            "DateTime":"2024-01-01T00:00:00Z"}])"));
    repo.api.setRoute(kListingPath, 200,
        "[{\"name\":\"../../escape.bin\",\"download_url\":\""
            + repo.api.url("/files/stable.bin").toEncoded() + "\"}]");
    Recorder r;
    auto v = firmwareLink();
    QVERIFY(v);
    const QString appData = QDir(dir.path()).filePath("app");
    FirmwareMgt mgr(nullptr, appData, repo.config(), v->link, r.hooks());
    mgr.fetchCatalogue();
    QTRY_COMPARE(mgr.info(), QString("1 Firmwares Available"));
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.criticals.size(), 1);
    // Written inside the folder under a harmless name, nowhere else.
    QCOMPARE(QDir(mgr.firmwareFolder()).entryList(QDir::Files),
        QStringList { "___.._escape.bin-2024-01-01_00-00-00_-1.0.0.a.bin" });
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(appData).entryList(QDir::Files), QStringList());
    // Nothing before the first dot: no name for the computer, nothing sent.
    QCOMPARE(r.criticals.at(0), QString("Error: The firmware name is empty"));
    QCOMPARE(v->framesWithCode(13), 0);
}

void TestFirmwareMgt::imagesFromAnotherHostGetNoCredentials()
{
    QTemporaryDir dir;
    Repository repo(true);
    Recorder r;
    r.answerYes = false;
    FirmwareMgt mgr(nullptr, dir.path(), repo.config(), nullptr, r.hooks());
    QVERIFY(showCatalogue(mgr));
    mgr.downloadButton(0)->click();
    QTRY_COMPARE(r.questions.size(), 1);
    QCOMPARE(repo.files.requests().size(), 1);
    QVERIFY(!repo.files.requests().at(0).headers.contains("authorization"));
    QCOMPARE(fileBytes(QDir(mgr.firmwareFolder()).filePath(kStableLocal)), repo.stable);
}

void TestFirmwareMgt::fromDisk_data()
{
    QTest::addColumn<bool>("withLink");
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("critical");
    QTest::addColumn<int>("fileDialogs");
    const int fw = VirtualDiveComputer::kFirmwareModeByte;
    QTest::newRow("97 bytes") << true << fw << "Veltra.1.2.3.b.bin" << 97 << "" << 1;
    QTest::newRow("1000 bytes") << true << fw << "Veltra.1.2.3.b.bin" << 1000 << "" << 1;
    QTest::newRow("no computer") << false << fw << "Veltra.1.2.3.b.bin" << 97
                                 << "Error: No computer connected" << 0;
    QTest::newRow("normal mode") << true << int(VirtualDiveComputer::kNormalModeByte)
                                 << "Veltra.1.2.3.b.bin" << 97
                                 << "Error: The computer is not in firmware mode" << 0;
    QTest::newRow("empty file") << true << fw << "Veltra.1.2.3.b.bin" << 0
                                << "Error: Impossible to load binary file\nThe firmware image is "
                                   "empty"
                                << 1;
    QTest::newRow("missing file") << true << fw << "Veltra.1.2.3.b.bin" << -1
                                  << "Error: Impossible to load binary file" << 1;
    QTest::newRow("name over 32 bytes") << true << fw << QString(33, 'N') + ".1.0.0.a.bin" << 97
                                        << "Error: The firmware name is longer than 32 bytes" << 1;
}

void TestFirmwareMgt::fromDisk()
{
    QFETCH(bool, withLink);
    QFETCH(int, modeByte);
    QFETCH(QString, fileName);
    QFETCH(int, size);
    QFETCH(QString, critical);
    QFETCH(int, fileDialogs);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(fileName);
    const QByteArray image = testImage(qMax(size, 0));
    if (size >= 0)
        QVERIFY(writeFile(path, image));
    std::unique_ptr<VirtualLink> v;
    if (withLink) {
        v = firmwareLink(quint8(modeByte));
        QVERIFY(v);
    }
    QCOMPARE(bleLink, v ? v->link : nullptr);
    Recorder r;
    r.file = path;
    FirmwareMgt mgr(nullptr, dir.path(), CatalogueConfig(), nullptr, r.hooks());
    mgr.findChild<QPushButton*>("btFirmwareFromDisk")->click();
    QCOMPARE(r.fileDialogs, fileDialogs);
    if (!critical.isEmpty()) {
        QCOMPARE(r.criticals.size(), 1);
        QVERIFY2(r.criticals.at(0).startsWith(critical), qPrintable(r.criticals.at(0)));
        QVERIFY(!mgr.isInstalling());
        if (v)
            QCOMPARE(v->framesWithCode(13), 0);
        return;
    }
    // What will be installed is said before anything is written.
    QCOMPARE(r.questions,
        QStringList { QStringLiteral("Confirmation: Install Veltra version 1.2.3.b (%1 bytes) from "
                                     "Veltra.1.2.3.b.bin?\nKeep the computer close and switched "
                                     "on until the installation ends.")
                          .arg(size) });
    QVERIFY(mgr.isInstalling());
    QCOMPARE(mgr.totalBytes(), size);
    QVERIFY(!mgr.findChild<QPushButton*>("btFirmwareFromDisk")->isEnabled());
    QVERIFY(!mgr.findChild<QPushButton*>("pushButton")->isEnabled());
    // Escape or the window's close button cannot hide a running installation.
    QSignalSpy rejected(&mgr, &QDialog::rejected);
    mgr.reject();
    QCOMPARE(rejected.count(), 0);
    QTRY_VERIFY(mgr.info().startsWith("Installation successful in "));
    QCOMPARE(v->computer->programmedImage(), image);
    QCOMPARE(v->computer->programVersionWord(), 0x01020362u);
    QVERIFY(r.criticals.isEmpty());
    QVERIFY(mgr.findChild<QPushButton*>("pushButton")->isEnabled());
}

void TestFirmwareMgt::installationFailure_data()
{
    QTest::addColumn<int>("code"); // refused step, 0: none
    QTest::addColumn<QString>("afterFirstBlock"); // what the computer does after one block
    QTest::addColumn<QString>("info");
    QTest::newRow("begin refused") << 13 << ""
                                   << "Installation failed: Begin Program Error";
    QTest::newRow("block refused") << 14 << ""
                                   << "Installation failed: Program Error";
    QTest::newRow("end refused") << 15 << ""
                                 << "Installation failed: End Program Error";
    QTest::newRow("falls silent") << 0 << "silent"
                                  << "Installation failed: ";
    QTest::newRow("connection lost") << 0 << "drop"
                                     << "Installation failed: ";
}

void TestFirmwareMgt::installationFailure()
{
    QFETCH(int, code);
    QFETCH(QString, afterFirstBlock);
    QFETCH(QString, info);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Veltra.1.2.3.b.bin");
    QVERIFY(writeFile(path, testImage(1000)));
    auto v = firmwareLink();
    QVERIFY(v);
    v->link->setReplyTimeout(200);
    if (code)
        v->computer->setRefused(quint8(code), true);
    Recorder r;
    r.file = path;
    FirmwareMgt mgr(nullptr, dir.path(), CatalogueConfig(), v->link, r.hooks());
    if (!afterFirstBlock.isEmpty()) {
        connect(
            v->link, &TarskBle::onUploadFirmwareProgress, v->computer,
            [&] {
                if (afterFirstBlock == "drop")
                    v->computer->dropConnection();
                else
                    v->computer->setAnswering(false);
            },
            Qt::SingleShotConnection);
    }
    mgr.findChild<QPushButton*>("btFirmwareFromDisk")->click();
    QVERIFY(mgr.isInstalling());
    QTRY_VERIFY2(mgr.info().startsWith(info), qPrintable(mgr.info()));
    QVERIFY(!mgr.isInstalling());
    QVERIFY(mgr.findChild<QPushButton*>("btFirmwareFromDisk")->isEnabled());
    QVERIFY(mgr.findChild<QPushButton*>("pushButton")->isEnabled());
    // A late event does not turn the failure into something else.
    QTest::qWait(50);
    QVERIFY(mgr.info().startsWith(info));
    if (!code)
        return;
    // A second attempt runs once the computer accepts.
    v->computer->setRefused(quint8(code), false);
    mgr.findChild<QPushButton*>("btFirmwareFromDisk")->click();
    QTRY_VERIFY(mgr.info().startsWith("Installation successful in "));
}

void TestFirmwareMgt::openFolder()
{
    QTemporaryDir dir;
    Recorder r;
    FirmwareMgt mgr(nullptr, dir.path(), CatalogueConfig(), nullptr, r.hooks());
    mgr.findChild<QPushButton*>("btOpenFolder")->click();
    QCOMPARE(r.opened.size(), 1);
    const QUrl url = r.opened.at(0);
    QCOMPARE(url.toLocalFile(), QDir(dir.path()).filePath("Firmwares"));
    QVERIFY(url.toString().startsWith("file:///"));
    QVERIFY(!url.toString().startsWith("file:////"));
    QVERIFY(QFileInfo(url.toLocalFile()).isDir());
    QVERIFY(r.criticals.isEmpty());
}

QTEST_MAIN(TestFirmwareMgt)
#include "tst_firmwaremgt.moc"
