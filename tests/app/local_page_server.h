#pragma once
// A small HTTP server on 127.0.0.1 with an ephemeral port, answering every GET with one page and
// noting each request path, with a hook that runs as the request arrives.
#include <QByteArray>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

class LocalPageServer {
public:
    explicit LocalPageServer(QByteArray page) : page_(std::move(page)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) Serve(socket);
        });
    }

    quint16 Port() const { return server_.serverPort(); }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }
    const QStringList& Paths() const { return paths_; }
    void OnRequest(std::function<void(const QString& path)> hook) { hook_ = std::move(hook); }

private:
    void Serve(QTcpSocket* socket) {
        auto* received = new QByteArray;
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, received] {
            delete received;
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            received->append(socket->readAll());
            if (!received->contains("\r\n\r\n")) return;
            const QList<QByteArray> requestLine = received->left(received->indexOf("\r\n")).split(' ');
            const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
            received->clear();
            paths_.append(path);
            if (hook_) hook_(path);
            const bool known = path != QStringLiteral("/favicon.ico");
            const QByteArray body = known ? page_ : QByteArray("not here");
            socket->write((known ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                          QByteArray("Content-Type: text/html; charset=utf-8\r\nConnection: close\r\n") +
                          "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QByteArray page_;
    QStringList paths_;
    std::function<void(const QString&)> hook_;
};
