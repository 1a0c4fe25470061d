#include "StatusLog.h"
#include "StatusLogReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Line(int i, const QString &text)
{
    return StatusLog::MessageLine(QtInfoMsg, text, QTime(10, 0, 0, i % 1000));
}

QByteArray Rec(int i, const QString &text, quint16 key)
{
    return StatusLog::Record(Line(i, text).toUtf8(), key);
}

struct Fixture {
    QByteArray data;
    QStringList lines;
};

// A file of records with the given texts and key offsets.
Fixture Build(const QStringList &texts, const QList<int> &keys)
{
    Fixture f;
    for (int i = 0; i < texts.size(); ++i) {
        f.data += Rec(i, texts.at(i), quint16(keys.at(i % keys.size())));
        f.lines << Line(i, texts.at(i));
    }
    return f;
}

QStringList Texts(const StatusLogReader::Result &r)
{
    QStringList out;
    for (const auto &e : r.entries)
        out << e.text;
    return out;
}

} // namespace

class TestLogReader : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("expectedLines");
        QTest::addColumn<QString>("expectedProblem"); // empty: none expected

        const Fixture plain = Build({"first", "", "third with \xc3\xbc"}, {0, 2047, 65535});
        QTest::newRow("whole file") << plain.data << plain.lines << QString();
        QTest::newRow("empty file") << QByteArray() << QStringList() << QString();

        const QString big(70000, QLatin1Char('y'));
        const Fixture longMiddle = Build({"before", big, "after"}, {100, 65000, 7});
        QTest::newRow("text over 65535 bytes, then more records") << longMiddle.data << longMiddle.lines << QString();

        // 140017 bytes: the stored length lost two multiples of 65536.
        const QString huge(140000, QLatin1Char('z'));
        const Fixture twoLong = Build({big, huge, "tail"}, {1, 2, 3});
        QTest::newRow("two long records in a row") << twoLong.data << twoLong.lines << QString();

        const Fixture longLast = Build({"a", big}, {9, 10});
        QTest::newRow("long record ends the file") << longLast.data << longLast.lines << QString();

        QByteArray cut = plain.data;
        cut.chop(5);
        QTest::newRow("last record cut short") << cut << QStringList(plain.lines.mid(0, 2)) << "last record cut short: 25 of its 30 text bytes present";

        QByteArray cutHeader = Build({"first", "second"}, {4}).data;
        cutHeader.chop(7 + 23 - 4);
        QTest::newRow("last header cut short") << cutHeader << QStringList{Line(0, "first")}
                                               << "only 4 of its 7 header bytes present";

        const Fixture three = Build({"one", "two", "three"}, {11, 12, 13});
        QByteArray junk = three.data;
        junk.insert(Rec(0, "one", 11).size(), QByteArray("\x01\x02\x87\x03\x04", 5));
        QTest::newRow("junk between records") << junk << three.lines << "5 unreadable bytes skipped";

        // The middle record's length field damaged: its text runs to the next record.
        QByteArray badLength = three.data;
        const int second = Rec(0, "one", 11).size();
        badLength[second + 6] = char(badLength.at(second + 6) ^ 0x40);
        QTest::newRow("damaged length field") << badLength << three.lines << "does not match the next record";

        QTest::newRow("not a status log") << QByteArray("plain text, not a log\n") << QStringList()
                                          << "22 unreadable bytes skipped";
    }

    void decode()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, expectedLines);
        QFETCH(QString, expectedProblem);

        const StatusLogReader::Result result = StatusLogReader::Decode(data);
        QCOMPARE(Texts(result), expectedLines);
        if (expectedProblem.isEmpty()) {
            QVERIFY(result.problems.isEmpty());
        } else {
            QCOMPARE(result.problems.size(), 1);
            QVERIFY2(result.problems.first().description.contains(expectedProblem),
                     qPrintable(result.problems.first().description));
        }
    }

    void wrappedLengthIsFlagged()
    {
        const Fixture f = Build({"x", QString(66000, QLatin1Char('q')), "y"}, {5});
        const StatusLogReader::Result result = StatusLogReader::Decode(f.data);
        QCOMPARE(result.entries.size(), 3);
        QVERIFY(!result.entries.at(0).lengthWrapped);
        QVERIFY(result.entries.at(1).lengthWrapped);
        QVERIFY(!result.entries.at(2).lengthWrapped);
        QCOMPARE(result.entries.at(2).offset, qint64(f.data.size() - Rec(2, "y", 5).size()));
    }

    // A crash can cut the file anywhere: every cut keeps exactly the records
    // before it and reports the cut unless it fell on a record boundary.
    void everyCutKeepsTheRecordsBeforeIt()
    {
        const Fixture f = Build({"alpha", "", "gamma gamma", "delta"}, {0, 2040, 65535, 300});
        QList<int> boundaries = {0};
        for (int i = 0; i < f.lines.size(); ++i)
            boundaries << boundaries.last() + 7 + f.lines.at(i).toUtf8().size();

        for (int cut = 0; cut <= f.data.size(); ++cut) {
            const StatusLogReader::Result result = StatusLogReader::Decode(f.data.left(cut));
            int whole = 0;
            while (whole + 1 < boundaries.size() && boundaries.at(whole + 1) <= cut)
                ++whole;
            QCOMPARE(Texts(result), QStringList(f.lines.mid(0, whole)));
            QCOMPARE(result.problems.isEmpty(), boundaries.contains(cut));
        }
    }

    void randomBytesNeverCrash()
    {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 300; ++round) {
            QByteArray data(int(random.bounded(3000)), '\0');
            for (char &c : data)
                c = char(random.bounded(256));
            // Sprinkle markers so the header checks are exercised.
            for (int i = 0; i < data.size(); i += 37)
                data[i] = char(0x87);
            const StatusLogReader::Result result = StatusLogReader::Decode(data);
            // Whatever the bytes, the reader accounts for them: lines or a problem.
            if (!data.isEmpty())
                QVERIFY(!result.problems.isEmpty() || !result.entries.isEmpty());
        }
    }

    void tool_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutHas");
        QTest::addColumn<QString>("stderrHas");

        const Fixture good = Build({"hello", "world"}, {42, 4242});
        QByteArray cut = good.data;
        cut.chop(3);
        QTest::newRow("good file") << QList<QByteArray>{good.data} << QStringList() << 0
                                   << Line(0, "hello") + "\n" + Line(1, "world") + "\n" << QString();
        QTest::newRow("cut short") << QList<QByteArray>{cut} << QStringList() << 2 << Line(0, "hello") + "\n" << "cut short";
        QTest::newRow("not a log") << QList<QByteArray>{QByteArray("garbage")} << QStringList() << 2 << QString()
                                   << "not a Tessaro status log";
        QTest::newRow("offsets") << QList<QByteArray>{good.data} << QStringList{"--offsets"} << 0
                                 << QStringLiteral("0: %1\n%2: %3\n").arg(Line(0, "hello")).arg(7 + 22).arg(Line(1, "world"))
                                 << QString();
        QTest::newRow("two files") << QList<QByteArray>{good.data, good.data} << QStringList() << 0 << "<==\n" + Line(0, "hello")
                                   << QString();
    }

    void tool()
    {
        QFETCH(QList<QByteArray>, files);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutHas);
        QFETCH(QString, stderrHas);

        QTemporaryDir dir;
        QStringList paths;
        for (int i = 0; i < files.size(); ++i) {
            const QString path = dir.filePath(QStringLiteral("Tessaro_2026_01_%1.log").arg(i + 1, 2, 10, QLatin1Char('0')));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(files.at(i));
            paths << path;
        }
        QProcess reader;
        reader.start(QCoreApplication::applicationDirPath() + "/tessaro-logreader", options + paths);
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        const QString out = QString::fromUtf8(reader.readAllStandardOutput());
        const QString err = QString::fromUtf8(reader.readAllStandardError());
        QCOMPARE(reader.exitCode(), exitCode);
        QVERIFY2(out.contains(stdoutHas), qPrintable(out));
        if (stderrHas.isEmpty())
            QVERIFY2(err.isEmpty(), qPrintable(err));
        else
            QVERIFY2(err.contains(stderrHas), qPrintable(err));
    }

    void toolMissingFile()
    {
        QProcess reader;
        reader.start(QCoreApplication::applicationDirPath() + "/tessaro-logreader", {"/nonexistent/Tessaro_x.log"});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 1);
        QVERIFY(reader.readAllStandardError().contains("cannot open"));
    }
};

QTEST_GUILESS_MAIN(TestLogReader)
#include "tst_LogReader.moc"
