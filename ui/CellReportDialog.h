#pragma once

#include "CellHealthReport.h"

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui { class CellReportDialog; }
class QTreeWidgetItem;

// The oxygen-cell report: per handset each cell of both controllers with its
// rating and reasons, and the battery voltages of the dives. A reason seen on
// a dive can be chosen to see it on that dive's profile: the window then
// closes with accept and names the dive, the controller and the time.
class CellReportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CellReportDialog(QWidget *parent = nullptr);
    ~CellReportDialog() override;

    void SetReport(const CellHealthReport &report);
    QString ReportText() const { return m_text; }

    // After exec: the reason chosen, empty when none.
    QString ChosenFile() const { return m_chosenFile; }
    int ChosenController() const { return m_chosenController; }
    double ChosenTime() const { return m_chosenTime; }

private slots:
    void on_showBtn_clicked();
    void on_saveBtn_clicked();
    void on_closeBtn_clicked();
    void on_reportTree_itemDoubleClicked(QTreeWidgetItem *item, int column);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool Choose(QTreeWidgetItem *item);
    static QColor RatingColour(CellRating rating);
    void Fill();

    Ui::CellReportDialog *ui;
    std::unique_ptr<CellHealthReport> m_report;
    QString m_text;
    QString m_chosenFile;
    int m_chosenController = 1;
    double m_chosenTime = 0.0;
};
