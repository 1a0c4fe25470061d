#include "UddfExport.h"

#include "DeviceList.h"
#include "LargeBuffer.h"
#include "QuorLog.h"
#include "QuorLogAlarms.h"
#include "QuorLogDeviceInfo.h"
#include "QuorLogSession.h"
#include "Sha2Digest.h"
#include "UddfConstants.h"
#include "UddfDocumentWriter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

namespace {

constexpr double Kelvin = 273.15;
constexpr double PascalPerBar = 100000.0;
constexpr double WholeDiveWindow = 999999.0;
const QString CommentNoNames = QStringLiteral("First and Last names are not known so using <lastname> element");

QString TwoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

struct Waypoint
{
    double diveTime = 0;
    double depth = 0;
    bool openCircuit = false;
    int mixNumber = 1; // gas index + 1
    double setpoint = 0;
    double measured[3] = {0, 0, 0};
    double voltage[2] = {0, 0};
    double gradientFactor = 0;
    double cns = 0;
    double otu = 0;
    double temperature = 0;
    quint64 alarmWord = 0;
    int controller = 1;
    double noDecoTime = 0;
};

Waypoint FromSample(const QuorLogSample &s, double diveStart)
{
    Waypoint w;
    w.diveTime = s.time - diveStart;
    w.depth = s.Depth();
    w.openCircuit = s.OpenCircuit();
    w.mixNumber = s.gasIndex + 1;
    w.setpoint = s.setpoint * PascalPerBar;
    w.controller = s.ControllerInControl();
    const int cells = w.controller == 1 ? 0 : 4;
    for (int i = 0; i < 3; ++i)
        w.measured[i] = s.ppO2[cells + i] * PascalPerBar;
    const int volts = w.controller == 1 ? 0 : 2;
    w.voltage[0] = s.voltage[volts];
    w.voltage[1] = s.voltage[volts + 1];
    w.gradientFactor = s.gradientFactor;
    w.cns = s.cns / 100.0;
    w.otu = s.otu / 100.0 * 300.0;
    w.temperature = s.temperature + Kelvin;
    w.alarmWord = s.AlarmWord();
    w.noDecoTime = s.noDecoTime > 0 ? s.noDecoTime : s.altStopTime;
    return w;
}

class WaypointWriter
{
public:
    WaypointWriter(UddfDocumentWriter &doc, const char *cellElement) : m_doc(doc), m_cellElement(cellElement) {}

    void Write(const Waypoint &w)
    {
        m_doc.StartElement("waypoint");
        m_doc.NumberElement("depth", w.depth, 1);
        m_doc.NumberElement("divetime", w.diveTime, 3);
        if (m_first || w.openCircuit != m_lastOpenCircuit)
            m_doc.EmptyElement("divemode", "type", w.openCircuit ? "opencircuit" : "closedcircuit");
        // The reference text is only needed when the mix changes.
        if (m_first || w.mixNumber != m_lastMixNumber) {
            char reference[24];
            std::snprintf(reference, sizeof reference, "diluent_%02d", w.mixNumber);
            m_doc.EmptyElement("switchmix", "ref", reference);
        }
        m_first = false;
        m_lastOpenCircuit = w.openCircuit;
        m_lastMixNumber = w.mixNumber;
        m_doc.NumberElement("setpo2", "setby", "computer", w.setpoint, 1);
        static const char *const sensors[3] = {"o2sensor_1", "o2sensor_2", "o2sensor_3"};
        static const char *const computers[2] = {"divecomputerb1", "divecomputerb2"};
        for (int i = 0; i < 3; ++i)
            m_doc.NumberElement(m_cellElement, "ref", sensors[i], w.measured[i], 1);
        for (int i = 0; i < 2; ++i)
            m_doc.NumberElement("batteryvoltage", "deviceref", computers[i], w.voltage[i], 1);
        m_doc.NumberElement("temperature", w.temperature, 1);
        m_doc.NumberElement("gradientfactor", w.gradientFactor, 2);
        m_doc.NumberElement("cns", w.cns, 2);
        m_doc.NumberElement("otu", w.otu, 1);
        m_doc.NumberElement("nodecotime", w.noDecoTime, 1);
        for (const QuorLogAlarms::Alarm &alarm : QuorLogAlarms::Table) {
            if (!QuorLogAlarms::IsSet(alarm, w.alarmWord, w.controller))
                continue;
            m_doc.EmptyElement("universalalarm", "type", alarm.type);
            m_doc.TextElement("alarm", QString::fromLatin1(alarm.text));
        }
        m_doc.EndElement();
    }

private:
    UddfDocumentWriter &m_doc;
    const char *m_cellElement;
    bool m_first = true;
    bool m_lastOpenCircuit = false;
    int m_lastMixNumber = 0;
};

} // namespace

UddfExport::UddfExport(OverwriteQuestion askOverwrite) : m_askOverwrite(std::move(askOverwrite)) {}

QString UddfExport::TargetPathFor(const QString &logPath)
{
    const QFileInfo info(logPath);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".uddf"));
}

namespace {
bool XmlChar(ushort u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD);
}
}

QString UddfExport::XmlSafe(const QString &text)
{
    // Most texts are clean: hand them back shared, without a copy.
    bool clean = true;
    for (const QChar c : text) {
        if (!XmlChar(c.unicode())) {
            clean = false;
            break;
        }
    }
    if (clean)
        return text;
    QString safe;
    safe.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            safe.append(c);
            safe.append(text.at(++i));
            continue;
        }
        if (XmlChar(c.unicode()))
            safe.append(c);
    }
    return safe;
}

namespace {
// Empty when the digest cannot be computed.
QString VerificationCodeOfLatin1(const QByteArray &verificationText)
{
    const QByteArray salt = UddfConstants::VerificationSalt.toLatin1();
    Sha2Digest sha;
    // Upper-case hex digest of first followed by second.
    const auto hexOf = [&sha](const QByteArray &first, const QByteArray &second) {
        sha.Add(first);
        sha.Add(second);
        return sha.Result().toHex().toUpper();
    };
    QByteArray h = hexOf(verificationText, salt);
    for (int i = 0; i < UddfConstants::VerificationRounds && !h.isEmpty(); ++i)
        h = hexOf(salt, h);
    return QString::fromLatin1(h);
}
}

QString UddfExport::VerificationCode(const QString &verificationText)
{
    return VerificationCodeOfLatin1(verificationText.toLatin1());
}

namespace {
// Buffer sizes are only hints: worked out in 64 bits and capped, so a log with
// millions of samples cannot overflow them into a nonsense reservation.
int ReserveHint(qint64 items, int bytesPerItem, int extra)
{
    constexpr qint64 Cap = 64 * 1024 * 1024;
    return int(qMin(items * bytesPerItem + extra, Cap));
}
} // namespace

QByteArray UddfExport::Document(const QuorLog &log) const
{
    const QuorLogSession *session = log.IdentifiedSession();
    if (!log.IsValid() || !session || session->Samples().isEmpty())
        return QByteArray();
    QByteArray document;
    // About 900 bytes per waypoint: reserving avoids regrowing a large buffer.
    LargeBuffer::Reserve(document, ReserveHint(session->Samples().size(), 1000, 16384));
    if (!WriteDocument(log, &document))
        return QByteArray();
    return document;
}

bool UddfExport::WriteDocument(const QuorLog &log, QByteArray *document) const
{
    const QuorLogSession *session = log.IdentifiedSession();
    if (!log.IsValid() || !session || session->Samples().isEmpty())
        return false;
    const QuorLogDiveSummary summary = session->Summary();
    const QuorLogDiveInfo &info = log.DiveInfo();
    QuorLogDeviceInfo handset;
    if (const QuorLogMemoryStore::Block *block = log.MemoryStore().FirstBlockOf(DeviceId::DisplayMono))
        handset = QuorLogDeviceInfo::Decode(block->bytes);

    UddfDocumentWriter doc(document);
    // About 170 counted characters per waypoint.
    doc.ReserveVerificationText(ReserveHint(session->Samples().size(), 200, 4096));
    doc.Start("uddf");
    doc.Attribute("version", "3.3.0");

    doc.StartElement("generator");
    doc.TextElement("name", UddfConstants::GeneratorName);
    doc.TextElement("type", "logbook");
    doc.StartElement("manufacturer");
    doc.Attribute("id", "quor_sub");
    doc.TextElement("name", UddfConstants::MakerName);
    doc.StartElement("address");
    doc.TextElement("street", UddfConstants::MakerStreet);
    doc.TextElement("city", UddfConstants::MakerCity);
    doc.TextElement("province", UddfConstants::MakerProvince);
    doc.TextElement("postcode", UddfConstants::MakerPostcode);
    doc.TextElement("country", UddfConstants::MakerCountry);
    doc.EndElement();
    doc.StartElement("contact");
    doc.TextElement("language", "English");
    doc.TextElement("phone", UddfConstants::MakerPhone);
    doc.TextElement("fax", UddfConstants::MakerFax);
    doc.TextElement("email", UddfConstants::MakerEmail);
    doc.TextElement("homepage", UddfConstants::MakerHomepage);
    doc.EndElement(); // contact
    doc.EndElement(); // manufacturer
    doc.TextElement("version", UddfConstants::GeneratorVersion);
    const QDateTime generatedAt = m_generatedAt.isValid() ? m_generatedAt : QDateTime::currentDateTime();
    doc.TextElement("datetime", generatedAt.toString("yyyy-MM-ddTHH:mm:ss"));
    doc.EndElement(); // generator

    doc.StartElement("diver");
    doc.StartElement("owner");
    doc.StartElement("personal");
    doc.Comment(CommentNoNames);
    doc.TextElement("lastname", handset.userName);
    doc.EndElement();
    doc.StartElement("equipment");
    doc.StartElement("rebreather");
    doc.Attribute("id", "rebreather");
    doc.TextElement("model", handset.model);
    doc.TextElement("serialnumber", handset.serialNumber.mid(4));
    for (int i = 1; i <= 3; ++i)
        doc.EmptyElement("o2sensor", "id", QStringLiteral("o2sensor_%1").arg(i));
    doc.EndElement(); // rebreather
    doc.EmptyElement("divecomputer", "id", "divecomputerb1");
    doc.EmptyElement("divecomputer", "id", "divecomputerb2");
    doc.EndElement(); // equipment
    doc.EndElement(); // owner
    doc.StartElement("buddy");
    doc.Attribute("id", "buddy1");
    doc.StartElement("personal");
    if (!info.BuddyName().isEmpty()) {
        doc.Comment(CommentNoNames);
        doc.TextElement("lastname", info.BuddyName());
    }
    doc.EndElement();
    doc.EndElement(); // buddy
    doc.EndElement(); // diver

    doc.StartElement("divesite");
    doc.StartElement("site");
    doc.Attribute("id", "site1");
    if (!info.SiteName().isEmpty())
        doc.TextElement("name", info.SiteName());
    doc.StartElement("geography");
    if (!info.Location().isEmpty())
        doc.TextElement("location", info.Location());
    doc.EndElement();
    doc.EndElement(); // site
    doc.EndElement(); // divesite

    doc.StartElement("gasdefinitions");
    for (const QuorLogGasManagement::Gas &gas : session->GasManagement().GasesInUse()) {
        doc.StartElement("mix");
        doc.Attribute("id", QStringLiteral("diluent_") + TwoDigits(gas.number));
        doc.TextElement("name", DeviceList::GasText(gas.o2, gas.he).toLower());
        doc.NumberElement("o2", gas.o2 / 100.0, 3);
        const double n2 = (100 - gas.o2 - gas.he) / 100.0;
        if (!DeviceList::EqualWithinTolerance(n2, 0.0, 0.001))
            doc.NumberElement("n2", n2, 3);
        if (!DeviceList::EqualWithinTolerance(gas.he / 100.0, 0.0, 0.001))
            doc.NumberElement("he", gas.he / 100.0, 3);
        doc.EndElement();
    }
    doc.EndElement(); // gasdefinitions

    doc.StartElement("profiledata");
    doc.StartElement("repetitiongroup");
    doc.Attribute("id", "rg1");
    doc.StartElement("dive");
    doc.Attribute("id", "previous_dive");
    doc.StartElement("informationbeforedive");
    doc.StartElement("surfaceintervalbeforedive");
    doc.EmptyElement("infinity");
    doc.EndElement();
    doc.EndElement();
    doc.EndElement(); // previous dive

    doc.StartElement("dive");
    doc.Attribute("id", "dive");
    doc.StartElement("informationbeforedive");
    doc.TextElement("divenumber", QString::number(summary.diveNumber));
    doc.TextElement("datetime", summary.diveStart.toString("yyyy-MM-ddTHH:mm:ss"));
    // The surface interval the handset counted up to power on, plus the time
    // on the surface after power on.
    double passed = 0.0;
    if (session->MinutesSincePreviousDive() > 0) {
        passed = session->MinutesSincePreviousDive() * 60.0;
        if (session->PowerOnDateTime().isValid() && session->DiveStartDateTime().isValid())
            passed += qMax<qint64>(0, session->PowerOnDateTime().secsTo(session->DiveStartDateTime()));
    }
    doc.StartElement("surfaceintervalbeforedive");
    doc.NumberElement("passedtime", passed, 1);
    doc.EndElement();
    doc.NumberElement("surfacepressure", summary.surfacePressure * 100.0, 1);
    doc.NumberElement("airtemperature", summary.airTemperature + Kelvin, 1);
    doc.EndElement(); // informationbeforedive
    doc.StartElement("informationafterdive");
    doc.NumberElement("diveduration", summary.diveDuration, 1);
    doc.NumberElement("greatestdepth", summary.greatestDepth, 1);
    doc.NumberElement("averagedepth", summary.averageDepth, 1);
    doc.NumberElement("highestpo2", summary.inControlMaxPpO2 * PascalPerBar, 1);
    doc.NumberElement("lowesttemperature", summary.lowestTemperature + Kelvin, 1);
    doc.StartElement("notes");
    doc.UncountedTextElement("para", info.Notes());
    doc.EndElement();
    doc.EndElement(); // informationafterdive

    doc.StartElement("samples");
    double windowStart = session->DiveStartTime();
    double windowEnd = session->DiveEndTime();
    if (DeviceList::EqualWithinTolerance(windowStart, -1.0, 0.001) || DeviceList::EqualWithinTolerance(windowEnd, -1.0, 0.001)) {
        windowStart = 0.0;
        windowEnd = WholeDiveWindow;
    }
    const double diveStart = session->DiveStartTime() >= 0 ? session->DiveStartTime() : 0.0;
    WaypointWriter waypoints(doc, m_cellsAsPpo2 ? "ppo2" : "measuredpo2");
    bool first = true;
    Waypoint last;
    bool any = false;
    for (const QuorLogSample &sample : session->Samples()) {
        if (sample.time < windowStart || sample.time > windowEnd)
            continue;
        Waypoint w = FromSample(sample, diveStart);
        if (first && w.depth > 0.0) {
            Waypoint dummy = w;
            dummy.depth = 0.0;
            qDebug() << "UDDF - Writing dummy first waypoint time" << dummy.diveTime << "depth" << w.depth;
            waypoints.Write(dummy);
            w.diveTime += 0.001;
        }
        first = false;
        waypoints.Write(w);
        last = w;
        any = true;
    }
    if (any && last.depth > 0.0) {
        Waypoint dummy = last;
        dummy.depth = 0.0;
        dummy.diveTime += 0.001;
        qDebug() << "UDDF - Writing dummy last waypoint time" << dummy.diveTime;
        waypoints.Write(dummy);
    }
    doc.EndElement(); // samples
    doc.EndElement(); // dive
    doc.EndElement(); // repetitiongroup
    doc.EndElement(); // profiledata

    doc.StartElement("applicationdata");
    doc.StartElement("quorsub");
    const QString code = VerificationCodeOfLatin1(doc.VerificationText());
    if (code.isEmpty())
        return false;
    doc.TextElement("verificationcode", code);
    doc.Finish();
    return !doc.HasError();
}

int UddfExport::Export(const QuorLog &log)
{
    if (log.FilePath().isEmpty()) {
        // A log loaded from lines has no file to write beside.
        m_errorText = QStringLiteral("Unable to open the target UDDF file");
        m_targetPath.clear();
        return NotWritten;
    }
    return ExportTo(log, TargetPathFor(log.FilePath()));
}

int UddfExport::ExportTo(const QuorLog &log, const QString &targetPath)
{
    m_errorText.clear();
    m_targetPath = targetPath;
    const QuorLogSession *session = log.IdentifiedSession();
    if (!log.IsValid() || !session || session->Samples().isEmpty()) {
        m_errorText = QStringLiteral("The log holds no valid dive");
        return NotWritten;
    }
    if (QFileInfo::exists(targetPath)) {
        const QString question = QStringLiteral("UDDF File %1 exists\n\nDo you wish to overwrite it?").arg(QFileInfo(targetPath).fileName());
        if (!m_askOverwrite || !m_askOverwrite(question))
            return Declined;
    }
    // Written aside and renamed over the target, so a failure part-way never
    // leaves a damaged or truncated file in place of an existing one.
    QSaveFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_errorText = QStringLiteral("Unable to open the target UDDF file");
        qWarning().noquote() << m_errorText << targetPath;
        return NotWritten;
    }
    const QByteArray document = Document(log);
    // An empty document means the writer failed: keep whatever file is there.
    if (document.isEmpty() || file.write(document) != document.size() || !file.commit()) {
        m_errorText = QStringLiteral("Unable to write the target UDDF file");
        qWarning().noquote() << m_errorText << targetPath << file.errorString();
        return NotWritten;
    }
    qInfo().noquote() << "UDDF File created ok." << targetPath;
    return Written;
}
