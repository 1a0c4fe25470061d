#include "DivesDialog.h"
#include "ui_DivesDialog.h"

#include "AppSettings.h"
#include "CellHealthReport.h"
#include "CellReportDialog.h"
#include "DeviceList.h"
#include "DiveFolderScanner.h"
#include "DiveListModel.h"
#include "DiveProfileView.h"
#include "DiveUnits.h"
#include "DownloadFolder.h"
#include "QuestionResponse.h"
#include "QuorLog.h"
#include "QuorLogDurations.h"
#include "QuorLogSession.h"
#include "UddfExport.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"
#include "YesNo.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <algorithm>
#include <climits>

DivesDialog::DivesDialog(QWidget *parent, const QString &folder)
    : QDialog(parent)
    , ui(new Ui::DivesDialog)
    , m_model(new DiveListModel(this))
    , m_scanner(new DiveFolderScanner)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

    ui->diveTable->setModel(m_model);
    ui->diveTable->verticalHeader()->hide();
    ui->diveTable->horizontalHeader()->setStretchLastSection(true);
    ui->diveTable->horizontalHeader()->setHighlightSections(false);
    FitColumns();
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { MarkDamagedRows(first, last); });
    connect(ui->diveTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { ShowRow(current.isValid() ? current.row() : -1); });
    connect(ui->profileView, &DiveProfileView::CursorMoved, ui->cursorLabel, &QLabel::setText);
    ui->splitter->setStretchFactor(0, 2);
    ui->splitter->setStretchFactor(1, 3);

    // The scanner lives in its own thread; it is deleted there when the
    // thread ends.
    m_scanner->moveToThread(&m_scanThread);
    connect(&m_scanThread, &QThread::finished, m_scanner, &QObject::deleteLater);
    connect(m_scanner, &DiveFolderScanner::ScanStarted, this, &DivesDialog::ScanStarted);
    connect(m_scanner, &DiveFolderScanner::EntriesFound, this, &DivesDialog::EntriesFound);
    connect(m_scanner, &DiveFolderScanner::ScanFinished, this, &DivesDialog::ScanFinished);
    m_scanThread.setObjectName(QStringLiteral("DiveFolderScanner"));
    m_scanThread.start();

    m_askOverwrite = [this](const QString &question) {
        YesNo dialog(this);
        dialog.SetQuestion(question);
        dialog.setWindowIcon(QIcon(QStringLiteral(":/Quor-DS.ico")));
        dialog.setModal(true);
        dialog.exec();
        return dialog.response == QuestionResponse::Yes;
    };

    ShowNothing(QString());
    // The style and the buttons' common size are part of the window's
    // minimum from the start, not only once it is shown.
    ensurePolished();
    UniformButtons::Equalise({ui->uddfBtn, ui->savePngBtn});
    WindowGeometry::Restore(this, AppSettings::Key::GeometryDives);
    SetFolder(folder.isEmpty() ? DownloadFolder::Current() : folder);
}

DivesDialog::~DivesDialog()
{
    // A scan under way stops after the file it is reading.
    m_scanner->CancelBefore(INT_MAX);
    m_scanThread.quit();
    m_scanThread.wait();
    WindowGeometry::Save(this, AppSettings::Key::GeometryDives);
    delete ui;
}

void DivesDialog::Show(QWidget *parent, const QString &folder, bool metricUnits)
{
    DivesDialog dialog(parent, folder);
    dialog.setWindowIcon(QIcon(WindowStyle::WindowIconPath()));
    dialog.SetMetricUnits(metricUnits);
    dialog.setModal(true);
    dialog.exec();
}

DiveProfileView *DivesDialog::Profile() const { return ui->profileView; }

QString DivesDialog::ShownFile() const { return m_shownFile; }

void DivesDialog::SetFolder(const QString &folder)
{
    m_folder = folder;
    ui->folderLabel->setText(QDir::toNativeSeparators(folder));
    ui->folderLabel->setToolTip(QDir::toNativeSeparators(folder));
    ++m_generation;
    m_scanner->CancelBefore(m_generation);
    m_model->Clear();
    ShowNothing(QString());
    m_listing = true;
    m_files = -1;
    UpdateStatus();
    QMetaObject::invokeMethod(m_scanner, "Scan", Qt::QueuedConnection, Q_ARG(QString, folder), Q_ARG(int, m_generation));
}

void DivesDialog::SetMetricUnits(bool metric)
{
    m_metric = metric;
    m_model->SetMetricUnits(metric);
    ui->profileView->SetMetricUnits(metric);
    const int row = m_model->RowOf(m_shownFile);
    if (m_log && row >= 0)
        ui->summaryLabel->setText(SummaryText(*m_log, m_model->Entry(row)));
}

void DivesDialog::ScanStarted(int generation, int files)
{
    if (generation != m_generation)
        return;
    m_files = files;
    UpdateStatus();
}

void DivesDialog::EntriesFound(int generation, QVector<DiveListEntry> entries)
{
    if (generation != m_generation)
        return;
    m_model->Add(entries);
    // Until the user chooses, the newest dive that can be read is shown.
    if (!ui->diveTable->currentIndex().isValid())
        for (int row = 0; row < m_model->rowCount(); ++row)
            if (m_model->Entry(row).loaded) {
                ui->diveTable->selectRow(row);
                break;
            }
    UpdateStatus();
}

void DivesDialog::ScanFinished(int generation, int files, bool cancelled)
{
    if (generation != m_generation || cancelled)
        return;
    m_listing = false;
    m_files = files;
    UpdateStatus();
    emit ListingFinished(files);
}

void DivesDialog::UpdateStatus()
{
    int damaged = 0;
    for (const DiveListEntry &e : m_model->Entries())
        damaged += e.loaded ? 0 : 1;
    QString text;
    if (m_listing)
        text = m_files < 0 ? tr("Reading the folder...") : tr("Reading %1 of %2 files...").arg(m_model->rowCount()).arg(m_files);
    else if (m_model->rowCount() == 0)
        text = QDir(m_folder).exists() ? tr("No dive logs in this folder") : tr("The folder does not exist");
    else if (damaged)
        text = tr("%1 dives, damaged files: %2").arg(m_model->rowCount() - damaged).arg(damaged);
    else
        text = tr("%1 dives").arg(m_model->rowCount());
    ui->listStatusLabel->setText(text);
    ui->cellReportBtn->setEnabled(m_model->rowCount() > damaged);
}

void DivesDialog::MarkDamagedRows(int first, int last)
{
    // Rows below the new ones moved down; their spans moved with them.
    for (int row = first; row <= last; ++row)
        if (!m_model->Entry(row).loaded)
            ui->diveTable->setSpan(row, DiveListModel::NumberColumn, 1, DiveListModel::FileColumn - DiveListModel::NumberColumn);
}

bool DivesDialog::SelectDive(const QString &filePath)
{
    const int row = m_model->RowOf(QFileInfo(filePath).absoluteFilePath());
    if (row < 0)
        return false;
    ui->diveTable->selectRow(row);
    ui->diveTable->scrollTo(m_model->index(row, 0));
    if (m_shownFile != m_model->Entry(row).filePath)
        ShowRow(row);
    return true;
}

void DivesDialog::ShowNothing(const QString &text)
{
    m_log.reset();
    m_shownFile.clear();
    ui->profileView->Clear();
    ui->summaryLabel->setText(text);
    ui->cursorLabel->clear();
    ui->exportStatusLabel->clear();
    ui->uddfBtn->setEnabled(false);
    ui->savePngBtn->setEnabled(false);
}

void DivesDialog::ShowRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        ShowNothing(QString());
        return;
    }
    const DiveListEntry &entry = m_model->Entry(row);
    if (!entry.loaded) {
        ShowNothing(tr("%1 cannot be read:\n%2").arg(entry.fileName, entry.error));
        m_shownFile = entry.filePath;
        return;
    }
    auto log = std::make_unique<QuorLog>();
    const int result = log->Load(entry.filePath);
    if (result != QuorLog::Success || !log->IdentifiedSession()) {
        // Changed or removed since it was listed.
        ShowNothing(tr("%1 cannot be read:\n%2").arg(entry.fileName, log->ErrorText()));
        m_shownFile = entry.filePath;
        return;
    }
    m_log = std::move(log);
    m_shownFile = entry.filePath;
    ui->profileView->SetDive(*m_log, entry.cells);
    ui->summaryLabel->setText(SummaryText(*m_log, entry));
    ui->exportStatusLabel->clear();
    ui->cursorLabel->setText(tr("Move the mouse over the profile to read the values at a time."));
    ui->uddfBtn->setEnabled(true);
    ui->savePngBtn->setEnabled(true);
}

QString DivesDialog::SummaryText(const QuorLog &log, const DiveListEntry &entry) const
{
    const QuorLogSession *session = log.IdentifiedSession();
    const QuorLogDiveSummary s = session->Summary();
    const auto depth = [this](double m) { return DiveUnits::DepthText(m, m_metric); };
    const auto temperature = [this](double c) { return DiveUnits::TemperatureText(c, m_metric); };
    QStringList gases;
    for (const QuorLogGasManagement::Gas &gas : session->GasManagement().GasesInUse())
        gases << DeviceList::GasText(gas.o2, gas.he);
    QList<QPair<QString, QString>> rows = {
        {tr("Dive"), QString::number(s.diveNumber)},
        {tr("Start"), s.diveStart.isValid() ? s.diveStart.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : tr("not known")},
        {tr("Duration"), QuorLogDurations::DiveDurationText(s.diveDuration)},
        {tr("Greatest depth"), depth(s.greatestDepth)},
        {tr("Average depth"), depth(s.averageDepth)},
        {tr("Highest ppO2"), tr("%1 bar").arg(s.inControlMaxPpO2, 0, 'f', 2)},
        {tr("Lowest ppO2"), s.inControlMinPpO2 < 2.55 ? tr("%1 bar").arg(s.inControlMinPpO2, 0, 'f', 2) : QString()},
        {tr("Largest setpoint"), tr("%1 bar").arg(s.largestSetpoint, 0, 'f', 2)},
        {tr("Lowest temperature"), s.lowestTemperature < 999 ? temperature(s.lowestTemperature) : QString()},
        {tr("Air temperature"), temperature(s.airTemperature)},
        {tr("Surface pressure"), tr("%1 mbar").arg(s.surfacePressure)},
        {tr("CNS"), tr("%1 %").arg(s.largestCns)},
        {tr("OTU"), QString::number(s.largestOtu)},
        {tr("Gases"), gases.join(QStringLiteral(", "))},
        {tr("Handset"), entry.handsetSerial},
    };
    for (int controller = 1; controller <= 2; ++controller) {
        QStringList ratings;
        for (int c = 1; c <= 3; ++c) {
            const CellVerdict &v = entry.cells.Cell(controller, c);
            ratings << (v.hasReadings ? CellHealthReport::RatingText(v.Rating()) : tr("no readings"));
        }
        rows.append({tr("Cells of controller %1").arg(controller), ratings.join(QStringLiteral(", "))});
    }
    QString html = QStringLiteral("<table cellspacing=\"2\">");
    for (const auto &row : rows)
        html += QStringLiteral("<tr><td>%1</td><td style=\"color: white\">%2</td></tr>")
                    .arg(row.first.toHtmlEscaped(), row.second.toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

int DivesDialog::ExportShownDive()
{
    if (!m_log)
        return 0;
    UddfExport exporter(m_askOverwrite);
    exporter.SetCellsAsPpo2(AppSettings::BoolValue(AppSettings::Key::UddfCellsAsPpo2));
    const int result = exporter.Export(*m_log);
    switch (result) {
    case UddfExport::Written:
        ui->exportStatusLabel->setText(tr("UDDF written to %1").arg(QDir::toNativeSeparators(exporter.TargetPath())));
        break;
    case UddfExport::Declined:
        ui->exportStatusLabel->setText(tr("The existing UDDF file was kept."));
        break;
    default:
        ui->exportStatusLabel->setText(tr("UDDF not written: %1").arg(exporter.ErrorText()));
        break;
    }
    return result;
}

void DivesDialog::on_uddfBtn_clicked() { ExportShownDive(); }

void DivesDialog::on_savePngBtn_clicked()
{
    if (!ui->profileView->HasDive())
        return;
    const QFileInfo log(m_shownFile);
    const QString suggested = log.dir().filePath(log.completeBaseName() + QStringLiteral(".png"));
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Profile"), suggested, tr("PNG pictures (*.png)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    if (ui->profileView->SaveImage(path))
        ui->exportStatusLabel->setText(tr("Profile saved as %1").arg(QDir::toNativeSeparators(path)));
    else
        ui->exportStatusLabel->setText(tr("The picture could not be saved as %1").arg(QDir::toNativeSeparators(path)));
}

void DivesDialog::on_refreshBtn_clicked() { SetFolder(DownloadFolder::Current()); }

void DivesDialog::on_cellReportBtn_clicked()
{
    QVector<DiveCellHealth> dives;
    for (const DiveListEntry &e : m_model->Entries())
        if (e.loaded)
            dives.append(e.cells);
    CellReportDialog dialog(this);
    dialog.SetReport(CellHealthReport(dives));
    dialog.setModal(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.ChosenFile().isEmpty()) {
        if (SelectDive(dialog.ChosenFile())) {
            const int controller = dialog.ChosenController();
            ui->controllerCombo->setCurrentIndex(controller == 2 ? 2 : 1);
            ui->profileView->SetCursorTime(dialog.ChosenTime());
        }
    }
}

void DivesDialog::on_controllerCombo_currentIndexChanged(int index)
{
    const DiveProfileView::Controller controllers[3] = {DiveProfileView::Controller::InControl, DiveProfileView::Controller::First,
                                                        DiveProfileView::Controller::Second};
    if (index >= 0 && index < 3)
        ui->profileView->SetController(controllers[index]);
}

void DivesDialog::on_closeBtn_clicked() { accept(); }

bool DivesDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->uddfBtn, ui->savePngBtn});
    return QDialog::event(event);
}

void DivesDialog::FitColumns()
{
    // Wide enough for the figures, and for the headings in every language.
    const int widths[DiveListModel::ColumnCount] = {140, 60, 80, 110, 110, 200};
    QHeaderView *header = ui->diveTable->horizontalHeader();
    for (int c = 0; c < DiveListModel::ColumnCount; ++c)
        ui->diveTable->setColumnWidth(c, std::max(widths[c], header->sectionSizeHint(c)));
}

void DivesDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        m_model->Retranslate();
        FitColumns();
        UpdateStatus();
    }
    QDialog::changeEvent(event);
}
