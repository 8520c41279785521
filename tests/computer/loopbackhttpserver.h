#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the download tests. It answers each request from a
// table of routes, records what it was asked, and misbehaves on purpose (truncated bodies,
// lying lengths, silence). It stops by itself: after kMaxRequests requests or kLifetimeMs.

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

class LoopbackHttpServer : public QObject
{
public:
    static constexpr int kMaxRequests = 200;
    static constexpr int kLifetimeMs = 120000;

    enum class Mode {
        Normal,
        Truncated, // announces the whole body, sends half, closes
        Silent, // never answers
        Stalls, // sends the headers and half the body, then nothing more
        AnnounceHuge, // announces 100 MiB, sends the body, closes
    };
    struct Route
    {
        int status = 200;
        QByteArray body;
        Mode mode = Mode::Normal;
        QByteArray location; // for redirects
    };
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };

    LoopbackHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        m_lifetime.setSingleShot(true);
        QObject::connect(&m_lifetime, &QTimer::timeout, this, [this] { m_server.close(); });
        m_lifetime.start(kLifetimeMs);
    }

    ~LoopbackHttpServer() override
    {
        // The sockets are the server's children and outlive this body; stop hearing from them.
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
            socket->disconnect(this);
    }

    bool listen() { return m_server.listen(QHostAddress(QHostAddress::LocalHost), 0); }
    QUrl base() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
    }
    QUrl url(const QString& path) const { return QUrl(base().toString() + path); }

    void setRoute(const QByteArray& path, Route route) { m_routes.insert(path, route); }
    void setRoute(
        const QByteArray& path, int status, const QByteArray& body, Mode mode = Mode::Normal)
    {
        m_routes.insert(path, Route { status, body, mode, {} });
    }

    const QList<Request>& requests() const { return m_requests; }
    int requestsFor(const QByteArray& path) const
    {
        int n = 0;
        for (const Request& r : m_requests)
            n += r.path == path;
        return n;
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
            QObject::connect(
                socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        // Requests are GETs without a body; bound what a confused client can pile up.
        if (buffer.size() > 65536) {
            socket->abort();
            return;
        }
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        if (m_requests.size() >= kMaxRequests) {
            socket->abort();
            return;
        }
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(
                    lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        m_requests.append(request);
        respond(socket, m_routes.value(request.path, Route { 404, "Not Found", Mode::Normal, {} }));
    }

    void respond(QTcpSocket* socket, const Route& route)
    {
        if (route.mode == Mode::Silent)
            return;
        const QByteArray reason = route.status == 200 ? "OK"
            : route.status == 401                     ? "Unauthorized"
            : route.status == 404                     ? "Not Found"
            : route.status == 302                     ? "Found"
                                                      : "Error";
        const qint64 announced
            = route.mode == Mode::AnnounceHuge ? 100 * 1024 * 1024 : route.body.size();
        QByteArray out = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reason + "\r\n";
        out += "Content-Type: application/octet-stream\r\n";
        out += "Content-Length: " + QByteArray::number(announced) + "\r\n";
        if (!route.location.isEmpty())
            out += "Location: " + route.location + "\r\n";
        out += "Connection: close\r\n\r\n";
        const bool half = route.mode == Mode::Truncated || route.mode == Mode::Stalls;
        out += half ? route.body.left(route.body.size() / 2) : route.body;
        socket->write(out);
        if (route.mode != Mode::Stalls)
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QTimer m_lifetime;
    QHash<QByteArray, Route> m_routes;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Request> m_requests;
};
