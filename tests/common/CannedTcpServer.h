// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A server on a free loopback port that records every request (up to its blank line) and
// answers each with the scripted bytes (nothing when they are empty).
class CannedTcpServer
{
public:
    enum Ending
    {
        KeepOpen, // the connection stays open after the answer, as HTTP/1.1 allows
        Close,    // the server closes after the answer
        Split,    // the header goes first; the body waits for sendRest()
        Silent,   // no answer at all
    };

    explicit CannedTcpServer(QByteArray answer = {}, Ending ending = KeepOpen) : m_answer(answer), m_ending(ending)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection()) {
                m_clients << client;
                QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] { read(client); });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    void close() { m_server.close(); }
    void setAnswer(const QByteArray& answer, Ending ending = KeepOpen)
    {
        m_answer = answer;
        m_ending = ending;
    }
    const QList<QByteArray>& requests() const { return m_requests; }
    int connections() const { return int(m_clients.size()); }
    bool clientGone(int index) const
    {
        return !m_clients.at(index) || m_clients.at(index)->state() == QAbstractSocket::UnconnectedState;
    }
    void sendRest()
    {
        m_clients.constLast()->write(m_rest);
        m_clients.constLast()->flush();
    }

    // An HTTP answer 200 with this plain text.
    static QByteArray ok(const QByteArray& body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n" + body;
    }

private:
    void read(QTcpSocket* client)
    {
        QByteArray& received = m_received[client];
        received += client->readAll();
        if (!received.contains("\r\n\r\n"))
            return;
        m_requests << std::exchange(received, {});
        QByteArray answer = m_answer;
        if (m_ending == Silent)
            return;
        if (m_ending == Split) {
            const int headerEnd = int(answer.indexOf("\r\n\r\n")) + 4;
            m_rest = answer.mid(headerEnd);
            answer.truncate(headerEnd);
        }
        client->write(answer);
        client->flush();
        if (m_ending == Close)
            client->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_answer;
    Ending m_ending;
    QList<QPointer<QTcpSocket>> m_clients;
    QHash<QTcpSocket*, QByteArray> m_received;
    QList<QByteArray> m_requests;
    QByteArray m_rest;
};
