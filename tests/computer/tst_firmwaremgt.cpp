// The firmware manager end to end: the catalogue from a loopback server through the real
// QNetworkAccessManager, the table, the download into the Firmwares folder, and the installation
// into the virtual computer through the real link.

#include "computer/filedownloader.h"
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

const QByteArray kTocPath = "/repos/Brenmor-Systems/Veltra_Repository/contents/toc-private.json";
const QByteArray kListingPath = "/repos/Brenmor-Systems/Veltra_Repository/contents";
const QString kStableLocal = QStringLiteral("Veltra.1.2.3.b.bin-2024-03-01_10-20-30_-1.2.3.b.bin");

QByteArray testImage(int size, int seed = 7)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + seed) & 0xFF));
    return image;
}

QByteArray catalogueReply(const QByteArray& json)
{
    return "{\"content\":\"" + json.toBase64() + "\"}";
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly)
        && f.write(bytes) == bytes.size();
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

    CatalogueConfig config(int timeoutMs = 2000) const
    {
        CatalogueConfig c;
        c.apiBase = api.base();
        c.account = QStringLiteral("diver");
        c.token = QStringLiteral("s3cret");
        c.allowLoopbackHttp = true;
        c.transferTimeoutMs = timeoutMs;
        return c;
    }
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

class TestFirmwareMgt : public QObject
{
    Q_OBJECT

private slots:
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
        // Images on another host, an older and longer file of the same name on disk, the offer
        // declined.
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
        // Each kind of failure once: tst_firmwarecatalogue holds the full tables; here the
        // manager must show the error, fetch nothing more and keep what is on disk.
        const QByteArray refusal("{\"message\":\"Bad credentials\"}");
        const QByteArray image = "/files/stable.bin";
        QTest::newRow("catalogue 401") << kTocPath << 401 << refusal << int(Mode::Normal) << 0;
        QTest::newRow("catalogue silent") << kTocPath << 200 << refusal << int(Mode::Silent) << 0;
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
        QTest::newRow("missing file")
            << fw << -1 << QString() << "Error: Impossible to load binary file";
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
        QVERIFY(!m.button("pushButton")->isEnabled());
        QTRY_VERIFY2(mgr.info().startsWith(outcome), qPrintable(mgr.info()));
        QVERIFY(!mgr.isInstalling());
        QVERIFY(m.button("pushButton")->isEnabled());
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

QTEST_MAIN(TestFirmwareMgt)
#include "tst_firmwaremgt.moc"
