#pragma once

// Pieces the remote-support tests share: a tiny HTTP server standing in for
// the address lookup, a scripted support server, a raw protocol client, and
// a worker in its own thread against a simulated rebreather.

#include "NDKMessage.h"
#include "NDKStreamFramer.h"
#include "RebreatherSimulator.h"
#include "WorkerC.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>

namespace SupportTestKit {

constexpr int WaitMs = 20000;

// Answers every GET with a fixed status and body, like the address lookup.
class EchoServer : public QObject
{
public:
    explicit EchoServer(QByteArray body = QByteArrayLiteral("192.0.2.99\n"), int status = 200)
        : m_body(std::move(body)), m_status(status)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto request = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                    request->append(socket->readAll());
                    if (!request->contains("\r\n\r\n"))
                        return;
                    ++requests;
                    const QByteArray reason = m_status == 200 ? "OK" : "Error";
                    socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason
                                  + "\r\nContent-Type: text/plain\r\nContent-Length: "
                                  + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/ip").arg(m_server.serverPort()); }
    int requests = 0;

private:
    QTcpServer m_server;
    QByteArray m_body;
    int m_status;
};

// One end of the protocol on a socket: sends messages, collects what arrives.
class Peer : public QObject
{
public:
    explicit Peer(QTcpSocket *socket = nullptr) { Attach(socket ? socket : new QTcpSocket(this)); }

    void Attach(QTcpSocket *socket)
    {
        m_socket = socket;
        socket->setParent(this);
        m_reading = QObject::connect(socket, &QTcpSocket::readyRead, this, [this] {
            m_framer.Append(m_socket->readAll());
            QByteArray raw;
            while (m_framer.Next(raw) == NDKStreamFramer::Result::Message) {
                rawReceived << raw;
                NDKMessage message;
                if (message.fromByteArray(raw))
                    received << message;
                else
                    ++undecodable;
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this] { closed = true; });
    }

    // from: the local address to connect from (any loopback address will do).
    bool ConnectTo(quint16 port, const QHostAddress &from = QHostAddress())
    {
        if (!from.isNull() && !m_socket->bind(from))
            return false;
        m_socket->connectToHost(QHostAddress::LocalHost, port);
        return m_socket->waitForConnected(WaitMs);
    }
    void Send(const NDKMessage &message) { SendRaw(message.toByteArray()); }
    void SendRaw(const QByteArray &bytes)
    {
        m_socket->write(bytes);
        m_socket->flush();
    }
    NDKMessage Build(int clientType, int type, uint number, const QVariantList &items) const
    {
        NDKMessage message(clientType, type, number);
        for (const QVariant &value : items)
            message.addItem(value);
        return message;
    }

    // The first message received of the type (and number, when not 0) after
    // `from`, waiting for it; its index in `received`, or -1.
    int WaitFor(int type, uint number = 0, int from = 0)
    {
        int found = -1;
        (void)QTest::qWaitFor(
            [&] {
                for (int i = from; i < received.size(); ++i) {
                    if (received.at(i).messageType() == type && (number == 0 || received.at(i).msgNumber() == number)) {
                        found = i;
                        return true;
                    }
                }
                return false;
            },
            WaitMs);
        return found;
    }
    int Count(int type) const
    {
        int n = 0;
        for (const NDKMessage &message : received)
            n += message.messageType() == type ? 1 : 0;
        return n;
    }
    bool WaitClosed() { return QTest::qWaitFor([this] { return closed; }, WaitMs); }
    // Takes nothing more off the connection: what is sent to it piles up in
    // the network and then at the sender.
    void StopReading()
    {
        QObject::disconnect(m_reading);
        m_socket->setReadBufferSize(4096);
    }
    QTcpSocket *Socket() const { return m_socket; }

    QList<NDKMessage> received;
    QList<QByteArray> rawReceived; // the wire form of every whole message
    int undecodable = 0;
    bool closed = false;

private:
    QTcpSocket *m_socket = nullptr;
    NDKStreamFramer m_framer;
    QMetaObject::Connection m_reading;
};

// A support server under the test's control: accepts one connection.
class ScriptedServer : public QObject
{
public:
    ScriptedServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            if (QTcpSocket *socket = m_server.nextPendingConnection())
                peer = std::make_unique<Peer>(socket);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return m_server.serverPort(); }
    bool WaitForPeer() { return QTest::qWaitFor([this] { return peer != nullptr; }, WaitMs); }
    void Send(int type, uint number, const QVariantList &items, int clientType = NDKMessage::NDKServer)
    {
        peer->Send(peer->Build(clientType, type, number, items));
    }

    std::unique_ptr<Peer> peer;

private:
    QTcpServer m_server;
};

// A worker in a thread of its own, connected to a simulated rebreather.
class WorkerHarness
{
public:
    explicit WorkerHarness(SimProfile profile = SimProfile::ColourV2Usb)
        : sim(profile, 5)
    {
        QString error;
        simulatorStarted = sim.Start(&error);
        worker = new WorkerC();
        worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(&m_thread, &QThread::started, worker, &WorkerC::Start);
        m_thread.start();
    }
    ~WorkerHarness()
    {
        m_thread.quit();
        m_thread.wait();
    }

    // Opens the simulator's port and waits for the handset to be identified.
    bool Connect()
    {
        if (!simulatorStarted || !QTest::qWaitFor([this] { return !worker->IsWorkInProgress(); }, WaitMs))
            return false;
        QMetaObject::invokeMethod(worker, "OpenComPort", Q_ARG(QString, sim.PortPath()),
                                  Q_ARG(QString, QStringLiteral("SIM")), Q_ARG(bool, true));
        return QTest::qWaitFor(
            [this] {
                const RBData record = worker->RBDataSnapshot();
                return record.IsValid() && record.IsHandsetPresent() && !worker->IsWorkInProgress();
            },
            WaitMs);
    }

    RebreatherSimulator sim;
    bool simulatorStarted = false;
    WorkerC *worker = nullptr;

private:
    QThread m_thread;
};

} // namespace SupportTestKit
