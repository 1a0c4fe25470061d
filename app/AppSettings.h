#pragma once

#include <QVariant>
#include <QString>

// The one table of persistent settings. Every reader and writer goes through
// here, so a key or its default is spelled in exactly one place. Each call
// opens the per-user store afresh (default-constructed QSettings) and closes it.
namespace AppSettings {

enum class Key {
    Language,
    ComPort,
    ComPortName,
    MetricUnits,
    MessageLevel,
    GeometryMain,
    GeometryMainPos,
    GeometryMainSize,
    GeometryMainMaximized,
    GeometryClock,
    GeometryDownloadV1,
    GeometryDownloadV2,
    GeometryRemoteSupport,
    GeometryUpload,
    GeometrySettings,
    GeometryDeviceStatus,
    GeometryDives,
    GeometryCellReport,
    DownloadDirectory,
    ProcessCcxDirectory,
    ClientName,
    UploadDirectory,
    DownloadShortReadTime,
    DownloadBtReadTime,
    UploadShortWriteTime,
    UploadBtWriteTime,
    DownloadUddf,
    UddfCellsAsPpo2,
    RemoteSupportIpEchoUrl,
    RemoteSupportServerPublicAddress,
    RemoteSupportServerInternalAddress,
    RemoteSupportServerPort,
};

// Full key text, for example "Settings/Com Port".
QString KeyName(Key key);

// The default when the key is absent (an invalid QVariant where the table
// says "no change": the caller keeps what it has).
QVariant DefaultValue(Key key);

// The stored value, or the default when absent.
QVariant Value(Key key);
bool Contains(Key key);
void SetValue(Key key, const QVariant &value);

// A value that holds for the rest of this process only and is never stored,
// for a command-line flag (tessaro-cli --uddf) that must not change what the
// windows do the next time. Value() answers it in place of the store.
void SetProcessOverride(Key key, const QVariant &value);

// Typed shorthands.
QString StringValue(Key key);
bool BoolValue(Key key);
int IntValue(Key key);
double DoubleValue(Key key);

} // namespace AppSettings
