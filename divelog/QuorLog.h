#pragma once

#include "QuorLogDanData.h"
#include "QuorLogDeviceInfo.h"
#include "QuorLogDiveInfo.h"
#include "QuorLogFileInfo.h"
#include "QuorLogMemoryStore.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QuorLogSession;

// One dive-log file turned into power-on sessions: loads the file's text-form
// lines, feeds every record to the session it belongs to, identifies the
// session that holds the dive and computes its derived values.
class QuorLog : public QObject
{
    Q_OBJECT
public:
    enum Result {
        Success = 0,
        OpenFailed = 1,
        LineChecksumFailed = 2,
        InvalidData = 3,
        InvalidFormat = 4,
        InvalidChecksum = 5,
        InvalidExtension = 6,
        PowerOnOffBoundary = 7,
    };

    using FileInfo = QuorLogFileInfo;

    explicit QuorLog(QObject *parent = nullptr);
    ~QuorLog() override;

    // Loads a .ccl file in any of its forms; returns a Result.
    int Load(const QString &path);
    // Loads text-form lines already read and checked (header lines, memory
    // line pairs and DAN lines may be among them).
    int LoadFromLines(const QStringList &lines, const FileInfo &info = FileInfo());

    QString FilePath() const { return m_filePath; }
    QString ErrorText() const { return m_errorText; }
    int LoadResult() const { return m_result; }
    const FileInfo &Info() const { return m_info; }
    // Records of a binary or secured file whose CRC failed; their contents
    // were loaded as stored (see CclFileLoader::DamagedRecords).
    const QStringList &DamagedRecords() const { return m_damagedRecords; }
    bool IsWide() const { return m_wide; }
    int DeviceVersionNumber() const { return m_deviceVersion; }
    bool DeviceFlag() const { return m_deviceFlag; }
    bool VoltageFormatRaw() const { return m_voltageFormatRaw; }
    bool IsValid() const { return m_valid; }
    qint64 LoadMilliseconds() const { return m_loadMs; }

    const QVector<QuorLogSession *> &Sessions() const { return m_sessions; }
    // Index of the identified session (0 also when there are no sessions).
    int IdentifiedIndex() const { return m_identified; }
    // The identified session, or nullptr.
    QuorLogSession *IdentifiedSession() const;
    QuorLogSession *CurrentSession() const { return m_current; }

    const QuorLogMemoryStore &MemoryStore() const { return m_memory; }
    const QuorLogDanData &DanData() const { return m_dan; }
    const QuorLogDiveInfo &DiveInfo() const { return m_diveInfo; }
    // Texts of the colour handset's information block, else of the mono
    // handset's (an empty block decodes when the file has neither).
    QuorLogDeviceInfo DeviceInfo() const;

    // Texts of the identified session.
    QString DiveDurationText() const { return m_diveDurationText; }
    QString PowerOnToDiveText() const { return m_powerOnToDiveText; }
    QString DiveToPowerOffText() const { return m_diveToPowerOffText; }
    QString MinutesSincePreviousDiveText() const { return m_previousDiveText; }
    QString DesaturationText() const { return m_desaturationText; }

    static QString ResultText(int result);

signals:
    void modified(bool);
    void sendModified(bool);

public slots:
    void subModified(bool changed);

private:
    void Clear();
    int Fail(int result, const QString &text);
    void DecideFormat(const QStringList &lines);
    bool CheckPowerOnBoundaries(const QStringList &lines);
    void MainWalk(const QStringList &lines);
    void IdentifyDiveSession();
    void PostDiveWalk(const QStringList &lines);
    void ComputeDurations();

    QString m_filePath;
    QString m_errorText;
    int m_result = OpenFailed;
    FileInfo m_info;
    QStringList m_damagedRecords;
    bool m_wide = false;
    int m_deviceVersion = 0;
    bool m_deviceFlag = false;
    bool m_voltageFormatRaw = false;
    bool m_valid = false;
    qint64 m_loadMs = 0;
    QVector<QuorLogSession *> m_sessions;
    int m_identified = 0;
    QuorLogSession *m_current = nullptr;
    QuorLogMemoryStore m_memory;
    QuorLogDanData m_dan;
    QuorLogDiveInfo m_diveInfo;
    QString m_diveDurationText, m_powerOnToDiveText, m_diveToPowerOffText, m_previousDiveText, m_desaturationText;
};
