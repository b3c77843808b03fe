#pragma once

#include <QTcpServer>
#include <QTcpSocket>

// A server on a free loopback port that answers whatever it is sent with the same bytes
// (nothing when they are empty), closing the connection afterwards when asked to.
class CannedTcpServer : public QTcpServer
{
public:
    explicit CannedTcpServer(const QByteArray& answer, bool closeAfter = false)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, answer, closeAfter] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, closeAfter] {
                socket->readAll();
                socket->write(answer);
                if (closeAfter)
                    socket->disconnectFromHost();
            });
        });
    }
};
