// Fixed-point number texts must match QString::number(value, 'f', decimals)
// exactly: the UDDF export's verification code is taken over these texts.

#include "FixedPointText.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {
// The fast path's text, or QString::number's where it steps aside.
QString Formatted(double value, int decimals, bool *fastPath = nullptr)
{
    char digits[FixedPointText::BufferSize];
    const int length = FixedPointText::Format(value, decimals, digits);
    if (fastPath)
        *fastPath = length >= 0;
    return length >= 0 ? QString::fromLatin1(digits, length) : QString::number(value, 'f', decimals);
}
}

class TestFixedPointText : public QObject
{
    Q_OBJECT

private slots:
    void knownTexts_data();
    void knownTexts();
    void leftToQt_data();
    void leftToQt();
    void sweepsMatchQt();
};

void TestFixedPointText::knownTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << 1 << "0.0";
    QTest::newRow("no decimals") << 12.5 << 0 << "13";
    QTest::newRow("exact half rounds away from zero") << 12.25 << 1 << "12.3";
    QTest::newRow("negative exact half") << -0.125 << 2 << "-0.13";
    QTest::newRow("binary value below the half") << 2.675 << 2 << "2.67";
    QTest::newRow("binary value above the half") << 0.15 << 1 << "0.1";
    QTest::newRow("carry into the whole part") << 9.9999 << 3 << "10.000";
    QTest::newRow("kelvin") << 12.5 + 273.15 << 1 << "285.6";
    QTest::newRow("pascal") << 1.3 * 100000.0 << 1 << "130000.0";
    QTest::newRow("divetime") << 0.001 << 3 << "0.001";
    QTest::newRow("tiny") << 5e-324 << 6 << "0.000000";
    QTest::newRow("large") << 999999999999.75 << 1 << "999999999999.8";
}

void TestFixedPointText::knownTexts()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    bool fastPath = false;
    QCOMPARE(Formatted(value, decimals, &fastPath), text);
    QVERIFY(fastPath);
    QCOMPARE(QString::number(value, 'f', decimals), text);
}

void TestFixedPointText::leftToQt_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 1;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 1;
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << 2;
    QTest::newRow("1e12") << 1e12 << 1;
    QTest::newRow("negative zero") << -0.0 << 1;
    QTest::newRow("negative rounding to zero") << -0.04 << 1;
    QTest::newRow("too many decimals") << 1.5 << 7;
    QTest::newRow("negative decimals") << 1.5 << -1;
}

void TestFixedPointText::leftToQt()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    char digits[FixedPointText::BufferSize];
    QCOMPARE(FixedPointText::Format(value, decimals, digits), -1);
}

void TestFixedPointText::sweepsMatchQt()
{
    // Values as the export computes them (scaled, offset, divided) and raw
    // bit patterns, against Qt's own conversion.
    std::mt19937_64 random(20261209);
    int compared = 0;
    for (int decimals = 0; decimals <= FixedPointText::MaxDecimals; ++decimals) {
        QVector<double> values;
        for (int i = -3000; i <= 3000; ++i)
            values << i / 1000.0 << i * 0.1 << i / 8.0 << i * 0.01 + 273.15 << i / 100.0 * 300.0 << i * 0.001 * 100000.0;
        for (int i = 0; i < 5000; ++i) {
            values << std::ldexp(double(random() >> 11), -int(random() % 80)) << -std::ldexp(double(random() >> 11), -int(random() % 80));
            double bits = 0;
            const quint64 pattern = random();
            std::memcpy(&bits, &pattern, sizeof bits);
            values << bits;
        }
        for (const double value : values) {
            const QString expected = QString::number(value, 'f', decimals);
            if (Formatted(value, decimals) != expected)
                QFAIL(qPrintable(QStringLiteral("%1 with %2 decimals: %3, Qt %4")
                                     .arg(QString::number(value, 'g', 17)).arg(decimals).arg(Formatted(value, decimals), expected)));
            ++compared;
        }
    }
    QVERIFY(compared > 0);
}

QTEST_GUILESS_MAIN(TestFixedPointText)
#include "tst_FixedPointText.moc"
