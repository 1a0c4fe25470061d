#include "RecordScrambler.h"

#include <QtTest>

class TestRecordScrambler : public QObject
{
    Q_OBJECT
private slots:
    void firstRowIsSeed()
    {
        const auto &seed = RecordScrambler::Seed();
        for (int k = 0; k < 16; ++k)
            QCOMPARE(RecordScrambler::KeystreamByte(k), seed[k]);
    }

    void secondRowIsSeedShiftedLeftOneBitAcrossAllBytes()
    {
        // Independent of the expansion code: shift the seed as one 128-bit number.
        const auto &seed = RecordScrambler::Seed();
        for (int b = 0; b < 16; ++b) {
            const quint8 carry = seed[(b + 1) % 16] >> 7;
            const quint8 expected = quint8((seed[b] << 1) | carry);
            QCOMPARE(RecordScrambler::KeystreamByte(16 + b), expected);
        }
    }

    void everyRowIsTheSeedRotated()
    {
        const auto &seed = RecordScrambler::Seed();
        auto bitOf = [&](int bit) { return (seed[bit / 8] >> (7 - bit % 8)) & 1; };
        for (int row = 0; row < 128; ++row) {
            for (int b = 0; b < 16; ++b) {
                int expected = 0;
                for (int i = 0; i < 8; ++i)
                    expected = (expected << 1) | bitOf((b * 8 + i + row) % 128);
                QCOMPARE(int(RecordScrambler::KeystreamByte(row * 16 + b)), expected);
            }
        }
    }

    void positionWrapsAt2048()
    {
        QCOMPARE(RecordScrambler::KeystreamByte(2048), RecordScrambler::KeystreamByte(0));
        QCOMPARE(RecordScrambler::KeystreamByte(65535), RecordScrambler::KeystreamByte(65535 % 2048));

        // A run that crosses the end of the keystream continues at position 0.
        QByteArray run(4, '\0');
        RecordScrambler::Scramble(run.data(), std::size_t(run.size()), 2046);
        QCOMPARE(quint8(run[0]), RecordScrambler::KeystreamByte(2046));
        QCOMPARE(quint8(run[1]), RecordScrambler::KeystreamByte(2047));
        QCOMPARE(quint8(run[2]), RecordScrambler::KeystreamByte(0));
        QCOMPARE(quint8(run[3]), RecordScrambler::KeystreamByte(1));
    }

    void scramblingTwiceRestores()
    {
        const QByteArray original = QByteArrayLiteral("Dive 17: 42.3 m, 61 min, Tx 18/45");
        for (quint64 offset : {quint64(0), quint64(7), quint64(2040), quint64(65535)}) {
            QByteArray data = original;
            RecordScrambler::Scramble(data.data(), std::size_t(data.size()), offset);
            QVERIFY(data != original);
            RecordScrambler::Scramble(data.data(), std::size_t(data.size()), offset);
            QCOMPARE(data, original);
        }
    }

    void keyOffsetFromSeed_data()
    {
        QTest::addColumn<int>("s0");
        QTest::addColumn<int>("s1");
        QTest::addColumn<int>("s2");
        QTest::addColumn<int>("s3");
        QTest::addColumn<int>("offset");
        QTest::newRow("1,1,1,5") << 1 << 1 << 1 << 5 << 5;
        QTest::newRow("product 2048") << 2 << 4 << 16 << 16 << 0;
        QTest::newRow("product 3000") << 3 << 4 << 10 << 25 << 3000 % 2048;
        // 255^4 = 0xFC05FC01: bit 31 set, negative as signed 32-bit, not a multiple of 2048.
        QTest::newRow("negative product") << 255 << 255 << 255 << 255 << 0;
        // 200*200*200*200 = 1.6e9 fits below 2^31: positive remainder.
        QTest::newRow("large positive") << 200 << 200 << 200 << 200 << int(1600000000LL % 2048);
        // 250^4 = 3906250000 wraps to -388717296 (negative): offset 0.
        QTest::newRow("wraps negative") << 250 << 250 << 250 << 250 << 0;
    }

    void keyOffsetFromSeed()
    {
        QFETCH(int, s0);
        QFETCH(int, s1);
        QFETCH(int, s2);
        QFETCH(int, s3);
        QFETCH(int, offset);
        QCOMPARE(RecordScrambler::KeyOffsetFromSeed(quint8(s0), quint8(s1), quint8(s2), quint8(s3)), offset);
    }

    void freshSeedBytesAreNeverZero()
    {
        for (int i = 0; i < 2000; ++i) {
            for (quint8 b : RecordScrambler::FreshSeedBytes())
                QVERIFY(b != 0);
        }
    }
};

QTEST_APPLESS_MAIN(TestRecordScrambler)
#include "tst_RecordScrambler.moc"
