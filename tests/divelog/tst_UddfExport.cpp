// UDDF export of generated dives, read back with QXmlStreamReader.

#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"
#include "QuorLogSession.h"
#include "UddfConstants.h"
#include "UddfExport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

Q_DECLARE_METATYPE(DivePlan)
Q_DECLARE_METATYPE(GeneratedHandset)

namespace {

struct Waypoint
{
    double depth = -1;
    double divetime = -1;
    QString divemode;
    QString switchmix;
    QStringList alarms; // "type/text"
    double setpo2 = -1;
    double temperature = -1;
};

struct Mix
{
    QString id, name, o2, n2, he;
};

struct ReadBack
{
    bool wellFormed = false;
    QString error;
    QVector<Waypoint> waypoints;
    QVector<Mix> mixes;
    QMap<QString, QString> firstText; // element name -> first text value
    QString verificationText;         // recomputed from the document
    QString verificationCode;
};

ReadBack Read(const QByteArray &document)
{
    ReadBack out;
    QXmlStreamReader xml(document);
    QStringList path;
    Waypoint *waypoint = nullptr;
    Mix *mix = nullptr;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            path << name;
            for (const QXmlStreamAttribute &a : xml.attributes())
                out.verificationText += a.name().toString() + a.value().toString();
            if (name == QLatin1String("waypoint")) {
                out.waypoints.append(Waypoint());
                waypoint = &out.waypoints.last();
            } else if (name == QLatin1String("mix")) {
                out.mixes.append(Mix());
                mix = &out.mixes.last();
                mix->id = xml.attributes().value(QLatin1String("id")).toString();
            } else if (waypoint && name == QLatin1String("divemode")) {
                waypoint->divemode = xml.attributes().value(QLatin1String("type")).toString();
            } else if (waypoint && name == QLatin1String("switchmix")) {
                waypoint->switchmix = xml.attributes().value(QLatin1String("ref")).toString();
            } else if (waypoint && name == QLatin1String("universalalarm")) {
                waypoint->alarms << xml.attributes().value(QLatin1String("type")).toString();
            }
        } else if (xml.isEndElement()) {
            if (path.last() == QLatin1String("waypoint"))
                waypoint = nullptr;
            if (path.last() == QLatin1String("mix"))
                mix = nullptr;
            path.removeLast();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            const QString element = path.last();
            const QString text = xml.text().toString();
            if (!out.firstText.contains(element))
                out.firstText.insert(element, text);
            if (element == QLatin1String("verificationcode"))
                out.verificationCode = text;
            else if (element != QLatin1String("para"))
                out.verificationText += text;
            if (waypoint) {
                if (element == QLatin1String("depth"))
                    waypoint->depth = text.toDouble();
                else if (element == QLatin1String("divetime"))
                    waypoint->divetime = text.toDouble();
                else if (element == QLatin1String("setpo2"))
                    waypoint->setpo2 = text.toDouble();
                else if (element == QLatin1String("temperature"))
                    waypoint->temperature = text.toDouble();
                else if (element == QLatin1String("alarm"))
                    waypoint->alarms.last() += QLatin1Char('/') + text;
            }
            if (mix) {
                if (element == QLatin1String("name"))
                    mix->name = text;
                else if (element == QLatin1String("o2"))
                    mix->o2 = text;
                else if (element == QLatin1String("n2"))
                    mix->n2 = text;
                else if (element == QLatin1String("he"))
                    mix->he = text;
            }
        }
    }
    out.wellFormed = !xml.hasError();
    out.error = xml.errorString();
    return out;
}

DivePlan Plan()
{
    DivePlan plan;
    plan.profile = {{0, 0}, {90, 18}, {900, 18}, {1080, 6}, {1260, 6}, {1320, 0}};
    plan.gases = {{21, 0}};
    plan.diveNumber = 12;
    return plan;
}

// Loads a generated dive from a secured file in `dir`.
bool LoadPlan(QuorLog &log, const QTemporaryDir &dir, const DivePlan &plan, const QString &name = QStringLiteral("dive.ccl"))
{
    const QString path = dir.filePath(name);
    QString error;
    if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan), &error))
        return false;
    return log.Load(path) == QuorLog::Success;
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestUddfExport : public QObject
{
    Q_OBJECT

private slots:
    void waypointsFollowThePlan();
    void dummyFirstWaypoint();
    void modeAndMixOnlyOnChange();
    void wholeSessionWithoutDiveWindow();
    void gasDefinitions_data();
    void gasDefinitions();
    void alarms_data();
    void alarms();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void nothingToWrite();
    void hostileTextsStayWellFormed();
    void verificationCodeCoversTheDocument();
    void diveDurationIsTheRecordedDiveTime();
    void outputIsPinned_data();
    void outputIsPinned();
    void cellsAsPpo2_data();
    void cellsAsPpo2();
};

void TestUddfExport::waypointsFollowThePlan()
{
    QTemporaryDir dir;
    const DivePlan plan = Plan();
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    UddfExport exporter;
    QCOMPARE(exporter.Export(log), int(UddfExport::Written));
    const QString target = dir.filePath(QStringLiteral("dive.uddf"));
    QCOMPARE(exporter.TargetPath(), target);
    const QByteArray bytes = ReadFile(target);
    // The declaration has never named an encoding: the file is UTF-8, the XML default.
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\"?>\n<uddf version=\"3.3.0\">\n    <generator>\n"));
    QVERIFY(bytes.endsWith("</uddf>\n"));
    const ReadBack doc = Read(bytes);
    QVERIFY2(doc.wellFormed, qPrintable(doc.error));

    const QuorLogSession *session = log.IdentifiedSession();
    const double offset = session->DiveStartTime() - plan.surfaceBefore; // waypoint time -> plan time
    QVERIFY(doc.waypoints.size() > 1000);
    QCOMPARE(doc.waypoints.first().depth, 0.0);
    QCOMPARE(doc.waypoints.last().depth, 0.0);
    double previous = -1;
    for (int i = 1; i + 1 < doc.waypoints.size(); ++i) {
        const Waypoint &w = doc.waypoints.at(i);
        QVERIFY2(w.divetime > previous, qPrintable(QString::number(i)));
        previous = w.divetime;
        const double expected = plan.DepthAt(std::round(w.divetime) + offset);
        QVERIFY2(std::fabs(w.depth - expected) <= 0.051,
                 qPrintable(QStringLiteral("waypoint %1 at %2 s: %3 m, plan %4 m").arg(i).arg(w.divetime).arg(w.depth).arg(expected)));
    }
    // Dive mode and mix only on the first waypoint: they never change here.
    QCOMPARE(doc.waypoints.first().divemode, QStringLiteral("closedcircuit"));
    QCOMPARE(doc.waypoints.first().switchmix, QStringLiteral("diluent_01"));
    QVERIFY(doc.waypoints.at(5).divemode.isEmpty());
    QCOMPARE(doc.waypoints.at(100).setpo2, 130000.0);
    QCOMPARE(doc.waypoints.at(100).temperature, QString::number(12.5 + 273.15, 'f', 1).toDouble());

    QCOMPARE(doc.firstText.value(QStringLiteral("divenumber")), QStringLiteral("12"));
    QCOMPARE(doc.firstText.value(QStringLiteral("datetime")).size(), 19);
    QCOMPARE(doc.firstText.value(QStringLiteral("greatestdepth")), QStringLiteral("18.0"));
    QCOMPARE(doc.firstText.value(QStringLiteral("surfacepressure")), QStringLiteral("101300.0"));
    QCOMPARE(doc.firstText.value(QStringLiteral("airtemperature")), QString::number(21.5 + 273.15, 'f', 1));
    QCOMPARE(doc.firstText.value(QStringLiteral("lowesttemperature")), QString::number(12.5 + 273.15, 'f', 1));
    QCOMPARE(doc.firstText.value(QStringLiteral("highestpo2")), QStringLiteral("130000.0"));
    QCOMPARE(doc.firstText.value(QStringLiteral("lastname")), QStringLiteral("Alex Diver"));
    QCOMPARE(doc.firstText.value(QStringLiteral("serialnumber")), QStringLiteral("12A3456"));
    QCOMPARE(doc.firstText.value(QStringLiteral("version")), QStringLiteral("1.2.6.0"));
}

void TestUddfExport::dummyFirstWaypoint()
{
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.profile = {{0, 0}, {1, 2.5}, {120, 2.5}, {121, 0}};
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    UddfExport exporter;
    const ReadBack doc = Read(exporter.Document(log));
    QVERIFY(doc.wellFormed);
    QVERIFY(doc.waypoints.size() >= 3);
    QCOMPARE(doc.waypoints.at(0).depth, 0.0);
    QCOMPARE(doc.waypoints.at(0).divetime, 0.0);
    QCOMPARE(doc.waypoints.at(1).depth, 2.5);
    QCOMPARE(doc.waypoints.at(1).divetime, 0.001);
    // The dummy carries the first waypoint's mode and mix; the real one repeats neither.
    QCOMPARE(doc.waypoints.at(0).switchmix, QStringLiteral("diluent_01"));
    QVERIFY(doc.waypoints.at(1).switchmix.isEmpty());
}

void TestUddfExport::modeAndMixOnlyOnChange()
{
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.gases = {{21, 0}, {50, 0}};
    plan.gasSwitches = {{0, 0}, {1100, 1}};
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    const ReadBack doc = Read(UddfExport().Document(log));
    const double offset = log.IdentifiedSession()->DiveStartTime() - plan.surfaceBefore;
    QStringList mixes, modes;
    double switchedAt = -1;
    for (const Waypoint &w : doc.waypoints) {
        if (!w.switchmix.isEmpty()) {
            mixes << w.switchmix;
            switchedAt = w.divetime + offset;
        }
        if (!w.divemode.isEmpty())
            modes << w.divemode;
    }
    QCOMPARE(mixes, (QStringList{"diluent_01", "diluent_02"}));
    QCOMPARE(modes, QStringList{"closedcircuit"});
    QVERIFY2(std::fabs(switchedAt - 1100) <= 1.0, qPrintable(QString::number(switchedAt)));
    QCOMPARE(doc.mixes.size(), 2);
    QCOMPARE(doc.mixes.at(1).id, QStringLiteral("diluent_02"));
}

void TestUddfExport::wholeSessionWithoutDiveWindow()
{
    // Never deeper than the start threshold: no dive window, every sample goes out.
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.profile = {{0, 0}, {30, 1.0}, {200, 1.0}, {230, 0}};
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    const QuorLogSession *session = log.IdentifiedSession();
    QCOMPARE(session->DiveStartTime(), -1.0);
    const ReadBack doc = Read(UddfExport().Document(log));
    QCOMPARE(doc.waypoints.size(), session->Samples().size());
    QCOMPARE(doc.waypoints.last().depth, 0.0);
}

void TestUddfExport::gasDefinitions_data()
{
    QTest::addColumn<int>("o2");
    QTest::addColumn<int>("he");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("o2Text");
    QTest::addColumn<QString>("n2Text");
    QTest::addColumn<QString>("heText");
    QTest::newRow("air") << 21 << 0 << "air" << "0.210" << "0.790" << "";
    QTest::newRow("trimix") << 18 << 45 << "18/45" << "0.180" << "0.370" << "0.450";
    QTest::newRow("heliox") << 20 << 80 << "20/80" << "0.200" << "" << "0.800";
    QTest::newRow("nitrox") << 32 << 0 << "32% nx" << "0.320" << "0.680" << "";
}

void TestUddfExport::gasDefinitions()
{
    QFETCH(int, o2);
    QFETCH(int, he);
    QFETCH(QString, name);
    QFETCH(QString, o2Text);
    QFETCH(QString, n2Text);
    QFETCH(QString, heText);
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.gases = {{o2, he}};
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    const ReadBack doc = Read(UddfExport().Document(log));
    QCOMPARE(doc.mixes.size(), 1);
    const Mix &mix = doc.mixes.first();
    QCOMPARE(mix.id, QStringLiteral("diluent_01"));
    QCOMPARE(mix.name, name);
    QCOMPARE(mix.o2, o2Text);
    QCOMPARE(mix.n2, n2Text);
    QCOMPARE(mix.he, heText);
}

void TestUddfExport::alarms_data()
{
    QTest::addColumn<int>("controller");
    QTest::addColumn<quint64>("alarmWord");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("bits 7 and 17, controller 1") << 1 << quint64((1u << 7) | (1u << 17))
                                                 << QStringList{"high_oxygen/error", "ceiling_violation/deco"};
    QTest::newRow("bit 7 means nothing for controller 2") << 2 << quint64(1u << 7) << QStringList{};
    QTest::newRow("bits 15 and 16, controller 2") << 2 << quint64((1u << 15) | (1u << 16))
                                                  << QStringList{"high_oxygen/error", "fast_ascent/ascent"};
    QTest::newRow("table order, bits 35 29 3") << 1 << ((quint64(1) << 35) | (1u << 29) | (1u << 3))
                                              << QStringList{"ppo2_warning/error", "co2_high/error", "gas_density/error"};
}

void TestUddfExport::alarms()
{
    QFETCH(int, controller);
    QFETCH(quint64, alarmWord);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.controllerInControl = controller;
    plan.alarms = {{300, alarmWord}, {301, 0}};
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    const ReadBack doc = Read(UddfExport().Document(log));
    int withAlarms = 0;
    for (const Waypoint &w : doc.waypoints) {
        if (w.alarms.isEmpty())
            continue;
        ++withAlarms;
        QCOMPARE(w.alarms, expected);
    }
    QCOMPARE(withAlarms, expected.isEmpty() ? 0 : 1);
}

void TestUddfExport::overwriteQuestion_data()
{
    QTest::addColumn<int>("answer"); // -1 no callback, 0 no, 1 yes
    QTest::addColumn<int>("result");
    QTest::newRow("no") << 0 << int(UddfExport::Declined);
    QTest::newRow("no callback") << -1 << int(UddfExport::Declined);
    QTest::newRow("yes") << 1 << int(UddfExport::Written);
}

void TestUddfExport::overwriteQuestion()
{
    QFETCH(int, answer);
    QFETCH(int, result);
    QTemporaryDir dir;
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, Plan()));
    const QString target = dir.filePath(QStringLiteral("dive.uddf"));
    const QByteArray existing("<previous export/>\n");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(existing);
    }
    QString asked;
    UddfExport::OverwriteQuestion callback;
    if (answer >= 0)
        callback = [&asked, answer](const QString &question) {
            asked = question;
            return answer == 1;
        };
    UddfExport exporter(callback);
    QCOMPARE(exporter.Export(log), result);
    if (answer >= 0)
        QCOMPARE(asked, QStringLiteral("UDDF File dive.uddf exists\n\nDo you wish to overwrite it?"));
    const QByteArray now = ReadFile(target);
    if (result == UddfExport::Declined) {
        QCOMPARE(now, existing);
    } else {
        QVERIFY(now.startsWith("<?xml"));
        QVERIFY(Read(now).wellFormed);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file left behind
}

void TestUddfExport::nothingToWrite()
{
    QTemporaryDir dir;
    QuorLog empty;
    UddfExport exporter;
    QCOMPARE(exporter.ExportTo(empty, dir.filePath(QStringLiteral("x.uddf"))), int(UddfExport::NotWritten));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.uddf"))));
    QVERIFY(exporter.Document(empty).isEmpty());

    // Loaded from lines: a valid dive, but no file to write beside.
    QuorLog fromLines;
    QCOMPARE(fromLines.LoadFromLines(LogFileWriter::TextLines(LogRecordGenerator::LogFile(Plan()))), 0);
    QVERIFY(!exporter.Document(fromLines).isEmpty());
    QCOMPARE(exporter.Export(fromLines), int(UddfExport::NotWritten));
    QVERIFY(!QFile::exists(QStringLiteral(".uddf")));

    QuorLog log;
    QVERIFY(LoadPlan(log, dir, Plan()));
    QCOMPARE(exporter.ExportTo(log, dir.filePath(QStringLiteral("missing/folder/x.uddf"))), int(UddfExport::NotWritten));
    QCOMPARE(exporter.ErrorText(), QStringLiteral("Unable to open the target UDDF file"));
}

void TestUddfExport::hostileTextsStayWellFormed()
{
    QTemporaryDir dir;
    DivePlan plan = Plan();
    const QString hostile = QString::fromLatin1("a\x01<b>&c\x0B]]>\x1F--\"\xFF'z");
    plan.diveInfoTexts = {{0x8D, hostile}, {0x83, QString::fromLatin1("\x02Bud</lastname>")}, {0x81, QString::fromLatin1("S\x7F\x0C")}};
    GeneratedHandset handset;
    handset.userName = QString::fromLatin1("<x>\x1B&");
    const QString path = dir.filePath(QStringLiteral("hostile.ccl"));
    QVERIFY(LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan, handset), nullptr));
    QuorLog log;
    QCOMPARE(log.Load(path), 0);
    QCOMPARE(log.DiveInfo().Notes(), hostile);
    const ReadBack doc = Read(UddfExport().Document(log));
    QVERIFY2(doc.wellFormed, qPrintable(doc.error));
    QCOMPARE(doc.firstText.value(QStringLiteral("para")), QString::fromLatin1("a<b>&c]]>--\"\xFF'z"));
    QCOMPARE(doc.firstText.value(QStringLiteral("lastname")), QStringLiteral("<x>&"));
    QCOMPARE(doc.firstText.value(QStringLiteral("name")), QStringLiteral("Quor Seavane"));

    // Lone surrogates and non-characters go too; a proper pair stays.
    const QString mixed = QStringLiteral("x") + QChar(0xD800) + QStringLiteral("y") + QChar(0xFFFE) + QString::fromUtf8("\xF0\x9F\x90\xA0");
    QCOMPARE(UddfExport::XmlSafe(mixed), QStringLiteral("xy") + QString::fromUtf8("\xF0\x9F\x90\xA0"));
}

void TestUddfExport::verificationCodeCoversTheDocument()
{
    QTemporaryDir dir;
    QuorLog log;
    DivePlan plan = Plan();
    plan.alarms = {{200, 1u << 7}, {230, 0}};
    plan.diveInfoTexts = {{0x8D, QStringLiteral("not counted")}};
    QVERIFY(LoadPlan(log, dir, plan));
    const ReadBack doc = Read(UddfExport().Document(log));
    QCOMPARE(doc.verificationCode.size(), 64);
    QCOMPARE(doc.verificationCode, doc.verificationCode.toUpper());
    QVERIFY(doc.verificationText.contains(QStringLiteral("version3.3.0")));
    QVERIFY(!doc.verificationText.contains(QStringLiteral("not counted")));
    QCOMPARE(UddfExport::VerificationCode(doc.verificationText), doc.verificationCode);

    // The code itself: 1 + 233 rounds over the salted text.
    const QByteArray salt = UddfConstants::VerificationSalt.toLatin1();
    QCOMPARE(salt.size(), 3);
    QByteArray h = QCryptographicHash::hash(QByteArray("abc") + salt, QCryptographicHash::Sha256).toHex().toUpper();
    for (int i = 0; i < 233; ++i)
        h = QCryptographicHash::hash(salt + h, QCryptographicHash::Sha256).toHex().toUpper();
    QCOMPARE(UddfExport::VerificationCode(QStringLiteral("abc")), QString::fromLatin1(h));
}

void TestUddfExport::diveDurationIsTheRecordedDiveTime()
{
    // A 1440-second dive with surface time on both sides: the duration is
    // the handset's dive time, not the session's samples to its end.
    QTemporaryDir dir;
    DivePlan plan = Plan();
    plan.profile = {{0, 0}, {120, 20}, {1140, 20}, {1440, 0}};
    plan.surfaceAfter = 120;
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    const ReadBack doc = Read(UddfExport().Document(log));
    QVERIFY(doc.wellFormed);
    QCOMPARE(doc.firstText.value(QStringLiteral("diveduration")), QStringLiteral("1440.0"));
}

void TestUddfExport::outputIsPinned_data()
{
    // Whole documents of varied dives, pinned by their SHA-256: any change
    // of a single byte (number formats, element order, indentation, the
    // verification code) shows here. A deliberate change of the output
    // updates the digests and says why in its commit.
    QTest::addColumn<DivePlan>("plan");
    QTest::addColumn<GeneratedHandset>("handset");
    QTest::addColumn<QByteArray>("sha256");

    QTest::newRow("wide, air") << Plan() << GeneratedHandset()
                        << QByteArray("6a59205de130e7600cfd7c5617c8a57ca7fd59044cf7b12f364b4e4ce09291c8");

    DivePlan narrow = Plan();
    narrow.wide = false;
    narrow.sampleInterval = 4;
    narrow.gases = {{21, 0}, {18, 45}, {50, 0}};
    narrow.gasSwitches = {{0, 1}, {1100, 2}};
    narrow.alarms = {{100, (quint64(1) << 7) | (quint64(1) << 17)}, {400, 0}, {1000, quint64(1) << 3}, {1100, 0}};
    narrow.events = {{200, 3, 7}};
    QTest::newRow("narrow, trimix, alarms") << narrow << GeneratedHandset()
                        << QByteArray("ca8fe8d51819387dece405e3ca83b5e466530a6aacb41f21438f560480980e5d");

    DivePlan wide = Plan();
    wide.controllerInControl = 2;
    wide.openCircuit = true;
    wide.setpoint = 1.2;
    wide.alarms = {{60, (quint64(1) << 15) | (quint64(1) << 35) | (quint64(1) << 29)}, {300, 0}};
    wide.minutesSincePreviousDive = 95;
    wide.diveInfoTexts = {{0x80, QStringLiteral("Porthkerris & <Cove>")}, {0x81, QStringLiteral("Drop-off \"East\"")},
                          {0x83, QStringLiteral("Sam")}, {0x8D, QStringLiteral("Vis 8 m; 'good'")}};
    GeneratedHandset handset;
    handset.userName = QStringLiteral("Jo <Diver>");
    handset.voltageFormatRaw = true;
    QTest::newRow("wide, controller 2, open circuit, texts") << wide << handset
                        << QByteArray("98e30c4c2886a59c621fb04b69615e249c27eb6ca0fbcdcfa0e95a8754b07d1e");

    DivePlan shallow = Plan();
    shallow.profile = {{0, 0}, {1, 2.5}, {200, 2.5}, {260, 3.0}};
    shallow.withPowerOff = false;
    shallow.surfaceAfter = 0;
    QTest::newRow("starts and ends below the surface") << shallow << GeneratedHandset()
                        << QByteArray("1bb4e7548ce332460cc844eebc68736d93eee7a888728bef935def13d348641a");

    DivePlan twoHours;
    twoHours.profile = {{0, 0}, {180, 40}, {1800, 40}, {3600, 21}, {5400, 6}, {7200, 0}};
    twoHours.gases = {{21, 0}, {15, 55}, {50, 0}};
    twoHours.gasSwitches = {{0, 1}, {5400, 2}};
    twoHours.diveInfoTexts = {{0x81, QStringLiteral("Manacles")}, {0x8D, QStringLiteral("Benchmark dive")}};
    QTest::newRow("two hours at one sample per second") << twoHours << GeneratedHandset()
                        << QByteArray("41609bca9d284795a11536e2c1fa5ac1cbe8ddf32d30d3ee2eb3738b6d17b53a");
}

void TestUddfExport::outputIsPinned()
{
    QFETCH(DivePlan, plan);
    QFETCH(GeneratedHandset, handset);
    QFETCH(QByteArray, sha256);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pinned.ccl"));
    QVERIFY(LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan, handset), nullptr));
    QuorLog log;
    QCOMPARE(log.Load(path), int(QuorLog::Success));
    UddfExport exporter;
    exporter.SetGeneratedAt(QDateTime(QDate(2026, 12, 10), QTime(8, 15, 0)));
    const QByteArray document = exporter.Document(log);
    QVERIFY(Read(document).wellFormed);
    QCOMPARE(QCryptographicHash::hash(document, QCryptographicHash::Sha256).toHex(), sha256);
}

namespace {
// Per waypoint, the cell readings as "element ref=value".
QVector<QStringList> CellReadings(const QByteArray &document)
{
    QVector<QStringList> readings;
    QXmlStreamReader xml(document);
    QString cellElement;
    QString reference;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("waypoint"))
                readings.append(QStringList());
            reference = xml.attributes().value(QLatin1String("ref")).toString();
            cellElement = reference.startsWith(QLatin1String("o2sensor_")) ? xml.name().toString() : QString();
        } else if (xml.isCharacters() && !xml.isWhitespace() && !cellElement.isEmpty() && !readings.isEmpty()) {
            readings.last() << cellElement + QLatin1Char(' ') + reference + QLatin1Char('=') + xml.text().toString();
        }
    }
    return readings;
}
} // namespace

void TestUddfExport::cellsAsPpo2_data()
{
    QTest::addColumn<DivePlan>("plan");
    DivePlan offsets = Plan();
    offsets.setpoint = 0.7;
    offsets.setpointChanges = {{90, 1.3}, {1080, 1.0}};
    offsets.cellNoise = 0.01;
    offsets.cells[0] = DivePlan::CellBehaviour::Offset(-0.05);
    offsets.cells[2] = DivePlan::CellBehaviour::Offset(0.08);
    QTest::newRow("controller 1, cells apart") << offsets;
    DivePlan second = Plan();
    second.controllerInControl = 2;
    second.openCircuit = true;
    second.setpoint = 0.7;
    second.setpointChanges = {{90, 1.2}};
    second.cells[4] = DivePlan::CellBehaviour::Offset(0.1);
    QTest::newRow("controller 2, open circuit") << second;
}

void TestUddfExport::cellsAsPpo2()
{
    // With the choice on, each cell reading is named ppo2 instead of
    // measuredpo2; the same readings of the same waypoints, and not one other
    // byte differs (the verification code included).
    QFETCH(DivePlan, plan);
    QTemporaryDir dir;
    QuorLog log;
    QVERIFY(LoadPlan(log, dir, plan));
    UddfExport exporter;
    exporter.SetGeneratedAt(QDateTime(QDate(2026, 12, 10), QTime(8, 15, 0)));
    const QByteArray measured = exporter.Document(log);
    exporter.SetCellsAsPpo2(true);
    const QByteArray ppo2 = exporter.Document(log);
    QVERIFY(Read(ppo2).wellFormed);

    const QVector<QStringList> before = CellReadings(measured);
    const QVector<QStringList> after = CellReadings(ppo2);
    QVERIFY(before.size() > 10);
    QCOMPARE(after.size(), before.size());
    QSet<QString> distinct;
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(before[i].size(), 3);
        QCOMPARE(after[i].size(), 3);
        for (int c = 0; c < 3; ++c) {
            QVERIFY2(before[i][c].startsWith(QStringLiteral("measuredpo2 o2sensor_%1=").arg(c + 1)), qPrintable(before[i][c]));
            QCOMPARE(after[i][c], QStringLiteral("ppo2") + before[i][c].mid(int(qstrlen("measuredpo2"))));
            distinct << before[i][c].section(QLatin1Char('='), 1);
        }
    }
    QVERIFY(distinct.size() > 3); // real readings, not one value throughout
    QVERIFY(!ppo2.contains("measuredpo2"));

    QByteArray renamed = ppo2;
    renamed.replace("<ppo2 ", "<measuredpo2 ").replace("</ppo2>", "</measuredpo2>");
    QCOMPARE(renamed, measured);
    QCOMPARE(Read(ppo2).verificationCode, Read(measured).verificationCode);
}

QTEST_GUILESS_MAIN(TestUddfExport)
#include "tst_UddfExport.moc"
