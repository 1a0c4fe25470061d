#include "PortSearchOrder.h"
#include "SimulatedPortEnumerator.h"

#include <QtTest>

class TestPortSearchOrder : public QObject
{
    Q_OBJECT

private slots:
    void sortKey_data();
    void sortKey();
    void searchOrder_data();
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
    QTest::newRow("COM1000") << "COM1000" << "1000";
    QTest::newRow("leading zeros") << "COM0012" << "012";
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

void TestPortSearchOrder::searchOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("numbers, then the unnumbered") << QStringList{"COM3", "COM12", "ttyUSB0", "COM4"}
                                                  << QStringList{"COM3", "COM4", "COM12", "ttyUSB0"};
    QTest::newRow("numbers of four digits and more")
        << QStringList{"COM1000", "COM999", "COM10000", "COM2", "COM1001"}
        << QStringList{"COM2", "COM999", "COM1000", "COM1001", "COM10000"};
    QTest::newRow("more digits than any integer holds")
        << QStringList{"COM100000000000000000000000", "COM99999999999999999999999", "ttyS0"}
        << QStringList{"COM99999999999999999999999", "COM100000000000000000000000", "ttyS0"};
    QTest::newRow("leading zeros count as the number") << QStringList{"COM010", "COM9", "COM0011"}
                                                       << QStringList{"COM9", "COM010", "COM0011"};
}

void TestPortSearchOrder::searchOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, order);
    QList<SerialPortDescription> ports;
    for (const QString &name : names)
        ports.append({name, QStringLiteral("Bridge"), QStringLiteral("/dev/") + name});
    QStringList found;
    for (const SerialPortDescription &p : PortSearchOrder::Ordered(ports))
        found << p.portName;
    QCOMPARE(found, order);
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
