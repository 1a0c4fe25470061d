#include "CellReportDialog.h"
#include "ui_CellReportDialog.h"

#include "AppSettings.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QSaveFile>

namespace {
enum Role { FileRole = Qt::UserRole, ControllerRole, TimeRole };
}

CellReportDialog::CellReportDialog(QWidget *parent) : QDialog(parent), ui(new Ui::CellReportDialog)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    ui->reportTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui->reportTree->header()->setStretchLastSection(true);
    connect(ui->reportTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        ui->showBtn->setEnabled(item && !item->data(1, FileRole).toString().isEmpty());
    });
    ui->showBtn->setEnabled(false);
    UniformButtons::Equalise({ui->showBtn, ui->saveBtn, ui->closeBtn});
    WindowGeometry::Restore(this, AppSettings::Key::GeometryCellReport);
}

CellReportDialog::~CellReportDialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryCellReport);
    delete ui;
}

QColor CellReportDialog::RatingColour(CellRating rating)
{
    switch (rating) {
    case CellRating::Good: return QColor(0, 140, 0);
    case CellRating::Watch: return QColor(215, 120, 0);
    case CellRating::Replace: return QColor(200, 0, 0);
    }
    return QColor(Qt::black);
}

void CellReportDialog::SetReport(const CellHealthReport &report)
{
    m_report = std::make_unique<CellHealthReport>(report);
    Fill();
}

void CellReportDialog::Fill()
{
    ui->reportTree->clear();
    if (!m_report)
        return;
    m_text = m_report->Text();
    const QVector<DiveCellHealth> &dives = m_report->Dives();
    for (const CellHealthReport::Handset &handset : m_report->Handsets()) {
        auto *top = new QTreeWidgetItem(ui->reportTree);
        top->setText(0, tr("Handset %1").arg(handset.serial.isEmpty() ? tr("(serial number not known)") : handset.serial));
        top->setText(1, tr("%1 dives, %2 to %3")
                            .arg(handset.dives.size())
                            .arg(CellHealthReport::DateTimeText(dives[handset.dives.first()].diveStart),
                                 CellHealthReport::DateTimeText(dives[handset.dives.last()].diveStart)));
        for (const CellHealthReport::CellSummary &cell : handset.cells) {
            auto *item = new QTreeWidgetItem(top);
            item->setText(0, tr("Controller %1, cell %2").arg(cell.controller).arg(cell.cell));
            item->setText(1, cell.hasReadings ? CellHealthReport::RatingText(cell.rating) : tr("no readings"));
            if (cell.hasReadings)
                item->setForeground(1, RatingColour(cell.rating));
            QFont bold = item->font(1);
            bold.setBold(true);
            item->setFont(1, bold);
            for (const CellHealthReport::Reason &reason : cell.reasons) {
                auto *line = new QTreeWidgetItem(item);
                QString text = CellHealthReport::FindingText(reason.finding);
                if (reason.dive >= 0) {
                    const DiveCellHealth &dive = dives[reason.dive];
                    text = CellHealthReport::DiveText(dive) + QStringLiteral(": ") + text;
                    line->setData(1, FileRole, dive.filePath);
                    line->setData(1, ControllerRole, cell.controller);
                    line->setData(1, TimeRole, reason.finding.start);
                }
                line->setText(1, text);
                const QString file = line->data(1, FileRole).toString();
                line->setToolTip(1, file.isEmpty() ? text : text + QLatin1Char('\n') + QDir::toNativeSeparators(file));
            }
            item->setExpanded(cell.rating != CellRating::Good);
        }
        auto *battery = new QTreeWidgetItem(top);
        battery->setText(0, tr("Battery"));
        battery->setText(1, tr("voltage at the start and the end of each dive"));
        for (int i : handset.dives) {
            const DiveCellHealth &dive = dives[i];
            auto *line = new QTreeWidgetItem(battery);
            line->setText(0, CellHealthReport::DiveText(dive));
            line->setText(1, dive.battery.logged ? tr("%1 V, %2 V").arg(dive.battery.startVolts, 0, 'f', 2).arg(dive.battery.endVolts, 0, 'f', 2)
                                                 : tr("no battery records"));
        }
        top->setExpanded(true);
    }
}

bool CellReportDialog::Choose(QTreeWidgetItem *item)
{
    if (!item || item->data(1, FileRole).toString().isEmpty())
        return false;
    m_chosenFile = item->data(1, FileRole).toString();
    m_chosenController = item->data(1, ControllerRole).toInt();
    m_chosenTime = item->data(1, TimeRole).toDouble();
    accept();
    return true;
}

void CellReportDialog::on_reportTree_itemDoubleClicked(QTreeWidgetItem *item, int) { Choose(item); }

void CellReportDialog::on_showBtn_clicked() { Choose(ui->reportTree->currentItem()); }

void CellReportDialog::on_saveBtn_clicked()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Cell Report"), QDir::homePath(), tr("Text files (*.txt)"),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    // Written aside and renamed over the target: a failed save never leaves
    // half a report in place of an earlier one.
    QSaveFile file(path);
    const QByteArray text = m_text.toUtf8();
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(text) == text.size() && file.commit();
    if (saved)
        ui->saveStatusLabel->setText(tr("Report saved as %1").arg(QDir::toNativeSeparators(path)));
    else
        ui->saveStatusLabel->setText(tr("The report could not be saved as %1").arg(QDir::toNativeSeparators(path)));
}

void CellReportDialog::on_closeBtn_clicked() { reject(); }

bool CellReportDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->showBtn, ui->saveBtn, ui->closeBtn});
    return QDialog::event(event);
}

void CellReportDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        Fill();
    }
    QDialog::changeEvent(event);
}
