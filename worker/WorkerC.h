#pragma once

#include "RBData.h"
#include "upload/LogMigration.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QSerialPort;
class QTimer;
class RixComms;
class PortEnumerator;
class UploadData;
class LogBookV2;
struct DownloadCallbacks;
struct DownloadEnvironment;
struct DownloadState;

// Every operation against the device runs in this object, which lives in a
// thread of its own. Windows reach it by queued signals to its slots and get
// its answers as signals. Only ComPortSearchAbort, ComPortSearchEndHandled,
// DownloadAbort, the Answer... hand-over, RBDataSnapshot and the two flag
// reads may be called from another thread. See docs/threads.md.
class WorkerC : public QObject
{
    Q_OBJECT
public:
    // ConnectionStatusResult codes.
    enum ConnectionStatus {
        StatusDisconnected = 1,
        StatusConnecting = 2,
        StatusConnected = 3,
        StatusVerifying = 4,
        StatusConnectedSerialValid = 5,
        StatusConnectedSerialInvalid = 6,
        StatusConnectedBridgeOnly = 7,
        StatusDisconnecting = 8,
        StatusSearching = 9,
        StatusAborting = 10,
    };

    // Question result codes, shared with the question dialogs.
    enum QuestionResult {
        ResultNone = -1,
        ResultCancel = 1,
        ResultNextDevice = 2,
        ResultConnect = 3,
        ResultYes = 4,
        ResultNo = 5,
        ResultYesToAll = 6,
        ResultNoToAll = 7,
    };

    static constexpr int PingIntervalMs = 1000;

    // ports: where the search finds ports and the ping counts them; null
    // means the system's serial ports.
    explicit WorkerC(std::shared_ptr<PortEnumerator> ports = nullptr, QObject *parent = nullptr);
    ~WorkerC() override;

    // --- Callable from any thread ---
    // An operation is running (single-value read, no lock).
    bool IsWorkInProgress() const { return m_workInProgress.load(); }
    // The link has a port open (mirror kept by the worker; single-value read).
    bool IsPortOpen() const { return m_portOpen.load(); }
    // A copy of the device record as of the end of the last worker step that
    // changed it.
    RBData RBDataSnapshot() const;
    // Ends a running port search at its next check (or the search asked for
    // next, when the window asks before it has started).
    void ComPortSearchAbort();
    // The window has handled the end of a search: an abort it asked for
    // before this was meant for that search and must not end the next one.
    void ComPortSearchEndHandled();
    // Ends a running download at its next check.
    void DownloadAbort();
    // Hand the user's answer to the waiting worker and wake it.
    void AnswerCancelNextConnectQuestion(int response);
    void AnswerYesNoQuestion(int response);
    void AnswerYesNoCancelQuestion(int response);
    void AnswerYesYesToAllNoNoToAllQuestion(int response);
    void AnswerYesConfirmation(int response);
    // The port enumerator in use (shared with the main window's port list).
    std::shared_ptr<PortEnumerator> Ports() const { return m_ports; }
    // Where the worker reads the computer's time (the system clock unless
    // set); set it before the worker's thread starts.
    void SetComputerClock(std::function<QDateTime()> clock) { m_computerClock = std::move(clock); }
    // The Colour V2 log book of the last log book read. The download window
    // reads it and changes its selection flags only while no operation runs.
    LogBookV2 *GetLogBookV2() const;

signals:
    // connection
    void OpenComPortResult(bool result);
    void CloseComPortResult(bool result);
    void ConnectionStatusResult(int status, QString serialno);
    void NumberOfComPortsChanged();
    void GeneralMsg(QString msg);
    // port search
    void ComPortSearchMsg(QString msg);
    void ComPortSearchReselect(QString str);
    void ComPortSearchCancelled();
    void ComPortSearchAborted();
    void ComPortSearchFinished();
    void ComPortSearchAccepted(QString portLocation, QString str);
    // questions
    void AskCancelNextConnectQuestion(QString deviceDetail);
    void AskYesNoQuestion(QString question);
    void AskYesYesToAllNoNoToAllQuestion(QString question);
    void AskYesConfirmation();
    void AskYesNoCancelQuestion(QString question);
    // device record
    void DeviceStatusResult(int status);
    // clock
    void ClockDisplayDateTime(QDateTime rtcDateTime);
    void ClockSynchRequired(int diffsecs);
    // upload
    void UploadLoadUploadFileResult(bool result, QString msg);
    void UploadUploadFileProgress(double progress);
    void UploadUploadFileMsg(QString msg);
    void UploadUploadFileResult(bool result, QString msg);
    void UploadUploadTimeEstimate(int seconds);
    // download
    void DownloadV1PrepareDownloadResult(bool result, QString msg);
    void DownloadV2ReadLogBookResult(bool result, QString msg);
    void DownloadDownloadProgress(int progress);
    void DownloadDownloadResult(bool result, QString msg);
    void DownloadDownloadMsg(QString msg, bool overwriteLastString);
    void DownloadDownloadMsg(QString msg);
    void DownloadV1DownloadTimeEstimate(int seconds);
    void DownloadDownloadTimeEstimate(int seconds);
    void DownloadRefreshRequired(QString filename);
    // .ccx memory images processed again
    void ProcessCCXMsg(QString msg);
    void ProcessCCXResult(bool result, QString msg);
    // remote support
    void RemoteSupportResultCmdCommand(uint msgNumber, bool response, QString reply, QString status);
    void RemoteSupportResultCmdCommandReturnData(uint msgNumber, bool response, QString reply,
                                                 QString status, int dataLength, QByteArray data);
    void RemoteSupportResultCmdRead(uint msgNumber, bool response, QString reply, QString status,
                                    int dataLength, QByteArray data);
    void RemoteSupportResultCmdReadBlocks(uint msgNumber, bool response, QString reply,
                                          QString status, int dataLength, QByteArray data);
    void RemoteSupportResultCmdWrite(uint msgNumber, bool response, QString reply, QString status);
    void RemoteSupportResultCmdWriteAndVerify(uint msgNumber, bool response, QString reply,
                                              QString status);
    void RemoteSupportResultCmdIsDevicePresent(uint msgNumber, bool response, QString reply,
                                               QString status);
    void RemoteSupportResultCmdGetPortDetails(uint msgNumber, bool portOpen,
                                              bool bridgeDetailsValid, int bridgeType,
                                              int bridgeVersion);

public slots:
    // The start-up step; connected to the thread's started().
    void Start();

    void OpenComPort(QString comPort, QString comPortName, bool identifyBridge);
    void CloseComPort();
    void SetMessageLevel(int msgLevel);
    void CheckForDevices();
    void ComPortSearchStart();
    void DebugRBData();
    void ClockReadRTCDateTime();
    void ClockSynchronise();
    void UploadLoadUploadFile(QString filename);
    void UploadUploadFile();
    void DownloadV1PrepareDownload(QString downloadDir, bool fullDownload);
    void DownloadV1DownloadData(QString downloadDir);
    void DownloadV2ReadLogBook(bool fullDownload);
    void DownloadV2DownloadData(QString downloadDir);
    void DownloadV2DownloadSelectionChanged();
    void ProcessCCXFiles(QStringList ccxFiles);
    void RemoteSupportProcessCmdCommand(uint msgNumber, uchar deviceid, uchar command);
    void RemoteSupportProcessCmdCommandReturnData(uint msgNumber, uchar deviceid, uchar command);
    void RemoteSupportProcessCmdRead(uint msgNumber, uchar deviceid, uchar memory, uint address,
                                     ushort length);
    void RemoteSupportProcessCmdReadBlocks(uint msgNumber, uchar deviceid, uchar memory,
                                           uint address, ushort length);
    void RemoteSupportProcessCmdWrite(uint msgNumber, uchar deviceid, uchar memory, uint address,
                                      ushort length, QByteArray data);
    void RemoteSupportProcessCmdWriteAndVerify(uint msgNumber, uchar deviceid, uchar memory,
                                               uint address, ushort length, QByteArray data);
    void RemoteSupportProcessCmdIsDevicePresent(uint msgNumber, uchar deviceid);
    void RemoteSupportProcessCmdGetPortDetails(uint msgNumber);
    void RemoteSupportKeepAlive();
    void on_ping_timer();

private:
    // Work-in-progress flag, always changed under m_mutex.
    void SetWorkInProgress(bool on);
    bool TakeSearchAbort();
    // Emits the question through emitQuestion while holding m_mutex, waits for
    // the answer, and returns it.
    template <typename EmitFn> int Ask(int &responseField, EmitFn emitQuestion);
    void Answer(int &responseField, int response);
    void PublishRBData();
    void UpdatePortOpenMirror();

    void LocalOpenComPort(const QString &comPort, const QString &comPortName, bool identifyBridge);
    void LocalCheckForDevices();
    // The bridge no longer answers: everything about the connection goes.
    void ConnectionLost();
    // Presence checks ask again, as the other commands do, so that one lost
    // reply does not make a unit absent for the whole connection.
    bool UnitAnswers(quint8 deviceId);
    // The handset that answers, 0xB0 before 0xBC, asking both again in turn
    // while neither does; 0 when none answers.
    quint8 AnsweringHandset();
    void ClearRbData();
    void CheckDetails(quint8 deviceId);
    bool ReadHandsetSerialNumber(quint8 deviceId);
    void IdentifyTargetLoggingFormat();
    void ComputeDeviceStatus();
    void LogUserInformation();
    int CountSerialPorts() const;

    // clock
    bool ReadRTC();
    bool TestRTC();
    void CompareClocks();

    bool Trace() const { return m_messageLevel >= 1; }
    double UploadSecondsPerUnit() const;
    QDateTime ComputerNow() const;
    void WaitForWorkInProgressClear(const char *who) const;

    // Thin wrappers over the device link, so every exchange the worker makes
    // goes through one place.
    bool LinkRead(quint8 deviceId, quint8 memoryId, quint32 address, int length, QByteArray &out);
    bool LinkWrite(quint8 deviceId, quint8 memoryId, quint32 address, const QByteArray &data);
    bool LinkPortOpen() const;
    // Remote support: the status text of a relayed command, and the checks
    // made before one reaches the device (false with the status filled in).
    QString RelayStatus(bool ok) const;
    bool RelayPortCheck(QString &status) const;
    bool RelayWriteCheck(ushort length, const QByteArray &data, QString &status) const;
    // A relayed command that answers with its result alone: runs it when
    // its check passes (the check's refusal is the status otherwise).
    struct RelayOutcome {
        bool ok = false;
        QString reply;
        QString status;
    };
    RelayOutcome RunRelayed(const std::function<bool(QString &status)> &check,
                            const std::function<bool()> &command);
    bool LinkBridgeDetailsValid() const;
    // Reads the catalogue region (limited to 64 bytes) of a unit.
    bool ReadRegion(quint8 deviceId, int regionId, int maxLength, QByteArray &out);

    // download
    bool TakeDownloadAbort();
    DownloadCallbacks DownloadSignals();
    template <typename Operation> void RunDownloadStep(Operation operation);

public:
    // Answers to the questions (read by the worker only after the wake-up).
    int m_responseToCancelNextConnect = ResultNone;
    int m_responseToYesNo = ResultNone;
    int m_responseToYesNoCancel = ResultNone;
    int m_responseToYesYesToAllNoNoToAll = ResultNone;
    int m_responseToYesConfirmation = ResultNone;

private:
    // The worker's one lock (std types, so thread checkers see it).
    mutable std::mutex m_mutex;
    std::condition_variable m_waitCondition;
    bool m_answerReady = false;

    std::shared_ptr<PortEnumerator> m_ports;
    QSerialPort *m_serialPort = nullptr;
    RixComms *m_comms = nullptr;
    RBData *m_rbData = nullptr;
    RBData m_rbDataPublished; // guarded by m_mutex
    UploadData *m_uploadData = nullptr;
    // System variables an unfinished upload rewrote (see LogMigration).
    SystemVariablesMemory m_systemVariablesMemory;
    QTimer *m_pingTimer = nullptr;

    double m_downloadShortReadTime = 0.0;
    double m_downloadBtReadTime = 0.0;
    double m_uploadShortWriteTime = 0.0;
    double m_uploadBtWriteTime = 0.0;

    int m_messageLevel = 0;
    int m_numberOfComPorts = -1;
    std::atomic<bool> m_workInProgress{true};
    std::atomic<bool> m_portOpen{false};
    bool m_searchAbort = false;   // guarded by m_mutex
    bool m_downloadAbort = false; // guarded by m_mutex
    std::unique_ptr<DownloadState> m_download;
    QDateTime m_storedDateTime;
    std::function<QDateTime()> m_computerClock;
};
