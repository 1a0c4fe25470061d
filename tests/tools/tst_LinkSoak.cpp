// A short soak of the device link and the identification: a few hundred
// operations with 5 % faults of every kind on a paced line, none of which may
// come back wrong while reported as success.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestLinkSoak : public QObject
{
    Q_OBJECT

private slots:
    void shortRunHasNoWrongResults();
    void invalidOptionIsRefused();

private:
    static QString Program()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/tessaro-linksoak");
    }
};

void TestLinkSoak::shortRunHasNoWrongResults()
{
    QVERIFY2(QFileInfo::exists(Program()), qPrintable(Program()));
    QProcess soak;
    soak.start(Program(), {QStringLiteral("--operations"), QStringLiteral("200"), QStringLiteral("--connections"),
                           QStringLiteral("2"), QStringLiteral("--fault-rate"), QStringLiteral("0.05"),
                           QStringLiteral("--seed"), QStringLiteral("11")});
    QVERIFY(soak.waitForFinished(240000));
    const QString out = QString::fromUtf8(soak.readAllStandardOutput());
    QVERIFY2(soak.exitCode() == 0, qPrintable(out + QString::fromUtf8(soak.readAllStandardError())));
    QVERIFY2(out.contains(QStringLiteral("Operations 202, failed ")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("wrong but reported as success 0")), qPrintable(out));
    // The run was not a quiet one: faults were injected.
    const QRegularExpressionMatch faults = QRegularExpression(QStringLiteral("faults injected (\\d+)")).match(out);
    QVERIFY2(faults.hasMatch() && faults.captured(1).toInt() > 0, qPrintable(out));
}

void TestLinkSoak::invalidOptionIsRefused()
{
    QProcess soak;
    soak.start(Program(), {QStringLiteral("--fault-rate"), QStringLiteral("1.5")});
    QVERIFY(soak.waitForFinished(30000));
    QCOMPARE(soak.exitCode(), 2);
}

QTEST_GUILESS_MAIN(TestLinkSoak)
#include "tst_LinkSoak.moc"
