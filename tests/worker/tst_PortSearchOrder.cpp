#include "PortSearchOrder.h"
#include "SimulatedPortEnumerator.h"

#include <QtTest>

class TestPortSearchOrder : public QObject
{
    Q_OBJECT

private slots:
    void sortKey_data();
    void sortKey();
    void searchOrder();
    void simulatedEnumeratorChanges();
};

void TestPortSearchOrder::sortKey_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("key");
    QTest::newRow("COM7") << "COM7" << "007";
    QTest::newRow("COM12") << "COM12" << "012";
    QTest::newRow("COM123") << "COM123" << "123";
    QTest::newRow("no number") << "ttyUSB0" << "xxx";
    QTest::newRow("nothing after the prefix") << "COM" << "xxx";
    QTest::newRow("sign is not a number") << "COM-1" << "xxx";
    QTest::newRow("trailing letter") << "COM4a" << "xxx";
}

void TestPortSearchOrder::sortKey()
{
    QFETCH(QString, portName);
    QFETCH(QString, key);
    QCOMPARE(PortSearchOrder::SortKey(portName), key);
}

void TestPortSearchOrder::searchOrder()
{
    const QList<SerialPortDescription> ports = {
        {"COM3", "Bridge", "/dev/a"},
        {"COM12", "Bridge", "/dev/b"},
        {"ttyUSB0", "USB", "/dev/ttyUSB0"},
        {"COM4", "Bridge", "/dev/c"},
    };
    QStringList order;
    for (const SerialPortDescription &p : PortSearchOrder::Ordered(ports))
        order << p.portName;
    QCOMPARE(order, (QStringList{"COM3", "COM4", "COM12", "ttyUSB0"}));
}

void TestPortSearchOrder::simulatedEnumeratorChanges()
{
    SimulatedPortEnumerator ports({{"COM3", "Simulated rebreather", "/dev/pts/3"}});
    QCOMPARE(ports.AvailablePorts().size(), 1);
    ports.AddPort({"COM4", "Simulated rebreather", "/dev/pts/4"});
    QCOMPARE(ports.AvailablePorts().size(), 2);
    QVERIFY(ports.RemovePort("COM3"));
    QVERIFY(!ports.RemovePort("COM3"));
    QCOMPARE(ports.AvailablePorts().first().systemLocation, QStringLiteral("/dev/pts/4"));
}

QTEST_GUILESS_MAIN(TestPortSearchOrder)
#include "tst_PortSearchOrder.moc"
