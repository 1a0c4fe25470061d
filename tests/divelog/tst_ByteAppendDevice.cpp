// The byte device the UDDF export writes its XML through.

#include "ByteAppendDevice.h"

#include <QtTest>

class TestByteAppendDevice : public QObject
{
    Q_OBJECT

private slots:
    void appendsAfterExistingBytes_data();
    void appendsAfterExistingBytes();
    void refusesReading();
};

void TestByteAppendDevice::appendsAfterExistingBytes_data()
{
    QTest::addColumn<int>("reserved");
    QTest::newRow("no room reserved: grows") << 0;
    QTest::newRow("some room: grows part-way") << 100;
    QTest::newRow("room for everything") << (1 << 21);
}

void TestByteAppendDevice::appendsAfterExistingBytes()
{
    QFETCH(int, reserved);
    QByteArray bytes("head:");
    bytes.reserve(reserved);
    QByteArray expected = bytes;
    {
        ByteAppendDevice device(&bytes);
        QVERIFY(device.open(QIODevice::WriteOnly));
        for (int i = 0; i < 5000; ++i) {
            const QByteArray piece = QByteArray::number(i) + (i % 7 == 0 ? QByteArray(300, 'x') : QByteArray(" "));
            QCOMPARE(device.write(piece), qint64(piece.size()));
            expected += piece;
        }
        QCOMPARE(device.write("", 0), qint64(0));
        device.close();
        // Closed: the array holds exactly what was written, no spare room.
        QCOMPARE(bytes.size(), expected.size());
        QCOMPARE(bytes, expected);
    }
    // Closing again on destruction changes nothing.
    QCOMPARE(bytes, expected);
}

void TestByteAppendDevice::refusesReading()
{
    QByteArray bytes("abc");
    ByteAppendDevice device(&bytes);
    QVERIFY(!device.open(QIODevice::ReadWrite));
    QVERIFY(!device.isOpen());
    QCOMPARE(bytes, QByteArray("abc"));
}

QTEST_GUILESS_MAIN(TestByteAppendDevice)
#include "tst_ByteAppendDevice.moc"
