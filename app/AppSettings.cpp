#include "AppSettings.h"

#include "SupportServerDefaults.h"

#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <mutex>

namespace AppSettings {
namespace {

struct Entry {
    Key key;
    const char *name;
    QVariant (*defaultValue)();
};

QVariant none() { return {}; }
QVariant emptyText() { return QString(); }
QVariant trueValue() { return true; }
QVariant falseValue() { return false; }
QVariant zero() { return 0; }
QVariant downloadFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/Quor/Quor Log Files");
}
QVariant shortReadTime() { return 0.06; }
QVariant btReadTime() { return 0.285; }
QVariant writeTime() { return 0.13; }
QVariant ipEchoUrl() { return SupportServerDefaults::IpEchoUrl; }
QVariant supportPublicAddress() { return SupportServerDefaults::PublicAddress; }
QVariant supportInternalAddress() { return SupportServerDefaults::InternalAddress; }
QVariant supportPort() { return int(SupportServerDefaults::Port); }

const Entry table[] = {
    {Key::Language, "Settings/Language", emptyText},
    {Key::ComPort, "Settings/Com Port", emptyText},
    {Key::ComPortName, "Settings/Com Port Name", emptyText},
    {Key::MetricUnits, "Settings/Metric Units", trueValue},
    {Key::MessageLevel, "Settings/Message Level", zero},
    {Key::GeometryMain, "Settings/Geometry Main", none},
    {Key::GeometryMainPos, "Settings/Geometry Main Pos", none},
    {Key::GeometryMainSize, "Settings/Geometry Main Size", none},
    {Key::GeometryMainMaximized, "Settings/Geometry Main Maximized", falseValue},
    {Key::GeometryClock, "Settings/Geometry Clock", none},
    {Key::GeometryDownloadV1, "Settings/Geometry Download V1", none},
    {Key::GeometryDownloadV2, "Settings/Geometry Download V2", none},
    {Key::GeometryRemoteSupport, "Settings/Geometry Remote Support", none},
    {Key::GeometryUpload, "Settings/Geometry Upload", none},
    {Key::GeometrySettings, "Settings/Geometry Settings", none},
    {Key::GeometryDeviceStatus, "Settings/Geometry Device Status", none},
    {Key::GeometryDives, "Settings/Geometry Dives", none},
    {Key::GeometryCellReport, "Settings/Geometry Cell Report", none},
    {Key::DownloadDirectory, "Settings/Download Directory", downloadFolder},
    {Key::ProcessCcxDirectory, "Settings/Process CCX Directory", emptyText},
    {Key::ClientName, "Settings/Client Name", emptyText},
    {Key::UploadDirectory, "Settings/Upload Directory", emptyText},
    {Key::DownloadShortReadTime, "Settings/Download Short Read Time", shortReadTime},
    {Key::DownloadBtReadTime, "Settings/Download BT Read Time", btReadTime},
    {Key::UploadShortWriteTime, "Settings/Upload Short Write Time", writeTime},
    {Key::UploadBtWriteTime, "Settings/Upload BT Write Time", writeTime},
    {Key::DownloadUddf, "Settings/Connect/Download UDDF", falseValue},
    // Off: cell readings go out as measuredpo2, as every UDDF file so far.
    {Key::UddfCellsAsPpo2, "Settings/Connect/UDDF Cells As ppo2", falseValue},
    {Key::RemoteSupportIpEchoUrl, "Settings/Remote Support/IP Echo Address", ipEchoUrl},
    {Key::RemoteSupportServerPublicAddress, "Settings/Remote Support/Server Public Address",
     supportPublicAddress},
    {Key::RemoteSupportServerInternalAddress, "Settings/Remote Support/Server Internal Address",
     supportInternalAddress},
    {Key::RemoteSupportServerPort, "Settings/Remote Support/Server Port", supportPort},
};

// Process overrides: read from the worker thread as well as the GUI thread.
std::mutex overrideMutex;
QHash<int, QVariant> &overrides()
{
    static QHash<int, QVariant> values;
    return values;
}

bool overridden(Key key, QVariant *value)
{
    std::lock_guard<std::mutex> locker(overrideMutex);
    const auto it = overrides().constFind(static_cast<int>(key));
    if (it == overrides().constEnd())
        return false;
    *value = it.value();
    return true;
}

const Entry &entry(Key key)
{
    for (const Entry &e : table) {
        if (e.key == key)
            return e;
    }
    Q_UNREACHABLE();
    return table[0];
}

} // namespace

QString KeyName(Key key)
{
    return QString::fromLatin1(entry(key).name);
}

QVariant DefaultValue(Key key)
{
    return entry(key).defaultValue();
}

QVariant Value(Key key)
{
    QVariant value;
    if (overridden(key, &value))
        return value;
    QSettings settings;
    const QString name = KeyName(key);
    return settings.contains(name) ? settings.value(name) : DefaultValue(key);
}

bool Contains(Key key)
{
    QSettings settings;
    return settings.contains(KeyName(key));
}

void SetValue(Key key, const QVariant &value)
{
    QSettings settings;
    settings.setValue(KeyName(key), value);
}

void SetProcessOverride(Key key, const QVariant &value)
{
    std::lock_guard<std::mutex> locker(overrideMutex);
    overrides().insert(static_cast<int>(key), value);
}

QString StringValue(Key key) { return Value(key).toString(); }
bool BoolValue(Key key) { return Value(key).toBool(); }
int IntValue(Key key) { return Value(key).toInt(); }
double DoubleValue(Key key) { return Value(key).toDouble(); }

} // namespace AppSettings
