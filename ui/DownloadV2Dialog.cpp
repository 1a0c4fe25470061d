#include "DownloadV2Dialog.h"
#include "ui_DownloadV2Dialog.h"

#include "AppSettings.h"
#include "DownloadFolder.h"
#include "DiveUnits.h"
#include "DivesDialog.h"
#include "DownloadDialogCommon.h"
#include "LogBookV2.h"
#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "WorkerC.h"
#include "YesNo.h"
#include "YesYesToAllNoNoToAll.h"
#include "ok.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidgetItem>

#include <algorithm>

namespace {

constexpr int ColumnPadding = 10;
const char *const V2WindowIcon = ":/Quor-DS.ico";

} // namespace

DownloadV2Dialog::DownloadV2Dialog(WorkerC *worker, bool metricUnits, bool fullLogBookRead, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DownloadV2Dialog)
    , m_worker(worker)
    , m_metricUnits(metricUnits)
    , m_fullLogBookRead(fullLogBookRead)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    m_progressLabel = DownloadDialogCommon::InstallProgressLabel(ui->progressBar);
    if (m_progressLabel)
        connect(ui->progressBar, &QProgressBar::valueChanged, this, &DownloadV2Dialog::ProgressLabelUpdate);
    WindowGeometry::Restore(this, AppSettings::Key::GeometryDownloadV2);
    m_downloadDir = DownloadFolder::Current();
    ui->dirEdit->setText(m_downloadDir);
    ui->progressBar->setValue(0);
    SetUpColumns();
    UpdateButtons();
    // Runs once the caller has connected the window and started it.
    QTimer::singleShot(0, this, &DownloadV2Dialog::OnInitDialog);
}

DownloadV2Dialog::~DownloadV2Dialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryDownloadV2);
    delete ui;
}

QString DownloadV2Dialog::DateTimeText(const QDateTime &start)
{
    return start.isValid() ? start.toString(QStringLiteral("yy/MM/dd hh:mm:ss")) : tr("Invalid");
}

QString DownloadV2Dialog::DurationText(double seconds, bool endValid)
{
    if (!endValid)
        return QStringLiteral("------");
    return DownloadDialogCommon::MinutesSeconds(QStringLiteral("%1:%2"), int(seconds));
}

QString DownloadV2Dialog::DepthText(double metres, bool endValid, bool metric)
{
    if (!endValid)
        return QString();
    return QString::number(metric ? metres : DiveUnits::Feet(metres), 'f', 2);
}

void DownloadV2Dialog::SetUpColumns()
{
    ui->logBook->setColumnCount(ColumnCount);
    ui->logBook->setHeaderLabels({tr("Dive Number"), tr("Date - Time"), tr("Duration (mm:ss)"),
                                  m_metricUnits ? tr("Max Depth (m)") : tr("Max Depth (ft)"), tr("Location")});
    ui->logBook->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ui->logBook->header()->setStretchLastSection(false);
}

void DownloadV2Dialog::OnInitDialog()
{
    m_logBook = m_worker ? m_worker->GetLogBookV2() : nullptr;
    ++m_pendingSteps;
    UpdateButtons();
    m_waitCursor.Set(true);
    emit ReadLogBook(m_fullLogBookRead);
}

void DownloadV2Dialog::ReadLogBookResult(bool result, QString msg)
{
    DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
    m_pendingSteps = std::max(0, m_pendingSteps - 1);
    if (!result)
        m_failed = true;
    else
        FillList();
    UpdateButtons();
    m_waitCursor.Set(false);
}

QString DownloadV2Dialog::LocationText(bool downloadedBefore)
{
    return downloadedBefore ? tr("PC") : tr("Quor Handset");
}

void DownloadV2Dialog::FillList()
{
    // The log book is the worker's: touched only while the worker is idle.
    if (IsBusy())
        return;
    m_updating = true;
    ui->logBook->clear();
    if (m_logBook) {
        m_logBook->MakeFileNamesUnique();
        m_logBook->MarkDownloadedBefore(m_downloadDir);
        // Rows start unticked, so no dive stays chosen that the list does not
        // show. The worker hears of it with the next choice, which must come
        // before a download can start.
        m_logBook->ClearSelection();
        for (int i = 0; i < m_logBook->Count(); ++i) {
            const LogBookRecord *r = m_logBook->At(i);
            auto *item = new QTreeWidgetItem(ui->logBook);
            item->setText(ColumnDiveNumber, QStringLiteral("%1").arg(r->DiveNumber(), 3, 10, QLatin1Char('0')));
            item->setText(ColumnDateTime, DateTimeText(r->StartDateTime()));
            item->setText(ColumnDuration, DurationText(r->Duration(), r->IsEndValid()));
            item->setText(ColumnMaxDepth, DepthText(r->Depth(), r->IsEndValid(), m_metricUnits));
            item->setData(ColumnLocation, Qt::UserRole, r->downloadedBefore);
            item->setText(ColumnLocation, LocationText(r->downloadedBefore));
            item->setData(ColumnDiveNumber, Qt::UserRole, r->DiveNumber());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(ColumnDiveNumber, Qt::Unchecked);
        }
    }
    for (int c = 0; c < ColumnCount; ++c) {
        ui->logBook->resizeColumnToContents(c);
        ui->logBook->setColumnWidth(c, ui->logBook->columnWidth(c) + ColumnPadding);
    }
    m_updating = false;
}

void DownloadV2Dialog::ShowSelection()
{
    if (!m_logBook)
        return;
    const QSignalBlocker blocker(ui->logBook);
    for (int i = 0; i < ui->logBook->topLevelItemCount(); ++i) {
        const LogBookRecord *r = m_logBook->At(i);
        ui->logBook->topLevelItem(i)->setCheckState(ColumnDiveNumber, r && r->selected ? Qt::Checked : Qt::Unchecked);
    }
}

void DownloadV2Dialog::on_logBook_itemChanged(QTreeWidgetItem *item, int column)
{
    if (m_updating || !m_logBook || column != ColumnDiveNumber || IsBusy())
        return;
    const int diveNumber = item->data(ColumnDiveNumber, Qt::UserRole).toInt();
    if (m_logBook->SelectOne(diveNumber, item->checkState(ColumnDiveNumber) == Qt::Checked))
        emit DownloadSelectionChanged();
    UpdateButtons();
}

void DownloadV2Dialog::SelectionOperation(const char *logLine, bool (LogBookV2::*operation)())
{
    qDebug() << logLine;
    if (!m_logBook || IsBusy() || !(m_logBook->*operation)())
        return;
    ShowSelection();
    emit DownloadSelectionChanged();
    UpdateButtons();
}

void DownloadV2Dialog::on_allDivesBtn_clicked()
{
    SelectionOperation("All dives selected", &LogBookV2::SelectAllDives);
}

void DownloadV2Dialog::on_newDivesBtn_clicked()
{
    SelectionOperation("New dives selected", &LogBookV2::SelectNewDives);
}

void DownloadV2Dialog::on_clearDivesBtn_clicked()
{
    SelectionOperation("Clear dives selected", &LogBookV2::ClearSelection);
}

void DownloadV2Dialog::on_dirEdit_editingFinished()
{
    if (IsBusy())
        return;
    m_downloadDir = DownloadFolder::Resolve(ui->dirEdit->text());
    DownloadDialogCommon::EnsureFolder(m_downloadDir);
    FillList();
    UpdateButtons();
}

void DownloadV2Dialog::on_dirBtn_clicked()
{
    if (IsBusy())
        return;
    m_downloadDir = DownloadFolder::Resolve(ui->dirEdit->text());
    DownloadDialogCommon::EnsureFolder(m_downloadDir);
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Select Directory"), m_downloadDir, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    m_downloadDir = chosen;
    ui->dirEdit->setText(chosen);
    FillList();
    UpdateButtons();
}

bool DownloadV2Dialog::CheckOverwrites()
{
    if (!m_logBook)
        return false;
    QStringList before, after;
    for (int i = 0; i < m_logBook->Count(); ++i)
        before << m_logBook->At(i)->FileName();
    m_logBook->MakeFileNamesUnique();
    for (int i = 0; i < m_logBook->Count(); ++i)
        after << m_logBook->At(i)->FileName();
    qDebug().noquote() << "Overwrite check - file names" << before.join(QStringLiteral(", "));
    qDebug().noquote() << "Overwrite check - unique file names" << after.join(QStringLiteral(", "));

    QVector<LogBookRecord *> existing;
    for (int i = 0; i < m_logBook->Count(); ++i) {
        LogBookRecord *r = m_logBook->At(i);
        if (r->selected && r->downloadedBefore)
            existing.append(r);
    }
    bool yesToAll = false;
    bool noToAll = false;
    bool unselected = false;
    for (LogBookRecord *r : existing) {
        if (yesToAll)
            break;
        int response = QuestionResponse::No;
        if (!noToAll) {
            const QString question = r->FileName() + QLatin1Char(' ')
                + QCoreApplication::translate("LogBookV2", "already exists.\n\nDo you wish to overwrite it?");
            const Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            if (existing.size() == 1) {
                YesNo dialog(this);
                dialog.SetQuestion(question);
                dialog.setWindowFlags(flags);
                dialog.setWindowIcon(QIcon(QLatin1String(V2WindowIcon)));
                dialog.setModal(true);
                dialog.exec();
                response = dialog.response;
            } else {
                YesYesToAllNoNoToAll dialog(this);
                dialog.SetQuestion(question);
                dialog.setWindowFlags(flags);
                dialog.setWindowIcon(QIcon(QLatin1String(V2WindowIcon)));
                dialog.setModal(true);
                dialog.exec();
                response = dialog.response;
            }
        }
        if (response == QuestionResponse::NoToAll)
            noToAll = true;
        else if (response == QuestionResponse::YesToAll)
            yesToAll = true;
        if (response == QuestionResponse::No || noToAll) {
            r->selected = false;
            unselected = true;
        }
    }
    if (unselected) {
        ShowSelection();
        emit DownloadSelectionChanged();
    }
    return m_logBook->AnySelected();
}

void DownloadV2Dialog::on_downloadBtn_clicked()
{
    if (m_buttonState == Idle) {
        if (IsBusy())
            return;
        const bool anyLeft = CheckOverwrites();
        UpdateButtons();
        if (!anyLeft)
            return;
        ++m_pendingSteps;
        m_started = true;
        if (!ui->messagesEdit->document()->isEmpty())
            ui->messagesEdit->appendPlainText(QString());
        m_buttonState = Downloading;
        m_waitCursor.Set(true);
        UpdateButtons();
        emit DownloadData(m_downloadDir);
    } else if (m_buttonState == Downloading) {
        if (m_worker)
            m_worker->DownloadAbort();
        m_waitCursor.Set(false);
        m_buttonState = Aborting;
        UpdateButtons();
    }
}

void DownloadV2Dialog::DownloadResult(bool result, QString msg)
{
    DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, false);
    m_pendingSteps = std::max(0, m_pendingSteps - 1);
    m_buttonState = Idle;
    if (!result) {
        m_failed = true;
    } else {
        m_downloaded = true;
        FillList(); // saved dives now read "PC"
    }
    UpdateButtons();
    m_waitCursor.Set(false);
}

void DownloadV2Dialog::DownloadMsg(QString msg, bool overwriteLastString)
{
    if (!msg.isEmpty())
        DownloadDialogCommon::AppendMessage(ui->messagesEdit, msg, overwriteLastString);
}

void DownloadV2Dialog::DownloadProgress(int progress)
{
    ui->progressBar->setValue(progress);
}

void DownloadV2Dialog::DownloadTimeEstimate(int seconds)
{
    m_estimate = seconds;
    if (seconds != 0 && m_progressLabel)
        m_progressLabel->setText(DownloadDialogCommon::MinutesSeconds(tr("Estimated Time %1:%2"), seconds));
}

void DownloadV2Dialog::ProgressLabelUpdate()
{
    if (!m_progressLabel)
        return;
    const QString completed = m_started ? tr("Download Completed") : tr("Log Book Read Completed");
    const QString text = DownloadDialogCommon::ProgressText(ui->progressBar->value(), ui->progressBar->maximum(),
                                                            m_estimate, completed, tr("Remaining Time %1:%2"));
    if (!text.isEmpty())
        m_progressLabel->setText(text);
}

void DownloadV2Dialog::UpdateButtons()
{
    static const char *const texts[] = {"", QT_TR_NOOP("&DOWNLOAD"), QT_TR_NOOP("&ABORT"), QT_TR_NOOP("&ABORTING")};
    ui->downloadBtn->setText(tr(texts[m_buttonState]));
    bool anyChecked = false;
    for (int i = 0; i < ui->logBook->topLevelItemCount() && !anyChecked; ++i)
        anyChecked = ui->logBook->topLevelItem(i)->checkState(ColumnDiveNumber) == Qt::Checked;
    const bool idle = m_buttonState == Idle && !IsBusy();
    ui->downloadBtn->setEnabled(!m_failed && (m_buttonState == Downloading || (idle && anyChecked)));
    // The list and the folder belong to the worker's log book: idle only.
    ui->dirBtn->setEnabled(!m_failed && idle);
    ui->dirEdit->setEnabled(idle);
    ui->selection->setEnabled(idle && !m_failed);
    ui->logBook->setEnabled(idle && !m_failed);
    ui->closeBtn->setEnabled(idle);
    ui->viewDivesBtn->setVisible(m_downloaded);
    ui->viewDivesBtn->setEnabled(idle);
}

void DownloadV2Dialog::CommsDisconnected()
{
    m_waitCursor.Set(false);
    ok::Show(this, tr("Disconnected.  Reconnect and try again."), QLatin1String(V2WindowIcon));
    accept();
}

void DownloadV2Dialog::on_viewDivesBtn_clicked()
{
    DivesDialog::Show(this, m_downloadDir, m_metricUnits);
}

void DownloadV2Dialog::on_closeBtn_clicked()
{
    DownloadFolder::Store(m_downloadDir);
    close();
}

void DownloadV2Dialog::accept()
{
    if (!IsBusy())
        QDialog::accept();
}

void DownloadV2Dialog::reject()
{
    if (!IsBusy())
        QDialog::reject();
}

bool DownloadV2Dialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        UniformButtons::MakeRoomForIconPadding(ui->dirBtn);
        UniformButtons::FitEach({ui->downloadBtn, ui->closeBtn}, 10);
    }
    return QDialog::event(event);
}

void DownloadV2Dialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        SetUpColumns();
        // The rows stay (with their ticks); only their words change.
        for (int i = 0; i < ui->logBook->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = ui->logBook->topLevelItem(i);
            item->setText(ColumnLocation, LocationText(item->data(ColumnLocation, Qt::UserRole).toBool()));
        }
        UpdateButtons();
    }
    QDialog::changeEvent(event);
}
