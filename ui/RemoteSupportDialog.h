#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QDialog>
#include <QString>

namespace Ui { class RemoteSupportDialog; }
class RemoteSupportSession;
class WorkerC;

// The remote-support window: the user id, the connection to the support
// server, the unit's connection state, and the chat with the technician. The
// session behind it (RemoteSupportSession) does the talking; this window
// shows it, carries the technician's device commands to the worker and the
// worker's results back, and asks before the session ends.
class RemoteSupportDialog : public QDialog
{
    Q_OBJECT
public:
    // worker: its device record decides what the unit button opens; may be
    // null (the button then always asks for a reconnection).
    explicit RemoteSupportDialog(WorkerC *worker, QWidget *parent = nullptr);
    ~RemoteSupportDialog() override;

    // Commands to the worker's remote-support slots, its results and its
    // connection status back here (queued across the threads).
    void ConnectWorker(WorkerC *worker);
    void SetMessageLevel(int level);

    RemoteSupportSession *Session() const { return m_session; }

signals:
    void processCmdCommand(uint msgNumber, uchar deviceid, uchar command);
    void processCmdCommandReturnData(uint msgNumber, uchar deviceid, uchar command);
    void processCmdRead(uint msgNumber, uchar deviceid, uchar memory, uint address, ushort length);
    void processCmdReadBlocks(uint msgNumber, uchar deviceid, uchar memory, uint address,
                              ushort length);
    void processCmdWrite(uint msgNumber, uchar deviceid, uchar memory, uint address, ushort length,
                         QByteArray data);
    void processCmdWriteAndVerify(uint msgNumber, uchar deviceid, uchar memory, uint address,
                                  ushort length, QByteArray data);
    void processCmdIsDevicePresent(uint msgNumber, uchar deviceid);
    void processCmdGetPortDetails(uint msgNumber);
    void reconnect();
    void keepAlive();
    void setMessageLevel(int level);

public slots:
    void resultCmdCommand(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdCommandReturnData(uint msgNumber, bool response, QString reply, QString status,
                                    int dataLength, QByteArray data);
    void resultCmdRead(uint msgNumber, bool response, QString reply, QString status,
                       int dataLength, QByteArray data);
    void resultCmdReadBlocks(uint msgNumber, bool response, QString reply, QString status,
                             int dataLength, QByteArray data);
    void resultCmdWrite(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdWriteAndVerify(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdIsDevicePresent(uint msgNumber, bool response, QString reply, QString status);
    void resultCmdGetPortDetails(uint msgNumber, bool portOpen, bool bridgeDetailsValid,
                                 int bridgeType, int bridgeVersion);
    void connectionStatusResult(int status, QString serialno);

    void on_connectBtn_clicked();
    void on_closeBtn_clicked();
    void on_sendBtn_clicked();
    void on_sendMessageEdit_returnPressed();
    void on_userIDEdit_textChanged(QString arg1);
    void on_unitConnectBtn_clicked();

    // Escape and the window's close button end up here: the session ends
    // only when the user says so.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void AddLine(const QString &line);
    void ContinueLine(const QString &text);
    void ShowConnectButton(bool disconnect, bool enabled);
    void ShowUnitStatus();
    void EqualiseButtons();
    static QString InitialClientName();

    Ui::RemoteSupportDialog *ui;
    WorkerC *m_worker;
    RemoteSupportSession *m_session;
    bool m_connectOffersDisconnect = false;
    int m_unitStatus = 0;
    QString m_unitSerial;
};
