// The simulated rebreather itself: bus answers, profile content, clock,
// timing, seeded faults, unplugging and the standalone executable.
#include "DeviceList.h"
#include "RebreatherSimulator.h"
#include "RixComms.h"
#include "SimClockUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

namespace {

SimRequest Request(quint8 deviceId, quint8 command, quint32 address, quint8 length,
                   const QByteArray &payload = QByteArray())
{
    SimRequest r;
    r.deviceId = deviceId;
    r.command = command;
    r.opcode = command & 0x3F;
    r.modifiers = command & 0xC0;
    r.address = address;
    r.length = length;
    r.payload = payload;
    return r;
}

// Region bytes of a unit as the profile stored them.
QByteArray RegionBytes(const SimulatedBus &bus, quint8 deviceId, int regionId, int offset, int length)
{
    const DeviceList catalogue;
    quint8 memoryId = 0;
    quint32 start = 0, size = 0;
    if (!catalogue.GetRegion(deviceId, regionId, memoryId, start, size))
        return QByteArray();
    return bus.Unit(deviceId)->ReadMemory(memoryId, start + quint32(offset), length);
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void busAnswers_data();
    void busAnswers();
    void blockReadOfConfigReadsFlash();
    void writesStoreAndReadBack();
    void bridgeKinds_data();
    void bridgeKinds();
    void profileContent_data();
    void profileContent();
    void clockRunsAndCanBeSet();
    void faultsFromSeedAreReproducible();
    void lineRateAndLatencyTakeAtLeastWireTime();
    void unitBusyWithLateReplyTakesItsLatencyAfterwards();
    void symlinkAndUnplug();
    void standaloneExecutable();
};

void TestSimulator::busAnswers_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("command");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("kind");   // SimReply::Kind
    QTest::addColumn<int>("status"); // for status replies
    QTest::addColumn<int>("payloadSize");

    const int silent = int(SimReply::Kind::Silent);
    const int status = int(SimReply::Kind::Status);
    const int data = int(SimReply::Kind::Data);
    QTest::newRow("presence") << 0xB0 << 0 << 0u << 0 << status << 0 << 0;
    QTest::newRow("unknown command") << 0xB0 << 0x3E << 0u << 0 << status << 2 << 0;
    QTest::newRow("bridge id command on a unit") << 0xB2 << 12 << 0u << 0 << status << 2 << 0;
    QTest::newRow("no such unit") << 0x11 << 0 << 0u << 0 << silent << 0 << 0;
    QTest::newRow("read flash") << 0xB2 << 1 << 0x2000u << 64 << data << 0 << 64;
    QTest::newRow("read past flash end") << 0xB2 << 1 << 0x7FF0u << 32 << status << 128 << 0;
    QTest::newRow("read unmapped flash") << 0xB2 << 1 << 0x8000u << 1 << status << 128 << 0;
    QTest::newRow("read eeprom with address bit 24") << 0xB0 << 0x43 << 0x123u << 2 << status << 128 << 0;
    QTest::newRow("controller buffer ends at 0x100") << 0xB2 << 9 << 0x100u << 1 << data << 0 << 1;
    QTest::newRow("display buffer ends at 0xFF") << 0xB0 << 9 << 0x100u << 1 << status << 128 << 0;
    QTest::newRow("block read 32") << 0xB0 << 17 << 0x10000u << 32 << data << 0 << 2048;
    QTest::newRow("block read 33") << 0xB0 << 17 << 0x10000u << 33 << status << 4 << 0;
    QTest::newRow("profile on mono") << 0xB0 << 13 << 0u << 4 << status << 128 << 0;
    QTest::newRow("rtc registers") << 0xA2 << 9 << 2u << 7 << data << 0 << 7;
}

void TestSimulator::busAnswers()
{
    QFETCH(int, device);
    QFETCH(int, command);
    QFETCH(quint32, address);
    QFETCH(int, length);
    QFETCH(int, kind);
    QFETCH(int, status);
    QFETCH(int, payloadSize);

    SimulatedBus bus;
    SimProfiles::Build(SimProfile::MonoSerial, bus);
    const SimReply reply = bus.Answer(Request(quint8(device), quint8(command), address, quint8(length)));
    QCOMPARE(int(reply.kind), kind);
    if (reply.kind == SimReply::Kind::Status)
        QCOMPARE(int(reply.status), status);
    QCOMPARE(reply.payload.size(), payloadSize);
    if (reply.kind == SimReply::Kind::Data) {
        QCOMPARE(int(reply.command), command);
        QCOMPARE(int(reply.length), length);
    }
    // The wire form of the reply has the checksum the link expects.
    const QByteArray frame = SimulatedBus::BuildReply(reply, quint8(device));
    if (kind == int(SimReply::Kind::Silent))
        QVERIFY(frame.isEmpty());
    else
        QCOMPARE(SimulatedBus::Checksum(frame.constData(), frame.size() - 1), quint8(frame.back()));
}

void TestSimulator::blockReadOfConfigReadsFlash()
{
    SimulatedBus bus;
    SimProfiles::Build(SimProfile::MonoSerial, bus);
    SimUnit *unit = bus.Unit(DeviceId::DisplayMono);
    unit->WriteMemory(MemoryId::Flash, 0x300000, QByteArray(64, 'F'));
    unit->WriteMemory(MemoryId::Config, 0x300000, QByteArray(14, 'C'));
    // A block read of Config goes out with the Flash code and so reads Flash.
    const SimReply block = bus.Answer(Request(DeviceId::DisplayMono, RixComms::BlockReadCode(MemoryId::Config),
                                              0x300000, 1));
    QCOMPARE(block.payload, QByteArray(64, 'F'));
    const SimReply read = bus.Answer(Request(DeviceId::DisplayMono, RixComms::ReadCode(MemoryId::Config),
                                             0x300000, 14));
    QCOMPARE(read.payload, QByteArray(14, 'C'));
}

void TestSimulator::writesStoreAndReadBack()
{
    SimulatedBus bus;
    SimProfiles::Build(SimProfile::ColourV2Usb, bus);
    // Profile memory is 32 MiB; a write near its end must not cost the whole of it.
    const QByteArray data("\x01\x02\x03\x04", 4);
    SimReply w = bus.Answer(Request(DeviceId::DisplayColour, 14, 0xFFFFFC, 4, data));
    QCOMPARE(int(w.kind), int(SimReply::Kind::Status));
    QCOMPARE(int(w.status), 0);
    QCOMPARE(bus.Unit(DeviceId::DisplayColour)->ReadMemory(MemoryId::Profile, 0xFFFFFC, 4), data);
    // Page boundary: a write spanning two pages.
    const QByteArray span(64, 'x');
    w = bus.Answer(Request(DeviceId::DisplayColour, 4, 0xFE0, 64, span));
    QCOMPARE(int(w.status), 128); // EEPROM of the colour handset ends at 0x3FF
    w = bus.Answer(Request(DeviceId::DisplayColour, 2, 0xFE0, 64, span));
    QCOMPARE(int(w.status), 0);
    QCOMPARE(bus.Unit(DeviceId::DisplayColour)->ReadMemory(MemoryId::Flash, 0xFE0, 64), span);
    // Erased memory reads 0xFF.
    QCOMPARE(bus.Unit(DeviceId::DisplayColour)->ReadMemory(MemoryId::Profile, 0x1000000, 3), QByteArray(3, char(0xFF)));
    // Address bits 24 and 25 travel as the command's 0x40 and 0x80 modifiers.
    const QByteArray high("\x0A\x0B\x0C\x0D", 4);
    bus.Unit(DeviceId::DisplayColour)->WriteMemory(MemoryId::Profile, 0x1FFFFFC, high);
    QCOMPARE(bus.Answer(Request(DeviceId::DisplayColour, 13 | 0x40, 0xFFFFFC, 4)).payload, high);
    QCOMPARE(bus.Answer(Request(DeviceId::DisplayColour, 29 | 0x40, 0xFFFFC0, 1)).payload.right(4), high);
    QCOMPARE(int(bus.Answer(Request(DeviceId::DisplayColour, 13 | 0x80, 0xFFFFFC, 4)).status), 128);
    // Declared length and payload must agree; more than 64 bytes is refused.
    w = bus.Answer(Request(DeviceId::DisplayColour, 6, 0, 65, QByteArray(65, 'y')));
    QCOMPARE(int(w.status), 4);
}

void TestSimulator::bridgeKinds_data()
{
    QTest::addColumn<int>("profile");
    QTest::addColumn<int>("presenceKind");
    QTest::addColumn<int>("identifyKind");
    QTest::addColumn<QByteArray>("identifyPayload");
    QTest::addColumn<int>("unitCount");

    const int silent = int(SimReply::Kind::Silent);
    const int status = int(SimReply::Kind::Status);
    const int data = int(SimReply::Kind::Data);
    QTest::newRow("empty cable") << int(SimProfile::Empty) << silent << silent << QByteArray() << 0;
    QTest::newRow("mono serial") << int(SimProfile::MonoSerial) << status << status << QByteArray() << 4;
    QTest::newRow("colour v1 usb") << int(SimProfile::ColourV1Usb) << status << data << QByteArray("\x03\x10", 2) << 4;
    QTest::newRow("colour v2 usb") << int(SimProfile::ColourV2Usb) << status << data << QByteArray("\x03\x10", 2) << 4;
    QTest::newRow("colour v2 bluetooth") << int(SimProfile::ColourV2Bluetooth) << status << data << QByteArray("\x02\x10", 2) << 4;
    QTest::newRow("bluetooth bridge only") << int(SimProfile::BluetoothBridgeOnly) << status << data << QByteArray("\x01\x10", 2) << 0;
}

void TestSimulator::bridgeKinds()
{
    QFETCH(int, profile);
    QFETCH(int, presenceKind);
    QFETCH(int, identifyKind);
    QFETCH(QByteArray, identifyPayload);
    QFETCH(int, unitCount);

    SimulatedBus bus;
    SimProfiles::Build(SimProfile(profile), bus);
    QCOMPARE(bus.UnitIds().size(), unitCount);
    const SimReply presence = bus.Answer(Request(0xB8, 0, 0, 0));
    QCOMPARE(int(presence.kind), presenceKind);
    if (presence.kind == SimReply::Kind::Status)
        QCOMPARE(int(presence.status), 0);
    const SimReply identify = bus.Answer(Request(0xB8, 12, 0, 0));
    QCOMPARE(int(identify.kind), identifyKind);
    if (identify.kind == SimReply::Kind::Status)
        QCOMPARE(int(identify.status), 2);
    QCOMPARE(identify.payload, identifyPayload);
}

void TestSimulator::profileContent_data()
{
    QTest::addColumn<int>("profile");
    QTest::addColumn<int>("handset");
    QTest::addColumn<bool>("v2");

    QTest::newRow("mono") << int(SimProfile::MonoSerial) << int(DeviceId::DisplayMono) << false;
    QTest::newRow("colour v1") << int(SimProfile::ColourV1Usb) << int(DeviceId::DisplayColour) << false;
    QTest::newRow("colour v2") << int(SimProfile::ColourV2Usb) << int(DeviceId::DisplayColour) << true;
    QTest::newRow("colour v2 bluetooth") << int(SimProfile::ColourV2Bluetooth) << int(DeviceId::DisplayColour) << true;
}

void TestSimulator::profileContent()
{
    QFETCH(int, profile);
    QFETCH(int, handset);
    QFETCH(bool, v2);

    SimulatedBus bus;
    SimProfiles::Build(SimProfile(profile), bus);
    const quint8 units[] = {quint8(handset), DeviceId::C1, DeviceId::C2};
    QByteArray firstCode;
    for (quint8 id : units) {
        QVERIFY2(bus.Unit(id), qPrintable(DeviceList::DeviceTypeName(id)));
        const QString serial = QString::fromLatin1(RegionBytes(bus, id, RegionId::SystemInformation, 22, 12)).trimmed();
        QVERIFY2(DeviceList::IsSerialNumberForm(serial), qPrintable(serial));
        QCOMPARE(quint8(RegionBytes(bus, id, RegionId::SystemInformation, 35, 1).at(0)), SimProfileFacts::HardwareConfig);

        const QByteArray code = RegionBytes(bus, id, RegionId::CodeDetails, 0, 8);
        const QDate codeDate(2000 + quint8(code.at(2)), quint8(code.at(1)), quint8(code.at(0)));
        QVERIFY(codeDate.isValid());
        if (firstCode.isEmpty())
            firstCode = code;
        QCOMPARE(code, firstCode); // display and controllers agree, as a healthy device does

        const QByteArray boot = RegionBytes(bus, id, RegionId::BootloaderDetails, 0, 8);
        QVERIFY(QDate(2000 + quint8(boot.at(2)), quint8(boot.at(1)), quint8(boot.at(0))).isValid());
        QCOMPARE(quint8(boot.at(3)) & 0x0B, 0x0B);
        QCOMPARE(int(boot.at(5)), 3);

        QVERIFY(quint8(bus.Unit(id)->ReadMemory(MemoryId::Eeprom, 0, 1).at(0)) < 16);
    }
    const quint32 version = DeviceList::VersionNumber(quint8(firstCode.at(5)), quint8(firstCode.at(6)),
                                                      quint8(firstCode.at(7)));
    if (handset == DeviceId::DisplayColour)
        QCOMPARE(version >= 7000003u, v2);

    const QByteArray user = RegionBytes(bus, quint8(handset), RegionId::UserInformation, 0, 52);
    QCOMPARE(QString::fromLatin1(user.mid(0, 16)).trimmed(), QString::fromLatin1(SimProfileFacts::UserName));
    QCOMPARE(QString::fromLatin1(user.mid(18, 16)).trimmed(), QString::fromLatin1(SimProfileFacts::UserTelephone));
    QCOMPARE(QString::fromLatin1(user.mid(36, 16)).trimmed(), QString::fromLatin1(SimProfileFacts::UserPostCode));

    const QByteArray t = RegionBytes(bus, quint8(handset), RegionId::Eeprom, SimProfileFacts::EepromTimeOffset, 6);
    const QDateTime eepromTime(QDate(2000 + quint8(t.at(2)), quint8(t.at(1)), quint8(t.at(0))),
                               QTime(quint8(t.at(3)), quint8(t.at(4)), quint8(t.at(5))));
    QVERIFY(eepromTime.isValid());
    QVERIFY(eepromTime < QDateTime::currentDateTime());

    QVERIFY(bus.Unit(DeviceId::Rtc));
    QVERIFY(!bus.Unit(handset == DeviceId::DisplayMono ? DeviceId::DisplayColour : DeviceId::DisplayMono));
}

void TestSimulator::clockRunsAndCanBeSet()
{
    SimClockUnit clock;
    // Registers read as the host time (a few seconds of slack for a slow machine).
    QByteArray reg = clock.ReadMemory(MemoryId::Buffer, SimClockUnit::RegisterAddress, 7);
    QVERIFY(qAbs(SimClockUnit::DecodeRegisters(reg).secsTo(QDateTime::currentDateTime())) <= 5);
    QCOMPARE(quint8(reg.at(0)) & 0x80, 0);

    // Bytes 0x45 0x30 0x12 0x05 0x02 0x06 0x24 are 12:30:45 on 5 June 2024.
    const QByteArray set("\x45\x30\x12\x05\x02\x06\x24", 7);
    QCOMPARE(SimClockUnit::DecodeRegisters(set), QDateTime(QDate(2024, 6, 5), QTime(12, 30, 45)));
    SimulatedBus bus;
    bus.AddUnit(std::make_unique<SimClockUnit>());
    QCOMPARE(int(bus.Answer(Request(DeviceId::Rtc, 10, 2, 7, set)).status), 0);
    reg = bus.Answer(Request(DeviceId::Rtc, 9, 2, 7)).payload;
    QVERIFY(qAbs(SimClockUnit::DecodeRegisters(reg).secsTo(QDateTime(QDate(2024, 6, 5), QTime(12, 30, 45)))) <= 5);

    // A read that starts before the registers places them at their addresses.
    reg = bus.Answer(Request(DeviceId::Rtc, 9, 0, 9)).payload;
    QCOMPARE(reg.size(), 9);
    // Addresses 5-8: day, weekday (5 June 2024 is a Wednesday), month, year.
    QCOMPARE(reg.mid(5, 4), QByteArray("\x05\x03\x06\x24", 4));

    auto *rtc = static_cast<SimClockUnit *>(bus.Unit(DeviceId::Rtc));
    rtc->SetInvalid(true);
    QCOMPARE(quint8(bus.Answer(Request(DeviceId::Rtc, 9, 2, 7)).payload.at(0)) & 0x80, 0x80);
    rtc->SetFixedRegisters(QByteArray(7, char(0xFF)));
    QCOMPARE(bus.Answer(Request(DeviceId::Rtc, 9, 2, 7)).payload, QByteArray(7, char(0xFF)));
}

void TestSimulator::faultsFromSeedAreReproducible()
{
    auto run = [](quint32 seed) {
        RebreatherSimulator sim(SimProfile::MonoSerial, seed);
        SimFaultRates rates;
        rates.corruptChecksum = 0.25;
        rates.statusError = 0.25;
        rates.chunkedReply = 0.25;
        rates.maxChunkGapMs = 2;
        sim.SetFaultRates(rates);
        QList<int> faults;
        if (!sim.Start())
            return faults;
        QSerialPort port;
        RixComms comms;
        comms.SetSerialPort(&port);
        comms.SetMessageLevel(0);
        if (!comms.OpenComPort(sim.PortPath(), false))
            return faults;
        for (int i = 0; i < 24; ++i)
            comms.Command(DeviceId::C1, 0);
        for (const SimFrameRecord &r : sim.ReceivedFrames())
            faults << int(r.faultApplied);
        return faults;
    };
    const QList<int> a = run(42);
    const QList<int> b = run(42);
    const QList<int> c = run(43);
    QCOMPARE(a.size(), 24);
    QCOMPARE(a, b);
    QVERIFY(a != c);
    QVERIFY(a.contains(int(SimFault::None)));
    QVERIFY(a.contains(int(SimFault::ChunkedReply)));
}

void TestSimulator::lineRateAndLatencyTakeAtLeastWireTime()
{
    RebreatherSimulator sim(SimProfile::ColourV2Bluetooth, 1);
    SimTiming timing;
    timing.lineRate = true;
    timing.deviceLatencyMs = 50;
    sim.SetTiming(timing);
    QVERIFY(sim.Start());
    QSerialPort port;
    RixComms comms;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    QVERIFY(comms.OpenComPort(sim.PortPath(), false));
    QByteArray buffer(2048, '\0');
    QElapsedTimer timer;
    timer.start();
    QVERIFY(comms.ReadBlocks(DeviceId::DisplayColour, MemoryId::Profile, 0x10000, 32,
                             reinterpret_cast<uchar *>(buffer.data())));
    // 11 request + 2059 reply bytes at 10 bits each on a 57600-baud line, plus the latency.
    const qint64 lowerBoundMs = (11 + 2059) * 10 * 1000 / 57600 + 50;
    QVERIFY2(timer.elapsed() >= lowerBoundMs - 5, qPrintable(QString::number(timer.elapsed())));
}

void TestSimulator::unitBusyWithLateReplyTakesItsLatencyAfterwards()
{
    RebreatherSimulator sim(SimProfile::MonoSerial, 1);
    SimTiming timing;
    timing.lineRate = true;
    timing.deviceLatencyMs = 200;
    sim.SetTiming(timing);
    SimFaultSpec late;
    late.fault = SimFault::DelayedReply;
    late.delayMs = 300;
    sim.QueueFault(late);
    QVERIFY(sim.Start());
    QSerialPort port;
    port.setPortName(sim.PortPath());
    QVERIFY(port.open(QIODevice::ReadWrite));

    // Two presence queries back to back: the second waits in the unit until
    // the late first reply has gone, then takes the unit's usual latency.
    RixMessage first(RixComms::OutgoingCapacity);
    first.BuildRequest(DeviceId::C1, 0, 0, 0, nullptr);
    RixMessage second(RixComms::OutgoingCapacity);
    second.BuildRequest(DeviceId::C2, 0, 0, 0, nullptr);
    QElapsedTimer timer;
    timer.start();
    port.write(first.Bytes() + second.Bytes());
    QVERIFY(port.waitForBytesWritten(1000));
    QByteArray replies;
    while (replies.size() < 24 && timer.elapsed() < 10000) {
        if (port.waitForReadyRead(100))
            replies += port.readAll();
    }
    QCOMPARE(replies.size(), 24);
    QCOMPARE(quint8(replies.at(4)), DeviceId::C1);
    QCOMPARE(quint8(replies.at(16)), DeviceId::C2);
    // Latency, delay and the latency again, plus 2 x 11 + 2 x 12 bytes on the line.
    const qint64 lowerBoundMs = 200 + 300 + 200 + (2 * 11 + 2 * 12) * 10 * 1000 / 57600;
    QVERIFY2(timer.elapsed() >= lowerBoundMs - 5, qPrintable(QString::number(timer.elapsed())));
}

void TestSimulator::symlinkAndUnplug()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("rebreather"));
    RebreatherSimulator sim(SimProfile::MonoSerial, 1);
    QVERIFY(sim.Start());
    QVERIFY(sim.CreateSymlink(link));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.PortPath());

    QSerialPort port;
    RixComms comms;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    QVERIFY(comms.OpenComPort(link, true));
    QCOMPARE(comms.GetBridgeType(), 0);
    QVERIFY(comms.IsDevicePresent(DeviceId::DisplayMono));

    sim.Unplug();
    QVERIFY(sim.IsUnplugged());
    QVERIFY(!sim.IsRunning());
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(!comms.IsDevicePresent(DeviceId::DisplayMono));
    comms.CloseComPort();
    QVERIFY(!comms.OpenComPort(link, false));
}

void TestSimulator::standaloneExecutable()
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/tessaro-simulator");
    // The build makes this test depend on the executable: a missing one is a failure.
    QVERIFY2(QFileInfo::exists(program), qPrintable(program));
    QProcess process;
    process.start(program, {QStringLiteral("--profile"), QStringLiteral("colour-v2-usb")});
    QVERIFY(process.waitForStarted());
    QVERIFY(process.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
    QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));

    QSerialPort port;
    RixComms comms;
    comms.SetSerialPort(&port);
    comms.SetMessageLevel(0);
    QVERIFY(comms.OpenComPort(path, true));
    QCOMPARE(comms.GetBridgeType(), int(RixComms::BridgeUsbHandset));
    QVERIFY(comms.IsDevicePresent(DeviceId::DisplayColour));
    QVERIFY(!comms.IsDevicePresent(DeviceId::DisplayMono));
    comms.CloseComPort();

    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);

    QProcess bad;
    bad.start(program, {QStringLiteral("--profile"), QStringLiteral("no-such-profile")});
    QVERIFY(bad.waitForFinished(5000));
    QCOMPARE(bad.exitCode(), 2);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_Simulator.moc"
