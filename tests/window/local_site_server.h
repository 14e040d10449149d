#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace quennit::test {

// Result pages for the window's searches, served on 127.0.0.1 from the
// test's own thread. Every request for /s?q=KEYWORD&site=N gets three
// results whose titles name the keyword and the site. With Hold() set,
// requests are kept unanswered until Release().
class LocalSiteServer : public QObject {
  public:
    LocalSiteServer() {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRead(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 Port() const { return m_server.serverPort(); }
    int Requests() const { return m_requests; }
    void Hold(bool on) { m_hold = on; }
    void Release() {
        m_hold = false;
        for (const auto& [socket, path] : m_held) {
            if (socket != nullptr) {
                Answer(socket, path);
            }
        }
        m_held.clear();
    }

    // One site of the definition file that points at this server.
    QByteArray SiteLines(const QByteArray& name, int site, const QByteArray& group) const {
        return "HOST_ID\t" + name + "\nHOST_ADDR\t127.0.0.1:" + QByteArray::number(Port()) +
               "\nHOST_URL_FORMAT\t/s?q=%s&site=" + QByteArray::number(site) + "\nHOST_GROUP\t" +
               group +
               "\nSEARCH\t<li><a href=\"http://\nURL\t\">\nTITLE\t</a>\nSEARCH\t<p>\nTEXT\t</p>\n";
    }

  private:
    void OnRead(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) {
            return;
        }
        const QByteArray path = buffer.split(' ').value(1);
        m_buffers.remove(socket);
        ++m_requests;
        if (m_hold) {
            m_held.push_back({QPointer<QTcpSocket>(socket), path});
        } else {
            Answer(socket, path);
        }
    }

    static void Answer(QTcpSocket* socket, const QByteArray& path) {
        const QUrlQuery query(QString::fromLatin1(path.mid(path.indexOf('?') + 1)));
        const QByteArray keyword = query.queryItemValue(QStringLiteral("q")).toLatin1();
        const QByteArray site = query.queryItemValue(QStringLiteral("site")).toLatin1();
        QByteArray body = "<html><body><ul>\n";
        for (int i = 1; i <= 3; ++i) {
            const QByteArray n = QByteArray::number(i);
            body += "<li><a href=\"http://example.jp/" + site + "/" + n + "\">" + keyword + " " +
                    site + "-" + n + "</a><p>text " + n + "</p>\n";
        }
        body += "</ul></body></html>\n";
        socket->write(
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
            "Content-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<std::pair<QPointer<QTcpSocket>, QByteArray>> m_held;
    int m_requests = 0;
    bool m_hold = false;
};

}  // namespace quennit::test
