#include "RemoteSupportDialog.h"
#include "ui_RemoteSupportDialog.h"

#include "AppSettings.h"
#include "DeviceStatus.h"
#include "MainDialog.h"
#include "QuestionResponse.h"
#include "RBData.h"
#include "RemoteSupportSession.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "WorkerC.h"
#include "YesNo.h"

#include <QDebug>
#include <QIcon>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

constexpr quint8 monoDisplayId = 0xB0;
constexpr quint8 colourDisplayId = 0xBC;
constexpr quint8 controller1Id = 0xB2;
constexpr quint8 controller2Id = 0xB4;

bool showsSerialNumber(int status)
{
    return status == WorkerC::StatusConnected || status == WorkerC::StatusConnectedSerialValid;
}

bool showsDeviceIcon(int status)
{
    return status == WorkerC::StatusConnected || status == WorkerC::StatusConnectedSerialValid
           || status == WorkerC::StatusConnectedSerialInvalid
           || status == WorkerC::StatusConnectedBridgeOnly;
}

} // namespace

RemoteSupportDialog::RemoteSupportDialog(WorkerC *worker, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::RemoteSupportDialog)
    , m_worker(worker)
    , m_session(new RemoteSupportSession(this))
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    qDebug() << "Remote Support session started";

    connect(m_session, &RemoteSupportSession::MessageAdded, this, &RemoteSupportDialog::AddLine);
    connect(m_session, &RemoteSupportSession::MessageContinued, this, &RemoteSupportDialog::ContinueLine);
    connect(m_session, &RemoteSupportSession::ConnectButtonChanged, this,
            &RemoteSupportDialog::ShowConnectButton);
    connect(m_session, &RemoteSupportSession::ConnectButtonEnabled, ui->connectBtn, &QWidget::setEnabled);
    connect(m_session, &RemoteSupportSession::processCmdCommand, this, &RemoteSupportDialog::processCmdCommand);
    connect(m_session, &RemoteSupportSession::processCmdCommandReturnData, this,
            &RemoteSupportDialog::processCmdCommandReturnData);
    connect(m_session, &RemoteSupportSession::processCmdRead, this, &RemoteSupportDialog::processCmdRead);
    connect(m_session, &RemoteSupportSession::processCmdReadBlocks, this,
            &RemoteSupportDialog::processCmdReadBlocks);
    connect(m_session, &RemoteSupportSession::processCmdWrite, this, &RemoteSupportDialog::processCmdWrite);
    connect(m_session, &RemoteSupportSession::processCmdWriteAndVerify, this,
            &RemoteSupportDialog::processCmdWriteAndVerify);
    connect(m_session, &RemoteSupportSession::processCmdIsDevicePresent, this,
            &RemoteSupportDialog::processCmdIsDevicePresent);
    connect(m_session, &RemoteSupportSession::processCmdGetPortDetails, this,
            &RemoteSupportDialog::processCmdGetPortDetails);
    connect(m_session, &RemoteSupportSession::keepAlive, this, &RemoteSupportDialog::keepAlive);
    connect(m_session, &RemoteSupportSession::setMessageLevel, this, &RemoteSupportDialog::setMessageLevel);

    // The user id; the field keeps the session's client name up to date.
    const QString clientName = InitialClientName();
    m_session->SetClientName(clientName);
    ui->userIDEdit->setText(clientName);

    RemoteSupportSession::ServerAddresses addresses;
    addresses.ipEchoUrl = AppSettings::StringValue(AppSettings::Key::RemoteSupportIpEchoUrl);
    addresses.publicAddress = AppSettings::StringValue(AppSettings::Key::RemoteSupportServerPublicAddress);
    addresses.internalAddress = AppSettings::StringValue(AppSettings::Key::RemoteSupportServerInternalAddress);
    addresses.port = quint16(AppSettings::IntValue(AppSettings::Key::RemoteSupportServerPort));
    m_session->SetAddresses(addresses);
    m_session->SetMessageLevel(AppSettings::IntValue(AppSettings::Key::MessageLevel));
    m_session->Start();

    // Styled and with its buttons sized before the geometry is restored, so
    // the window's minimum is already the one it has when shown.
    ensurePolished();
    EqualiseButtons();
    WindowGeometry::Restore(this, AppSettings::Key::GeometryRemoteSupport);
}

RemoteSupportDialog::~RemoteSupportDialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryRemoteSupport);
    AppSettings::SetValue(AppSettings::Key::ClientName, m_session->ClientName());
    delete ui;
}

QString RemoteSupportDialog::InitialClientName()
{
    QString name = AppSettings::StringValue(AppSettings::Key::ClientName);
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    return name;
}

void RemoteSupportDialog::ConnectWorker(WorkerC *worker)
{
    connect(this, &RemoteSupportDialog::processCmdCommand, worker, &WorkerC::RemoteSupportProcessCmdCommand);
    connect(this, &RemoteSupportDialog::processCmdCommandReturnData, worker,
            &WorkerC::RemoteSupportProcessCmdCommandReturnData);
    connect(this, &RemoteSupportDialog::processCmdRead, worker, &WorkerC::RemoteSupportProcessCmdRead);
    connect(this, &RemoteSupportDialog::processCmdReadBlocks, worker,
            &WorkerC::RemoteSupportProcessCmdReadBlocks);
    connect(this, &RemoteSupportDialog::processCmdWrite, worker, &WorkerC::RemoteSupportProcessCmdWrite);
    connect(this, &RemoteSupportDialog::processCmdWriteAndVerify, worker,
            &WorkerC::RemoteSupportProcessCmdWriteAndVerify);
    connect(this, &RemoteSupportDialog::processCmdIsDevicePresent, worker,
            &WorkerC::RemoteSupportProcessCmdIsDevicePresent);
    connect(this, &RemoteSupportDialog::processCmdGetPortDetails, worker,
            &WorkerC::RemoteSupportProcessCmdGetPortDetails);
    connect(this, &RemoteSupportDialog::keepAlive, worker, &WorkerC::RemoteSupportKeepAlive);

    connect(worker, &WorkerC::RemoteSupportResultCmdCommand, this, &RemoteSupportDialog::resultCmdCommand);
    connect(worker, &WorkerC::RemoteSupportResultCmdCommandReturnData, this,
            &RemoteSupportDialog::resultCmdCommandReturnData);
    connect(worker, &WorkerC::RemoteSupportResultCmdRead, this, &RemoteSupportDialog::resultCmdRead);
    connect(worker, &WorkerC::RemoteSupportResultCmdReadBlocks, this, &RemoteSupportDialog::resultCmdReadBlocks);
    connect(worker, &WorkerC::RemoteSupportResultCmdWrite, this, &RemoteSupportDialog::resultCmdWrite);
    connect(worker, &WorkerC::RemoteSupportResultCmdWriteAndVerify, this,
            &RemoteSupportDialog::resultCmdWriteAndVerify);
    connect(worker, &WorkerC::RemoteSupportResultCmdIsDevicePresent, this,
            &RemoteSupportDialog::resultCmdIsDevicePresent);
    connect(worker, &WorkerC::RemoteSupportResultCmdGetPortDetails, this,
            &RemoteSupportDialog::resultCmdGetPortDetails);
    connect(worker, &WorkerC::ConnectionStatusResult, this, &RemoteSupportDialog::connectionStatusResult);
}

void RemoteSupportDialog::SetMessageLevel(int level)
{
    m_session->SetMessageLevel(level);
}

// ----------------------------------------------------------- message area

void RemoteSupportDialog::AddLine(const QString &line)
{
    ui->messagesEdit->appendPlainText(line);
}

void RemoteSupportDialog::ContinueLine(const QString &text)
{
    ui->messagesEdit->moveCursor(QTextCursor::End);
    ui->messagesEdit->insertPlainText(text);
    ui->messagesEdit->verticalScrollBar()->setValue(ui->messagesEdit->verticalScrollBar()->maximum());
}

void RemoteSupportDialog::ShowConnectButton(bool disconnect, bool enabled)
{
    m_connectOffersDisconnect = disconnect;
    // Once the session has moved the button, it reads plainly "CONNECT" or
    // "DISCONNECT"; only the designed label carries a mnemonic.
    ui->connectBtn->setText(disconnect ? tr("DISCONNECT") : tr("CONNECT"));
    ui->connectBtn->setEnabled(enabled);
}

// ---------------------------------------------------------------- buttons

void RemoteSupportDialog::on_connectBtn_clicked()
{
    m_session->ToggleConnection();
}

void RemoteSupportDialog::on_sendBtn_clicked()
{
    if (m_session->SendChat(ui->sendMessageEdit->text()))
        ui->sendMessageEdit->clear();
}

void RemoteSupportDialog::on_sendMessageEdit_returnPressed()
{
    on_sendBtn_clicked();
}

void RemoteSupportDialog::on_userIDEdit_textChanged(QString arg1)
{
    m_session->SetClientName(arg1);
}

void RemoteSupportDialog::on_unitConnectBtn_clicked()
{
    const RBData record = m_worker ? m_worker->RBDataSnapshot() : RBData();
    const bool unitPresent = record.IsPresent(monoDisplayId) || record.IsPresent(colourDisplayId)
                             || record.IsPresent(controller1Id) || record.IsPresent(controller2Id);
    if (record.IsValid() && unitPresent) {
        DeviceStatus dialog(this);
        dialog.setModal(true);
        dialog.SetRecord(DeviceStatusRecord::FromDeviceRecord(record));
        dialog.exec();
        return;
    }
    emit reconnect();
}

// ---------------------------------------------------------- unit status

void RemoteSupportDialog::connectionStatusResult(int status, QString serialno)
{
    m_unitStatus = status;
    m_unitSerial = serialno;
    ShowUnitStatus();
}

void RemoteSupportDialog::ShowUnitStatus()
{
    // Until a first status is known the button keeps its RECONNECT label.
    if (m_unitStatus == 0)
        return;
    ui->unitConnectBtn->setText(MainDialog::StatusText(m_unitStatus));
    ui->unitConnectionDetails->setText(showsSerialNumber(m_unitStatus)
                                           ? tr("Serial Number %1").arg(m_unitSerial)
                                           : QString());
    ui->unitConnectBtn->setIcon(showsDeviceIcon(m_unitStatus)
                                    ? QIcon(QStringLiteral(":/Images/deviceinfoleft.png"))
                                    : QIcon());
}

// ---------------------------------------------------------------- results

void RemoteSupportDialog::resultCmdCommand(uint msgNumber, bool response, QString reply, QString status)
{
    m_session->resultCmdCommand(msgNumber, response, reply, status);
}

void RemoteSupportDialog::resultCmdCommandReturnData(uint msgNumber, bool response, QString reply,
                                                     QString status, int dataLength, QByteArray data)
{
    m_session->resultCmdCommandReturnData(msgNumber, response, reply, status, dataLength, data);
}

void RemoteSupportDialog::resultCmdRead(uint msgNumber, bool response, QString reply, QString status,
                                        int dataLength, QByteArray data)
{
    m_session->resultCmdRead(msgNumber, response, reply, status, dataLength, data);
}

void RemoteSupportDialog::resultCmdReadBlocks(uint msgNumber, bool response, QString reply,
                                              QString status, int dataLength, QByteArray data)
{
    m_session->resultCmdReadBlocks(msgNumber, response, reply, status, dataLength, data);
}

void RemoteSupportDialog::resultCmdWrite(uint msgNumber, bool response, QString reply, QString status)
{
    m_session->resultCmdWrite(msgNumber, response, reply, status);
}

void RemoteSupportDialog::resultCmdWriteAndVerify(uint msgNumber, bool response, QString reply,
                                                  QString status)
{
    m_session->resultCmdWriteAndVerify(msgNumber, response, reply, status);
}

void RemoteSupportDialog::resultCmdIsDevicePresent(uint msgNumber, bool response, QString reply,
                                                   QString status)
{
    m_session->resultCmdIsDevicePresent(msgNumber, response, reply, status);
}

void RemoteSupportDialog::resultCmdGetPortDetails(uint msgNumber, bool portOpen, bool bridgeDetailsValid,
                                                  int bridgeType, int bridgeVersion)
{
    m_session->resultCmdGetPortDetails(msgNumber, portOpen, bridgeDetailsValid, bridgeType, bridgeVersion);
}

// ---------------------------------------------------------------- closing

void RemoteSupportDialog::on_closeBtn_clicked()
{
    close();
}

void RemoteSupportDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        qDebug() << "Remote support session closing";
    QDialog::keyPressEvent(event);
}

void RemoteSupportDialog::reject()
{
    YesNo question(this);
    question.SetQuestion(tr("Are you sure you wish to end this support session?"));
    question.setModal(true);
    question.exec();
    if (question.response != QuestionResponse::Yes)
        return;
    qDebug() << "Remote Support session closing";
    QDialog::reject();
}

// ------------------------------------------------------------------ look

bool RemoteSupportDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        EqualiseButtons();
    return QDialog::event(event);
}

void RemoteSupportDialog::EqualiseButtons()
{
    UniformButtons::Equalise({ui->connectBtn, ui->unitConnectBtn, ui->sendBtn});
    UniformButtons::Equalise({ui->closeBtn});
}

void RemoteSupportDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowConnectButton(m_connectOffersDisconnect, ui->connectBtn->isEnabled());
        ShowUnitStatus();
    }
    QDialog::changeEvent(event);
}
