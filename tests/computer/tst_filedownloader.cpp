// The real QNetworkAccessManager against a loopback server: what counts as a reply, where the
// credentials go, and which addresses are refused before anything is sent.

#include "computer/filedownloader.h"
#include "link/firmwareprogram.h"
#include "loopbackhttpserver.h"

#include <QSignalSpy>
#include <QTest>

using Mode = LoopbackHttpServer::Mode;

namespace {

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

class TestFileDownloader : public QObject
{
    Q_OBJECT
private slots:
    void goodReply_data();
    void goodReply();
    void badReply_data();
    void badReply();
    void credentialsOnlyToTheApiHost();
    void redirectElsewhereIsNotFollowedWithCredentials();
    void refusedAddresses_data();
    void refusedAddresses();
    void oneRequestAtATime();
};

void TestFileDownloader::goodReply_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("catalogue") << int(FileDownloader::TocFile) << QByteArray("{\"content\":\"\"}");
    QTest::newRow("one-byte image") << int(FileDownloader::FirmwareFile) << QByteArray("\x00", 1);
    QTest::newRow("largest image")
        << int(FileDownloader::FirmwareFile) << QByteArray(kMaxFirmwareBytes, '\x5A');
}

void TestFileDownloader::goodReply()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, body);
    LoopbackHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/file", 200, body);
    FileDownloader d(configFor(server));
    QVERIFY(fetch(d, server.url("/file"), FileDownloader::DownloadKind(kind)));
    QVERIFY2(d.succeeded(), qPrintable(d.errorText()));
    QCOMPARE(d.httpStatus(), 200);
    QCOMPARE(d.downloadedData(), body);
    QCOMPARE(int(d.kind()), kind);
}

void TestFileDownloader::badReply_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reason");
    const int fw = FileDownloader::FirmwareFile;
    const int toc = FileDownloader::TocFile;
    const QByteArray page = "<html><body>Bad credentials</body></html>";
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
    QTest::newRow("image one byte too large") << fw << 200 << QByteArray(kMaxFirmwareBytes + 1, 'x')
                                              << int(Mode::Normal) << "larger than";
    QTest::newRow("catalogue too large")
        << toc << 200 << QByteArray(1024 * 1024 + 1, ' ') << int(Mode::Normal) << "larger than";
    QTest::newRow("announces 100 MiB")
        << fw << 200 << QByteArray(64, 'x') << int(Mode::AnnounceHuge) << "larger than";
}

void TestFileDownloader::badReply()
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
    QVERIFY(!d.succeeded());
    // Nothing of an error reply may pass for content.
    QVERIFY(d.downloadedData().isEmpty());
    QVERIFY(!d.errorText().isEmpty());
    QVERIFY2(d.errorText().contains(reason), qPrintable(d.errorText()));
    QVERIFY(!d.isBusy());
}

void TestFileDownloader::credentialsOnlyToTheApiHost()
{
    LoopbackHttpServer api, files;
    QVERIFY(api.listen());
    QVERIFY(files.listen());
    api.setRoute("/toc", 200, "x");
    files.setRoute("/image.bin", 200, "y");
    FileDownloader d(configFor(api));

    QVERIFY(fetch(d, api.url("/toc"), FileDownloader::TocFile));
    QVERIFY(d.sentCredentials());
    // Base64 of "diver:s3cret", worked out separately.
    QCOMPARE(
        api.requests().at(0).headers.value("authorization"), QByteArray("Basic ZGl2ZXI6czNjcmV0"));

    // Same address, other port: another origin, so no credentials.
    QVERIFY(fetch(d, files.url("/image.bin"), FileDownloader::FirmwareFile));
    QVERIFY(d.succeeded());
    QVERIFY(!d.sentCredentials());
    QCOMPARE(files.requests().size(), 1);
    QVERIFY(!files.requests().at(0).headers.contains("authorization"));

    // Without a complete configuration nothing carries credentials, not even the API host.
    CatalogueConfig noToken = configFor(api);
    noToken.token.clear();
    FileDownloader anonymous(noToken);
    QVERIFY(fetch(anonymous, api.url("/toc"), FileDownloader::TocFile));
    QVERIFY(!api.requests().last().headers.contains("authorization"));
}

void TestFileDownloader::redirectElsewhereIsNotFollowedWithCredentials()
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

void TestFileDownloader::refusedAddresses_data()
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

void TestFileDownloader::refusedAddresses()
{
    QFETCH(QString, url);
    QFETCH(bool, loopbackAllowed);
    CatalogueConfig config;
    config.allowLoopbackHttp = loopbackAllowed;
    FileDownloader d(config);
    QSignalSpy done(&d, &FileDownloader::downloaded);
    QCOMPARE(d.startDownload(QUrl(url), FileDownloader::FirmwareFile), FileDownloader::kRefused);
    QVERIFY(!d.isBusy());
    QVERIFY(!d.errorText().isEmpty());
    QTest::qWait(20);
    QCOMPARE(done.count(), 0);
}

void TestFileDownloader::oneRequestAtATime()
{
    LoopbackHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/a", 200, "a");
    FileDownloader d(configFor(server));
    QSignalSpy done(&d, &FileDownloader::downloaded);
    QCOMPARE(d.startDownload(server.url("/a"), FileDownloader::TocFile), 0);
    QVERIFY(d.startDownload(server.url("/a"), FileDownloader::TocFile) != 0);
    QVERIFY(done.wait(10000));
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(d.downloadedData(), QByteArray("a"));
}

QTEST_MAIN(TestFileDownloader)
#include "tst_filedownloader.moc"
