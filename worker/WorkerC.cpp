#include "WorkerC.h"

#include "AppSettings.h"
#include "CcxReprocessor.h"
#include "CryptoThreadState.h"
#include "DownloadState.h"
#include "V1Download.h"
#include "V2Download.h"
#include "DeviceList.h"
#include "PortEnumerator.h"
#include "UploadConstants.h"
#include "PortSearchOrder.h"
#include "RixComms.h"
#include "RtcClock.h"
#include "SystemPortEnumerator.h"
#include "upload/UploadData.h"
#include "upload/UploadFileLoader.h"
#include "upload/UploadProcedure.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <limits>

namespace {

const char *const LogTimeFormat = "hh:mm:ss dd.MM.yyyy";
constexpr int MaxRegionRead = 64;
constexpr int SearchPortSettleMs = 50;

// The catalogue of units; read-only after construction, so one shared instance.
const DeviceList &Catalogue()
{
    static const DeviceList catalogue;
    return catalogue;
}

QString LogTime(const QDateTime &dt)
{
    return dt.toString(QLatin1String(LogTimeFormat));
}

} // namespace

WorkerC::WorkerC(std::shared_ptr<PortEnumerator> ports, QObject *parent)
    : QObject(parent),
      m_ports(ports ? std::move(ports) : std::make_shared<SystemPortEnumerator>())
{
}

WorkerC::~WorkerC()
{
    delete m_comms;
    delete m_serialPort;
    delete m_rbData;
    delete m_uploadData;
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

void WorkerC::Start()
{
    // Runs in this thread as it finishes: the random generator that writing
    // secured files made for it would otherwise be left behind.
    QThread *thread = QThread::currentThread();
    if (QCoreApplication::instance() && thread != QCoreApplication::instance()->thread())
        connect(thread, &QThread::finished, this, [] { CryptoThreadState::Release(); }, Qt::DirectConnection);
    m_comms = new RixComms();
    // The link traces at the worker's level from the start, not at its own
    // default until the first SetMessageLevel.
    m_comms->SetMessageLevel(m_messageLevel);
    m_serialPort = new QSerialPort();
    m_comms->SetSerialPort(m_serialPort);

    m_rbData = new RBData();
    m_uploadData = new UploadData();

    m_download = std::make_unique<DownloadState>();
    m_numberOfComPorts = -1;
    m_storedDateTime = QDateTime();

    m_downloadShortReadTime = AppSettings::DoubleValue(AppSettings::Key::DownloadShortReadTime);
    m_downloadBtReadTime = AppSettings::DoubleValue(AppSettings::Key::DownloadBtReadTime);
    m_uploadShortWriteTime = AppSettings::DoubleValue(AppSettings::Key::UploadShortWriteTime);
    m_uploadBtWriteTime = AppSettings::DoubleValue(AppSettings::Key::UploadBtWriteTime);

    m_pingTimer = new QTimer(this);
    connect(m_pingTimer, &QTimer::timeout, this, &WorkerC::on_ping_timer);
    m_pingTimer->start(PingIntervalMs);

    PublishRBData();
    SetWorkInProgress(false);
}

// ---------------------------------------------------------------------------
// Cross-thread hand-over
// ---------------------------------------------------------------------------

void WorkerC::SetWorkInProgress(bool on)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_workInProgress = on;
}

bool WorkerC::TakeSearchAbort()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    const bool abort = m_searchAbort;
    m_searchAbort = false;
    return abort;
}

template <typename EmitFn>
int WorkerC::Ask(int &responseField, EmitFn emitQuestion)
{
    std::unique_lock<std::mutex> locker(m_mutex);
    responseField = ResultNone;
    m_answerReady = false;
    emitQuestion();
    // No time-out: the worker waits as long as the question is open.
    m_waitCondition.wait(locker, [this] { return m_answerReady; });
    return responseField;
}

void WorkerC::Answer(int &responseField, int response)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    responseField = response;
    m_answerReady = true;
    m_waitCondition.notify_one();
}

void WorkerC::AnswerCancelNextConnectQuestion(int response)
{
    Answer(m_responseToCancelNextConnect, response);
}

void WorkerC::AnswerYesNoQuestion(int response)
{
    Answer(m_responseToYesNo, response);
}

void WorkerC::AnswerYesNoCancelQuestion(int response)
{
    Answer(m_responseToYesNoCancel, response);
}

void WorkerC::AnswerYesYesToAllNoNoToAllQuestion(int response)
{
    Answer(m_responseToYesYesToAllNoNoToAll, response);
}

void WorkerC::AnswerYesConfirmation(int response)
{
    Answer(m_responseToYesConfirmation, response);
}

RBData WorkerC::RBDataSnapshot() const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    return m_rbDataPublished;
}

void WorkerC::PublishRBData()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_rbDataPublished = *m_rbData;
}

void WorkerC::UpdatePortOpenMirror()
{
    m_portOpen = LinkPortOpen();
}

void WorkerC::WaitForWorkInProgressClear(const char *who) const
{
    // Every operation runs on this thread and clears the flag before it
    // returns, so a slot always finds it clear; waiting for it here could
    // only ever hang the worker.
    if (m_workInProgress)
        qWarning() << who << "- work in progress flag found set, proceeding";
}

// ---------------------------------------------------------------------------
// Device link wrappers
// ---------------------------------------------------------------------------

bool WorkerC::LinkRead(quint8 deviceId, quint8 memoryId, quint32 address, int length,
                       QByteArray &out)
{
    // One request reads at most 255 bytes (the frame's length byte).
    if (length < 1 || length > 255) {
        out.clear();
        return false;
    }
    out = QByteArray(length, '\0');
    const bool ok = m_comms->Read(deviceId, memoryId, address, quint8(length),
                                  reinterpret_cast<uchar *>(out.data()));
    if (!ok)
        out.fill('\0');
    return ok;
}

bool WorkerC::LinkWrite(quint8 deviceId, quint8 memoryId, quint32 address, const QByteArray &data)
{
    return m_comms->Write(deviceId, memoryId, address, quint8(data.size()),
                          reinterpret_cast<const uchar *>(data.constData()));
}

bool WorkerC::LinkPortOpen() const
{
    return m_comms && m_comms->IsPortOpen();
}

bool WorkerC::LinkBridgeDetailsValid() const
{
    return m_comms && m_comms->IsBridgeDetailsValid();
}

bool WorkerC::ReadRegion(quint8 deviceId, int regionId, int maxLength, QByteArray &out)
{
    quint8 memoryId = 0;
    quint32 start = 0;
    quint32 size = 0;
    if (!Catalogue().GetRegion(deviceId, regionId, memoryId, start, size)) {
        out.clear();
        return false;
    }
    return LinkRead(deviceId, memoryId, start, int(qMin<quint32>(size, quint32(maxLength))), out);
}

// ---------------------------------------------------------------------------
// Connection
// ---------------------------------------------------------------------------

void WorkerC::OpenComPort(QString comPort, QString comPortName, bool identifyBridge)
{
    LocalOpenComPort(comPort, comPortName, identifyBridge);
}

void WorkerC::LocalOpenComPort(const QString &comPort, const QString &comPortName,
                               bool identifyBridge)
{
    SetWorkInProgress(true);
    qDebug().noquote() << QStringLiteral("Worker::LocalOpenComPort(%1, %2, %3)")
                              .arg(comPort, comPortName,
                                   identifyBridge ? QStringLiteral("true")
                                                  : QStringLiteral("false"));
    emit ConnectionStatusResult(StatusConnecting, QString());
    // Opening replaces whatever was open; the record of that connection must
    // go with it, or the presence check would take the new bridge for the old
    // one and never identify the units behind it.
    if (m_rbData->IsValid() || m_rbData->IsPresent(DeviceId::Bridge))
        ClearRbData();
    // Close the old port through the link first: the link's own reopen path
    // forgets its open state before closing, which leaves the port open and
    // makes the new open fail.
    if (LinkPortOpen())
        m_comms->CloseComPort();
    const bool opened = m_comms->OpenComPort(comPort, identifyBridge);
    UpdatePortOpenMirror();
    if (opened) {
        LocalCheckForDevices();
        emit OpenComPortResult(true);
    } else {
        emit ConnectionStatusResult(StatusDisconnected, QString());
        emit OpenComPortResult(false);
    }
    SetWorkInProgress(false);
}

void WorkerC::CloseComPort()
{
    if (Trace()) {
        qDebug() << "WorkerC::CloseComPort() - Waiting on work in progress";
        qDebug() << "Worker::CloseComPort()";
    }
    WaitForWorkInProgressClear("Worker::CloseComPort()");
    if (Trace())
        qDebug() << "Worker::CloseComPort() - Emitting Disconnecting state";
    emit ConnectionStatusResult(StatusDisconnecting, QString());
    SetWorkInProgress(true);
    if (Trace())
        qDebug() << "Worker::CloseComPort() - Calling ClearRbData()";
    ClearRbData();
    if (Trace())
        qDebug() << "Worker::CloseComPort() - Calling CloseComPort()";
    m_comms->CloseComPort();
    UpdatePortOpenMirror();
    if (Trace()) {
        qDebug() << "Worker::CloseComPort() - Calling m_comms->GetPortName()";
        qDebug().noquote() << m_comms->GetPortName();
        qDebug() << "Worker::CloseComPort() - Emitting Disconnected state";
    }
    emit ConnectionStatusResult(StatusDisconnected, QString());
    emit CloseComPortResult(true);
    if (Trace())
        qDebug() << "Worker::CloseComPort() - Setting work in progress false";
    SetWorkInProgress(false);
}

void WorkerC::SetMessageLevel(int msgLevel)
{
    m_messageLevel = msgLevel;
    if (m_comms)
        m_comms->SetMessageLevel(msgLevel);
}

void WorkerC::CheckForDevices()
{
    SetWorkInProgress(true);
    LocalCheckForDevices();
    SetWorkInProgress(false);
}

int WorkerC::CountSerialPorts() const
{
    return m_ports->AvailablePorts().size();
}

void WorkerC::on_ping_timer()
{
    if (m_workInProgress) {
        qDebug() << "Worker::on_timer() - Ping blocked due to work in progress";
        return;
    }
    if (LinkPortOpen()) {
        SetWorkInProgress(true);
        LocalCheckForDevices();
        SetWorkInProgress(false);
    }
    const int count = CountSerialPorts();
    if (m_numberOfComPorts == -1) {
        m_numberOfComPorts = count;
    } else if (count != m_numberOfComPorts) {
        m_numberOfComPorts = count;
        emit NumberOfComPortsChanged();
    }
}

void WorkerC::LocalCheckForDevices()
{
    if (Trace())
        qDebug() << "Worker::LocalCheckForDevices()";

    if (!LinkPortOpen()) {
        emit ConnectionStatusResult(StatusDisconnected, QString());
        return;
    }

    // Asked again like any command, so one lost reply does not end a live
    // connection; an unplugged port fails the first attempt and is not asked
    // again, so an unplug still ends the connection at once.
    if (!m_comms->Command(DeviceId::Bridge, 0, m_comms->GetMaxAttempts())) {
        ConnectionLost();
        return;
    }

    // Nothing more to do while the bridge stays; units that appear later are
    // found at the next connection.
    if (m_rbData->IsPresent(DeviceId::Bridge))
        return;

    // The download path depends on the bridge (Bluetooth or not): a
    // connection whose bridge is unknown is no connection.
    if (!LinkBridgeDetailsValid()) {
        if (Trace())
            qDebug() << "Worker::LocalCheckForDevices() - Bridge details unknown, identifying the bridge";
        if (!m_comms->IdentifyBridge()) {
            ConnectionLost();
            return;
        }
    }

    emit ConnectionStatusResult(StatusVerifying, QString());
    if (Trace())
        qDebug() << "Worker::LocalCheckForDevices() Bridge arrived";
    m_rbData->SetPresent(DeviceId::Bridge, true);

    if (Trace())
        qDebug() << "Worker::LocalCheckForDevices - Disabling RTC";
    // A unit has one display: once one id answers the other is not asked.
    const quint8 handset = AnsweringHandset();
    const bool monoAnswered = handset == DeviceId::DisplayMono;
    const bool colourAnswered = handset == DeviceId::DisplayColour;

    m_rbData->SetPresent(DeviceId::Rtc, TestRTC());

    const bool c2Answered = UnitAnswers(DeviceId::C2);
    const bool c1Answered = UnitAnswers(DeviceId::C1);

    if (!m_rbData->IsHandsetPresent() && (monoAnswered || colourAnswered)) {
        const quint8 displayId = monoAnswered ? DeviceId::DisplayMono : DeviceId::DisplayColour;
        m_rbData->SetDisplayDeviceId(displayId);
        CheckDetails(displayId);
        m_rbData->SetPresent(displayId, true);
    }
    if (!m_rbData->IsPresent(DeviceId::C1) && c1Answered) {
        CheckDetails(DeviceId::C1);
        m_rbData->SetPresent(DeviceId::C1, true);
    }
    if (!m_rbData->IsPresent(DeviceId::C2) && c2Answered) {
        CheckDetails(DeviceId::C2);
        m_rbData->SetPresent(DeviceId::C2, true);
    }

    ComputeDeviceStatus();
    if (Trace())
        DebugRBData();
    LogUserInformation();

    if (m_rbData->IsHandsetPresent()) {
        const quint8 displayId = m_rbData->DisplayDeviceId();
        if (m_rbData->IsSerialNumberValid(displayId))
            emit ConnectionStatusResult(StatusConnectedSerialValid,
                                        m_rbData->SerialNumber(displayId));
        else
            emit ConnectionStatusResult(StatusConnectedSerialInvalid, QString());
    } else {
        emit ConnectionStatusResult(StatusConnectedBridgeOnly, QString());
    }

    CompareClocks();
}

void WorkerC::ConnectionLost()
{
    if (Trace())
        qDebug() << "WorkerC::LocalCheckForDevices() - Emitting Disconnecting state";
    emit ConnectionStatusResult(StatusDisconnecting, QString());
    if (Trace())
        qDebug() << "WorkerC::LocalCheckForDevices() - Calling ClearRbData()";
    ClearRbData();
    if (Trace())
        qDebug() << "WorkerC::LocalCheckForDevices() - Calling m_comms->CloseComPort()";
    m_comms->CloseComPort();
    UpdatePortOpenMirror();
    if (Trace())
        qDebug() << "WorkerC::LocalCheckForDevices() - Emitting CloseComPortResult(true)";
    emit CloseComPortResult(true);
    if (Trace())
        qDebug() << "WorkerC::LocalCheckForDevices() - Emitting Disconnected State";
    emit ConnectionStatusResult(StatusDisconnected, QString());
}

bool WorkerC::UnitAnswers(quint8 deviceId)
{
    return m_comms->IsDevicePresent(deviceId, m_comms->GetMaxAttempts());
}

quint8 WorkerC::AnsweringHandset()
{
    const quint8 handsets[] = {DeviceId::DisplayMono, DeviceId::DisplayColour};
    for (int round = 0; round < m_comms->GetMaxAttempts(); ++round) {
        if (round > 0) {
            const QSerialPort *port = m_comms->SerialPort();
            if (!port || !port->isOpen())
                break; // unplugged: nobody will answer
            QThread::msleep(RixComms::RetryDelayMs);
        }
        for (quint8 id : handsets) {
            if (m_comms->IsDevicePresent(id))
                return id;
        }
    }
    return 0;
}

void WorkerC::ClearRbData()
{
    if (Trace())
        qDebug() << "Worker::ClearRbData()";
    m_rbData->Clear();
    if (m_download)
        m_download->Clear();
    PublishRBData();
}

// ---------------------------------------------------------------------------
// Port search
// ---------------------------------------------------------------------------

void WorkerC::ComPortSearchAbort()
{
    qDebug() << "Worker::ComPortSearchAbort()";
    emit ConnectionStatusResult(StatusAborting, QString());
    std::lock_guard<std::mutex> locker(m_mutex);
    m_searchAbort = true;
}

void WorkerC::ComPortSearchStart()
{
    qDebug() << "Worker::ComPortSearchStart()";
    emit ConnectionStatusResult(StatusSearching, QString());
    SetWorkInProgress(true);

    if (TakeSearchAbort()) {
        SetWorkInProgress(false);
        emit ConnectionStatusResult(StatusDisconnected, QString());
        emit ComPortSearchAborted();
        m_comms->SetDebugEnabled(true);
        return;
    }

    emit ComPortSearchMsg(tr("Searching for valid connections to devices"));

    const QString previousPort = m_comms->GetPortName();
    const bool previousPortOpen = LinkPortOpen();
    m_comms->SetDebugEnabled(false);

    const QList<SerialPortDescription> candidates =
        PortSearchOrder::Ordered(m_ports->AvailablePorts());

    bool accepted = false;
    bool cancelled = false;
    bool aborted = false;
    SerialPortDescription acceptedPort;
    for (const SerialPortDescription &port : candidates) {
        if (Trace())
            qDebug() << "Worker::ComPortSearchStart() - Calling ClearRbData()";
        ClearRbData();
        m_comms->CloseComPort();
        UpdatePortOpenMirror();
        QThread::msleep(SearchPortSettleMs);

        const QString checking = tr("Checking ") + port.portName;
        qDebug().noquote() << checking;
        emit ComPortSearchMsg(checking);

        const bool opened = m_comms->OpenComPort(port.systemLocation, true);
        UpdatePortOpenMirror();
        if (opened && LinkBridgeDetailsValid()) {
            QString detail;
            const quint8 handset = AnsweringHandset();
            if (handset != 0 && ReadHandsetSerialNumber(handset)
                && m_rbData->IsSerialNumberValid(handset)) {
                detail = (handset == DeviceId::DisplayMono ? tr("ORBITA / %1") : tr("ORBITA 2020 / %1"))
                             .arg(m_rbData->SerialNumber(handset));
            }
            if (!detail.isEmpty()) {
                const int answer = Ask(m_responseToCancelNextConnect, [this, &detail] {
                    emit AskCancelNextConnectQuestion(detail);
                });
                if (answer == ResultConnect) {
                    accepted = true;
                    acceptedPort = port;
                    break;
                }
                if (answer == ResultCancel) {
                    cancelled = true;
                    break;
                }
            }
        }

        if (TakeSearchAbort()) {
            aborted = true;
            break;
        }
    }

    if (accepted) {
        const QString message = tr("Accepted port %1").arg(acceptedPort.portName);
        qDebug().noquote() << message;
        LocalCheckForDevices();
        emit ComPortSearchAccepted(acceptedPort.systemLocation, message);
    } else {
        // Finished, cancelled or aborted: nothing was accepted, so the port
        // under test is closed and the port open before the search comes back.
        emit ConnectionStatusResult(StatusDisconnected, QString());
        if (aborted)
            emit ComPortSearchAborted();
        else if (cancelled)
            emit ComPortSearchCancelled();
        else
            emit ComPortSearchFinished();
        ClearRbData();
        m_comms->CloseComPort();
        UpdatePortOpenMirror();
        if (previousPortOpen) {
            const QString message = tr("Restoring original com port");
            qDebug().noquote() << message;
            emit ComPortSearchMsg(message);
            m_comms->OpenComPort(previousPort, true);
            UpdatePortOpenMirror();
        }
    }

    // An abort asked for after the last check was meant for this search.
    TakeSearchAbort();
    SetWorkInProgress(false);
    m_comms->SetDebugEnabled(true);
}

void WorkerC::ComPortSearchEndHandled()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_searchAbort = false;
}

// ---------------------------------------------------------------------------
// Device record
// ---------------------------------------------------------------------------

bool WorkerC::ReadHandsetSerialNumber(quint8 deviceId)
{
    quint32 start = 0;
    if (!Catalogue().GetRegionStart(deviceId, RegionId::SystemInformation, start))
        return false;
    QByteArray data;
    if (!LinkRead(deviceId, MemoryId::Flash, start, MaxRegionRead, data))
        return false;
    m_rbData->SetSerialNumber(deviceId, RBData::FilterText(data.mid(22, 12)));
    return true;
}

void WorkerC::CheckDetails(quint8 deviceId)
{
    if (Trace())
        qDebug().noquote() << "Worker::CheckDetails() deviceid" << DeviceList::DeviceName(deviceId);

    QByteArray data;
    quint32 systemInfoStart = 0;
    const bool haveSystemInfo =
        Catalogue().GetRegionStart(deviceId, RegionId::SystemInformation, systemInfoStart);

    // Serial number.
    if (haveSystemInfo && LinkRead(deviceId, MemoryId::Flash, systemInfoStart, MaxRegionRead, data))
        m_rbData->SetSerialNumber(deviceId, RBData::FilterText(data.mid(22, 12)));
    else
        m_rbData->SetSerialNumber(deviceId, QString());

    // Code details.
    if (ReadRegion(deviceId, RegionId::CodeDetails, MaxRegionRead, data))
        m_rbData->SetCodeDetails(deviceId, RBData::DecodeCodeDetails(data));
    else
        m_rbData->SetCodeDetails(deviceId, RBData::FailedCodeDetails());

    // Bootloader details.
    if (ReadRegion(deviceId, RegionId::BootloaderDetails, MaxRegionRead, data))
        m_rbData->SetBootloaderDetails(deviceId, RBData::DecodeBootloaderDetails(data));
    else
        m_rbData->SetBootloaderDetails(deviceId, RBData::FailedBootloaderDetails());

    const bool validityRead = LinkRead(deviceId, MemoryId::Eeprom, UploadConstants::CodeValidityAddress, 1, data);
    m_rbData->SetCodeValidity(deviceId, validityRead && quint8(data.at(0)) < UploadConstants::CodeValidBelow);

    // Hardware configuration.
    if (haveSystemInfo && LinkRead(deviceId, MemoryId::Flash, systemInfoStart, MaxRegionRead, data))
        m_rbData->SetHardwareConfig(deviceId, quint8(data.at(35)));

    // User information.
    quint32 userInfoStart = 0;
    if (Catalogue().GetRegionStart(deviceId, RegionId::UserInformation, userInfoStart)
        && LinkRead(deviceId, MemoryId::Flash, userInfoStart, MaxRegionRead, data)) {
        m_rbData->SetUserInformation(deviceId, RBData::FilterText(data.mid(0, 16)),
                                     RBData::FilterText(data.mid(18, 16)),
                                     RBData::FilterText(data.mid(36, 16)));
    } else {
        m_rbData->SetUserInformation(deviceId, QString(), QString(), QString());
    }

    if (deviceId == DeviceId::DisplayMono || deviceId == DeviceId::DisplayColour)
        IdentifyTargetLoggingFormat();
}

void WorkerC::IdentifyTargetLoggingFormat()
{
    if (Trace())
        qDebug() << "Worker::IdentifyTargetLoggingFormat()";

    if (!LinkPortOpen() || !LinkBridgeDetailsValid()) {
        m_rbData->SetDisplayLoggingFormat(RBData::LoggingFormatUndefined);
        qDebug() << "IdentifyLoggingFormat() - Port closed or bridge details invalid, Logging "
                    "Format Undefined";
        return;
    }
    const quint8 handset = AnsweringHandset();
    if (handset == DeviceId::DisplayMono) {
        m_rbData->SetDisplayLoggingFormat(RBData::LoggingFormatMono);
        qDebug() << "IdentifyLoggingFormat() - Logging Format Mono";
        return;
    }
    if (handset == DeviceId::DisplayColour) {
        QByteArray data;
        ReadRegion(DeviceId::DisplayColour, RegionId::CodeDetails, MaxRegionRead, data);
        // A failed read leaves zeros, which reads as an older version.
        const quint32 version =
            data.size() >= 8 ? DeviceList::VersionNumber(quint8(data.at(5)), quint8(data.at(6)),
                                                         quint8(data.at(7)))
                             : 0;
        constexpr quint32 LogBookVersion = 7000003; // 07.00.03 introduced the log book
        if (version >= LogBookVersion) {
            qDebug() << "Display Code Version 07.00.03 or above";
            m_rbData->SetDisplayLoggingFormat(RBData::LoggingFormatColourV2);
            qDebug() << "IdentifyLoggingFormat() - Logging Format Colour V2";
        } else {
            m_rbData->SetDisplayLoggingFormat(RBData::LoggingFormatColourV1);
            qDebug() << "IdentifyLoggingFormat() - Logging Format Colour V1";
        }
        return;
    }
    m_rbData->SetDisplayLoggingFormat(RBData::LoggingFormatUndefined);
    qDebug() << "IdentifyLoggingFormat() - Logging Format Undefined";
}

void WorkerC::ComputeDeviceStatus()
{
    const int overall = m_rbData->EvaluateDeviceStatus();
    m_rbData->SetValid(true);
    PublishRBData();
    emit DeviceStatusResult(overall);
}

void WorkerC::DebugRBData()
{
    const QStringList lines = m_rbData->DumpLines();
    for (const QString &line : lines)
        qDebug().noquote() << line;
}

void WorkerC::LogUserInformation()
{
    const QStringList lines = m_rbData->UserInfoLines();
    for (const QString &line : lines)
        qDebug().noquote() << line;
}

// ---------------------------------------------------------------------------
// Clock
// ---------------------------------------------------------------------------

bool WorkerC::ReadRTC()
{
    QByteArray registers;
    const bool read = LinkRead(DeviceId::Rtc, MemoryId::Buffer, RtcClock::RegisterAddress,
                               RtcClock::RegisterCount, registers);
    const QDateTime rtc = read ? RtcClock::DecodeRegisters(registers) : QDateTime();
    m_rbData->SetRtcDateTime(rtc);
    return rtc.isValid();
}

bool WorkerC::TestRTC()
{
    if (!UnitAnswers(DeviceId::Rtc)) {
        if (Trace())
            qDebug() << "Worker::TestRTC - Device present failed";
        return false;
    }
    QByteArray registers;
    if (!LinkRead(DeviceId::Rtc, MemoryId::Buffer, RtcClock::RegisterAddress,
                  RtcClock::RegisterCount, registers)) {
        if (Trace())
            qDebug() << "Worker::TestRTC - RTC read failed";
        return false;
    }
    if (RtcClock::AllRegistersBlank(registers)) {
        if (Trace())
            qDebug() << "Worker::TestRTC - All bytes 2-9 0xFF";
        return false;
    }
    if (Trace())
        qDebug() << "Worker::TestRTC - Bytes 2-9 are NOT all 0xFF, presumed healthy";
    return true;
}

QDateTime WorkerC::ComputerNow() const
{
    return m_computerClock ? m_computerClock() : QDateTime::currentDateTime();
}

void WorkerC::CompareClocks()
{
    if (!m_rbData->IsPresent(DeviceId::Rtc)) {
        if (Trace())
            qDebug() << "Worker::CompareClocks - RTC not present, compare aborted";
        return;
    }
    QByteArray registers;
    if (!LinkRead(DeviceId::Rtc, MemoryId::Buffer, RtcClock::RegisterAddress,
                  RtcClock::RegisterCount, registers)) {
        if (Trace())
            qDebug() << "Compare Clocks - Failure, Unable to read the RTC time";
        return;
    }
    const QDateTime rtc = RtcClock::DecodeRegistersIgnoringValidBit(registers);
    const QDateTime pc = ComputerNow();
    if (rtc.isValid() && pc.isValid()) {
        const qint64 diff = pc.secsTo(rtc);
        // A wildly wrong RTC can be further off than an int holds; the
        // report must still say which way it is off.
        if (RtcClock::SynchronisationRequired(diff))
            emit ClockSynchRequired(int(qBound<qint64>(std::numeric_limits<int>::min(), diff,
                                                       std::numeric_limits<int>::max())));
        return;
    }
    if (!rtc.isValid() && Trace())
        qDebug() << "Compare Clocks - Failure, Invalid RTC time";
    if (!pc.isValid() && Trace())
        qDebug() << "Compare Clocks - Failure, Invalid PC time";
}

void WorkerC::ClockReadRTCDateTime()
{
    if (Trace())
        qDebug() << "Worker::ClockReadRTCDateTime() - Started";
    if (m_workInProgress) {
        if (Trace())
            qDebug() << "Worker::ClockReadRTCDateTime() - Blocked by work in progress";
        return;
    }
    SetWorkInProgress(true);
    ReadRTC();
    PublishRBData();
    emit ClockDisplayDateTime(m_rbData->RtcDateTime());
    SetWorkInProgress(false);
    if (Trace())
        qDebug() << "Worker::ClockReadRTCDateTime() - Completed";
}

void WorkerC::ClockSynchronise()
{
    {
        std::lock_guard<std::mutex> locker(m_mutex);
        if (m_workInProgress)
            return;
        m_workInProgress = true;
    }

    // The device clock holds the years 2000-2099 (two packed-decimal digits):
    // any other year would be written wrapped or as digits the chip cannot
    // hold, so nothing is written at all.
    const QDateTime computerTime = ComputerNow();
    if (!RtcClock::CanHold(computerTime)) {
        qWarning().noquote() << "RTC Time synchronise refused, PC Time - " + LogTime(computerTime)
                                    + " is outside the years 2000-2099";
        emit GeneralMsg(tr("The computer's clock reads %1. The rebreather's clock can only hold the "
                           "years 2000 to 2099, so the clocks were not synchronised. Correct the "
                           "computer's clock and synchronise again.")
                            .arg(computerTime.toString(QStringLiteral("d MMMM yyyy hh:mm:ss"))));
        SetWorkInProgress(false);
        return;
    }

    ReadRTC();
    const QDateTime oldRtc = m_rbData->RtcDateTime();

    quint8 displayId = 0;
    if (m_rbData->IsDisplayDeviceIdValid())
        displayId = m_rbData->DisplayDeviceId();
    else
        displayId = AnsweringHandset();

    quint32 eepromStart = 0;
    const bool haveEepromTime =
        displayId != 0 && Catalogue().GetRegionStart(displayId, RegionId::Eeprom, eepromStart);
    const quint32 eepromTimeAddress = eepromStart + RtcClock::EepromTimeOffset;

    QDateTime oldEeprom;
    if (haveEepromTime) {
        QByteArray bytes;
        if (LinkRead(displayId, MemoryId::Eeprom, eepromTimeAddress, RtcClock::EepromTimeLength,
                     bytes))
            oldEeprom = RtcClock::DecodeEepromTime(bytes);
        m_rbData->SetEepromDateTime(displayId, oldEeprom);
    }

    if (Trace()) {
        if (oldRtc.isValid() && oldEeprom.isValid()) {
            qDebug().noquote() << "RB Time synchronise, RTC Time    - " + LogTime(oldRtc);
            qDebug().noquote() << "RB Time synchronise, Eeprom Time - " + LogTime(oldEeprom);
            qDebug().noquote() << "RB Time synchronise, Offset      - "
                                      + QString::number(oldRtc.secsTo(oldEeprom));
        } else {
            qDebug() << "RB Time synchronise, Offset Not calculated due to an invalid time";
        }
    }

    // Start on a whole second, so the RTC (which keeps whole seconds) is set
    // as close to the computer clock as it can be.
    const int startSecond = ComputerNow().time().second();
    QDateTime newTime = ComputerNow();
    while (newTime.time().second() == startSecond) {
        QThread::msleep(1);
        newTime = ComputerNow();
    }

    // Empty when the new second has crossed into a year the clock cannot hold.
    const QByteArray registers = RtcClock::EncodeRegisters(newTime);
    if (registers.isEmpty() || !LinkWrite(DeviceId::Rtc, MemoryId::Buffer, RtcClock::RegisterAddress,
                                          registers)) {
        if (Trace())
            qDebug().noquote() << "RTC Time synchronise failure, PC Time - " + LogTime(newTime);
        PublishRBData();
        SetWorkInProgress(false);
        return;
    }
    if (Trace())
        qDebug().noquote() << "RTC Time successfully synchronised, RTC Time - " + LogTime(newTime);

    if (!haveEepromTime) {
        if (Trace())
            qDebug() << "RB Time synchronise, No display found - Eeprom time not written";
        PublishRBData();
        SetWorkInProgress(false);
        return;
    }

    const RtcClock::EepromResult eeprom = RtcClock::NewEepromTime(oldRtc, oldEeprom, newTime);
    if (Trace()) {
        switch (eeprom.shift) {
        case RtcClock::EepromShift::MatchedBecauseOldInvalid:
            qDebug() << "RB Time synchronise, Old Eeprom time invalid - New Eeprom time matched to "
                        "RTC time";
            break;
        case RtcClock::EepromShift::ClampedToRtc:
            qDebug() << "RB Time synchronise, New Eeprom ahead of RTC so matched to it";
            break;
        case RtcClock::EepromShift::OffsetKept:
            qDebug() << "RB Time synchronise, New Eeprom time offset correctly";
            break;
        }
    }

    const QByteArray eepromBytes = RtcClock::EncodeEepromTime(eeprom.time);
    if (!eepromBytes.isEmpty() && LinkWrite(displayId, MemoryId::Eeprom, eepromTimeAddress, eepromBytes)) {
        m_rbData->SetEepromDateTime(displayId, eeprom.time);
        if (Trace())
            qDebug().noquote() << "RB Time synchronise, New Eeprom Time - " + LogTime(eeprom.time);
    } else if (Trace()) {
        qDebug() << "RB Time synchronise failure, Writing new Eeprom time";
    }
    PublishRBData();
    SetWorkInProgress(false);
}

// ---------------------------------------------------------------------------
// Upload
// ---------------------------------------------------------------------------

double WorkerC::UploadSecondsPerUnit() const
{
    return m_comms->IsBluetooth() ? m_uploadBtWriteTime : m_uploadShortWriteTime;
}

void WorkerC::UploadLoadUploadFile(QString filename)
{
    WaitForWorkInProgressClear("Worker::UploadLoadUploadFile()");
    SetWorkInProgress(true);

    UploadFileLoader::Hooks hooks;
    hooks.message = [this](const QString &msg) { emit UploadUploadFileMsg(msg); };
    hooks.deviceCheck = [this](const UploadData &data, QString &failure) {
        UploadProcedure procedure(*m_comms, *m_rbData, Catalogue(), data, UploadProcedure::Hooks());
        return procedure.CheckDevicesForLoad(failure);
    };
    hooks.secondsPerUnit = UploadSecondsPerUnit();
    const UploadFileLoader::Result result =
        UploadFileLoader(Catalogue()).Load(filename, *m_uploadData, hooks);
    PublishRBData();
    if (result.ok)
        emit UploadUploadTimeEstimate(result.estimateSeconds);
    emit UploadLoadUploadFileResult(result.ok, result.message);
    SetWorkInProgress(false);
}

void WorkerC::UploadUploadFile()
{
    WaitForWorkInProgressClear("Worker::UploadUploadFile()");
    SetWorkInProgress(true);
    if (!m_uploadData->loaded) {
        emit UploadUploadFileResult(false, tr("Upload not permitted~~~") + tr("No update file loaded"));
        SetWorkInProgress(false);
        return;
    }

    UploadProcedure::Hooks hooks;
    hooks.message = [this](const QString &msg) { emit UploadUploadFileMsg(msg); };
    hooks.progress = [this](double fraction) { emit UploadUploadFileProgress(fraction); };
    hooks.askYesNo = [this](const QString &question) {
        return Ask(m_responseToYesNo, [this, &question] { emit AskYesNoQuestion(question); });
    };
    hooks.askConfirmation = [this] {
        return Ask(m_responseToYesConfirmation, [this] { emit AskYesConfirmation(); });
    };
    hooks.checkDetails = [this](quint8 deviceId) { CheckDetails(deviceId); };
    hooks.evaluateStatus = [this] { ComputeDeviceStatus(); };
    // A reversion reads the log book into the worker's own, as a download does.
    hooks.logBook = &m_download->logBook;

    UploadProcedure::WriteTimes times;
    times.shortWriteTime = m_uploadShortWriteTime;
    times.btWriteTime = m_uploadBtWriteTime;
    UploadProcedure procedure(*m_comms, *m_rbData, Catalogue(), *m_uploadData, hooks,
                              &m_systemVariablesMemory);
    const UploadProcedure::Result result = procedure.Run(times);
    if (result.timesChanged) {
        m_uploadShortWriteTime = times.shortWriteTime;
        m_uploadBtWriteTime = times.btWriteTime;
        AppSettings::SetValue(AppSettings::Key::UploadShortWriteTime, m_uploadShortWriteTime);
        AppSettings::SetValue(AppSettings::Key::UploadBtWriteTime, m_uploadBtWriteTime);
    }
    // What a download prepared before describes the unit as it was.
    m_download->memoryListBuilt = false;
    m_download->logBookRead = false;
    PublishRBData();
    emit UploadUploadFileResult(result.ok, result.message);
    SetWorkInProgress(false);
}

void WorkerC::DownloadAbort()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_downloadAbort = true;
}

bool WorkerC::TakeDownloadAbort()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    const bool abort = m_downloadAbort;
    m_downloadAbort = false;
    return abort;
}

LogBookV2 *WorkerC::GetLogBookV2() const
{
    return m_download ? &m_download->logBook : nullptr;
}

DownloadCallbacks WorkerC::DownloadSignals()
{
    DownloadCallbacks callbacks;
    callbacks.message = [this](const QString &msg, bool overwrite) {
        emit DownloadDownloadMsg(msg, overwrite);
    };
    callbacks.progress = [this](int progress) { emit DownloadDownloadProgress(progress); };
    callbacks.timeEstimate = [this](int seconds) { emit DownloadDownloadTimeEstimate(seconds); };
    callbacks.refreshRequired = [this](const QString &path) { emit DownloadRefreshRequired(path); };
    callbacks.takeAbort = [this] { return TakeDownloadAbort(); };
    callbacks.askYesYesToAllNoNoToAll = [this](const QString &question) {
        return Ask(m_responseToYesYesToAllNoNoToAll,
                   [&] { emit AskYesYesToAllNoNoToAllQuestion(question); });
    };
    return callbacks;
}

// Runs one download step holding the work-in-progress flag; the step gets
// the environment it works in.
template <typename Operation>
void WorkerC::RunDownloadStep(Operation operation)
{
    SetWorkInProgress(true);
    const DownloadCallbacks callbacks = DownloadSignals();
    const DownloadEnvironment env{*m_comms,        *m_rbData, Catalogue(), callbacks,
                                  m_downloadBtReadTime, m_downloadShortReadTime};
    operation(env);
    SetWorkInProgress(false);
}

void WorkerC::DownloadV1PrepareDownload(QString downloadDir, bool fullDownload)
{
    qDebug().noquote() << "Worker::DownloadV1PrepareDownload()" << downloadDir << fullDownload;
    TakeDownloadAbort();
    RunDownloadStep([&](const DownloadEnvironment &env) {
        const DownloadOutcome outcome = V1Download::Prepare(env, *m_download, downloadDir, fullDownload);
        emit DownloadV1PrepareDownloadResult(outcome.result, outcome.message);
    });
}

void WorkerC::DownloadV1DownloadData(QString downloadDir)
{
    qDebug().noquote() << "Worker::DownloadV1DownloadData()" << downloadDir;
    RunDownloadStep([&](const DownloadEnvironment &env) {
        const DownloadOutcome outcome = V1Download::Download(env, *m_download, downloadDir);
        // An abort pressed as the download ended belongs to no download.
        TakeDownloadAbort();
        emit DownloadDownloadResult(outcome.result, outcome.message);
    });
}

void WorkerC::DownloadV2ReadLogBook(bool fullDownload)
{
    qDebug() << "Worker::DownloadV2ReadLogBook()" << fullDownload;
    TakeDownloadAbort();
    RunDownloadStep([&](const DownloadEnvironment &env) {
        const DownloadOutcome outcome = V2Download::ReadLogBook(env, *m_download, fullDownload);
        emit DownloadV2ReadLogBookResult(outcome.result, outcome.message);
    });
}

void WorkerC::DownloadV2DownloadData(QString downloadDir)
{
    qDebug().noquote() << "Worker::DownloadV2DownloadData()" << downloadDir;
    RunDownloadStep([&](const DownloadEnvironment &env) {
        const DownloadOutcome outcome = V2Download::Download(env, *m_download, downloadDir);
        TakeDownloadAbort();
        emit DownloadDownloadResult(outcome.result, outcome.message);
    });
}

void WorkerC::DownloadV2DownloadSelectionChanged()
{
    RunDownloadStep([&](const DownloadEnvironment &env) { V2Download::SelectionChanged(env, *m_download); });
}

void WorkerC::ProcessCCXFiles(QStringList ccxFiles)
{
    qDebug().noquote() << "Worker::ProcessCCXFiles()" << ccxFiles.join(QStringLiteral(", "));
    SetWorkInProgress(true);
    DownloadCallbacks callbacks = DownloadSignals();
    callbacks.message = [this](const QString &msg, bool) { emit ProcessCCXMsg(msg); };
    callbacks.progress = nullptr;
    CcxReprocessor reprocessor(Catalogue(), callbacks);
    const DownloadOutcome outcome = reprocessor.Process(ccxFiles);
    emit ProcessCCXResult(outcome.result, outcome.message);
    SetWorkInProgress(false);
}

// ---------------------------------------------------------------------------
// Remote support: each relayed command is one device-link operation
// ---------------------------------------------------------------------------

namespace {

// Buffers of the relayed commands: reads, writes and returned command data
// hold one request payload, block reads a whole reply.
constexpr int RelayBufferSize = RixMessage::MaxRequestPayload;                           // 64
constexpr int RelayMaxBlocks = RixMessage::MaxReplyPayload / RixMessage::BlockSize;     // 32

QString RelayFailed(const QString &reason)
{
    return QStringLiteral("Command failed, ") + reason;
}

} // namespace

QString WorkerC::RelayStatus(bool ok) const
{
    return ok ? QStringLiteral("Command succeded") : RelayFailed(m_comms->GetLastError());
}

bool WorkerC::RelayPortCheck(QString &status) const
{
    // A link that was never opened keeps an old error text; say what is wrong.
    if (LinkPortOpen())
        return true;
    status = RelayFailed(QStringLiteral("the serial port is not open"));
    return false;
}

WorkerC::RelayOutcome WorkerC::RunRelayed(const std::function<bool(QString &status)> &check,
                                          const std::function<bool()> &command)
{
    SetWorkInProgress(true);
    RelayOutcome outcome;
    if (check(outcome.status)) {
        outcome.ok = command();
        outcome.reply = m_comms->GetReplyText();
        outcome.status = RelayStatus(outcome.ok);
    }
    SetWorkInProgress(false);
    return outcome;
}

void WorkerC::RemoteSupportProcessCmdCommand(uint msgNumber, uchar deviceid, uchar command)
{
    const RelayOutcome r = RunRelayed([&](QString &s) { return RelayPortCheck(s); },
                                      [&] { return m_comms->Command(deviceid, command); });
    emit RemoteSupportResultCmdCommand(msgNumber, r.ok, r.reply, r.status);
}

void WorkerC::RemoteSupportProcessCmdCommandReturnData(uint msgNumber, uchar deviceid,
                                                       uchar command)
{
    SetWorkInProgress(true);
    QString status;
    bool ok = false;
    QString reply;
    QByteArray data;
    if (RelayPortCheck(status)) {
        int length = 0;
        ok = m_comms->CommandReturnData(deviceid, command, length, data);
        reply = m_comms->GetReplyText();
        status = RelayStatus(ok);
        if (ok && data.size() > RelayBufferSize) {
            ok = false;
            status = RelayFailed(QStringLiteral("the unit returned %1 bytes, more than the %2 a "
                                                "command may return")
                                     .arg(data.size())
                                     .arg(RelayBufferSize));
        }
        if (!ok)
            data.clear();
    }
    SetWorkInProgress(false);
    emit RemoteSupportResultCmdCommandReturnData(msgNumber, ok, reply, status, int(data.size()),
                                                 data);
}

void WorkerC::RemoteSupportProcessCmdRead(uint msgNumber, uchar deviceid, uchar memory,
                                          uint address, ushort length)
{
    SetWorkInProgress(true);
    QString status;
    bool ok = false;
    QString reply;
    QByteArray data;
    if (length < 1 || length > RelayBufferSize) {
        status = RelayFailed(QStringLiteral("read length %1 is outside 1 to %2 bytes")
                                 .arg(length)
                                 .arg(RelayBufferSize));
    } else if (RelayPortCheck(status)) {
        data = QByteArray(length, '\0');
        ok = m_comms->Read(deviceid, memory, address, quint8(length),
                           reinterpret_cast<uchar *>(data.data()));
        reply = m_comms->GetReplyText();
        status = RelayStatus(ok);
        if (!ok)
            data.clear();
    }
    SetWorkInProgress(false);
    emit RemoteSupportResultCmdRead(msgNumber, ok, reply, status, int(data.size()), data);
}

void WorkerC::RemoteSupportProcessCmdReadBlocks(uint msgNumber, uchar deviceid, uchar memory,
                                                uint address, ushort length)
{
    SetWorkInProgress(true);
    QString status;
    bool ok = false;
    QString reply;
    QByteArray data;
    // The length counts 64-byte blocks.
    if (length < 1 || length > RelayMaxBlocks) {
        status = RelayFailed(QStringLiteral("block count %1 is outside 1 to %2 blocks of %3 bytes")
                                 .arg(length)
                                 .arg(RelayMaxBlocks)
                                 .arg(RixMessage::BlockSize));
    } else if (RelayPortCheck(status)) {
        data = QByteArray(length * RixMessage::BlockSize, '\0');
        ok = m_comms->ReadBlocks(deviceid, memory, address, quint8(length),
                                 reinterpret_cast<uchar *>(data.data()));
        reply = m_comms->GetReplyText();
        status = RelayStatus(ok);
        if (!ok)
            data.clear();
    }
    SetWorkInProgress(false);
    emit RemoteSupportResultCmdReadBlocks(msgNumber, ok, reply, status, int(data.size()), data);
}

bool WorkerC::RelayWriteCheck(ushort length, const QByteArray &data, QString &status) const
{
    if (length < 1 || length > RelayBufferSize) {
        status = RelayFailed(QStringLiteral("write length %1 is outside 1 to %2 bytes")
                                 .arg(length)
                                 .arg(RelayBufferSize));
        return false;
    }
    if (data.size() < length) {
        status = RelayFailed(QStringLiteral("%1 data bytes given for a write of %2 bytes")
                                 .arg(data.size())
                                 .arg(length));
        return false;
    }
    return RelayPortCheck(status);
}

void WorkerC::RemoteSupportProcessCmdWrite(uint msgNumber, uchar deviceid, uchar memory,
                                           uint address, ushort length, QByteArray data)
{
    const RelayOutcome r = RunRelayed([&](QString &s) { return RelayWriteCheck(length, data, s); },
                                      [&] {
                                          return m_comms->Write(deviceid, memory, address, quint8(length),
                                                                reinterpret_cast<const uchar *>(data.constData()));
                                      });
    emit RemoteSupportResultCmdWrite(msgNumber, r.ok, r.reply, r.status);
}

void WorkerC::RemoteSupportProcessCmdWriteAndVerify(uint msgNumber, uchar deviceid, uchar memory,
                                                    uint address, ushort length, QByteArray data)
{
    const RelayOutcome r = RunRelayed([&](QString &s) { return RelayWriteCheck(length, data, s); },
                                      [&] {
                                          return m_comms->WriteAndVerify(deviceid, memory, address, quint8(length),
                                                                reinterpret_cast<const uchar *>(data.constData()));
                                      });
    emit RemoteSupportResultCmdWriteAndVerify(msgNumber, r.ok, r.reply, r.status);
}

void WorkerC::RemoteSupportProcessCmdIsDevicePresent(uint msgNumber, uchar deviceid)
{
    const RelayOutcome r = RunRelayed([&](QString &s) { return RelayPortCheck(s); },
                                      [&] { return m_comms->IsDevicePresent(deviceid); });
    emit RemoteSupportResultCmdIsDevicePresent(msgNumber, r.ok, r.reply, r.status);
}

void WorkerC::RemoteSupportProcessCmdGetPortDetails(uint msgNumber)
{
    // The link's own state; no device traffic.
    const bool open = LinkPortOpen();
    const bool bridgeValid = LinkBridgeDetailsValid();
    emit RemoteSupportResultCmdGetPortDetails(msgNumber, open, bridgeValid,
                                              m_comms ? m_comms->GetBridgeType() : -1,
                                              m_comms ? m_comms->GetBridgeVersion() : -1);
}

void WorkerC::RemoteSupportKeepAlive()
{
    // One byte of the handset's EEPROM keeps it awake; the colour handset is
    // tried first, then the mono one.
    SetWorkInProgress(true);
    uchar byte = 0;
    if (!m_comms->Read(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1, &byte))
        m_comms->Read(DeviceId::DisplayMono, MemoryId::Eeprom, 0, 1, &byte);
    SetWorkInProgress(false);
}
