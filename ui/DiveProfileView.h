#pragma once

#include "DiveCellHealth.h"

#include <QColor>
#include <QImage>
#include <QPair>
#include <QSize>
#include <QString>
#include <QVector>
#include <QWidget>
#include <memory>

class QuorLog;

// The profile of one dive, drawn with Qwt: depth (growing downwards) and
// temperature above; the ppO2 of the three cells of a controller and the
// setpoint below; one time axis in minutes from the dive start. Gas switches
// and alarms are markers, the evidence of the cell findings shaded regions,
// and a cursor (mouse or keyboard) shows the values at a time.
class DiveProfileView : public QWidget
{
    Q_OBJECT
public:
    // Whose cells the lower plot shows.
    enum class Controller { InControl, First, Second };

    explicit DiveProfileView(QWidget *parent = nullptr);
    ~DiveProfileView() override;

    // Shows the identified dive of a loaded log with the findings of its
    // cells; the view keeps its own copy of what it draws.
    void SetDive(const QuorLog &log, const DiveCellHealth &cells);
    void Clear();
    bool HasDive() const;
    void SetController(Controller controller);
    void SetMetricUnits(bool metric);

    // The cursor, at dive time in seconds (moved to the nearest sample).
    void SetCursorTime(double seconds);
    double CursorTime() const;
    QString CursorText() const;

    // Both plots in one picture, white behind.
    QImage Render(const QSize &size) const;
    bool SaveImage(const QString &path, const QSize &size = DefaultImageSize()) const;
    static QSize DefaultImageSize() { return QSize(1200, 800); }

    // What is drawn, for the checks of the window.
    static QColor DepthColour();
    // Shaded evidence regions, dive time in seconds.
    QVector<QPair<double, double>> EvidenceRegions() const;
    // Gas-switch and alarm markers: their labels in time order.
    QStringList MarkerLabels() const;
    // The controller whose cells are drawn: 1 or 2 (for InControl the one in
    // control for most of the dive).
    int ShownController() const;

signals:
    void CursorMoved(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Private;
    void Redraw();
    void Retranslate();
    void UpdateCursor();
    std::unique_ptr<Private> d;
};
