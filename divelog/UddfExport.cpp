#include "UddfExport.h"

#include "DeviceList.h"
#include "QuorLog.h"
#include "QuorLogDeviceInfo.h"
#include "QuorLogSession.h"
#include "UddfConstants.h"
#include "UddfDocumentWriter.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <cstring>
#include <openssl/evp.h>

namespace {

struct AlarmBit
{
    const char *type;
    int bitController1;
    int bitController2;
    const char *text;
};
// Written in this order when set.
const AlarmBit AlarmTable[] = {
    {"high_oxygen", 7, 15, "error"},       {"low_oxygen", 6, 14, "error"},   {"low_battery", 5, 13, "error"},
    {"cell_warning", 4, 12, "error"},      {"ppo2_warning", 3, 11, "error"}, {"missed_deco", 23, 23, "error"},
    {"co2_low", 22, 22, "error"},          {"scrubber_low", 20, 20, "error"}, {"otu_exposure", 19, 19, "error"},
    {"cns_exposure", 18, 18, "error"},     {"ceiling_violation", 17, 17, "deco"}, {"fast_ascent", 16, 16, "ascent"},
    {"co2_high", 29, 29, "error"},         {"scrubber_high", 28, 28, "error"}, {"gas_density", 35, 35, "error"},
};

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
    explicit WaypointWriter(UddfDocumentWriter &doc) : m_doc(doc) {}

    void Write(const Waypoint &w)
    {
        m_doc.StartElement(QStringLiteral("waypoint"));
        m_doc.NumberElement(QStringLiteral("depth"), w.depth, 1);
        m_doc.NumberElement(QStringLiteral("divetime"), w.diveTime, 3);
        if (m_first || w.openCircuit != m_lastOpenCircuit) {
            m_doc.EmptyElement(QStringLiteral("divemode"), QStringLiteral("type"),
                               w.openCircuit ? QStringLiteral("opencircuit") : QStringLiteral("closedcircuit"));
        }
        // The reference text is only needed when the mix changes.
        if (m_first || w.mixNumber != m_lastMixNumber)
            m_doc.EmptyElement(QStringLiteral("switchmix"), QStringLiteral("ref"), QStringLiteral("diluent_") + TwoDigits(w.mixNumber));
        m_first = false;
        m_lastOpenCircuit = w.openCircuit;
        m_lastMixNumber = w.mixNumber;
        m_doc.NumberElement(QStringLiteral("setpo2"), QStringLiteral("setby"), QStringLiteral("computer"), w.setpoint, 1);
        static const QString sensors[3] = {QStringLiteral("o2sensor_1"), QStringLiteral("o2sensor_2"), QStringLiteral("o2sensor_3")};
        static const QString computers[2] = {QStringLiteral("divecomputerb1"), QStringLiteral("divecomputerb2")};
        for (int i = 0; i < 3; ++i)
            m_doc.NumberElement(QStringLiteral("measuredpo2"), QStringLiteral("ref"), sensors[i], w.measured[i], 1);
        for (int i = 0; i < 2; ++i)
            m_doc.NumberElement(QStringLiteral("batteryvoltage"), QStringLiteral("deviceref"), computers[i], w.voltage[i], 1);
        m_doc.NumberElement(QStringLiteral("temperature"), w.temperature, 1);
        m_doc.NumberElement(QStringLiteral("gradientfactor"), w.gradientFactor, 2);
        m_doc.NumberElement(QStringLiteral("cns"), w.cns, 2);
        m_doc.NumberElement(QStringLiteral("otu"), w.otu, 1);
        m_doc.NumberElement(QStringLiteral("nodecotime"), w.noDecoTime, 1);
        for (const AlarmBit &alarm : AlarmTable) {
            const int bit = w.controller == 2 ? alarm.bitController2 : alarm.bitController1;
            if (!(w.alarmWord & (quint64(1) << bit)))
                continue;
            m_doc.EmptyElement(QStringLiteral("universalalarm"), QStringLiteral("type"), QString::fromLatin1(alarm.type));
            m_doc.TextElement(QStringLiteral("alarm"), QString::fromLatin1(alarm.text));
        }
        m_doc.EndElement();
    }

private:
    UddfDocumentWriter &m_doc;
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
// The SHA-256 implementation, looked up once. OpenSSL 3 looks EVP_sha256()
// up again on every EVP_DigestInit_ex, which costs more than hashing one of
// the short texts of the verification rounds.
const EVP_MD *Sha256Implementation()
{
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    static EVP_MD *const fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (fetched)
        return fetched;
#endif
    return EVP_sha256();
}

// OpenSSL's SHA-256 is several times faster than QCryptographicHash's, and
// the verification text of a long dive runs to megabytes.
class Sha256Hex
{
public:
    static constexpr int HexSize = 64;

    Sha256Hex() : m_md(Sha256Implementation()), m_context(EVP_MD_CTX_new()) {}
    ~Sha256Hex() { EVP_MD_CTX_free(m_context); }
    Sha256Hex(const Sha256Hex &) = delete;
    Sha256Hex &operator=(const Sha256Hex &) = delete;

    // Upper-case hex digest of first followed by second, written to hex
    // (HexSize characters). hex may be one of the inputs: it is written
    // only once both are hashed. No allocation, as the rounds run it 234
    // times per document.
    void Of(const char *first, int firstSize, const char *second, int secondSize, char *hex)
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_context || EVP_DigestInit_ex(m_context, m_md, nullptr) != 1
            || EVP_DigestUpdate(m_context, first, size_t(firstSize)) != 1
            || EVP_DigestUpdate(m_context, second, size_t(secondSize)) != 1
            || EVP_DigestFinal_ex(m_context, digest, &length) != 1 || length != HexSize / 2) {
            // The same digest the slow way.
            const QByteArray slow = QCryptographicHash::hash(
                QByteArray(first, firstSize) + QByteArray(second, secondSize), QCryptographicHash::Sha256);
            std::memcpy(digest, slow.constData(), HexSize / 2);
        }
        static const char digits[] = "0123456789ABCDEF";
        for (int i = 0; i < HexSize / 2; ++i) {
            hex[2 * i] = digits[digest[i] >> 4];
            hex[2 * i + 1] = digits[digest[i] & 0x0F];
        }
    }

private:
    const EVP_MD *m_md;
    EVP_MD_CTX *m_context;
};

QString VerificationCodeOfLatin1(const QByteArray &verificationText)
{
    const QByteArray salt = UddfConstants::VerificationSalt.toLatin1();
    Sha256Hex sha;
    char h[Sha256Hex::HexSize];
    sha.Of(verificationText.constData(), verificationText.size(), salt.constData(), salt.size(), h);
    for (int i = 0; i < UddfConstants::VerificationRounds; ++i)
        sha.Of(salt.constData(), salt.size(), h, Sha256Hex::HexSize, h);
    return QString::fromLatin1(h, Sha256Hex::HexSize);
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
    document.reserve(ReserveHint(session->Samples().size(), 1000, 16384));
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
    const auto S = [](const char *text) { return QString::fromLatin1(text); };
    doc.Start(S("uddf"));
    doc.Attribute(S("version"), S("3.3.0"));

    doc.StartElement(S("generator"));
    doc.TextElement(S("name"), UddfConstants::GeneratorName);
    doc.TextElement(S("type"), S("logbook"));
    doc.StartElement(S("manufacturer"));
    doc.Attribute(S("id"), S("quor_sub"));
    doc.TextElement(S("name"), UddfConstants::MakerName);
    doc.StartElement(S("address"));
    doc.TextElement(S("street"), UddfConstants::MakerStreet);
    doc.TextElement(S("city"), UddfConstants::MakerCity);
    doc.TextElement(S("province"), UddfConstants::MakerProvince);
    doc.TextElement(S("postcode"), UddfConstants::MakerPostcode);
    doc.TextElement(S("country"), UddfConstants::MakerCountry);
    doc.EndElement();
    doc.StartElement(S("contact"));
    doc.TextElement(S("language"), S("English"));
    doc.TextElement(S("phone"), UddfConstants::MakerPhone);
    doc.TextElement(S("fax"), UddfConstants::MakerFax);
    doc.TextElement(S("email"), UddfConstants::MakerEmail);
    doc.TextElement(S("homepage"), UddfConstants::MakerHomepage);
    doc.EndElement(); // contact
    doc.EndElement(); // manufacturer
    doc.TextElement(S("version"), UddfConstants::GeneratorVersion);
    doc.TextElement(S("datetime"), QDateTime::currentDateTime().toString(S("yyyy-MM-ddTHH:mm:ss")));
    doc.EndElement(); // generator

    doc.StartElement(S("diver"));
    doc.StartElement(S("owner"));
    doc.StartElement(S("personal"));
    doc.Comment(CommentNoNames);
    doc.TextElement(S("lastname"), handset.userName);
    doc.EndElement();
    doc.StartElement(S("equipment"));
    doc.StartElement(S("rebreather"));
    doc.Attribute(S("id"), S("rebreather"));
    doc.TextElement(S("model"), handset.model);
    doc.TextElement(S("serialnumber"), handset.serialNumber.mid(4));
    for (int i = 1; i <= 3; ++i)
        doc.EmptyElement(S("o2sensor"), S("id"), QStringLiteral("o2sensor_%1").arg(i));
    doc.EndElement(); // rebreather
    doc.EmptyElement(S("divecomputer"), S("id"), S("divecomputerb1"));
    doc.EmptyElement(S("divecomputer"), S("id"), S("divecomputerb2"));
    doc.EndElement(); // equipment
    doc.EndElement(); // owner
    doc.StartElement(S("buddy"));
    doc.Attribute(S("id"), S("buddy1"));
    doc.StartElement(S("personal"));
    if (!info.BuddyName().isEmpty()) {
        doc.Comment(CommentNoNames);
        doc.TextElement(S("lastname"), info.BuddyName());
    }
    doc.EndElement();
    doc.EndElement(); // buddy
    doc.EndElement(); // diver

    doc.StartElement(S("divesite"));
    doc.StartElement(S("site"));
    doc.Attribute(S("id"), S("site1"));
    if (!info.SiteName().isEmpty())
        doc.TextElement(S("name"), info.SiteName());
    doc.StartElement(S("geography"));
    if (!info.Location().isEmpty())
        doc.TextElement(S("location"), info.Location());
    doc.EndElement();
    doc.EndElement(); // site
    doc.EndElement(); // divesite

    doc.StartElement(S("gasdefinitions"));
    for (const QuorLogGasManagement::Gas &gas : session->GasManagement().GasesInUse()) {
        doc.StartElement(S("mix"));
        doc.Attribute(S("id"), S("diluent_") + TwoDigits(gas.number));
        doc.TextElement(S("name"), DeviceList::GasText(gas.o2, gas.he).toLower());
        doc.NumberElement(S("o2"), gas.o2 / 100.0, 3);
        const double n2 = (100 - gas.o2 - gas.he) / 100.0;
        if (!DeviceList::EqualWithinTolerance(n2, 0.0, 0.001))
            doc.NumberElement(S("n2"), n2, 3);
        if (!DeviceList::EqualWithinTolerance(gas.he / 100.0, 0.0, 0.001))
            doc.NumberElement(S("he"), gas.he / 100.0, 3);
        doc.EndElement();
    }
    doc.EndElement(); // gasdefinitions

    doc.StartElement(S("profiledata"));
    doc.StartElement(S("repetitiongroup"));
    doc.Attribute(S("id"), S("rg1"));
    doc.StartElement(S("dive"));
    doc.Attribute(S("id"), S("previous_dive"));
    doc.StartElement(S("informationbeforedive"));
    doc.StartElement(S("surfaceintervalbeforedive"));
    doc.EmptyElement(S("infinity"));
    doc.EndElement();
    doc.EndElement();
    doc.EndElement(); // previous dive

    doc.StartElement(S("dive"));
    doc.Attribute(S("id"), S("dive"));
    doc.StartElement(S("informationbeforedive"));
    doc.TextElement(S("divenumber"), QString::number(summary.diveNumber));
    doc.TextElement(S("datetime"), summary.diveStart.toString(S("yyyy-MM-ddTHH:mm:ss")));
    // The surface interval the handset counted up to power on, plus the time
    // on the surface after power on.
    double passed = 0.0;
    if (session->MinutesSincePreviousDive() > 0) {
        passed = session->MinutesSincePreviousDive() * 60.0;
        if (session->PowerOnDateTime().isValid() && session->DiveStartDateTime().isValid())
            passed += qMax<qint64>(0, session->PowerOnDateTime().secsTo(session->DiveStartDateTime()));
    }
    doc.StartElement(S("surfaceintervalbeforedive"));
    doc.NumberElement(S("passedtime"), passed, 1);
    doc.EndElement();
    doc.NumberElement(S("surfacepressure"), summary.surfacePressure * 100.0, 1);
    doc.NumberElement(S("airtemperature"), summary.airTemperature + Kelvin, 1);
    doc.EndElement(); // informationbeforedive
    doc.StartElement(S("informationafterdive"));
    doc.NumberElement(S("diveduration"), summary.diveDuration, 1);
    doc.NumberElement(S("greatestdepth"), summary.greatestDepth, 1);
    doc.NumberElement(S("averagedepth"), summary.averageDepth, 1);
    doc.NumberElement(S("highestpo2"), summary.inControlMaxPpO2 * PascalPerBar, 1);
    doc.NumberElement(S("lowesttemperature"), summary.lowestTemperature + Kelvin, 1);
    doc.StartElement(S("notes"));
    doc.UncountedTextElement(S("para"), info.Notes());
    doc.EndElement();
    doc.EndElement(); // informationafterdive

    doc.StartElement(S("samples"));
    double windowStart = session->DiveStartTime();
    double windowEnd = session->DiveEndTime();
    if (DeviceList::EqualWithinTolerance(windowStart, -1.0, 0.001) || DeviceList::EqualWithinTolerance(windowEnd, -1.0, 0.001)) {
        windowStart = 0.0;
        windowEnd = WholeDiveWindow;
    }
    const double diveStart = session->DiveStartTime() >= 0 ? session->DiveStartTime() : 0.0;
    WaypointWriter waypoints(doc);
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

    doc.StartElement(S("applicationdata"));
    doc.StartElement(S("quorsub"));
    const QString code = VerificationCodeOfLatin1(doc.VerificationText());
    doc.TextElement(S("verificationcode"), code);
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
