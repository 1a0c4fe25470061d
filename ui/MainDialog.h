#pragma once

#include <QDialog>
#include <QString>
#include <QThread>
#include <QTranslator>

#include <memory>

namespace Ui { class MainDialog; }
class PortEnumerator;
class RBData;
class WorkerC;

// The program's only top-level window. It owns the worker thread and the
// worker, lists the serial ports, shows the connection state, relays the
// worker's questions to the question dialogs, opens the other windows, loads
// translations and keeps the user's choices in the settings.
class MainDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MainDialog(QWidget *parent = nullptr);
    // ports: where the port list and the worker find serial ports; null
    // means the system's ports.
    explicit MainDialog(std::shared_ptr<PortEnumerator> ports, QWidget *parent = nullptr);
    ~MainDialog() override;

    WorkerC *Worker() const { return workerC; }
    QString CurrentPort() const { return m_currentPort; }
    QString CurrentPortName() const { return m_currentPortName; }
    QString CurrentLanguage() const { return m_currentLanguage; }
    bool IsSearchRunning() const { return m_searchRunning; }
    int LastConnectionStatus() const { return m_lastConnectionStatus; }

    // Status button text for a connection status code (translated).
    static QString StatusText(int status);
    // The line the message area shows while no port is known yet.
    static QString FirstStartHint();
    // The port name part of a port-list entry ("COM5 - USB Serial Device"
    // gives "COM5").
    static QString PortNameFromEntry(const QString &entryText);

signals:
    void WorkerCOpenComPort(QString comPort, QString comPortName, bool identifyBridge);
    void WorkerCCloseComPort();
    void WorkerCSetMessageLevel(int messageLevel);
    void WorkerCCheckForDevices();
    void ComPortSearchStart();
    void DebugRBData();
    void CommsDisconnected();

public slots:
    void OpenComPortResult(bool result);
    void CloseComPortResult(bool result);
    void ConnectionStatusResult(int status, QString serialno);
    void DeviceStatusResult(int status);
    void AskCancelNextConnectQuestion(QString deviceDetail);
    void AskYesNoQuestion(QString question);
    void AskYesNoCancelQuestion(QString question);
    void AskYesYesToAllNoNoToAllQuestion(QString question);
    void AskYesConfirmation();
    void OnInitDialog();
    void PrivateSettings();
    void LoadLanguage(QString newLanguage, bool forceLoad);
    void LoadLanguage(QString newLanguage);
    void ComPortSearchMsg(QString msg);
    void ComPortSearchAccepted(QString portLocation, QString str);
    void ComPortSearchReselect(QString str);
    void ComPortSearchFinished();
    void ComPortSearchCancelled();
    void ComPortSearchAborted();
    void ClockSynchRequired(int diffsecs);
    void GeneralMsg(QString msg);
    void RemoteSupportReconnect();
    void SetMessageLevel(int messageLevel);
    void on_closeBtn_clicked();
    void on_settingsBtn_clicked();
    void on_clockBtn_clicked();
    void on_aboutBtn_clicked();
    void on_webSiteBtn_clicked();
    // The Dives window: the downloaded dives and the oxygen-cell report.
    void on_divesBtn_clicked();
    void on_uploadBtn_clicked();
    void on_downloadBtn_clicked();
    void on_helpBtn_clicked();
    void on_supportBtn_clicked();
    void on_statusBtn_clicked();
    void NumberOfComPortsChanged();
    void on_comPortCombo_currentIndexChanged(int index);
    void on_searchBtn_clicked();
    void on_logoBtn_clicked();
    void on_contextHelp();

    void reject() override;

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FillPortList();
    void SelectPortItem(const QString &portLocation);
    void OpenCurrentPort();
    void CloseComPort();
    void UpdateStatusText();
    void UpdateButtons();
    void EndSearch(const QString &message);
    void OpenClockDialog();
    void OpenProcessCCXDialog();
    void SaveSettings();
    // Waits until the worker has no operation running. Events other than
    // user input keep flowing, so a question the worker asks meanwhile is
    // still answered and the window keeps painting.
    void WaitForWorkerIdle();
    RBData DeviceRecord() const;
    // The worker may be called. False once the window has started closing:
    // the worker is then deleted as its thread ends, while its last signals
    // are still being delivered here.
    bool WorkerReachable() const { return workerC && !m_closing; }
    bool Trace() const { return m_messageLevel >= 1; }

    Ui::MainDialog *ui;
    QThread workerThread;
    WorkerC *workerC = nullptr;
    std::shared_ptr<PortEnumerator> m_ports;
    QTranslator m_translator;
    QTranslator m_toolkitTranslator;

    QString m_currentPort;
    QString m_currentPortName;
    QString m_currentLanguage;
    bool m_reopenPending = false;
    bool m_searchRunning = false;
    bool m_metricUnits = true;
    bool m_fullLogBookRead = false;
    int m_messageLevel = 0;
    int m_lastConnectionStatus = 0;
    QString m_serialNumber;
    // Set while the window is going away: questions are then answered
    // without a dialog so that the worker can finish.
    bool m_closing = false;
};
