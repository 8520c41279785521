#pragma once

// An HTTP/1.1 server on 127.0.0.1 answering from a table of routes, recording what it was asked
// and misbehaving on purpose. It stops by itself after 200 requests or two minutes.

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>

class LoopbackHttpServer : public QObject
{
public:
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
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };

    LoopbackHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(
                    socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
        QTimer::singleShot(120000, this, [this] { m_server.close(); });
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
    void setRoute(const QByteArray& path, int status, const QByteArray& body,
        Mode mode = Mode::Normal, const QByteArray& location = {})
    {
        m_routes.insert(path, Route { status, body, mode, location });
    }
    const QList<Request>& requests() const { return m_requests; }
    int requestsFor(const QByteArray& path) const
    {
        return int(std::count_if(m_requests.begin(), m_requests.end(),
            [&](const Request& r) { return r.path == path; }));
    }

private:
    void read(QTcpSocket* socket)
    {
        // Requests are GETs without a body; bound what a confused client can pile up.
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (buffer.size() > 65536 || m_requests.size() >= 200) {
            socket->abort();
            return;
        }
        socket->setProperty("buffer", end < 0 ? buffer : buffer.mid(end + 4));
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        Request request;
        request.path = lines.value(0).trimmed().split(' ').value(1);
        for (const QByteArray& line : lines.mid(1)) {
            const int colon = line.indexOf(':');
            if (colon > 0)
                request.headers.insert(
                    line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        m_requests.append(request);
        respond(socket, m_routes.value(request.path, Route { 404, "Not Found", Mode::Normal, {} }));
    }

    static void respond(QTcpSocket* socket, const Route& route)
    {
        if (route.mode == Mode::Silent)
            return;
        const qint64 announced
            = route.mode == Mode::AnnounceHuge ? 100 * 1024 * 1024 : route.body.size();
        QByteArray out = "HTTP/1.1 " + QByteArray::number(route.status) + " Status\r\n";
        out += "Content-Type: application/octet-stream\r\n";
        out += "Content-Length: " + QByteArray::number(announced) + "\r\n";
        if (!route.location.isEmpty())
            out += "Location: " + route.location + "\r\n";
        out += "Connection: close\r\n\r\n";
        const bool half = route.mode == Mode::Truncated || route.mode == Mode::Stalls;
        socket->write(out + (half ? route.body.left(route.body.size() / 2) : route.body));
        if (route.mode != Mode::Stalls)
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, Route> m_routes;
    QList<Request> m_requests;
};
