#include "PortEnumerator.h"
#include "RixComms.h"
#include "SimulatedRebreatherMode.h"

#include <QSerialPort>
#include <QtTest>

class TestSimulatedRebreatherMode : public QObject
{
    Q_OBJECT
private slots:
    void requestedProfiles_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("profiles");
        const QStringList defaults = SimulatedRebreatherMode::DefaultProfiles();
        QTest::newRow("absent") << QStringList{"Tessaro"} << QStringList{};
        QTest::newRow("plain") << QStringList{"Tessaro", "--simulate"} << defaults;
        QTest::newRow("empty list") << QStringList{"Tessaro", "--simulate="} << defaults;
        QTest::newRow("list") << QStringList{"Tessaro", "--simulate=mono-serial,empty"}
                              << QStringList{"mono-serial", "empty"};
        QTest::newRow("similar option ignored") << QStringList{"Tessaro", "--simulated"} << QStringList{};
    }

    void requestedProfiles()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, profiles);
        QCOMPARE(SimulatedRebreatherMode::RequestedProfiles(arguments), profiles);
    }

    void defaultSetHasAPortWithNothingBehindIt()
    {
        QVERIFY(SimulatedRebreatherMode::DefaultProfiles().contains("empty"));
        QVERIFY(SimulatedRebreatherMode::DefaultProfiles().size() >= 2);
    }

    void unknownProfileIsRefusedWithItsName()
    {
        SimulatedRebreatherMode mode;
        QString error;
        QVERIFY(!mode.Start({"no-such-profile"}, &error));
        QVERIFY2(error.contains("no-such-profile") && error.contains("mono-serial"), qPrintable(error));
    }

    void simulatedPortsAreListedAndAnswer()
    {
        SimulatedRebreatherMode mode;
        QString error;
        QVERIFY2(mode.Start({"empty", "mono-serial"}, &error), qPrintable(error));

        QList<SerialPortDescription> simulated;
        for (const SerialPortDescription &port : mode.Ports()->AvailablePorts()) {
            if (port.portName.startsWith("SIM"))
                simulated << port;
        }
        QCOMPARE(simulated.size(), 2);
        QCOMPARE(simulated[0].portName, QString("SIM1"));
        QCOMPARE(simulated[0].description, QString("Simulated rebreather (empty)"));
        QCOMPARE(simulated[1].portName, QString("SIM2"));
        QCOMPARE(simulated[1].description, QString("Simulated rebreather (mono-serial)"));

        // Through the real serial-port code: the mono handset answers on its
        // port, nothing answers on the empty one.
        RixComms comms;
        QSerialPort serialPort;
        comms.SetSerialPort(&serialPort);
        QVERIFY2(comms.OpenComPort(simulated[1].systemLocation, false), qPrintable(comms.GetLastError()));
        QVERIFY(comms.IsDevicePresent(0xB0));
        comms.CloseComPort();
        QVERIFY2(comms.OpenComPort(simulated[0].systemLocation, false), qPrintable(comms.GetLastError()));
        QVERIFY(!comms.IsDevicePresent(0xB0));
        comms.CloseComPort();
    }
};

QTEST_GUILESS_MAIN(TestSimulatedRebreatherMode)
#include "tst_SimulatedRebreatherMode.moc"
