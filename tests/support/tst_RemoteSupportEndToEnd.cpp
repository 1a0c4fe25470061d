// The whole chain on 127.0.0.1: the remote-support window with the real
// worker thread and a simulated rebreather on a pseudo-terminal, the relay
// server, and the technician's console as its own process driven through a
// pipe.

#include "AppSettings.h"
#include "RelayServer.h"
#include "RemoteSupportDialog.h"
#include "RemoteSupportSession.h"
#include "StatusLog.h"
#include "SupportTestKit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace SupportTestKit;

namespace {

constexpr char staffKey[] = "e2e-staff-key";
const QString userId = QStringLiteral("diver-ben");

QString messages(QWidget &w)
{
    return w.findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->toPlainText();
}

// The technician's console, fed line by line; its output is read in order.
class Console
{
public:
    bool Start(quint16 port)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TESSARO_STAFF_KEY"), QString::fromLatin1(staffKey));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tessaro-support-console"),
                        {QStringLiteral("--port"), QString::number(port), QStringLiteral("--name"),
                         QStringLiteral("tech-tom"), QStringLiteral("--timeout"), QStringLiteral("20")});
        return m_process.waitForStarted(WaitMs) && Next(QStringLiteral("Joined as support staff")).size() > 0;
    }
    ~Console()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(WaitMs);
        }
    }
    void Type(const QString &line) { m_process.write(line.toUtf8() + '\n'); }
    void CloseInput() { m_process.closeWriteChannel(); }
    bool WaitForExit(int *code)
    {
        if (!QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, WaitMs))
            return false;
        *code = m_process.exitCode();
        return true;
    }

    // The next output line (after the last one returned) that contains text;
    // empty when none comes in time.
    QString Next(const QString &text)
    {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                m_output += QString::fromUtf8(m_process.readAll());
                const QStringList lines = m_output.split(QLatin1Char('\n'));
                for (int i = m_consumed; i < lines.size() - 1; ++i) {
                    if (lines.at(i).contains(text)) {
                        found = lines.at(i);
                        m_consumed = i + 1;
                        return true;
                    }
                }
                return false;
            },
            WaitMs);
        return found;
    }
    // The hex dump lines that follow the last line returned by Next.
    QByteArray DumpedBytes(int size)
    {
        QByteArray bytes;
        (void)QTest::qWaitFor(
            [&] {
                m_output += QString::fromUtf8(m_process.readAll());
                const QStringList lines = m_output.split(QLatin1Char('\n'));
                bytes.clear();
                for (int i = m_consumed; i < lines.size() - 1; ++i) {
                    const QString line = lines.at(i);
                    if (!line.startsWith(QStringLiteral("  ")) || line.indexOf(QLatin1Char(':')) != 6)
                        break;
                    bytes += QByteArray::fromHex(line.mid(8).toLatin1());
                }
                return bytes.size() >= size;
            },
            WaitMs);
        return bytes;
    }
    QString Output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
    int m_consumed = 0;
};

} // namespace

class tst_RemoteSupportEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void chatBothWays();
    void deviceCommandsReachTheUnit();
    void statusLogsArriveAndDecode();
    void keepAliveReadsTheHandset();
    void technicianLeaving();

private:
    std::unique_ptr<EchoServer> m_echo;
    std::unique_ptr<RelayServer> m_relay;
    std::unique_ptr<WorkerHarness> m_harness;
    std::unique_ptr<RemoteSupportDialog> m_dialog;
    std::unique_ptr<Console> m_console;
};

void tst_RemoteSupportEndToEnd::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quor"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaro"));
}

void tst_RemoteSupportEndToEnd::init()
{
    m_echo = std::make_unique<EchoServer>();
    m_relay = std::make_unique<RelayServer>();
    m_relay->SetStaffKey(QString::fromLatin1(staffKey));
    QVERIFY(m_relay->Listen(QHostAddress::LocalHost, 0));
    m_harness = std::make_unique<WorkerHarness>();
    QVERIFY(m_harness->Connect());

    AppSettings::SetValue(AppSettings::Key::RemoteSupportIpEchoUrl, m_echo->Url());
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPublicAddress, QStringLiteral("127.0.0.1"));
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerInternalAddress, QStringLiteral("127.0.0.1"));
    AppSettings::SetValue(AppSettings::Key::RemoteSupportServerPort, int(m_relay->Port()));
    AppSettings::SetValue(AppSettings::Key::ClientName, userId);

    m_dialog = std::make_unique<RemoteSupportDialog>(m_harness->worker);
    m_dialog->ConnectWorker(m_harness->worker);
    m_dialog->show();
    auto *connectBtn = m_dialog->findChild<QPushButton *>(QStringLiteral("connectBtn"));
    QTRY_VERIFY_WITH_TIMEOUT(connectBtn->isEnabled(), WaitMs);
    connectBtn->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_relay->UsersOnline().contains(userId), WaitMs);

    m_console = std::make_unique<Console>();
    QVERIFY2(m_console->Start(m_relay->Port()), qPrintable(m_console->Output()));
    m_console->Type(QStringLiteral("link ") + userId);
    QVERIFY2(!m_console->Next(QStringLiteral("linked to user ") + userId).isEmpty(), qPrintable(m_console->Output()));
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog->Session()->IsLinked(), WaitMs);
}

void tst_RemoteSupportEndToEnd::cleanup()
{
    m_console.reset();
    m_dialog.reset();
    m_harness.reset();
    m_relay.reset();
    m_echo.reset();
}

void tst_RemoteSupportEndToEnd::chatBothWays()
{
    QVERIFY(messages(*m_dialog).contains(QStringLiteral("A support technician has joined this session.")));
    m_console->Type(QStringLiteral("say Good morning, please connect the handset."));
    QTRY_VERIFY_WITH_TIMEOUT(
        messages(*m_dialog).contains(QStringLiteral("Rcvd: Good morning, please connect the handset.")), WaitMs);

    m_dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))->setText(QStringLiteral("It is connected."));
    QTest::keyClick(m_dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit")), Qt::Key_Return);
    QVERIFY2(!m_console->Next(QStringLiteral("user: It is connected.")).isEmpty(), qPrintable(m_console->Output()));
    QVERIFY(messages(*m_dialog).contains(QStringLiteral("Sent: It is connected.")));

    // Characters outside Latin-1 arrive as visible marks, not as 0 bytes
    // that cut the text short; both sides see the same text.
    m_console->Type(QStringLiteral("say A new cell costs 90 € – shall I order?"));
    QVERIFY(!m_console->Next(QStringLiteral("sent as: A new cell costs 90 ? ? shall I order?")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        messages(*m_dialog).contains(QStringLiteral("Rcvd: A new cell costs 90 ? ? shall I order?")), WaitMs);
    m_dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit"))->setText(QStringLiteral("Ja, für 90 €"));
    QTest::keyClick(m_dialog->findChild<QLineEdit *>(QStringLiteral("sendMessageEdit")), Qt::Key_Return);
    QVERIFY2(!m_console->Next(QStringLiteral("user: Ja, für 90 ?")).isEmpty(), qPrintable(m_console->Output()));
}

void tst_RemoteSupportEndToEnd::deviceCommandsReachTheUnit()
{
    RebreatherSimulator &sim = m_harness->sim;
    const QByteArray stored = QByteArray::fromHex("0011223344556677");
    sim.SetMemory(0xBC, 2, 0x30, stored);

    // A read returns the unit's bytes.
    m_console->Type(QStringLiteral("read 0xBC 2 0x30 8"));
    const QString read = m_console->Next(QStringLiteral("QuorResultRead:"));
    QVERIFY2(read.contains(QStringLiteral("response true")), qPrintable(m_console->Output()));
    QVERIFY(read.contains(QStringLiteral("status \"Command succeded\"")));
    QVERIFY(read.contains(QStringLiteral("reply \"Data Message: Valid data returned\"")));
    QCOMPARE(m_console->DumpedBytes(8), stored);

    // A write changes the unit.
    m_console->Type(QStringLiteral("write 0xBC 2 0x50 de ad be ef"));
    QVERIFY(m_console->Next(QStringLiteral("QuorResultWrite:")).contains(QStringLiteral("response true")));
    QCOMPARE(sim.Memory(0xBC, 2, 0x50, 4), QByteArray::fromHex("deadbeef"));
    m_console->Type(QStringLiteral("writeverify 0xBC 2 0x60 0102"));
    QVERIFY(m_console->Next(QStringLiteral("QuorResultWriteAndVerify:")).contains(QStringLiteral("response true")));
    QCOMPARE(sim.Memory(0xBC, 2, 0x60, 2), QByteArray::fromHex("0102"));

    // Two blocks of 64 bytes.
    m_console->Type(QStringLiteral("readblocks 0xBC 2 0 2"));
    QVERIFY(m_console->Next(QStringLiteral("QuorResultReadBlocks:")).contains(QStringLiteral("; 128 bytes")));
    QCOMPARE(m_console->DumpedBytes(128), sim.Memory(0xBC, 2, 0, 128));

    // The other commands, and lengths the relay's buffers cannot take.
    struct Case {
        const char *command;
        const char *result;
        const char *expected;
    };
    const Case cases[] = {
        {"present 0xBC", "QuorResultIsDevicePresent:", "response true"},
        {"present 0xB6", "QuorResultIsDevicePresent:", "response false"},
        {"command 0xB8 0", "QuorResultCommand:", "response true"},
        {"commanddata 0xB8 12", "QuorResultCommandReturnData:", "; 2 bytes"},
        {"port", "QuorResultGetPortDetails:", "port open true; bridge details valid true; bridge type 3 (USB Handset)"},
        {"read 0xBC 2 0 65", "QuorResultRead:", "response false; reply \"\"; status \"Command failed, read length 65"},
        {"readblocks 0xBC 2 0 33", "QuorResultReadBlocks:", "status \"Command failed, block count 33"},
        {"write 0xBC 2 0 " "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
         "202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f40",
         "QuorResultWrite:", "status \"Command failed, write length 65"},
    };
    for (const Case &c : cases) {
        m_console->Type(QString::fromLatin1(c.command));
        const QString line = m_console->Next(QString::fromLatin1(c.result));
        QVERIFY2(line.contains(QString::fromLatin1(c.expected)),
                 qPrintable(QStringLiteral("%1 gave: %2").arg(QString::fromLatin1(c.command), line)));
    }
    QVERIFY(m_dialog->Session()->IsConnected());
}

void tst_RemoteSupportEndToEnd::statusLogsArriveAndDecode()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QDateTime when(QDate(2026, 4, 1), QTime(9, 30, 15, 250));
    StatusLog log(folder.path(), [when] { return when; }, [] { return quint16(1234); });
    log.Write(QtDebugMsg, QStringLiteral("Worker::LocalCheckForDevices()"));
    log.Write(QtWarningMsg, QStringLiteral("handset battery low"));
    m_dialog->Session()->SetStatusLogFolder(folder.path());

    m_console->Type(QStringLiteral("logs"));
    QVERIFY2(!m_console->Next(QStringLiteral("collecting its status logs")).isEmpty(), qPrintable(m_console->Output()));
    QVERIFY(!m_console->Next(QStringLiteral("1 status log files received")).isEmpty());
    QVERIFY(!m_console->Next(QStringLiteral("== Tessaro_2026_04_01.log:")).isEmpty());
    QVERIFY(!m_console->Next(QStringLiteral("09:30:15:250 DBG Worker::LocalCheckForDevices()")).isEmpty());
    QVERIFY(!m_console->Next(QStringLiteral("09:30:15:250 WRN handset battery low")).isEmpty());

    m_console->Type(QStringLiteral("logs sometimes"));
    QVERIFY(!m_console->Next(QStringLiteral("usage: logs")).isEmpty());
}

void tst_RemoteSupportEndToEnd::keepAliveReadsTheHandset()
{
    RebreatherSimulator &sim = m_harness->sim;
    sim.ClearReceivedFrames();
    qint64 now = 0;
    m_dialog->Session()->SetClock([&now] { return now; });
    now = 30001;
    m_dialog->Session()->onKeepAliveTimer();
    // One byte of the colour handset's EEPROM at address 0.
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (const SimFrameRecord &frame : sim.ReceivedFrames()) {
                SimRequest request;
                if (SimulatedBus::ParseRequest(frame.bytes, request) && request.deviceId == 0xBC
                    && request.opcode == 3 && request.address == 0 && request.length == 1)
                    return true;
            }
            return false;
        },
        WaitMs));
    m_dialog->Session()->SetClock({});
}

void tst_RemoteSupportEndToEnd::technicianLeaving()
{
    m_console->Type(QStringLiteral("logging on"));
    QVERIFY(!m_console->Next(QStringLiteral("enhanced logging on requested")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_dialog->Session()->MessageLevel(), 1, WaitMs);

    // The end of the console's input ends its session.
    m_console->CloseInput();
    int code = -1;
    QVERIFY(m_console->WaitForExit(&code));
    QCOMPARE(code, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->Session()->IsLinked(), WaitMs);
    QVERIFY(messages(*m_dialog).contains(QStringLiteral("The support technician has left this session.")));
    QVERIFY(m_dialog->Session()->IsConnected());
}

QTEST_MAIN(tst_RemoteSupportEndToEnd)
#include "tst_RemoteSupportEndToEnd.moc"
