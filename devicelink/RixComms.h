#pragma once

#include "RixMessage.h"

#include <QElapsedTimer>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <bitset>

class QSerialPort;

// The serial link to the rebreather's units: frames a request, sends it,
// reassembles and checks the reply, and keeps the reason of the last failure.
// Used from the worker thread only; every call blocks until the reply is in
// or its time has run out. Failures are reported by return value and
// GetLastError(), never thrown.
class RixComms
{
public:
    // GetMessage results.
    enum MessageResult {
        MessageValid = 1,
        MessageTimeout = 2,        // no complete frame in time, port closed, or header mismatch
        MessageInvalidHeader = 3,
        MessageInvalidChecksum = 4,
        MessageUnknownError = 5,
    };

    enum BridgeType {
        BridgeSerial = 0,
        BridgeBluetoothBridge = 1,
        BridgeBluetoothHandset = 2,
        BridgeUsbHandset = 3,
    };

    static constexpr int BaudRate = 57600;
    static constexpr int OutgoingCapacity = RixMessage::FrameOverhead + RixMessage::MaxRequestPayload; // 75
    static constexpr int IncomingCapacity = RixMessage::FrameOverhead + RixMessage::MaxReplyPayload;   // 2059
    static constexpr int ScratchCapacity = 2100;
    static constexpr int DefaultTimeoutMs = 500;
    static constexpr int BlockReadTimeoutMs = 2500;
    static constexpr int IdentifyTimeoutMs = 500;
    static constexpr int RetryDelayMs = 100;
    static constexpr int PollStepMs = 10;
    static constexpr int WriteWaitMs = 50;
    static constexpr int DefaultMaxAttempts = 3;
    // A reply that has not come within its timeout may still arrive this much
    // later; until then it is waited for (and thrown away) before a different
    // request goes out, so it cannot be taken for that request's answer.
    static constexpr int LateReplyWindowMs = 500;
    // The line counts as quiet once no byte has come for this long.
    static constexpr int LineQuietMs = 20;
    static constexpr quint8 BridgeDeviceId = 0xB8;
    static constexpr quint8 BridgeIdentifyCommand = 12;

    RixComms();
    ~RixComms();
    RixComms(const RixComms &) = delete;
    RixComms &operator=(const RixComms &) = delete;

    // The port object is owned by the caller and used exclusively by the link.
    void SetSerialPort(QSerialPort *port) { m_port = port; }
    QSerialPort *SerialPort() const { return m_port; }

    // --- Port ---
    bool OpenComPort(const QString &comPort, bool identifyBridge);
    bool CloseComPort();
    QString GetPortName() const { return m_portName; }
    bool IsPortOpen() const { return m_portOpen; }
    bool IsLinkOpen() const { return m_linkOpen; }

    // --- Bridge ---
    // Asks the bridge who it is, with the retry rule of the other commands.
    bool IdentifyBridge();
    bool IsBridgeDetailsValid() const { return m_bridgeValid; }
    int GetBridgeType() const { return m_bridgeValid ? m_bridgeType : -1; }
    int GetBridgeVersion() const { return m_bridgeValid ? m_bridgeVersion : -1; }
    bool IsBluetooth() const;
    bool IsBluetoothHandset() const;
    static QString BridgeTypeName(int type);

    // --- Exchange ---
    void SendMessage();
    int GetMessage(int timeoutMs);
    RixMessage &Outgoing() { return m_outgoing; }
    const RixMessage &Incoming() const { return m_incoming; }
    bool IsStatusMessage() const { return m_incoming.IsStatusMessage(); }
    bool IsStatusOK() const { return m_incoming.IsStatusOK(); }
    quint8 GetStatusCode() const { return m_incoming.StatusCode(); }
    int GetPayloadLength() const { return m_incoming.PayloadLength(); }
    QByteArray GetPayload() const { return m_incoming.Payload(); }
    // GetMessage's result for a received frame (MessageTimeout when the
    // frame is not complete).
    static int ClassifyFrame(const RixMessage &frame);
    // Text describing a received frame: its status text, the data text, or
    // "Invalid message.".
    static QString FrameText(const RixMessage &frame);

    // --- Device commands ---
    // attempts > 1 asks again (100 ms apart) while the unit does not answer
    // as wanted, as the retrying operations do.
    bool IsDevicePresent(quint8 deviceId, int attempts = 1);
    bool Command(quint8 deviceId, quint8 command, int attempts = 1);
    bool CommandReturnData(quint8 deviceId, quint8 command, int &length, QByteArray &data);
    // data must hold length bytes; at most that many are copied into it.
    bool Read(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length, uchar *data);
    // data must hold blocks x 64 bytes.
    bool ReadBlocks(quint8 deviceId, quint8 memoryId, quint32 address, quint8 blocks, uchar *data);
    bool Write(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length, const uchar *data);
    bool WriteAndVerify(quint8 deviceId, quint8 memoryId, quint32 address, quint8 length,
                        const uchar *data);

    // --- State ---
    QString GetLastError() const { return m_lastError; }
    // Text for the last received frame; empty while the link is not open.
    QString GetReplyText() const;
    int GetNumberOfFailedAttempts() const { return m_failedAttempts; }
    int GetMaxAttempts() const { return m_maxAttempts; }
    void SetMessageLevel(int level);
    int GetMessageLevel() const { return m_messageLevel; }
    void SetDebugEnabled(bool on);
    bool IsDebugEnabled() const { return m_debugEnabled; }

    // --- Tables ---
    static QString StatusText(quint8 code);
    static QString ResultText(int result);             // "No valid reply received within timeout." ...
    static quint8 ReadCode(quint8 memoryId);
    static quint8 WriteCode(quint8 memoryId);
    static quint8 BlockReadCode(quint8 memoryId);
    // Adds 0x40 for address bit 24 and 0x80 for bit 25.
    static quint8 WithAddressModifiers(quint8 code, quint32 address);
    static QString MismatchReport(quint32 address, const QByteArray &sent, const QByteArray &received);

private:
    enum class Phase { Plain, Writing, Reading };
    static QString PhaseResultText(int result, Phase phase);
    bool Receive(int timeoutMs);
    // A request whose reply has not (or not yet) been seen.
    struct OwedReply {
        QByteArray request;
        quint8 deviceId = 0;
        qint64 deadlineMs = 0; // on m_clock; after this the reply counts as lost
    };
    // The data reply a read waits for: one with another command or address,
    // or fewer bytes than asked, answers some earlier request.
    struct ExpectedData {
        bool active = false;
        quint8 opcode = 0;
        quint32 address = 0;
        quint8 length = 0;
    };
    void ExpectData(quint8 command, quint32 address, quint8 length);
    bool IsStaleData(const QByteArray &frame) const;
    void ReplyArrived();
    void DrainBeforeSend(const QByteArray &next);
    void ResetLineState();
    // Counts a failure and, unless the attempts are used up or the port has
    // gone, pauses before the next attempt; true to try again.
    bool RetryAfterFailure(int &failures, int maxAttempts);
    void LogOperation(const char *name, int deviceId, int memoryId, int command, qint64 address,
                      int length) const;
    bool ReadWithCode(const char *name, quint8 deviceId, quint8 memoryId, quint32 address,
                      quint8 length, quint8 code, int timeoutMs, int copyLimit, uchar *data);
    void RetryPause() const;

    QSerialPort *m_port = nullptr;
    RixMessage m_outgoing;
    RixMessage m_incoming;
    QString m_portName;
    QString m_lastError;
    int m_messageLevel = 5;
    int m_savedMessageLevel = 5;
    bool m_debugEnabled = true;
    int m_maxAttempts = DefaultMaxAttempts;
    int m_failedAttempts = 0;
    bool m_linkOpen = false;
    bool m_portOpen = false;
    bool m_bridgeValid = false;
    int m_bridgeType = 0;
    int m_bridgeVersion = 0;

    // Keeping replies tied to their requests.
    QElapsedTimer m_clock;
    QVector<OwedReply> m_owed;       // oldest first
    std::bitset<256> m_answered;     // units that have answered since the port opened
    QByteArray m_carry;              // bytes that came after a reply, not yet judged
    bool m_lineDirty = false;        // stray bytes may still be on their way
    ExpectedData m_expect;
};
