#include "MainDialog.h"
#include "ui_MainDialog.h"

#include "About.h"
#include "DivesDialog.h"
#include "AppIdentity.h"
#include "AppSettings.h"
#include "CancelNextConnect.h"
#include "Clock.h"
#include "DeviceStatus.h"
#include "DownloadV1Dialog.h"
#include "DownloadV2Dialog.h"
#include "MakerDetails.h"
#include "PortSearchOrder.h"
#include "PrivateSettingsDialog.h"
#include "ProcessCCXDialog.h"
#include "QuestionResponse.h"
#include "RemoteSupportDialog.h"
#include "RBData.h"
#include "SettingsDialog.h"
#include "StatusLog.h"
#include "SystemPortEnumerator.h"
#include "Translations.h"
#include "UploadDialog.h"
#include "WindowStyle.h"
#include "WorkerC.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "YesConfirmation.h"
#include "YesNo.h"
#include "YesNoCancel.h"
#include "YesYesToAllNoNoToAll.h"

#include <QApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QIcon>
#include <QLibraryInfo>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <QWhatsThis>

namespace {

constexpr quint8 monoDisplayId = 0xB0;
constexpr quint8 colourDisplayId = 0xBC;
constexpr quint8 controller1Id = 0xB2;
constexpr quint8 controller2Id = 0xB4;
constexpr quint8 rtcId = 0xA2;

struct StatusEntry {
    int status;
    const char *text;
};

// Text of the status button for each connection status.
const StatusEntry statusTexts[] = {
    {WorkerC::StatusDisconnected, QT_TRANSLATE_NOOP("MainDialog", "RECONNECT")},
    {WorkerC::StatusConnecting, QT_TRANSLATE_NOOP("MainDialog", "CONNECTING...")},
    {WorkerC::StatusConnected, QT_TRANSLATE_NOOP("MainDialog", "CONNECTED")},
    {WorkerC::StatusVerifying, QT_TRANSLATE_NOOP("MainDialog", "VERIFYING...")},
    {WorkerC::StatusConnectedSerialValid, QT_TRANSLATE_NOOP("MainDialog", "CONNECTED")},
    {WorkerC::StatusConnectedSerialInvalid, QT_TRANSLATE_NOOP("MainDialog", "CONNECTED")},
    {WorkerC::StatusConnectedBridgeOnly, QT_TRANSLATE_NOOP("MainDialog", "CONNECTED")},
    {WorkerC::StatusDisconnecting, QT_TRANSLATE_NOOP("MainDialog", "DISCONNECTING...")},
    {WorkerC::StatusSearching, QT_TRANSLATE_NOOP("MainDialog", "SEARCHING...")},
    {WorkerC::StatusAborting, QT_TRANSLATE_NOOP("MainDialog", "ABORTING...")},
};

bool isIdle(int status)
{
    switch (status) {
    case WorkerC::StatusDisconnected:
    case WorkerC::StatusConnected:
    case WorkerC::StatusConnectedSerialValid:
    case WorkerC::StatusConnectedSerialInvalid:
    case WorkerC::StatusConnectedBridgeOnly:
        return true;
    default:
        return false;
    }
}

bool isConnected(int status)
{
    return status == WorkerC::StatusConnected || status == WorkerC::StatusConnectedSerialValid
           || status == WorkerC::StatusConnectedSerialInvalid
           || status == WorkerC::StatusConnectedBridgeOnly;
}

const QString portSeparator = QStringLiteral(" - ");

} // namespace

MainDialog::MainDialog(QWidget *parent)
    : MainDialog(nullptr, parent)
{
}

MainDialog::MainDialog(std::shared_ptr<PortEnumerator> ports, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::MainDialog)
    , m_ports(ports ? std::move(ports) : std::make_shared<SystemPortEnumerator>())
    , m_currentLanguage(QStringLiteral("en"))
{
    ui->setupUi(this);

    const QString language = AppSettings::StringValue(AppSettings::Key::Language);
    m_currentPort = AppSettings::StringValue(AppSettings::Key::ComPort);
    m_currentPortName = AppSettings::StringValue(AppSettings::Key::ComPortName);
    m_metricUnits = AppSettings::BoolValue(AppSettings::Key::MetricUnits);
    m_messageLevel = AppSettings::IntValue(AppSettings::Key::MessageLevel);

    if (!language.isEmpty())
        LoadLanguage(language, true);

    qApp->setStyleSheet(WindowStyle::ApplicationStyleSheet());
    setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    ui->searchBtn->setCursor(Qt::ArrowCursor);

    workerC = new WorkerC(m_ports);
    workerC->moveToThread(&workerThread);

    auto *helpShortcut = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpShortcut, &QShortcut::activated, this, &MainDialog::on_helpBtn_clicked);
    auto *privateShortcut
        = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_Q, Qt::CTRL + Qt::Key_R), this);
    connect(privateShortcut, &QShortcut::activated, this, &MainDialog::PrivateSettings);

    FillPortList();
    setWindowTitle(tr("Tessaro S, v%1").arg(AppIdentity::ApplicationVersion));

    connect(&workerThread, &QThread::finished, workerC, &QObject::deleteLater);
    connect(&workerThread, &QThread::started, workerC, &WorkerC::Start);

    connect(this, &MainDialog::WorkerCOpenComPort, workerC, &WorkerC::OpenComPort);
    connect(this, &MainDialog::WorkerCCloseComPort, workerC, &WorkerC::CloseComPort);
    connect(this, &MainDialog::WorkerCSetMessageLevel, workerC, &WorkerC::SetMessageLevel);
    connect(this, &MainDialog::WorkerCCheckForDevices, workerC, &WorkerC::CheckForDevices);
    connect(this, &MainDialog::ComPortSearchStart, workerC, &WorkerC::ComPortSearchStart);
    connect(this, &MainDialog::DebugRBData, workerC, &WorkerC::DebugRBData);

    connect(workerC, &WorkerC::OpenComPortResult, this, &MainDialog::OpenComPortResult);
    connect(workerC, &WorkerC::CloseComPortResult, this, &MainDialog::CloseComPortResult);
    connect(workerC, &WorkerC::ConnectionStatusResult, this, &MainDialog::ConnectionStatusResult);
    connect(workerC, &WorkerC::NumberOfComPortsChanged, this, &MainDialog::NumberOfComPortsChanged);
    connect(workerC, &WorkerC::GeneralMsg, this, &MainDialog::GeneralMsg);
    connect(workerC, &WorkerC::ComPortSearchMsg, this, &MainDialog::ComPortSearchMsg);
    connect(workerC, &WorkerC::ComPortSearchReselect, this, &MainDialog::ComPortSearchReselect);
    connect(workerC, &WorkerC::ComPortSearchCancelled, this, &MainDialog::ComPortSearchCancelled);
    connect(workerC, &WorkerC::ComPortSearchAborted, this, &MainDialog::ComPortSearchAborted);
    connect(workerC, &WorkerC::ComPortSearchFinished, this, &MainDialog::ComPortSearchFinished);
    connect(workerC, &WorkerC::ComPortSearchAccepted, this, &MainDialog::ComPortSearchAccepted);
    connect(workerC, &WorkerC::AskCancelNextConnectQuestion, this, &MainDialog::AskCancelNextConnectQuestion);
    connect(workerC, &WorkerC::AskYesNoQuestion, this, &MainDialog::AskYesNoQuestion);
    connect(workerC, &WorkerC::AskYesYesToAllNoNoToAllQuestion, this,
            &MainDialog::AskYesYesToAllNoNoToAllQuestion);
    connect(workerC, &WorkerC::AskYesConfirmation, this, &MainDialog::AskYesConfirmation);
    connect(workerC, &WorkerC::AskYesNoCancelQuestion, this, &MainDialog::AskYesNoCancelQuestion);
    connect(workerC, &WorkerC::DeviceStatusResult, this, &MainDialog::DeviceStatusResult);
    connect(workerC, &WorkerC::ClockSynchRequired, this, &MainDialog::ClockSynchRequired);

    workerThread.start(QThread::InheritPriority);
    emit WorkerCSetMessageLevel(m_messageLevel);
    QTimer::singleShot(0, this, &MainDialog::OnInitDialog);
    WindowGeometry::RestoreMainWindow(this);
}

MainDialog::~MainDialog()
{
    // The worker may be in the middle of a search or waiting for an answer:
    // end the search, answer any question without a dialog, and keep the
    // worker's signals flowing until its thread has stopped.
    m_closing = true;
    if (m_searchRunning)
        workerC->ComPortSearchAbort();
    workerThread.quit();
    while (!workerThread.wait(20))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    workerC = nullptr;
    delete ui;
}

QString MainDialog::StatusText(int status)
{
    for (const StatusEntry &entry : statusTexts) {
        if (entry.status == status)
            return QCoreApplication::translate("MainDialog", entry.text);
    }
    return QString();
}

QString MainDialog::FirstStartHint()
{
    return tr("Connect the handset, then click SEARCH to find it.");
}

QString MainDialog::PortNameFromEntry(const QString &entryText)
{
    const int separator = entryText.indexOf(portSeparator);
    return separator < 0 ? entryText : entryText.left(separator);
}

RBData MainDialog::DeviceRecord() const
{
    return WorkerReachable() ? workerC->RBDataSnapshot() : RBData();
}

void MainDialog::WaitForWorkerIdle()
{
    while (WorkerReachable() && workerC->IsWorkInProgress()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

// ---------------------------------------------------------------- ports

void MainDialog::FillPortList()
{
    const QList<SerialPortDescription> ports = PortSearchOrder::Ordered(m_ports->AvailablePorts());
    qInfo() << "Avaliable com ports";
    const QSignalBlocker blocker(ui->comPortCombo);
    ui->comPortCombo->clear();
    for (const SerialPortDescription &port : ports) {
        QString text = port.portName;
        if (!port.description.isEmpty())
            text += portSeparator + port.description;
        qInfo() << text << port.systemLocation;
        ui->comPortCombo->addItem(text, port.systemLocation);
    }
    ui->comPortCombo->setCurrentIndex(ui->comPortCombo->findData(m_currentPort));
}

void MainDialog::SelectPortItem(const QString &portLocation)
{
    const QSignalBlocker blocker(ui->comPortCombo);
    ui->comPortCombo->setCurrentIndex(ui->comPortCombo->findData(portLocation));
}

void MainDialog::NumberOfComPortsChanged()
{
    FillPortList();
}

void MainDialog::on_comPortCombo_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    const QString location = ui->comPortCombo->itemData(index).toString();
    if (location == m_currentPort)
        return;
    m_currentPort = location;
    m_currentPortName = PortNameFromEntry(ui->comPortCombo->itemText(index));
    m_reopenPending = true;
    CloseComPort();
}

void MainDialog::OpenCurrentPort()
{
    if (!WorkerReachable() || workerC->IsPortOpen())
        return;
    WaitForWorkerIdle();
    if (Trace())
        qDebug() << "emit workerCOpenComPort";
    emit WorkerCOpenComPort(m_currentPort, m_currentPortName, true);
}

void MainDialog::CloseComPort()
{
    if (!WorkerReachable())
        return;
    if (Trace())
        qDebug() << "MainDialog::CloseComPort()";
    WaitForWorkerIdle();
    if (Trace())
        qDebug() << "emit workerCCloseComPort";
    emit WorkerCCloseComPort();
}

void MainDialog::OpenComPortResult(bool result)
{
    if (Trace())
        qDebug() << "MainDialog::OpenComPortResult()" << result;
}

void MainDialog::CloseComPortResult(bool result)
{
    UpdateButtons();
    if (result && m_reopenPending) {
        m_reopenPending = false;
        OpenCurrentPort();
    }
}

void MainDialog::RemoteSupportReconnect()
{
    if (!WorkerReachable())
        return;
    if (workerC->IsPortOpen()) {
        m_reopenPending = true;
        CloseComPort();
    } else {
        OpenCurrentPort();
    }
}

// ------------------------------------------------------------- status

void MainDialog::ConnectionStatusResult(int status, QString serialno)
{
    if (Trace())
        qDebug() << "MainDialog::ConnectionStatusResult() - status" << status;
    const bool disconnecting
        = status == WorkerC::StatusDisconnecting && m_lastConnectionStatus != WorkerC::StatusDisconnecting;
    m_lastConnectionStatus = status;
    m_serialNumber = serialno;
    UpdateStatusText();
    UpdateButtons();
    // Told last: the open windows answer with a modal message, during which
    // later statuses arrive; they must not be overwritten by this one.
    if (disconnecting) {
        if (Trace())
            qDebug() << "MainDialog::ConnectionStatusResult() - Emitting CommsDisconnected()";
        emit CommsDisconnected();
        if (Trace())
            qDebug() << "MainDialog::ConnectionStatusResult() - Emit finished";
    }
}

void MainDialog::DeviceStatusResult(int status)
{
    if (Trace())
        qDebug() << "MainDialog::DeviceStatusResult() - status" << status;
}

void MainDialog::UpdateStatusText()
{
    // Until the worker reports a first status the button keeps its label.
    if (m_lastConnectionStatus != 0)
        ui->statusBtn->setText(StatusText(m_lastConnectionStatus));
}

void MainDialog::UpdateButtons()
{
    const int status = m_lastConnectionStatus;
    const bool idle = isIdle(status);
    const RBData record = DeviceRecord();
    const bool handset = record.IsValid() && record.IsHandsetPresent();

    ui->downloadBtn->setEnabled(handset);
    ui->uploadBtn->setEnabled(handset);
    ui->aspectRatioLabelDownload->setPixmap(QPixmap(
        handset ? QStringLiteral(":/Images/downloadlargest.bmp") : QStringLiteral(":/Images/downloadlargest_disabled.bmp")));
    ui->aspectRatioLabelUpload->setPixmap(QPixmap(
        handset ? QStringLiteral(":/Images/uploadlargest.bmp") : QStringLiteral(":/Images/uploadlargest_disabled.bmp")));

    ui->clockBtn->setEnabled(record.IsValid() && record.IsPresent(rtcId) && !m_searchRunning);

    ui->statusBtn->setEnabled(idle);
    if (isConnected(status)) {
        ui->statusBtn->setIcon(QIcon(QStringLiteral(":/Images/deviceinfoleft.png")));
        ui->statusBtn->setStyleSheet(QStringLiteral("padding-left: 45px;"));
    } else {
        ui->statusBtn->setIcon(QIcon());
        ui->statusBtn->setStyleSheet(QStringLiteral("padding-left: 20px;"));
    }
    ui->statusBtn->setWhatsThis(record.IsValid() ? tr("Click to view connected device information.")
                                                 : tr("Establish connection to device."));

    ui->comPortCombo->setEnabled(idle);

    if (status == WorkerC::StatusSearching)
        ui->searchBtn->setText(tr("ABORT"));
    else if (status == WorkerC::StatusAborting)
        ui->searchBtn->setText(tr("ABORTING"));
    else
        ui->searchBtn->setText(tr("SEARCH"));
    ui->searchBtn->setEnabled(idle || status == WorkerC::StatusSearching);

    ui->closeBtn->setEnabled(true);
    ui->helpBtn->setEnabled(true);
}

void MainDialog::OnInitDialog()
{
    qInfo() << "Debug level" << m_messageLevel;
    // First start: no port is known yet, so say where to begin.
    if (m_currentPort.isEmpty())
        ui->msgEdit->appendPlainText(FirstStartHint());
    OpenCurrentPort();
    UpdateButtons();
}

void MainDialog::on_statusBtn_clicked()
{
    if (!WorkerReachable())
        return;
    const RBData record = DeviceRecord();
    const bool unitPresent = record.IsPresent(monoDisplayId) || record.IsPresent(colourDisplayId)
                             || record.IsPresent(controller1Id) || record.IsPresent(controller2Id);
    if (record.IsValid() && unitPresent) {
        DeviceStatus dialog(this);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.SetRecord(DeviceStatusRecord::FromDeviceRecord(record));
        dialog.exec();
        return;
    }
    if (workerC->IsPortOpen())
        CloseComPort();
    else
        OpenCurrentPort();
}

// ------------------------------------------------------------- search

void MainDialog::on_searchBtn_clicked()
{
    if (!WorkerReachable())
        return;
    if (m_searchRunning) {
        workerC->ComPortSearchAbort();
        return;
    }
    WaitForWorkerIdle();
    setCursor(Qt::WaitCursor);
    ui->msgEdit->viewport()->setCursor(Qt::WaitCursor);
    m_searchRunning = true;
    ui->msgEdit->clear();
    UpdateButtons();
    emit ComPortSearchStart();
}

void MainDialog::ComPortSearchMsg(QString msg)
{
    ui->msgEdit->appendPlainText(msg);
}

void MainDialog::GeneralMsg(QString msg)
{
    ui->msgEdit->appendPlainText(msg);
}

void MainDialog::ComPortSearchAccepted(QString portLocation, QString str)
{
    ui->msgEdit->appendPlainText(str);
    SelectPortItem(portLocation);
    m_currentPort = portLocation;
    const int index = ui->comPortCombo->findData(portLocation);
    if (index >= 0)
        m_currentPortName = PortNameFromEntry(ui->comPortCombo->itemText(index));
    unsetCursor();
    ui->msgEdit->viewport()->unsetCursor();
    m_searchRunning = false;
    if (WorkerReachable())
        workerC->ComPortSearchEndHandled();
    UpdateButtons();
}

void MainDialog::ComPortSearchReselect(QString str)
{
    ui->comPortCombo->setCurrentIndex(ui->comPortCombo->findData(str));
}

void MainDialog::EndSearch(const QString &message)
{
    ui->msgEdit->appendPlainText(message);
    unsetCursor();
    ui->msgEdit->viewport()->unsetCursor();
    m_searchRunning = false;
    // An ABORT clicked after the worker had ended the search (but before
    // this window knew) belonged to that search, not to the next one.
    if (WorkerReachable())
        workerC->ComPortSearchEndHandled();
    UpdateButtons();
}

void MainDialog::ComPortSearchFinished()
{
    EndSearch(tr("Search finished"));
}

void MainDialog::ComPortSearchCancelled()
{
    EndSearch(tr("Search cancelled"));
}

void MainDialog::ComPortSearchAborted()
{
    EndSearch(tr("Search aborted"));
}

// ---------------------------------------------------------- questions

// The question slots reach the worker even while the window closes: a worker
// that asked is blocked until it gets its answer, so it is still there.
void MainDialog::AskCancelNextConnectQuestion(QString deviceDetail)
{
    int response = QuestionResponse::Cancel;
    if (!m_closing) {
        CancelNextConnect dialog(this);
        dialog.SetDeviceDetails(deviceDetail);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.exec();
        // A window closed without a button counts as CANCEL.
        response = dialog.response == QuestionResponse::None ? int(QuestionResponse::Cancel) : dialog.response;
    }
    qDebug() << "AskCancelNextConnectQuestion - workerC->m_responseToCancelNextConnect"
             << workerC->m_responseToCancelNextConnect;
    workerC->AnswerCancelNextConnectQuestion(response);
    qDebug() << "AskCancelNextConnectQuestion - workerC->m_responseToCancelNextConnect" << response;
}

void MainDialog::AskYesNoQuestion(QString question)
{
    int response = QuestionResponse::No;
    if (!m_closing) {
        YesNo dialog(this);
        dialog.SetQuestion(question);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.exec();
        response = dialog.response == QuestionResponse::None ? int(QuestionResponse::No) : dialog.response;
    }
    qDebug() << "AskYesNoQuestion - workerC->m_responseToYesNo" << workerC->m_responseToYesNo;
    workerC->AnswerYesNoQuestion(response);
    qDebug() << "AskYesNoQuestion - workerC->m_responseToYesNo" << response;
}

void MainDialog::AskYesNoCancelQuestion(QString question)
{
    int response = QuestionResponse::Cancel;
    if (!m_closing) {
        YesNoCancel dialog(this);
        dialog.SetQuestion(question);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.exec();
        response = dialog.response == QuestionResponse::None ? int(QuestionResponse::No) : dialog.response;
    }
    qDebug() << "AskYesNoCancelQuestion - workerC->m_responseToYesNoCancel" << workerC->m_responseToYesNoCancel;
    workerC->AnswerYesNoCancelQuestion(response);
    qDebug() << "AskYesNoCancelQuestion - workerC->m_responseToYesNoCancel" << response;
}

void MainDialog::AskYesYesToAllNoNoToAllQuestion(QString question)
{
    int response = QuestionResponse::NoToAll;
    if (!m_closing) {
        YesYesToAllNoNoToAll dialog(this);
        dialog.SetQuestion(question);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.exec();
        response = dialog.response == QuestionResponse::None ? int(QuestionResponse::No) : dialog.response;
    }
    qDebug() << "AskYesYesToAllNoNoToAllQuestion - workerC->m_responseToYesYesToAllNoNoToAll"
             << workerC->m_responseToYesYesToAllNoNoToAll;
    workerC->AnswerYesYesToAllNoNoToAllQuestion(response);
    qDebug() << "AskYesYesToAllNoNoToAllQuestion - workerC->m_responseToYesYesToAllNoNoToAll" << response;
}

void MainDialog::AskYesConfirmation()
{
    int response = QuestionResponse::No;
    if (!m_closing) {
        YesConfirmation dialog(this);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        dialog.exec();
        response = dialog.response == QuestionResponse::None ? int(QuestionResponse::No) : dialog.response;
    }
    qDebug() << "AskYesConfirmation - workerC->m_responseToYesConfirmation"
             << workerC->m_responseToYesConfirmation;
    workerC->AnswerYesConfirmation(response);
    qDebug() << "AskYesConfirmation - workerC->m_responseToYesConfirmation" << response;
}

// -------------------------------------------------------------- clock

void MainDialog::OpenClockDialog()
{
    Clock clock(workerC, this);
    clock.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    clock.setModal(true);
    connect(&clock, &Clock::ClockReadRTCDateTime, workerC, &WorkerC::ClockReadRTCDateTime);
    connect(&clock, &Clock::ClockSynchronise, workerC, &WorkerC::ClockSynchronise);
    connect(workerC, &WorkerC::ClockDisplayDateTime, &clock, &Clock::DisplayDateTime);
    connect(this, &MainDialog::CommsDisconnected, &clock, &Clock::CommsDisconnected);
    clock.exec();
}

void MainDialog::on_clockBtn_clicked()
{
    OpenClockDialog();
}

void MainDialog::ClockSynchRequired(int diffsecs)
{
    if (m_closing)
        return;
    YesNo dialog(this);
    dialog.SetQuestion(tr("The PC and Rebreather clocks differ\n\nDo you wish to synchronise them now?"));
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    dialog.exec();
    if (dialog.response == QuestionResponse::Yes) {
        qInfo() << "Compare Clocks - User accepted to synchronise clocks differing by" << diffsecs;
        OpenClockDialog();
    } else {
        qInfo() << "Compare Clocks - User declined to synchronise clocks differing by" << diffsecs;
    }
}

// ----------------------------------------------------------- settings

void MainDialog::on_settingsBtn_clicked()
{
    if (Trace())
        qInfo() << "Opening Settings";
    SettingsDialog dialog(this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    dialog.SetLanguage(m_currentLanguage);
    dialog.SetMetricUnits(m_metricUnits);
    connect(&dialog, &SettingsDialog::LoadLanguage, this, qOverload<QString>(&MainDialog::LoadLanguage));
    dialog.exec();
    m_metricUnits = dialog.MetricUnits();
}

void MainDialog::PrivateSettings()
{
    PrivateSettingsDialog dialog(this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    dialog.SetMessageLevel(m_messageLevel);
    dialog.SetFullLogBookRead(m_fullLogBookRead);
    connect(&dialog, &PrivateSettingsDialog::ProcessCCXRequested, this, &MainDialog::OpenProcessCCXDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_messageLevel = dialog.MessageLevel();
    qInfo() << "Debug level" << m_messageLevel;
    emit WorkerCSetMessageLevel(m_messageLevel);
    m_fullLogBookRead = dialog.FullLogBookRead();
}

void MainDialog::SetMessageLevel(int messageLevel)
{
    m_messageLevel = messageLevel;
    qInfo() << "Debug level" << m_messageLevel;
    emit WorkerCSetMessageLevel(m_messageLevel);
}

void MainDialog::LoadLanguage(QString newLanguage)
{
    LoadLanguage(newLanguage, false);
}

void MainDialog::LoadLanguage(QString newLanguage, bool forceLoad)
{
    if (newLanguage == m_currentLanguage && !forceLoad)
        return;
    m_currentLanguage = newLanguage;
    const QString folder = Translations::Folder();

    QCoreApplication::removeTranslator(&m_translator);
    if (m_translator.load(Translations::ProgramBaseName(newLanguage), folder))
        QCoreApplication::installTranslator(&m_translator);

    // The toolkit's own texts (standard dialogs) come from beside the program
    // or, failing that, from the toolkit's installed translations.
    QCoreApplication::removeTranslator(&m_toolkitTranslator);
    if (m_toolkitTranslator.load(Translations::ToolkitBaseName(newLanguage), folder)
        || m_toolkitTranslator.load(Translations::ToolkitBaseName(newLanguage),
                                    QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_toolkitTranslator);

    AppSettings::SetValue(AppSettings::Key::Language, newLanguage);
}

bool MainDialog::event(QEvent *event)
{
    // Texts change with the status and the language; the icon buttons must
    // never clip them.
    if (event->type() == QEvent::LayoutRequest) {
        for (QPushButton *button : {ui->searchBtn, ui->statusBtn, ui->clockBtn})
            UniformButtons::MakeRoomForIconPadding(button);
    }
    return QDialog::event(event);
}

void MainDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("Tessaro S, v%1").arg(AppIdentity::ApplicationVersion));
        UpdateStatusText();
        if (workerC)
            UpdateButtons();
    }
    QDialog::changeEvent(event);
}

// -------------------------------------------------- other windows, links

void MainDialog::on_aboutBtn_clicked()
{
    About dialog(this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    dialog.exec();
}

void MainDialog::on_webSiteBtn_clicked()
{
    QDesktopServices::openUrl(QUrl(MakerDetails::HomePageUrl));
}

void MainDialog::on_divesBtn_clicked()
{
    DivesDialog::Show(this, QString(), m_metricUnits);
}

void MainDialog::on_logoBtn_clicked()
{
    QDesktopServices::openUrl(QUrl(MakerDetails::HomePageUrl));
}

void MainDialog::on_helpBtn_clicked()
{
    QDesktopServices::openUrl(QUrl(MakerDetails::SupportPageUrl));
}

void MainDialog::on_downloadBtn_clicked()
{
    const RBData record = DeviceRecord();
    if (!record.IsValid() || !record.IsHandsetPresent())
        return;
    if (Trace())
        qDebug() << "Download selected - Requesting RB Data Dump";
    emit DebugRBData();
    if (record.DisplayLoggingFormat() == RBData::LoggingFormatColourV2) {
        DownloadV2Dialog dialog(workerC, m_metricUnits, m_fullLogBookRead, this);
        dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
        dialog.setModal(true);
        connect(&dialog, &DownloadV2Dialog::ReadLogBook, workerC, &WorkerC::DownloadV2ReadLogBook);
        connect(&dialog, &DownloadV2Dialog::DownloadData, workerC, &WorkerC::DownloadV2DownloadData);
        connect(&dialog, &DownloadV2Dialog::DownloadSelectionChanged, workerC,
                &WorkerC::DownloadV2DownloadSelectionChanged);
        connect(workerC, &WorkerC::DownloadV2ReadLogBookResult, &dialog, &DownloadV2Dialog::ReadLogBookResult);
        connect(workerC, &WorkerC::DownloadDownloadProgress, &dialog, &DownloadV2Dialog::DownloadProgress);
        connect(workerC, &WorkerC::DownloadDownloadResult, &dialog, &DownloadV2Dialog::DownloadResult);
        connect(workerC, qOverload<QString, bool>(&WorkerC::DownloadDownloadMsg), &dialog,
                &DownloadV2Dialog::DownloadMsg);
        connect(workerC, &WorkerC::DownloadDownloadTimeEstimate, &dialog, &DownloadV2Dialog::DownloadTimeEstimate);
        connect(this, &MainDialog::CommsDisconnected, &dialog, &DownloadV2Dialog::CommsDisconnected);
        dialog.exec();
        qDebug() << "DownloadV2Dialog() returned";
        return;
    }
    DownloadV1Dialog dialog(workerC, m_metricUnits, this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    connect(&dialog, &DownloadV1Dialog::PrepareDownload, workerC, &WorkerC::DownloadV1PrepareDownload);
    connect(&dialog, &DownloadV1Dialog::DownloadData, workerC, &WorkerC::DownloadV1DownloadData);
    connect(workerC, &WorkerC::DownloadV1PrepareDownloadResult, &dialog, &DownloadV1Dialog::PrepareDownloadResult);
    connect(workerC, &WorkerC::DownloadDownloadProgress, &dialog, &DownloadV1Dialog::DownloadProgress);
    connect(workerC, &WorkerC::DownloadDownloadResult, &dialog, &DownloadV1Dialog::DownloadResult);
    connect(workerC, qOverload<QString, bool>(&WorkerC::DownloadDownloadMsg), &dialog, &DownloadV1Dialog::DownloadMsg);
    connect(workerC, &WorkerC::DownloadDownloadTimeEstimate, &dialog, &DownloadV1Dialog::DownloadTimeEstimate);
    connect(this, &MainDialog::CommsDisconnected, &dialog, &DownloadV1Dialog::CommsDisconnected);
    dialog.exec();
}

void MainDialog::OpenProcessCCXDialog()
{
    ProcessCCXDialog dialog(this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    connect(&dialog, &ProcessCCXDialog::ProcessCCXFiles, workerC, &WorkerC::ProcessCCXFiles);
    connect(workerC, &WorkerC::ProcessCCXMsg, &dialog, &ProcessCCXDialog::ProcessCCXMsg);
    connect(workerC, &WorkerC::ProcessCCXResult, &dialog, &ProcessCCXDialog::ProcessCCXResult);
    dialog.exec();
}

void MainDialog::on_uploadBtn_clicked()
{
    UploadDialog dialog(this);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.setModal(true);
    connect(&dialog, &UploadDialog::LoadUploadFile, workerC, &WorkerC::UploadLoadUploadFile);
    connect(&dialog, &UploadDialog::UploadFile, workerC, &WorkerC::UploadUploadFile);
    connect(workerC, &WorkerC::UploadLoadUploadFileResult, &dialog, &UploadDialog::LoadUploadFileResult);
    connect(workerC, &WorkerC::UploadUploadFileProgress, &dialog, &UploadDialog::UploadFileProgress);
    connect(workerC, &WorkerC::UploadUploadFileResult, &dialog, &UploadDialog::UploadFileResult);
    connect(workerC, &WorkerC::UploadUploadFileMsg, &dialog, &UploadDialog::UploadFileMsg);
    connect(workerC, &WorkerC::UploadUploadTimeEstimate, &dialog, &UploadDialog::UploadTimeEstimate);
    connect(this, &MainDialog::CommsDisconnected, &dialog, &UploadDialog::CommsDisconnected,
            Qt::QueuedConnection);
    dialog.exec();
}

void MainDialog::on_supportBtn_clicked()
{
    if (!WorkerReachable())
        return;
    RemoteSupportDialog dialog(workerC, this);
    dialog.setModal(true);
    dialog.SetMessageLevel(m_messageLevel);
    dialog.connectionStatusResult(m_lastConnectionStatus, m_serialNumber);
    dialog.ConnectWorker(workerC);
    connect(&dialog, &RemoteSupportDialog::reconnect, this, &MainDialog::RemoteSupportReconnect);
    connect(&dialog, &RemoteSupportDialog::setMessageLevel, this, &MainDialog::SetMessageLevel);
    dialog.exec();
}

void MainDialog::on_contextHelp()
{
    QWhatsThis::enterWhatsThisMode();
}

// ------------------------------------------------------------ closing

void MainDialog::SaveSettings()
{
    AppSettings::SetValue(AppSettings::Key::ComPort, m_currentPort);
    AppSettings::SetValue(AppSettings::Key::ComPortName, m_currentPortName);
    AppSettings::SetValue(AppSettings::Key::MetricUnits, m_metricUnits);
    AppSettings::SetValue(AppSettings::Key::MessageLevel, m_messageLevel);
    WindowGeometry::SaveMainWindow(this);
}

void MainDialog::on_closeBtn_clicked()
{
    SaveSettings();
    StatusLog::PurgeOldLogs();
    qInfo() << "Closing Tessaro";
    QDialog::accept();
}

void MainDialog::reject()
{
    SaveSettings();
    qInfo() << "Rejecting Tessaro";
    QDialog::reject();
}
