// The device link through the real serial-port code against the simulated
// rebreather on a pseudo-terminal.
#include "LogCollector.h"
#include "DeviceList.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QByteArray Pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

SimFaultSpec Fault(SimFault kind)
{
    SimFaultSpec spec;
    spec.fault = kind;
    return spec;
}

} // namespace

class TestRixComms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void frameSizesOnWire();
    void blockReadReplyCarries64BytesPerBlock();
    void reassemblesReplyFromChunks();
    void wrongFirstByteFailsAtOnce();
    void statusTexts_data();
    void statusTexts();
    void identifyBridge_data();
    void identifyBridge();
    void commandCodes_data();
    void commandCodes();
    void writeLengthOutsideLimitsSendsNothing();
    void commandAcceptsErrorStatusPresenceDoesNot();
    void silentUnitFailsPresenceAfterOneWait();
    void retries_data();
    void retries();
    void writeRetriesOnDataReplyAndErrorStatus();
    void writeStatusWithoutCodeIsNoAcknowledgement_data();
    void writeStatusWithoutCodeIsNoAcknowledgement();
    void writeAndVerifyStoresAndReadsBack();
    void writeAndVerifyMismatchReport();
    void oversizedReplyIsRejected();
    void longerReadReplyCopiesOnlyWhatWasAsked();
    void replyLengthDisagreeingWithPayload_data();
    void replyLengthDisagreeingWithPayload();
    void commandReturnData();
    void diagnosticLines();
    void messageLevelAndDebugSwitch();
    void linkNotOpenAndClosedPort();
    void unpluggedPortFailsWithoutHanging();
    void lateReadReplyIsNotTakenForLaterReads();
    void lateWriteAcknowledgementConfirmsNoOtherWrite();
    void dataReplyOfAnotherRequestIsNotTheAnswer_data();
    void dataReplyOfAnotherRequestIsNotTheAnswer();
    void lostIdentificationReplyIsAskedAgain_data();
    void lostIdentificationReplyIsAskedAgain();
    void presenceWithRetries_data();
    void presenceWithRetries();
    void openFailsForMissingPort_data();
    void openFailsForMissingPort();
    void openingAnOpenPortReopensIt();

private:
    bool Open(SimProfile profile = SimProfile::MonoSerial, bool identify = false);
    void LineRate();

    std::unique_ptr<RebreatherSimulator> m_sim;
    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<RixComms> m_comms;
};

void TestRixComms::initTestCase()
{
    LogCollector::Install();
}

void TestRixComms::cleanupTestCase()
{
    LogCollector::Uninstall();
}

void TestRixComms::init()
{
    LogCollector::Take();
}

void TestRixComms::cleanup()
{
    if (m_comms)
        m_comms->CloseComPort();
    m_comms.reset();
    m_port.reset();
    m_sim.reset();
}

bool TestRixComms::Open(SimProfile profile, bool identify)
{
    m_sim = std::make_unique<RebreatherSimulator>(profile, 7);
    QString error;
    if (!m_sim->Start(&error)) {
        qWarning() << "simulator:" << error;
        return false;
    }
    m_port = std::make_unique<QSerialPort>();
    m_comms = std::make_unique<RixComms>();
    m_comms->SetSerialPort(m_port.get());
    const bool ok = m_comms->OpenComPort(m_sim->PortPath(), identify);
    m_sim->ClearReceivedFrames();
    LogCollector::Take();
    return ok;
}

// Replies paced as on a 57600-baud line by a unit that takes 50 ms over each
// request, so a late reply and the requests queued behind it overlap as they
// do on a real cable.
void TestRixComms::LineRate()
{
    SimTiming timing;
    timing.lineRate = true;
    timing.deviceLatencyMs = 50;
    m_sim->SetTiming(timing);
}

void TestRixComms::frameSizesOnWire()
{
    QVERIFY(Open());
    QByteArray buffer(64, '\0');
    QVERIFY(m_comms->Read(DeviceId::DisplayMono, MemoryId::Flash, 0x4000, 64, reinterpret_cast<uchar *>(buffer.data())));
    const QByteArray payload = Pattern(64, 3);
    QVERIFY(m_comms->Write(DeviceId::DisplayMono, MemoryId::Ram, 0x100, 64,
                           reinterpret_cast<const uchar *>(payload.constData())));

    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).bytes.size(), 11);
    QCOMPARE(quint8(frames.at(0).bytes.at(5)), quint8(1));
    QCOMPARE(quint8(frames.at(0).bytes.at(9)), quint8(64));
    QCOMPARE(frames.at(1).bytes.size(), 75);
    QCOMPARE(quint8(frames.at(1).bytes.at(5)), quint8(6));
    QCOMPARE(frames.at(1).bytes.mid(10, 64), payload);
    QVERIFY(frames.at(0).checksumValid);
    QVERIFY(frames.at(1).checksumValid);
    QCOMPARE(m_sim->Memory(DeviceId::DisplayMono, MemoryId::Ram, 0x100, 64), payload);
    // The serial number region read back what the profile stored.
    QCOMPARE(buffer.mid(22, 10), QByteArray(SimProfileFacts::HandsetSerial));
}

void TestRixComms::blockReadReplyCarries64BytesPerBlock()
{
    QVERIFY(Open());
    const QByteArray content = Pattern(128, 11);
    m_sim->SetMemory(DeviceId::DisplayMono, MemoryId::Flash, 0x10000, content);
    QByteArray buffer(128, '\0');
    QVERIFY(m_comms->ReadBlocks(DeviceId::DisplayMono, MemoryId::Flash, 0x10000, 2,
                                reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(buffer, content);
    QCOMPARE(m_comms->Incoming().Size(), 139);
    QCOMPARE(m_comms->GetPayloadLength(), 128);
    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.at(0).bytes.size(), 11);
    QCOMPARE(quint8(frames.at(0).bytes.at(5)), quint8(17));
    QCOMPARE(quint8(frames.at(0).bytes.at(9)), quint8(2));
}

void TestRixComms::reassemblesReplyFromChunks()
{
    QVERIFY(Open());
    // A 28-byte read answers with a 39-byte frame: chunks of 4, 5 and 30.
    SimFaultSpec chunked = Fault(SimFault::ChunkedReply);
    chunked.chunkSizes = {4, 5, 30};
    chunked.chunkGapMs = 40;
    m_sim->QueueFault(chunked);
    const QByteArray content = Pattern(28, 5);
    m_sim->SetMemory(DeviceId::C1, MemoryId::Ram, 0x20, content);
    QByteArray buffer(28, '\0');
    QVERIFY2(m_comms->Read(DeviceId::C1, MemoryId::Ram, 0x20, 28, reinterpret_cast<uchar *>(buffer.data())),
             qPrintable(m_comms->GetLastError()));
    QCOMPARE(buffer, content);
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 0);
    QCOMPARE(m_sim->ReceivedFrames().at(0).faultApplied, SimFault::ChunkedReply);

    // Random chunking from the seed: many reads, all reassembled.
    SimFaultRates rates;
    rates.chunkedReply = 1.0;
    rates.maxChunkGapMs = 3;
    m_sim->SetFaultRates(rates);
    for (int i = 0; i < 10; ++i) {
        QVERIFY2(m_comms->Read(DeviceId::C1, MemoryId::Ram, 0x20, 28, reinterpret_cast<uchar *>(buffer.data())),
                 qPrintable(m_comms->GetLastError()));
        QCOMPARE(buffer, content);
        QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 0);
    }
}

void TestRixComms::wrongFirstByteFailsAtOnce()
{
    QVERIFY(Open());
    m_sim->QueueFault(SimFault::WrongHeader);
    QVERIFY(!m_comms->IsDevicePresent(DeviceId::DisplayMono));
    QCOMPARE(m_comms->GetLastError(),
             QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    const QStringList log = LogCollector::Take();
    QVERIFY(log.contains(QStringLiteral("Invalid due to mismatch")));
    // Failed on the first byte, not by running out the timeout.
    QVERIFY(!log.contains(QStringLiteral("Invalid due to timeout")));
    QCOMPARE(m_comms->GetReplyText(), QStringLiteral("Invalid message."));
}

void TestRixComms::statusTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Status Message: No error.";
    QTest::newRow("1") << 1 << "Status Message: RS232 - Checksum invalid.";
    QTest::newRow("2") << 2 << "Status Message: RS232 - Command invalid.";
    QTest::newRow("3 unknown") << 3 << "Status Message: Unknown message.";
    QTest::newRow("4") << 4 << "Status Message: RS232 - Data length invalid.";
    QTest::newRow("8") << 8 << "Status Message: RS232 - Timeout.";
    QTest::newRow("16") << 16 << "Status Message: I2C - Device not found.";
    QTest::newRow("32") << 32 << "Status Message: I2C - Communication error.";
    QTest::newRow("64") << 64 << "Status Message: I2C - Checksum invalid";
    QTest::newRow("128") << 128 << "Status Message: Requested operation failed.";
    QTest::newRow("255 unknown") << 255 << "Status Message: Unknown message.";
}

void TestRixComms::statusTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(RixComms::StatusText(quint8(code)), text);

    // The same text for a status reply that arrives over the wire.
    QVERIFY(Open());
    SimFaultSpec status = Fault(SimFault::StatusError);
    status.statusCode = quint8(code);
    m_sim->QueueFault(status);
    QVERIFY(m_comms->Command(DeviceId::C2, 0));
    QCOMPARE(m_comms->GetReplyText(), text);
    QCOMPARE(int(m_comms->GetStatusCode()), code);
}

void TestRixComms::identifyBridge_data()
{
    QTest::addColumn<int>("profile");
    QTest::addColumn<int>("bridgeTypeOverride"); // -1: keep the profile's
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<QString>("lastError");

    QTest::newRow("plain cable") << int(SimProfile::MonoSerial) << -1 << true << 0 << 0 << false << "";
    QTest::newRow("usb handset") << int(SimProfile::ColourV1Usb) << -1 << true << 3 << 0x10 << false << "";
    QTest::newRow("bluetooth handset") << int(SimProfile::ColourV2Bluetooth) << -1 << true << 2 << 0x10 << true << "";
    QTest::newRow("bluetooth bridge") << int(SimProfile::BluetoothBridgeOnly) << -1 << true << 1 << 0x10 << true << "";
    QTest::newRow("unknown type reads as serial") << int(SimProfile::ColourV2Usb) << 7 << true << 0 << 0x10 << false << "";
    QTest::newRow("nothing answers") << int(SimProfile::Empty) << -1 << false << -1 << -1 << false
                                     << "GetMessage Failed - No valid reply received within timeout.";
}

void TestRixComms::identifyBridge()
{
    QFETCH(int, profile);
    QFETCH(int, bridgeTypeOverride);
    QFETCH(bool, ok);
    QFETCH(int, type);
    QFETCH(int, version);
    QFETCH(bool, bluetooth);
    QFETCH(QString, lastError);

    QVERIFY(Open(SimProfile(profile), false));
    if (bridgeTypeOverride >= 0)
        m_sim->WithBus([&](SimulatedBus &bus) { bus.Bridge().type = quint8(bridgeTypeOverride); });
    QCOMPARE(m_comms->GetBridgeType(), -1);
    QCOMPARE(m_comms->IdentifyBridge(), ok);
    QCOMPARE(m_comms->IsBridgeDetailsValid(), ok);
    QCOMPARE(m_comms->GetBridgeType(), type);
    QCOMPARE(m_comms->GetBridgeVersion(), version);
    QCOMPARE(m_comms->IsBluetooth(), bluetooth);
    QCOMPARE(m_comms->IsBluetoothHandset(), type == 2);
    QCOMPARE(m_comms->GetLastError(), lastError);
    const QStringList log = LogCollector::Take();
    if (ok) {
        // A plain cable is recognised by the refusal; a bridge names itself.
        const bool plainCable = profile == int(SimProfile::MonoSerial);
        QCOMPARE(log.contains(QStringLiteral("RixComms::IdentifyBridge - Command Invalid therefore bridge is valid serial")),
                 plainCable);
        QCOMPARE(log.contains(QStringLiteral("RixComms::IdentifyBridge - Bridge is ") + RixComms::BridgeTypeName(type)),
                 !plainCable);
    } else {
        QVERIFY(log.contains(QStringLiteral("RixComms::IdentifyBridge - ") + lastError));
        QVERIFY(log.contains(QStringLiteral("RixComms::IdentifyBridge - Bridge is invalid")));
    }
    // The request went to the bridge id with command 12 and nothing else; a
    // bridge that does not answer is asked three times.
    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    QCOMPARE(frames.size(), ok ? 1 : 3);
    for (const SimFrameRecord &frame : frames)
        QCOMPARE(frame.bytes, Bytes({0xAC, 'R', 'i', 'x', 0xB8, 12, 0, 0, 0, 0,
                                     0xAC ^ 'R' ^ 'i' ^ 'x' ^ 0xB8 ^ 12}));
    // Identifying alone leaves the port open whatever the outcome, and closing drops the details.
    QVERIFY(m_comms->IsPortOpen());
    QVERIFY(m_comms->CloseComPort());
    QCOMPARE(m_comms->GetBridgeType(), -1);
}

void TestRixComms::commandCodes_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("memory");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("addressBytes");

    const QByteArray zero = Bytes({0, 0, 0});
    QTest::newRow("read eeprom bit 24") << "read" << 2 << quint32(0x01000123) << 0x43 << Bytes({0x00, 0x01, 0x23});
    QTest::newRow("write flash bit 25") << "write" << 1 << quint32(0x02004040) << 0x82 << Bytes({0x00, 0x40, 0x40});
    QTest::newRow("read ram both bits, high bits ignored") << "read" << 3 << quint32(0xFF000010) << 0xC5 << Bytes({0, 0, 0x10});
    QTest::newRow("read config") << "read" << 4 << quint32(0x300000) << 7 << Bytes({0x30, 0, 0});
    QTest::newRow("read buffer") << "read" << 5 << quint32(0) << 9 << zero;
    QTest::newRow("read profile") << "read" << 6 << quint32(0) << 13 << zero;
    QTest::newRow("read unknown memory as flash") << "read" << 9 << quint32(0) << 1 << zero;
    QTest::newRow("write eeprom") << "write" << 2 << quint32(0x10) << 4 << Bytes({0, 0, 0x10});
    QTest::newRow("write config") << "write" << 4 << quint32(0x300000) << 8 << Bytes({0x30, 0, 0});
    QTest::newRow("write buffer") << "write" << 5 << quint32(0) << 10 << zero;
    QTest::newRow("write profile") << "write" << 6 << quint32(0) << 14 << zero;
    QTest::newRow("blocks flash") << "blocks" << 1 << quint32(0) << 17 << zero;
    QTest::newRow("blocks eeprom") << "blocks" << 2 << quint32(0) << 19 << zero;
    QTest::newRow("blocks ram") << "blocks" << 3 << quint32(0) << 21 << zero;
    QTest::newRow("blocks config sends flash code") << "blocks" << 4 << quint32(0x300000) << 17 << Bytes({0x30, 0, 0});
    QTest::newRow("blocks buffer sends flash code") << "blocks" << 5 << quint32(0) << 17 << zero;
    QTest::newRow("blocks profile") << "blocks" << 6 << quint32(0) << 29 << zero;
    QTest::newRow("blocks profile bit 24") << "blocks" << 6 << quint32(0x01000000) << 0x5D << zero;
}

void TestRixComms::commandCodes()
{
    QFETCH(QString, operation);
    QFETCH(int, memory);
    QFETCH(quint32, address);
    QFETCH(int, command);
    QFETCH(QByteArray, addressBytes);

    QVERIFY(Open(SimProfile::ColourV2Usb));
    QByteArray buffer(64, '\0');
    auto *data = reinterpret_cast<uchar *>(buffer.data());
    // Whether the unit accepts the address does not matter here: only the request is checked.
    if (operation == QLatin1String("read"))
        m_comms->Read(DeviceId::DisplayColour, quint8(memory), address, 2, data);
    else if (operation == QLatin1String("write"))
        m_comms->Write(DeviceId::DisplayColour, quint8(memory), address, 2, data);
    else
        m_comms->ReadBlocks(DeviceId::DisplayColour, quint8(memory), address, 1, data);

    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    QVERIFY(!frames.isEmpty());
    QCOMPARE(int(quint8(frames.at(0).bytes.at(5))), command);
    QCOMPARE(frames.at(0).bytes.mid(6, 3), addressBytes);
    QCOMPARE(RixComms::WithAddressModifiers(0, address) & 0xC0, command & 0xC0);
}

void TestRixComms::writeLengthOutsideLimitsSendsNothing()
{
    QVERIFY(Open());
    QByteArray data(80, 'x');
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    for (int length : {0, 65}) {
        QVERIFY(!m_comms->Write(DeviceId::DisplayMono, MemoryId::Ram, 0, quint8(length), p));
        QCOMPARE(m_comms->GetLastError(), QString());
        QVERIFY(!m_comms->WriteAndVerify(DeviceId::DisplayMono, MemoryId::Ram, 0, quint8(length), p));
        QCOMPARE(m_comms->GetLastError(), QString());
    }
    // Give a stray frame time to arrive before concluding none was sent.
    QVERIFY(m_comms->IsDevicePresent(DeviceId::DisplayMono));
    QCOMPARE(m_sim->ReceivedFrameCount(), 1);
    QCOMPARE(quint8(m_sim->ReceivedFrames().at(0).bytes.at(5)), quint8(0));
}

void TestRixComms::commandAcceptsErrorStatusPresenceDoesNot()
{
    QVERIFY(Open());
    m_sim->QueueFaults({Fault(SimFault::StatusError), Fault(SimFault::StatusError)});
    QVERIFY(m_comms->Command(DeviceId::C1, 0));
    QCOMPARE(m_comms->GetLastError(), QString());
    QCOMPARE(m_comms->GetReplyText(), QStringLiteral("Status Message: Requested operation failed."));
    QVERIFY(!m_comms->IsDevicePresent(DeviceId::C1));
    QCOMPARE(m_comms->GetLastError(),
             QStringLiteral("IsStatusOK Failed - Status Message: Requested operation failed."));
    // An unknown command answers "command invalid", which still satisfies Command.
    QVERIFY(m_comms->Command(DeviceId::C1, 0x3F));
    QCOMPARE(m_comms->GetReplyText(), QStringLiteral("Status Message: RS232 - Command invalid."));
    // An address outside the unit's ranges answers "operation failed".
    QByteArray buffer(4, '\0');
    QVERIFY(!m_comms->Read(DeviceId::C1, MemoryId::Flash, 0x8000, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("Status Message: Requested operation failed."));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C1));
    QCOMPARE(m_comms->GetLastError(), QString());
}

void TestRixComms::silentUnitFailsPresenceAfterOneWait()
{
    QVERIFY(Open());
    QVERIFY(!m_comms->IsDevicePresent(0x11));
    QCOMPARE(m_comms->GetLastError(),
             QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QCOMPARE(m_sim->ReceivedFrameCount(), 1);
    QVERIFY(!m_comms->Command(0x11, 5));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("No valid reply received within timeout."));
    const QStringList log = LogCollector::Take();
    QVERIFY(log.contains(QStringLiteral("Invalid due to timeout")));
    QVERIFY(log.contains(QStringLiteral("IsDevicePresent returning false")));
    QVERIFY(log.contains(QStringLiteral("RixComms:GetMessage() Timeout")));
}

void TestRixComms::retries_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("faultCount");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("lastError");

    const QString timeout = QStringLiteral("GetMessage Failed - No valid reply received within timeout.");
    const QString checksum = QStringLiteral("GetMessage Failed - Invalid Checksum");
    const QString failed = QStringLiteral("Status Message: Requested operation failed.");
    // After a recovery the reason of the last failed attempt stays readable.
    QTest::newRow("no reply, recovers") << int(SimFault::NoReply) << 2 << true << timeout;
    QTest::newRow("no reply x3") << int(SimFault::NoReply) << 3 << false << timeout;
    QTest::newRow("truncated, recovers") << int(SimFault::TruncatedReply) << 1 << true << timeout;
    QTest::newRow("truncated x3") << int(SimFault::TruncatedReply) << 3 << false << timeout;
    QTest::newRow("bad checksum, recovers") << int(SimFault::CorruptChecksum) << 2 << true << checksum;
    QTest::newRow("bad checksum x3") << int(SimFault::CorruptChecksum) << 3 << false << checksum;
    QTest::newRow("wrong header x3") << int(SimFault::WrongHeader) << 3 << false << timeout;
    QTest::newRow("status error, recovers") << int(SimFault::StatusError) << 2 << true << failed;
    QTest::newRow("status error x3") << int(SimFault::StatusError) << 3 << false << failed;
    QTest::newRow("delayed past timeout x3") << int(SimFault::DelayedReply) << 3 << false << timeout;
}

void TestRixComms::retries()
{
    QFETCH(int, fault);
    QFETCH(int, faultCount);
    QFETCH(bool, ok);
    QFETCH(QString, lastError);

    QVERIFY(Open());
    QVector<SimFaultSpec> faults;
    for (int i = 0; i < faultCount; ++i) {
        SimFaultSpec spec = Fault(SimFault(fault));
        spec.delayMs = 2000; // far past the 500 ms reply timeout and the retries
        faults << spec;
    }
    m_sim->QueueFaults(faults);
    const QByteArray content = Pattern(16, 1);
    m_sim->SetMemory(DeviceId::DisplayMono, MemoryId::Eeprom, 0x40, content);
    QByteArray buffer(16, '\0');
    QCOMPARE(m_comms->Read(DeviceId::DisplayMono, MemoryId::Eeprom, 0x40, 16,
                           reinterpret_cast<uchar *>(buffer.data())), ok);
    QCOMPARE(m_comms->GetLastError(), lastError);
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), ok ? faultCount : 3);
    if (ok)
        QCOMPARE(buffer, content);

    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    const int requests = ok ? faultCount + 1 : 3;
    QCOMPARE(frames.size(), requests);
    for (int i = 1; i < frames.size(); ++i) {
        QCOMPARE(frames.at(i).bytes, frames.at(0).bytes); // the whole request again
        // At least the 100 ms pause lies between two requests.
        QVERIFY2(frames.at(i).receivedAtUs - frames.at(i - 1).receivedAtUs >= 95 * 1000,
                 qPrintable(QString::number(frames.at(i).receivedAtUs - frames.at(i - 1).receivedAtUs)));
    }
    QCOMPARE(LogCollector::Take().count(QStringLiteral("Retry")), requests - 1);
}

void TestRixComms::writeRetriesOnDataReplyAndErrorStatus()
{
    QVERIFY(Open());
    // A unit that answers writes with data instead of a status.
    m_sim->WithBus([](SimulatedBus &bus) {
        bus.Unit(DeviceId::C2)->SetHandler(6, [](SimUnit &, const SimRequest &r) {
            return SimReply::Data(5, r.address, 1, QByteArray(1, 'z'));
        });
    });
    const QByteArray data = Bytes({1, 2, 3});
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    QVERIFY(!m_comms->Write(DeviceId::C2, MemoryId::Ram, 0, 3, p));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("Writing: The expected status message did not arrive."));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    QCOMPARE(m_sim->ReceivedFrameCount(), 3);

    m_sim->ClearReceivedFrames();
    SimFaultSpec status = Fault(SimFault::StatusError);
    status.statusCode = 4;
    m_sim->QueueFault(status);
    QVERIFY(m_comms->Write(DeviceId::C1, MemoryId::Ram, 0, 3, p));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 1);
    QCOMPARE(m_sim->Memory(DeviceId::C1, MemoryId::Ram, 0, 3), data);

    m_sim->QueueFaults({status, status, status});
    QVERIFY(!m_comms->Write(DeviceId::C1, MemoryId::Ram, 0, 3, p));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("Writing: Status Message: RS232 - Data length invalid."));
}

void TestRixComms::writeStatusWithoutCodeIsNoAcknowledgement_data()
{
    QTest::addColumn<bool>("verify");
    QTest::newRow("Write") << false;
    QTest::newRow("WriteAndVerify") << true;
}

void TestRixComms::writeStatusWithoutCodeIsNoAcknowledgement()
{
    QFETCH(bool, verify);
    QVERIFY(Open());
    // A status frame whose length byte is 0 carries no status code: the unit
    // has not said that the write went through.
    m_sim->WithBus([](SimulatedBus &bus) {
        bus.Unit(DeviceId::C2)->SetHandler(6, [](SimUnit &, const SimRequest &r) {
            return SimReply::Data(0, r.address, 0, QByteArray());
        });
    });
    const QByteArray data = Bytes({9, 8, 7});
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const bool ok = verify ? m_comms->WriteAndVerify(DeviceId::C2, MemoryId::Ram, 0x10, 3, p)
                           : m_comms->Write(DeviceId::C2, MemoryId::Ram, 0x10, 3, p);
    QVERIFY(!ok);
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("Writing: The expected status message did not arrive."));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    // No read-back follows an unacknowledged write.
    QCOMPARE(m_sim->ReceivedFrameCount(), 3);
}

void TestRixComms::writeAndVerifyStoresAndReadsBack()
{
    QVERIFY(Open());
    const QByteArray data = Pattern(64, 9);
    QVERIFY2(m_comms->WriteAndVerify(DeviceId::DisplayMono, MemoryId::Flash, 0x4040, 64,
                                     reinterpret_cast<const uchar *>(data.constData())),
             qPrintable(m_comms->GetLastError()));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 0);
    QCOMPARE(m_sim->Memory(DeviceId::DisplayMono, MemoryId::Flash, 0x4040, 64), data);
    const QVector<SimFrameRecord> frames = m_sim->ReceivedFrames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(quint8(frames.at(0).bytes.at(5)), quint8(2));
    QCOMPARE(quint8(frames.at(1).bytes.at(5)), quint8(1));
    QCOMPARE(frames.at(1).bytes.size(), 11);

    // A lost read-back reply is reported in the reading phase and retried as a whole.
    m_sim->ClearReceivedFrames();
    m_sim->QueueFaults({Fault(SimFault::None), Fault(SimFault::CorruptChecksum),
                        Fault(SimFault::None), Fault(SimFault::CorruptChecksum),
                        Fault(SimFault::None), Fault(SimFault::CorruptChecksum)});
    QVERIFY(!m_comms->WriteAndVerify(DeviceId::DisplayMono, MemoryId::Flash, 0x4040, 64,
                                     reinterpret_cast<const uchar *>(data.constData())));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - Reading: Invalid Checksum"));
    QCOMPARE(m_sim->ReceivedFrameCount(), 6);

    m_sim->QueueFaults({Fault(SimFault::CorruptChecksum), Fault(SimFault::CorruptChecksum),
                        Fault(SimFault::CorruptChecksum)});
    QVERIFY(!m_comms->WriteAndVerify(DeviceId::DisplayMono, MemoryId::Flash, 0x4040, 64,
                                     reinterpret_cast<const uchar *>(data.constData())));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - Writing: Invalid Checksum"));
}

void TestRixComms::writeAndVerifyMismatchReport()
{
    QVERIFY(Open());
    // The EEPROM reads back with the last byte one higher than stored.
    m_sim->WithBus([](SimulatedBus &bus) {
        bus.Unit(DeviceId::DisplayMono)->SetHandler(3, [](SimUnit &unit, const SimRequest &r) {
            SimReply reply = unit.DefaultHandle(r);
            if (reply.kind == SimReply::Kind::Data && !reply.payload.isEmpty())
                reply.payload[reply.payload.size() - 1] = char(reply.payload.at(reply.payload.size() - 1) + 1);
            return reply;
        });
    });
    const QByteArray data = Bytes({0x12, 0x34});
    QVERIFY(!m_comms->WriteAndVerify(DeviceId::DisplayMono, MemoryId::Eeprom, 0x100, 2,
                                     reinterpret_cast<const uchar *>(data.constData())));
    QCOMPARE(m_comms->GetLastError(),
             QStringLiteral("Mismatch on Sent and Received data.\nAddress: 0x000100\nSent:\n12 34 \nReceived:\n12 35 "));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    QCOMPARE(m_sim->ReceivedFrameCount(), 6);

    // Long lists break after every 32nd byte.
    const QString report = RixComms::MismatchReport(0x01ABCDEF, Pattern(33, 0), Pattern(32, 0));
    const QStringList lines = report.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(1), QStringLiteral("Address: 0xABCDEF"));
    QCOMPARE(lines.at(3).size(), 32 * 3);
    QCOMPARE(lines.at(4), QStringLiteral("E0 "));
    QCOMPARE(lines.at(5), QStringLiteral("Received:"));
    QCOMPARE(lines.at(6).size(), 32 * 3);
    QCOMPARE(lines.at(7), QString());
}

void TestRixComms::oversizedReplyIsRejected()
{
    QVERIFY(Open());
    // 33 blocks announced: 2112 payload bytes, more than any reply may carry.
    m_sim->WithBus([](SimulatedBus &bus) {
        bus.Unit(DeviceId::DisplayMono)->SetHandler(17, [](SimUnit &, const SimRequest &r) {
            return SimReply::Data(17, r.address, 33, QByteArray(33 * 64, char(0x5A)));
        });
    });
    QByteArray buffer(32 * 64 + 16, char(0x11));
    QVERIFY(!m_comms->ReadBlocks(DeviceId::DisplayMono, MemoryId::Flash, 0, 32,
                                 reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(m_comms->GetLastError(),
             QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QVERIFY(LogCollector::Take().contains(QStringLiteral("Invalid due to length")));
    QCOMPARE(buffer, QByteArray(32 * 64 + 16, char(0x11)));
    QCOMPARE(m_comms->Incoming().Size(), 0);
}

void TestRixComms::longerReadReplyCopiesOnlyWhatWasAsked()
{
    QVERIFY(Open());
    m_sim->WithBus([](SimulatedBus &bus) {
        bus.Unit(DeviceId::DisplayMono)->SetHandler(1, [](SimUnit &, const SimRequest &r) {
            return SimReply::Data(1, r.address, 100, Pattern(100, 2));
        });
    });
    QByteArray buffer(8, char(0x77));
    QVERIFY(m_comms->Read(DeviceId::DisplayMono, MemoryId::Flash, 0, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(buffer.left(4), Pattern(4, 2));
    QCOMPARE(buffer.mid(4), QByteArray(4, char(0x77)));
    QCOMPARE(m_comms->GetPayloadLength(), 100);
}

void TestRixComms::replyLengthDisagreeingWithPayload_data()
{
    QTest::addColumn<int>("replyCommand");
    QTest::addColumn<int>("announced");
    QTest::addColumn<int>("carried");
    QTest::addColumn<QString>("lastError");

    const QString timeout = QStringLiteral("GetMessage Failed - No valid reply received within timeout.");
    QTest::newRow("fewer bytes than announced") << 1 << 10 << 4 << timeout;
    QTest::newRow("more bytes than announced") << 1 << 4 << 10 << "GetMessage Failed - Invalid Checksum";
    QTest::newRow("block code, one block short") << 17 << 2 << 64 << timeout;
    QTest::newRow("block code on a plain read") << 0x51 << 1 << 4 << timeout;
}

void TestRixComms::replyLengthDisagreeingWithPayload()
{
    QFETCH(int, replyCommand);
    QFETCH(int, announced);
    QFETCH(int, carried);
    QFETCH(QString, lastError);

    QVERIFY(Open());
    m_sim->WithBus([&](SimulatedBus &bus) {
        bus.Unit(DeviceId::C2)->SetHandler(1, [&](SimUnit &, const SimRequest &r) {
            return SimReply::Data(quint8(replyCommand), r.address, quint8(announced), Pattern(carried, 4));
        });
    });
    QByteArray buffer(16, char(0x44));
    QVERIFY(!m_comms->Read(DeviceId::C2, MemoryId::Flash, 0x2000, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(m_comms->GetLastError(), lastError);
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    QCOMPARE(buffer.mid(4), QByteArray(12, char(0x44)));
    // Leftovers of the bad reply do not spoil the next exchange.
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C2));
    QCOMPARE(m_comms->GetReplyText(), QStringLiteral("Status Message: No error."));
}

void TestRixComms::commandReturnData()
{
    QVERIFY(Open(SimProfile::ColourV2Usb));
    int length = -1;
    QByteArray data;
    QVERIFY(m_comms->CommandReturnData(0xB8, 12, length, data));
    QCOMPARE(length, 2);
    QCOMPARE(data, Bytes({3, 0x10}));
    QVERIFY(m_comms->CommandReturnData(DeviceId::C1, 0, length, data));
    QCOMPARE(length, 1);
    QCOMPARE(data, Bytes({0}));
    QVERIFY(!m_comms->CommandReturnData(0x12, 0, length, data));
    QCOMPARE(length, 0);
    QVERIFY(data.isEmpty());
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("No valid reply received within timeout."));
}

void TestRixComms::diagnosticLines()
{
    QVERIFY(Open());
    QByteArray buffer(2, '\0');
    m_comms->Read(DeviceId::DisplayMono, MemoryId::Eeprom, 0x01000123, 2, reinterpret_cast<uchar *>(buffer.data()));
    m_comms->Write(DeviceId::DisplayMono, MemoryId::Eeprom, 0x10, 2, reinterpret_cast<uchar *>(buffer.data()));
    m_comms->IsDevicePresent(DeviceId::C2);
    m_comms->Command(DeviceId::C2, 0x0A);
    const QStringList log = LogCollector::Take();
    QVERIFY(log.contains(QStringLiteral("RixComms::Read - deviceid 0xB0 - memory 0x02 - address 0x01000123 - length 2")));
    QVERIFY(log.contains(QStringLiteral("RixComms::Write - deviceid 0xB0 - memory 0x02 - address 0x00000010 - length 2")));
    QVERIFY(log.contains(QStringLiteral("RixComms::WriteSerial")));
    QVERIFY(log.contains(QStringLiteral("RixComms::IsDevicePresent - deviceid 0xB4")));
    QVERIFY(log.contains(QStringLiteral("RixComms::Command - deviceid 0xB4 - command 0x0A")));
    QVERIFY(log.contains(QStringLiteral("IsDevicePresent returning true")));
    QVERIFY(log.contains(QStringLiteral("Sending 0xAC 0x52 0x69 0x78 0xB4 0x0 0x0 0x0 0x0 0x0 0x5B, Length 11")));
    QVERIFY(log.contains(QStringLiteral("Received 0xAC 0x52 0x69 0x78 0xB4 0x0 0x0 0x0 0x0 0x1 0x0 0x5A, Length 12")));
}

void TestRixComms::messageLevelAndDebugSwitch()
{
    QCOMPARE(RixComms::BridgeTypeName(0), QStringLiteral("Serial"));
    QCOMPARE(RixComms::BridgeTypeName(1), QStringLiteral("Bluetooth Bridge"));
    QCOMPARE(RixComms::BridgeTypeName(2), QStringLiteral("Bluetooth Handset"));
    QCOMPARE(RixComms::BridgeTypeName(3), QStringLiteral("USB Handset"));

    RixComms comms;
    QCOMPARE(comms.GetMessageLevel(), 5);
    comms.SetMessageLevel(9);
    QCOMPARE(comms.GetMessageLevel(), 5);
    comms.SetMessageLevel(-1);
    QCOMPARE(comms.GetMessageLevel(), 0);
    comms.SetMessageLevel(3);
    QCOMPARE(comms.Outgoing().MessageLevel(), 3);
    QCOMPARE(comms.Incoming().MessageLevel(), 3);

    comms.SetDebugEnabled(false);
    QCOMPARE(comms.GetMessageLevel(), 0);
    comms.SetMessageLevel(2);
    comms.SetDebugEnabled(false); // no change of state: the first saved level stays
    comms.SetDebugEnabled(true);
    QCOMPARE(comms.GetMessageLevel(), 3);
    comms.SetDebugEnabled(true);
    QCOMPARE(comms.GetMessageLevel(), 3);

    // With debug off the operation lines stop but the frame dumps go on.
    QVERIFY(Open());
    m_comms->SetDebugEnabled(false);
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C1));
    QStringList log = LogCollector::Take();
    QVERIFY(!log.contains(QStringLiteral("IsDevicePresent returning true")));
    QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const QString &l) { return l.startsWith(QLatin1String("Sending ")); }));
    m_comms->SetMessageLevel(0);
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C1));
    QVERIFY(LogCollector::Take().isEmpty());
}

void TestRixComms::linkNotOpenAndClosedPort()
{
    RixComms comms;
    QSerialPort port;
    comms.SetSerialPort(&port);
    QCOMPARE(comms.GetReplyText(), QString());
    QByteArray buffer(4, char(0x33));
    QVERIFY(!comms.Read(DeviceId::C1, MemoryId::Flash, 0, 4, reinterpret_cast<uchar *>(buffer.data())));
    QVERIFY(!comms.Write(DeviceId::C1, MemoryId::Flash, 0, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(buffer, QByteArray(4, char(0x33)));

    // A failed identification leaves its reason; a read on a never-opened link keeps it.
    QVERIFY(Open(SimProfile::Empty));
    QVERIFY(!m_comms->IdentifyBridge());
    const QString reason = m_comms->GetLastError();
    QVERIFY(!reason.isEmpty());

    // After closing, the link still counts as opened but the port is gone.
    QVERIFY(m_comms->CloseComPort());
    QVERIFY(!m_comms->IsPortOpen());
    QVERIFY(m_comms->CloseComPort());
    LogCollector::Take();
    QVERIFY(!m_comms->Read(DeviceId::C1, MemoryId::Flash, 0, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QVERIFY(LogCollector::Take().contains(QStringLiteral("Invalid due to port closed")));

    // Reopening works and the name is kept.
    QVERIFY(m_comms->OpenComPort(m_sim->PortPath(), false));
    QCOMPARE(m_comms->GetPortName(), m_sim->PortPath());
}

void TestRixComms::unpluggedPortFailsWithoutHanging()
{
    m_sim = std::make_unique<RebreatherSimulator>(SimProfile::MonoSerial, 7);
    QVERIFY(m_sim->Start());
    // Reopened by a link that goes with the unplug: the pseudo-terminal's own
    // number may be handed to another test's simulator at once.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("rebreather"));
    QVERIFY(m_sim->CreateSymlink(link));
    m_port = std::make_unique<QSerialPort>();
    m_comms = std::make_unique<RixComms>();
    m_comms->SetSerialPort(m_port.get());
    QVERIFY(m_comms->OpenComPort(link, false));

    m_sim->UnplugAfterFrames(2);
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C1));
    QVERIFY(!m_comms->IsDevicePresent(DeviceId::C1)); // the second frame pulls the plug
    QTRY_VERIFY(m_sim->IsUnplugged());
    // A port that has gone is not asked again: one attempt, no retry pauses.
    LogCollector::Take();
    QByteArray buffer(4, '\0');
    QVERIFY(!m_comms->Read(DeviceId::C1, MemoryId::Flash, 0x2000, 4, reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 1);
    QVERIFY(!LogCollector::Take().contains(QStringLiteral("Retry")));
    QVERIFY(!m_comms->IsDevicePresent(DeviceId::C1, m_comms->GetMaxAttempts()));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 1);
    QVERIFY(!m_comms->IsPortOpen() || !m_port->isOpen());
    m_comms->CloseComPort();
    QVERIFY(!m_comms->OpenComPort(link, true));
    QCOMPARE(m_comms->GetPortName(), QString());
    QVERIFY(!m_comms->IsPortOpen());
}

void TestRixComms::lateReadReplyIsNotTakenForLaterReads()
{
    QVERIFY(Open());
    LineRate();
    const quint32 addresses[] = {0x8000, 0x8100, 0x8200, 0x8300};
    for (int i = 0; i < 4; ++i)
        m_sim->SetMemory(DeviceId::DisplayMono, MemoryId::Flash, addresses[i], QByteArray(4, char(0xA0 + i)));
    // The first reply comes after the first read has timed out and is being retried.
    SimFaultSpec late = Fault(SimFault::DelayedReply);
    late.delayMs = 700;
    m_sim->QueueFault(late);
    for (int i = 0; i < 4; ++i) {
        QByteArray buffer(4, '\0');
        QVERIFY2(m_comms->Read(DeviceId::DisplayMono, MemoryId::Flash, addresses[i], 4,
                               reinterpret_cast<uchar *>(buffer.data())),
                 qPrintable(m_comms->GetLastError()));
        QCOMPARE(buffer.toHex(), QByteArray(4, char(0xA0 + i)).toHex());
    }
    // The same holds once the line has settled: nothing is left over.
    QByteArray buffer(4, '\0');
    QVERIFY(m_comms->Read(DeviceId::DisplayMono, MemoryId::Flash, addresses[0], 4,
                          reinterpret_cast<uchar *>(buffer.data())));
    QCOMPARE(buffer.toHex(), QByteArray(4, char(0xA0)).toHex());
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 0);
}

void TestRixComms::lateWriteAcknowledgementConfirmsNoOtherWrite()
{
    QVERIFY(Open());
    LineRate();
    // The first write is acknowledged late; the second goes to an address the
    // unit refuses, so its only honest answer is a failure.
    SimFaultSpec late = Fault(SimFault::DelayedReply);
    late.delayMs = 700;
    m_sim->QueueFault(late);
    const QByteArray data = Bytes({1, 2, 3, 4});
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    QVERIFY2(m_comms->Write(DeviceId::C1, MemoryId::Ram, 0x100, 4, p), qPrintable(m_comms->GetLastError()));
    QCOMPARE(m_sim->Memory(DeviceId::C1, MemoryId::Ram, 0x100, 4), data);
    QVERIFY(!m_comms->Write(DeviceId::C1, MemoryId::Ram, 0x2000, 4, p));
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("Writing: Status Message: Requested operation failed."));
    QVERIFY(m_comms->Write(DeviceId::C1, MemoryId::Ram, 0x200, 4, p));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 0);
}

void TestRixComms::dataReplyOfAnotherRequestIsNotTheAnswer_data()
{
    QTest::addColumn<int>("replyCommand");
    QTest::addColumn<int>("addressShift");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("ok");

    QTest::newRow("echoes the request") << 1 << 0 << 4 << true;
    QTest::newRow("modifier bits are not compared") << 0x41 << 0 << 4 << true;
    QTest::newRow("another address") << 1 << 0x100 << 4 << false;
    QTest::newRow("another read code") << 3 << 0 << 4 << false;
    QTest::newRow("fewer bytes than asked") << 1 << 0 << 2 << false;
}

void TestRixComms::dataReplyOfAnotherRequestIsNotTheAnswer()
{
    QFETCH(int, replyCommand);
    QFETCH(int, addressShift);
    QFETCH(int, replyLength);
    QFETCH(bool, ok);

    QVERIFY(Open());
    m_sim->WithBus([&](SimulatedBus &bus) {
        bus.Unit(DeviceId::C2)->SetHandler(1, [&](SimUnit &, const SimRequest &r) {
            return SimReply::Data(quint8(replyCommand), r.address + quint32(addressShift), quint8(replyLength),
                                  QByteArray(replyLength, char(0x5C)));
        });
    });
    QByteArray buffer(4, char(0x11));
    QCOMPARE(m_comms->Read(DeviceId::C2, MemoryId::Flash, 0x2000, 4, reinterpret_cast<uchar *>(buffer.data())), ok);
    if (ok) {
        QCOMPARE(buffer, QByteArray(4, char(0x5C)));
        return;
    }
    // Every attempt waited for its own answer; none came.
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QCOMPARE(m_comms->GetNumberOfFailedAttempts(), 3);
    QCOMPARE(buffer, QByteArray(4, char(0x11)));
    const QStringList log = LogCollector::Take();
    QVERIFY(std::any_of(log.cbegin(), log.cend(),
                        [](const QString &l) { return l.startsWith(QLatin1String("Stale reply discarded ")); }));
    // The link is in step for the next exchange.
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C2));
}

void TestRixComms::lostIdentificationReplyIsAskedAgain_data()
{
    QTest::addColumn<int>("profile");
    QTest::addColumn<QVector<int>>("faults");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("requests");

    const int lost = int(SimFault::NoReply);
    const int refused = int(SimFault::StatusError);
    QTest::newRow("bluetooth, first reply lost") << int(SimProfile::ColourV2Bluetooth) << QVector<int>{lost}
                                                 << true << 2 << 2;
    QTest::newRow("bluetooth, two replies lost") << int(SimProfile::ColourV2Bluetooth)
                                                 << QVector<int>{lost, lost} << true << 2 << 3;
    QTest::newRow("bridge refuses once") << int(SimProfile::BluetoothBridgeOnly) << QVector<int>{refused}
                                         << true << 1 << 2;
    // A plain cable answers "command invalid" at once: no retry needed.
    QTest::newRow("plain cable") << int(SimProfile::MonoSerial) << QVector<int>{} << true << 0 << 1;
    QTest::newRow("plain cable, first reply lost") << int(SimProfile::MonoSerial) << QVector<int>{lost}
                                                   << true << 0 << 2;
    QTest::newRow("nothing answers") << int(SimProfile::Empty) << QVector<int>{} << false << -1 << 3;
    QTest::newRow("every reply lost") << int(SimProfile::ColourV2Usb) << QVector<int>{lost, lost, lost}
                                      << false << -1 << 3;
}

void TestRixComms::lostIdentificationReplyIsAskedAgain()
{
    QFETCH(int, profile);
    QFETCH(QVector<int>, faults);
    QFETCH(bool, ok);
    QFETCH(int, type);
    QFETCH(int, requests);

    QVERIFY(Open(SimProfile(profile), false));
    for (int f : faults)
        m_sim->QueueFault(Fault(SimFault(f)));
    const QString path = m_sim->PortPath();
    QCOMPARE(m_comms->OpenComPort(path, true), ok);
    QCOMPARE(m_comms->IsBridgeDetailsValid(), ok);
    QCOMPARE(m_comms->GetBridgeType(), type);
    QCOMPARE(m_sim->ReceivedFrameCount(), requests);
    for (const SimFrameRecord &frame : m_sim->ReceivedFrames())
        QCOMPARE(quint8(frame.bytes.at(5)), RixComms::BridgeIdentifyCommand);
    if (ok) {
        QCOMPARE(m_comms->GetPortName(), path);
        QVERIFY(m_comms->IsPortOpen());
        return;
    }
    // An open whose bridge stays unknown fails as a whole: nothing is left
    // open to be used with unknown bridge details.
    QVERIFY(!m_comms->IsPortOpen());
    QVERIFY(!m_comms->IsLinkOpen());
    QCOMPARE(m_comms->GetPortName(), QString());
    QCOMPARE(m_comms->GetLastError(), QStringLiteral("GetMessage Failed - No valid reply received within timeout."));
    QVERIFY(LogCollector::Take().contains(QStringLiteral("RixComms::IdentifyBridge - Bridge is invalid")));
}

void TestRixComms::presenceWithRetries_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("device");
    QTest::addColumn<QVector<int>>("faults");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("requests");

    const int c1 = DeviceId::C1;
    const int lost = int(SimFault::NoReply);
    const int refused = int(SimFault::StatusError);
    QTest::newRow("presence, one reply lost, one attempt") << "present" << c1 << QVector<int>{lost} << 1 << false << 1;
    QTest::newRow("presence, one reply lost") << "present" << c1 << QVector<int>{lost} << 3 << true << 2;
    QTest::newRow("presence, refused twice") << "present" << c1 << QVector<int>{refused, refused} << 3 << true << 3;
    QTest::newRow("presence, every reply lost") << "present" << c1 << QVector<int>{lost, lost, lost} << 3 << false << 3;
    QTest::newRow("presence, no such unit") << "present" << 0x11 << QVector<int>{} << 3 << false << 3;
    QTest::newRow("command, one reply lost") << "command" << int(DeviceId::Bridge) << QVector<int>{lost} << 3 << true << 2;
    // Any answer satisfies a command, an error status included.
    QTest::newRow("command, refused") << "command" << int(DeviceId::Bridge) << QVector<int>{refused} << 3 << true << 1;
}

void TestRixComms::presenceWithRetries()
{
    QFETCH(QString, operation);
    QFETCH(int, device);
    QFETCH(QVector<int>, faults);
    QFETCH(int, attempts);
    QFETCH(bool, ok);
    QFETCH(int, requests);

    QVERIFY(Open());
    for (int f : faults)
        m_sim->QueueFault(Fault(SimFault(f)));
    const bool answered = operation == QLatin1String("present")
                              ? m_comms->IsDevicePresent(quint8(device), attempts)
                              : m_comms->Command(quint8(device), 0, attempts);
    QCOMPARE(answered, ok);
    QCOMPARE(m_sim->ReceivedFrameCount(), requests);
    QCOMPARE(LogCollector::Take().count(QStringLiteral("Retry")), requests - 1);
}

void TestRixComms::openingAnOpenPortReopensIt()
{
    QVERIFY(Open());
    QVERIFY2(m_comms->OpenComPort(m_sim->PortPath(), false), qPrintable(m_comms->GetLastError()));
    QVERIFY(m_comms->IsPortOpen());
    QVERIFY(m_comms->IsLinkOpen());
    QVERIFY(m_comms->IsDevicePresent(DeviceId::C1));
}

void TestRixComms::openFailsForMissingPort_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("logged");
    QTest::newRow("level 1") << 1 << true;
    QTest::newRow("level 0") << 0 << false;
}

void TestRixComms::openFailsForMissingPort()
{
    QFETCH(int, level);
    QFETCH(bool, logged);
    RixComms comms;
    QSerialPort port;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(level);
    QVERIFY(!comms.OpenComPort(QStringLiteral("/dev/tessaro-no-such-port"), false));
    QVERIFY(!comms.IsPortOpen());
    QVERIFY(!comms.IsLinkOpen());
    QCOMPARE(comms.GetPortName(), QString());
    const QStringList log = LogCollector::Take();
    QCOMPARE(std::any_of(log.cbegin(), log.cend(), [](const QString &l) {
                 return l.startsWith(QLatin1String("RixComms::OpenComPort() Failed to open com port"));
             }),
             logged);
}

QTEST_GUILESS_MAIN(TestRixComms)
#include "tst_RixComms.moc"
