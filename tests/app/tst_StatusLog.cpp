#include "AppIdentity.h"
#include "ScramblerSeed.h"
#include "StatusLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <array>
#include <cstdlib>

namespace {

// The keystream rebuilt here from the seed alone (row r = the 128-bit seed
// rotated left by r bits), so that the record layout is checked against an
// implementation that shares nothing with the writer.
std::array<quint8, 2048> IndependentKeystream()
{
    std::array<quint8, 2048> ks{};
    const auto &seed = ScramblerSeed::Value;
    for (int row = 0; row < 128; ++row) {
        for (int byte = 0; byte < 16; ++byte) {
            // Bit b of the row (b = 0 most significant) is seed bit (b + row) mod 128.
            quint8 value = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int src = (byte * 8 + bit + row) % 128;
                const int srcBit = (seed[std::size_t(src / 8)] >> (7 - src % 8)) & 1;
                value = quint8((value << 1) | srcBit);
            }
            ks[std::size_t(row * 16 + byte)] = value;
        }
    }
    return ks;
}

struct DecodedRecord {
    quint16 key = 0;
    QByteArray qr;
    quint16 length = 0;
    QByteArray text;
};

// Decodes the record at `pos` whose text is `textSize` bytes long.
DecodedRecord DecodeAt(const QByteArray &file, int pos, int textSize)
{
    static const auto ks = IndependentKeystream();
    DecodedRecord r;
    r.key = quint16((quint8(file.at(pos + 1)) << 8) | quint8(file.at(pos + 2)));
    QByteArray body = file.mid(pos + 3, 4 + textSize);
    for (int i = 0; i < body.size(); ++i)
        body[i] = char(quint8(body.at(i)) ^ ks[std::size_t((r.key + i) % 2048)]);
    r.qr = body.left(2);
    r.length = quint16((quint8(body.at(2)) << 8) | quint8(body.at(3)));
    r.text = body.mid(4);
    return r;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestStatusLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(AppIdentity::OrganisationName);
        QCoreApplication::setApplicationName(AppIdentity::ApplicationName);
    }

    void recordLayout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("expectedLine");

        QTest::newRow("info") << int(QtInfoMsg) << "Worker::CloseComPort() - Calling ClearRbData()" << 1234
                              << QByteArray("13:05:09:007 MSG Worker::CloseComPort() - Calling ClearRbData()");
        QTest::newRow("debug, key 0") << int(QtDebugMsg) << "a" << 0 << QByteArray("13:05:09:007 DBG a");
        QTest::newRow("warning, key 2047") << int(QtWarningMsg) << "w" << 2047 << QByteArray("13:05:09:007 WRN w");
        QTest::newRow("critical, key 2048") << int(QtCriticalMsg) << "c" << 2048 << QByteArray("13:05:09:007 CRT c");
        QTest::newRow("fatal, key near top wraps") << int(QtFatalMsg) << "the long way round" << 65530
                                                   << QByteArray("13:05:09:007 FTL the long way round");
        QTest::newRow("key 65535") << int(QtInfoMsg) << "top" << 65535 << QByteArray("13:05:09:007 MSG top");
        QTest::newRow("unknown type") << 42 << "?" << 7 << QByteArray("13:05:09:007 ??? ?");
        QTest::newRow("empty message: prefix only") << int(QtInfoMsg) << "" << 99 << QByteArray("13:05:09:007 MSG ");
        QTest::newRow("UTF-8 counted in bytes") << int(QtInfoMsg) << QString::fromUtf8("Tiefe 3\u00b0 \u00fc") << 300
                                                << QByteArray("13:05:09:007 MSG Tiefe 3\xc2\xb0 \xc3\xbc");
    }

    void recordLayout()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QByteArray, expectedLine);

        QTemporaryDir dir;
        const QDateTime when(QDate(2026, 3, 9), QTime(13, 5, 9, 7));
        StatusLog log(dir.path(), [&] { return when; }, [&] { return quint16(key); });
        log.Write(QtMsgType(type), text);

        const QByteArray file = ReadAll(dir.path() + "/Tessaro_2026_03_09.log");
        QCOMPARE(file.size(), 7 + expectedLine.size());
        QCOMPARE(quint8(file.at(0)), quint8(0x87));
        const DecodedRecord r = DecodeAt(file, 0, expectedLine.size());
        QCOMPARE(int(r.key), key);
        QCOMPARE(r.qr, QByteArray("QR"));
        QCOMPARE(int(r.length), expectedLine.size());
        QCOMPARE(r.text, expectedLine);
    }

    void emptyMessageCoversPrefixOnly()
    {
        const QByteArray record = StatusLog::Record(StatusLog::MessageLine(QtDebugMsg, QString(), QTime(1, 2, 3, 4)).toUtf8(), 5);
        const DecodedRecord r = DecodeAt(record, 0, record.size() - 7);
        QCOMPARE(int(r.length), 17);
        QCOMPARE(r.text, QByteArray("01:02:03:004 DBG "));
    }

    void textOver65535BytesKeepsLowLengthBitsAndWholeText()
    {
        QTemporaryDir dir;
        const QDateTime when(QDate(2026, 3, 9), QTime(8, 0));
        quint16 nextKey = 40000;
        StatusLog log(dir.path(), [&] { return when; }, [&] { return nextKey++; });
        const QString longText(70000, QLatin1Char('x'));
        log.Write(QtDebugMsg, longText);
        log.Write(QtInfoMsg, QStringLiteral("after"));

        const QByteArray file = ReadAll(dir.path() + "/Tessaro_2026_03_09.log");
        const int longLine = 17 + 70000;
        QCOMPARE(file.size(), 7 + longLine + 7 + 22);
        const DecodedRecord first = DecodeAt(file, 0, longLine);
        QCOMPARE(int(first.length), longLine & 0xFFFF);
        QCOMPARE(first.text, "08:00:00:000 DBG " + longText.toLatin1());
        const DecodedRecord second = DecodeAt(file, 7 + longLine, 22);
        QCOMPARE(int(second.key), 40001);
        QCOMPARE(second.qr, QByteArray("QR"));
        QCOMPARE(second.text, QByteArray("08:00:00:000 MSG after"));
    }

    void dayChangeStartsANewFile()
    {
        QTemporaryDir dir;
        QList<QDateTime> times = {QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)),
                                  QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 0))};
        StatusLog log(dir.path(), [&] { return times.takeFirst(); }, [] { return quint16(3); });
        log.Write(QtInfoMsg, QStringLiteral("old year"));
        log.Write(QtInfoMsg, QStringLiteral("new year"));

        const QByteArray a = ReadAll(dir.path() + "/Tessaro_2026_12_31.log");
        const QByteArray b = ReadAll(dir.path() + "/Tessaro_2027_01_01.log");
        QCOMPARE(DecodeAt(a, 0, a.size() - 7).text, QByteArray("23:59:59:999 MSG old year"));
        QCOMPARE(DecodeAt(b, 0, b.size() - 7).text, QByteArray("00:00:00:000 MSG new year"));
    }

    void createsMissingFolders()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/a/b/c";
        StatusLog log(folder, [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4)); });
        log.Write(QtInfoMsg, QStringLiteral("x"));
        QVERIFY(QFile::exists(folder + "/Tessaro_2026_01_02.log"));
    }

    void unwritableFolderDropsTheMessage()
    {
        QTemporaryDir dir;
        Touch(dir.path() + "/plainfile");
        // A folder below a plain file can never be created.
        StatusLog log(dir.path() + "/plainfile/logs");
        log.Write(QtWarningMsg, QStringLiteral("lost"));
        QVERIFY(!QFile::exists(dir.path() + "/plainfile/logs"));
    }

    void keyOffsetFromRandom_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("expected");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("1") << 1 << 2;
        QTest::newRow("16384") << 16384 << 32768;
        QTest::newRow("32766") << 32766 << 65532;
        QTest::newRow("32767") << 32767 << 65535;
    }

    void keyOffsetFromRandom()
    {
        QFETCH(int, r);
        QFETCH(int, expected);
        QCOMPARE(int(StatusLog::KeyOffsetFromRandom(r)), expected);
    }

    void keyOffsetsFollowTheSeededRuntimeGenerator()
    {
        std::srand(77);
        QVector<int> expected;
        for (int i = 0; i < 50; ++i)
            expected.append(StatusLog::KeyOffsetFromRandom(std::rand() % 32768));
        std::srand(77);
        QVector<int> drawn;
        for (int i = 0; i < 50; ++i)
            drawn.append(StatusLog::NextKeyOffset());
        QCOMPARE(drawn, expected);
    }

    void fileNameFromDate()
    {
        QCOMPARE(StatusLog::FileName(QDate(2024, 3, 9)), QStringLiteral("Tessaro_2024_03_09.log"));
    }

    void installedHandlerWritesToTheApplicationDataFolder()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(folder.endsWith("/Quor/Tessaro"));
        const QString path = folder + "/" + StatusLog::FileName(QDate::currentDate());
        const QByteArray before = ReadAll(path);

        QtMessageHandler previous = qInstallMessageHandler(StatusLog::MessageHandler);
        qWarning().noquote() << "handler check";
        qInstallMessageHandler(previous);

        const QByteArray after = ReadAll(path);
        const int textSize = after.size() - before.size() - 7;
        const DecodedRecord r = DecodeAt(after, before.size(), textSize);
        QCOMPARE(r.qr, QByteArray("QR"));
        QVERIFY2(r.text.endsWith(" WRN handler check"), r.text.constData());
    }

    void concurrentWritersNeverInterleaveRecords()
    {
        QTemporaryDir dir;
        const QString folder = dir.path();
        const int perThread = 400;
        auto writer = [folder, perThread](char tag) {
            return QThread::create([folder, perThread, tag] {
                StatusLog log(folder, [] { return QDateTime(QDate(2026, 5, 5), QTime(5, 5)); });
                for (int i = 0; i < perThread; ++i)
                    log.Write(QtDebugMsg, QString(60, QLatin1Char(tag)));
            });
        };
        QThread *a = writer('a');
        QThread *b = writer('b');
        a->start();
        b->start();
        QVERIFY(a->wait(60000));
        QVERIFY(b->wait(60000));
        delete a;
        delete b;

        const QByteArray file = ReadAll(folder + "/Tessaro_2026_05_05.log");
        const int lineSize = 17 + 60;
        QCOMPARE(file.size(), 2 * perThread * (7 + lineSize));
        int countA = 0;
        int countB = 0;
        for (int pos = 0; pos < file.size(); pos += 7 + lineSize) {
            const DecodedRecord r = DecodeAt(file, pos, lineSize);
            QCOMPARE(r.qr, QByteArray("QR"));
            QCOMPARE(int(r.length), lineSize);
            const QByteArray body = r.text.mid(17);
            if (body == QByteArray(60, 'a'))
                ++countA;
            else if (body == QByteArray(60, 'b'))
                ++countB;
            else
                QFAIL("record text mixed from two writers");
        }
        QCOMPARE(countA, perThread);
        QCOMPARE(countB, perThread);
    }

    void purge_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expectedLeft");

        QStringList ten;
        for (int d = 1; d <= 10; ++d)
            ten << QStringLiteral("Tessaro_2026_01_%1.log").arg(d, 2, 10, QLatin1Char('0'));
        QTest::newRow("10 files: nothing purged") << ten << ten;

        QStringList eleven = ten;
        eleven << "Tessaro_2026_02_01.log";
        QTest::newRow("11 files: six oldest go") << eleven << QStringList(eleven.mid(6));

        // Dates across a year boundary, given out of order.
        QStringList years = {"Tessaro_2027_01_02.log", "Tessaro_2026_12_31.log", "Tessaro_2027_01_01.log"};
        for (int d = 1; d <= 9; ++d)
            years << QStringLiteral("Tessaro_2025_06_%1.log").arg(d, 2, 10, QLatin1Char('0'));
        QTest::newRow("12 files: five newest stay")
            << years
            << QStringList{"Tessaro_2025_06_08.log", "Tessaro_2025_06_09.log", "Tessaro_2026_12_31.log",
                           "Tessaro_2027_01_01.log", "Tessaro_2027_01_02.log"};

        QStringList raw;
        for (int d = 1; d <= 11; ++d)
            raw << QStringLiteral("Tessaro_2026_03_%1raw.log").arg(d, 2, 10, QLatin1Char('0'));
        QTest::newRow("11 raw files") << raw << QStringList(raw.mid(6));

        QStringList withOthers = eleven;
        withOthers << "other.log" << "tessaro_2020_01_01.log" << "Tessaro_notes.txt";
        QTest::newRow("other files untouched")
            << withOthers << (QStringList(eleven.mid(6)) << "other.log" << "tessaro_2020_01_01.log" << "Tessaro_notes.txt");
    }

    void purge()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, expectedLeft);
        QTemporaryDir dir;
        for (const QString &name : files)
            Touch(dir.path() + "/" + name);
        StatusLog::PurgeOldLogs(dir.path());
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        left.sort();
        expectedLeft.sort();
        QCOMPARE(left, expectedLeft);
    }

    void purgeLogsWhatItDeletes()
    {
        QTemporaryDir dir;
        QStringList names;
        for (int d = 1; d <= 11; ++d) {
            names << QStringLiteral("Tessaro_2026_01_%1.log").arg(d, 2, 10, QLatin1Char('0'));
            Touch(dir.path() + "/" + names.last());
        }
        static QStringList captured;
        captured.clear();
        QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &, const QString &text) {
                captured << StatusLog::TypeTag(type) + text;
            });
        StatusLog::PurgeOldLogs(dir.path());
        qInstallMessageHandler(previous);

        QStringList expected = {"MSG Purging log files from " + dir.path()};
        for (int i = 0; i < 6; ++i)
            expected << "MSG Deleting " + names.at(i);
        QCOMPARE(captured, expected);
    }

    void purgeNeverRemovesFolders()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("Tessaro_0000_00_00.log"));
        for (int d = 1; d <= 11; ++d)
            Touch(dir.path() + QStringLiteral("/Tessaro_2026_01_%1.log").arg(d, 2, 10, QLatin1Char('0')));
        StatusLog::PurgeOldLogs(dir.path());
        QVERIFY(QFileInfo(dir.path() + "/Tessaro_0000_00_00.log").isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestStatusLog)
#include "tst_StatusLog.moc"
