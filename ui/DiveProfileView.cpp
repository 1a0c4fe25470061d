#include "DiveProfileView.h"

#include "DeviceList.h"
#include "DiveUnits.h"
#include "QuorLog.h"
#include "QuorLogAlarms.h"
#include "QuorLogSession.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QColor CellColours[3] = {QColor(200, 0, 0), QColor(0, 140, 0), QColor(130, 0, 190)};
const QColor TemperatureColour(230, 120, 0);
const QColor GasColour(0, 150, 120);
const QColor AlarmColour(220, 0, 0);
const QColor EvidenceColour(255, 170, 0, 70);

struct Point
{
    double time;    // s of dive time
    double depth;   // m
    double temperature;
    double setpoint;
    std::array<double, 6> cells; // 0-2 controller 1, 3-5 controller 2
    int inControl;
};

struct Marker
{
    double time;
    QString label; // the gas, or the alarm's type (shown by AlarmLabel)
    bool alarm;
};

// The alarms as the markers name them, by their type in the log.
struct AlarmName
{
    const char *type;
    const char *text;
};
const AlarmName AlarmNames[] = {
    {"high_oxygen", QT_TRANSLATE_NOOP("DiveProfileView", "high oxygen")},
    {"low_oxygen", QT_TRANSLATE_NOOP("DiveProfileView", "low oxygen")},
    {"low_battery", QT_TRANSLATE_NOOP("DiveProfileView", "low battery")},
    {"cell_warning", QT_TRANSLATE_NOOP("DiveProfileView", "cell warning")},
    {"ppo2_warning", QT_TRANSLATE_NOOP("DiveProfileView", "ppO2 warning")},
    {"missed_deco", QT_TRANSLATE_NOOP("DiveProfileView", "missed deco")},
    {"co2_low", QT_TRANSLATE_NOOP("DiveProfileView", "CO2 low")},
    {"scrubber_low", QT_TRANSLATE_NOOP("DiveProfileView", "scrubber low")},
    {"otu_exposure", QT_TRANSLATE_NOOP("DiveProfileView", "OTU exposure")},
    {"cns_exposure", QT_TRANSLATE_NOOP("DiveProfileView", "CNS exposure")},
    {"ceiling_violation", QT_TRANSLATE_NOOP("DiveProfileView", "ceiling violation")},
    {"fast_ascent", QT_TRANSLATE_NOOP("DiveProfileView", "fast ascent")},
    {"co2_high", QT_TRANSLATE_NOOP("DiveProfileView", "CO2 high")},
    {"scrubber_high", QT_TRANSLATE_NOOP("DiveProfileView", "scrubber high")},
    {"gas_density", QT_TRANSLATE_NOOP("DiveProfileView", "gas density")},
};

QString AlarmLabel(const QString &type)
{
    for (const AlarmName &name : AlarmNames)
        if (type == QLatin1String(name.type))
            return DiveProfileView::tr(name.text);
    QString label = type;
    return label.replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString MarkerLabel(const Marker &m) { return m.alarm ? AlarmLabel(m.label) : m.label; }

} // namespace

struct DiveProfileView::Private
{
    QwtPlot *depthPlot = nullptr;
    QwtPlot *ppo2Plot = nullptr;
    QwtPlotCurve *depth = nullptr;
    QwtPlotCurve *temperature = nullptr;
    std::array<QwtPlotCurve *, 3> cells{};
    QwtPlotCurve *setpoint = nullptr;
    QwtPlotMarker *cursorDepth = nullptr;
    QwtPlotMarker *cursorPpo2 = nullptr;
    QList<QwtPlotItem *> transient; // markers and zones of the dive shown

    QVector<Point> points;
    QVector<Marker> markers;
    DiveCellHealth health;
    Controller controller = Controller::InControl;
    int dominant = 1;
    bool metric = true;
    int cursor = -1; // index into points

    double DepthIn(double metres) const { return metric ? metres : DiveUnits::Feet(metres); }
    double TemperatureIn(double celsius) const { return metric ? celsius : DiveUnits::Fahrenheit(celsius); }
    int ControllerAt(const Point &p) const
    {
        switch (controller) {
        case Controller::First: return 1;
        case Controller::Second: return 2;
        case Controller::InControl: return p.inControl;
        }
        return 1;
    }
    int Shown() const
    {
        return controller == Controller::First ? 1 : controller == Controller::Second ? 2 : dominant;
    }
    int Nearest(double seconds) const
    {
        int best = -1;
        double distance = 0;
        for (int i = 0; i < points.size(); ++i) {
            const double dd = std::abs(points[i].time - seconds);
            if (best < 0 || dd < distance) {
                best = i;
                distance = dd;
            }
        }
        return best;
    }
};

DiveProfileView::DiveProfileView(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    d->depthPlot = new QwtPlot(this);
    d->depthPlot->setObjectName(QStringLiteral("depthPlot"));
    d->ppo2Plot = new QwtPlot(this);
    d->ppo2Plot->setObjectName(QStringLiteral("ppo2Plot"));
    layout->addWidget(d->depthPlot, 3);
    layout->addWidget(d->ppo2Plot, 2);

    for (QwtPlot *plot : {d->depthPlot, d->ppo2Plot}) {
        plot->setCanvasBackground(Qt::white);
        plot->setAutoFillBackground(true);
        QPalette palette = plot->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Text, Qt::black);
        plot->setPalette(palette);
        plot->enableAxis(QwtPlot::yRight);
        plot->insertLegend(new QwtLegend, QwtPlot::TopLegend);
        auto *grid = new QwtPlotGrid;
        grid->setMajorPen(QColor(220, 220, 220), 1);
        grid->attach(plot);
        plot->canvas()->setMouseTracking(true);
        plot->canvas()->installEventFilter(this);
        plot->canvas()->setFocusPolicy(Qt::StrongFocus);
        plot->canvas()->setCursor(Qt::CrossCursor);
    }

    d->depth = new QwtPlotCurve;
    d->depth->setPen(DepthColour(), 2);
    d->depth->attach(d->depthPlot);
    d->temperature = new QwtPlotCurve;
    d->temperature->setPen(TemperatureColour, 1);
    d->temperature->setYAxis(QwtPlot::yRight);
    d->temperature->attach(d->depthPlot);
    for (int i = 0; i < 3; ++i) {
        d->cells[size_t(i)] = new QwtPlotCurve;
        d->cells[size_t(i)]->setPen(CellColours[i], 1);
        d->cells[size_t(i)]->attach(d->ppo2Plot);
    }
    d->setpoint = new QwtPlotCurve;
    d->setpoint->setPen(Qt::black, 1, Qt::DashLine);
    d->setpoint->attach(d->ppo2Plot);
    for (QwtPlotMarker **m : {&d->cursorDepth, &d->cursorPpo2}) {
        *m = new QwtPlotMarker;
        (*m)->setLineStyle(QwtPlotMarker::VLine);
        (*m)->setLinePen(QColor(90, 90, 90), 1, Qt::DotLine);
        (*m)->setZ(100);
        (*m)->setVisible(false);
    }
    d->cursorDepth->attach(d->depthPlot);
    d->cursorPpo2->attach(d->ppo2Plot);
    Retranslate();
    Redraw();
}

DiveProfileView::~DiveProfileView() = default;

QColor DiveProfileView::DepthColour() { return QColor(0, 80, 200); }

bool DiveProfileView::HasDive() const { return !d->points.isEmpty(); }

void DiveProfileView::Clear()
{
    d->points.clear();
    d->markers.clear();
    d->health = DiveCellHealth();
    d->cursor = -1;
    Redraw();
}

void DiveProfileView::SetDive(const QuorLog &log, const DiveCellHealth &cells)
{
    d->points.clear();
    d->markers.clear();
    d->health = cells;
    d->cursor = -1;
    const QuorLogSession *session = log.IdentifiedSession();
    if (!session || !log.IsValid()) {
        Redraw();
        return;
    }
    const double start = session->DiveStartTime() >= 0 ? session->DiveStartTime() : 0.0;
    const QVector<QuorLogSample> &samples = session->Samples();
    d->points.reserve(samples.size());
    int inControl[3] = {0, 0, 0};
    int lastGas = -1;
    QStringList lastAlarms;
    for (const QuorLogSample &s : samples) {
        Point p;
        p.time = s.time - start;
        p.depth = s.Depth();
        p.temperature = s.temperature;
        p.setpoint = s.setpoint;
        for (int i = 0; i < 3; ++i) {
            p.cells[size_t(i)] = s.ppO2[size_t(i)];
            p.cells[size_t(3 + i)] = s.ppO2[size_t(4 + i)];
        }
        p.inControl = s.ControllerInControl();
        d->points.append(p);
        if (!s.InDive())
            continue;
        ++inControl[p.inControl];
        if (s.gasIndex != lastGas) {
            const QuorLogGasManagement::Gas gas = session->GasManagement().GasAt(s.gasIndex);
            d->markers.append({p.time, DeviceList::GasText(gas.o2, gas.he), false});
            lastGas = s.gasIndex;
        }
        const QStringList alarms = QuorLogAlarms::ActiveTypes(s.AlarmWord(), p.inControl);
        for (const QString &type : alarms)
            if (!lastAlarms.contains(type))
                d->markers.append({p.time, type, true});
        lastAlarms = alarms;
    }
    d->dominant = inControl[2] > inControl[1] ? 2 : 1;
    Redraw();
}

void DiveProfileView::SetController(Controller controller)
{
    d->controller = controller;
    Redraw();
}

void DiveProfileView::SetMetricUnits(bool metric)
{
    d->metric = metric;
    Retranslate();
    Redraw();
    if (d->cursor >= 0)
        emit CursorMoved(CursorText());
}

int DiveProfileView::ShownController() const { return d->Shown(); }

QVector<QPair<double, double>> DiveProfileView::EvidenceRegions() const
{
    QVector<QPair<double, double>> regions;
    if (d->points.isEmpty())
        return regions;
    const int controller = d->Shown();
    for (int c = 1; c <= 3; ++c)
        for (const CellFinding &f : d->health.Cell(controller, c).findings)
            if (f.kind != CellFinding::Kind::Drift)
                regions.append({f.start, f.end});
    return regions;
}

QStringList DiveProfileView::MarkerLabels() const
{
    QStringList labels;
    for (const Marker &m : d->markers)
        labels.append(MarkerLabel(m));
    return labels;
}

void DiveProfileView::Retranslate()
{
    d->depthPlot->setAxisTitle(QwtPlot::xBottom, tr("Dive time (min)"));
    d->ppo2Plot->setAxisTitle(QwtPlot::xBottom, tr("Dive time (min)"));
    d->depthPlot->setAxisTitle(QwtPlot::yLeft, d->metric ? tr("Depth (m)") : tr("Depth (ft)"));
    d->depthPlot->setAxisTitle(QwtPlot::yRight, d->metric ? tr("Temperature (°C)") : tr("Temperature (°F)"));
    d->ppo2Plot->setAxisTitle(QwtPlot::yLeft, tr("ppO2 (bar)"));
    d->ppo2Plot->setAxisTitle(QwtPlot::yRight, tr("ppO2 (bar)"));
    d->depth->setTitle(tr("Depth"));
    d->temperature->setTitle(tr("Temperature"));
    for (int i = 0; i < 3; ++i)
        d->cells[size_t(i)]->setTitle(tr("Cell %1").arg(i + 1));
    d->setpoint->setTitle(tr("Setpoint"));
}

void DiveProfileView::Redraw()
{
    for (QwtPlotItem *item : qAsConst(d->transient)) {
        item->detach();
        delete item;
    }
    d->transient.clear();

    const int n = d->points.size();
    QVector<QPointF> depth(n), temperature(n), setpoint(n);
    std::array<QVector<QPointF>, 3> cells;
    for (auto &c : cells)
        c.resize(n);
    double maxDepth = 0, minTemp = 1e9, maxTemp = -1e9, maxPpo2 = 1.6;
    for (int i = 0; i < n; ++i) {
        const Point &p = d->points[i];
        const double x = p.time / 60.0;
        depth[i] = QPointF(x, d->DepthIn(p.depth));
        temperature[i] = QPointF(x, d->TemperatureIn(p.temperature));
        setpoint[i] = QPointF(x, p.setpoint);
        const int base = d->ControllerAt(p) == 2 ? 3 : 0;
        for (int c = 0; c < 3; ++c) {
            cells[size_t(c)][i] = QPointF(x, p.cells[size_t(base + c)]);
            maxPpo2 = std::max(maxPpo2, p.cells[size_t(base + c)]);
        }
        maxPpo2 = std::max(maxPpo2, p.setpoint);
        maxDepth = std::max(maxDepth, depth[i].y());
        minTemp = std::min(minTemp, temperature[i].y());
        maxTemp = std::max(maxTemp, temperature[i].y());
    }
    d->depth->setSamples(depth);
    d->temperature->setSamples(temperature);
    d->setpoint->setSamples(setpoint);
    for (int c = 0; c < 3; ++c)
        d->cells[size_t(c)]->setSamples(cells[size_t(c)]);

    const double first = n ? d->points.first().time / 60.0 : 0.0;
    const double last = n ? d->points.last().time / 60.0 : 1.0;
    for (QwtPlot *plot : {d->depthPlot, d->ppo2Plot})
        plot->setAxisScale(QwtPlot::xBottom, std::min(first, last), std::max(last, first + 1.0));
    // Depth grows downwards: the axis runs from the deepest point at the
    // bottom to the surface at the top.
    d->depthPlot->setAxisScale(QwtPlot::yLeft, std::max(maxDepth * 1.1, d->metric ? 5.0 : 15.0), 0.0);
    if (n)
        d->depthPlot->setAxisScale(QwtPlot::yRight, std::floor(minTemp - 1), std::ceil(maxTemp + 1));
    else
        d->depthPlot->setAxisScale(QwtPlot::yRight, 0, 30);
    const double top = std::ceil(maxPpo2 * 10 + 1) / 10;
    d->ppo2Plot->setAxisScale(QwtPlot::yLeft, 0.0, top);
    d->ppo2Plot->setAxisScale(QwtPlot::yRight, 0.0, top);

    if (n) {
        const int controller = d->Shown();
        for (int c = 1; c <= 3; ++c)
            for (const CellFinding &f : d->health.Cell(controller, c).findings) {
                if (f.kind == CellFinding::Kind::Drift)
                    continue;
                for (QwtPlot *plot : {d->depthPlot, d->ppo2Plot}) {
                    auto *zone = new QwtPlotZoneItem;
                    zone->setOrientation(Qt::Vertical);
                    zone->setInterval(f.start / 60.0, std::max(f.end, f.start + 1.0) / 60.0);
                    zone->setBrush(EvidenceColour);
                    zone->setPen(QPen(Qt::NoPen));
                    zone->setZ(1);
                    zone->attach(plot);
                    d->transient.append(zone);
                }
            }
        for (const Marker &m : qAsConst(d->markers)) {
            auto *marker = new QwtPlotMarker;
            marker->setLineStyle(QwtPlotMarker::VLine);
            marker->setXValue(m.time / 60.0);
            const QColor colour = m.alarm ? AlarmColour : GasColour;
            marker->setLinePen(colour, 1, m.alarm ? Qt::SolidLine : Qt::DashLine);
            QwtText label(MarkerLabel(m));
            label.setColor(colour);
            marker->setLabel(label);
            marker->setLabelOrientation(Qt::Vertical);
            marker->setLabelAlignment(Qt::AlignRight | (m.alarm ? Qt::AlignBottom : Qt::AlignTop));
            marker->setZ(50);
            marker->attach(d->depthPlot);
            d->transient.append(marker);
        }
    }
    UpdateCursor();
    d->depthPlot->replot();
    d->ppo2Plot->replot();
    // The two plots share the time axis: give their side axes one width so
    // that a minute sits at the same place in both.
    for (int axis : {int(QwtPlot::yLeft), int(QwtPlot::yRight)}) {
        int extent = 0;
        for (QwtPlot *plot : {d->depthPlot, d->ppo2Plot}) {
            QwtScaleDraw *draw = plot->axisWidget(axis)->scaleDraw();
            draw->setMinimumExtent(0);
            extent = std::max(extent, int(draw->extent(plot->axisWidget(axis)->font())));
        }
        for (QwtPlot *plot : {d->depthPlot, d->ppo2Plot})
            plot->axisWidget(axis)->scaleDraw()->setMinimumExtent(extent);
    }
    d->depthPlot->updateAxes();
    d->ppo2Plot->updateAxes();
    d->depthPlot->replot();
    d->ppo2Plot->replot();
}

void DiveProfileView::SetCursorTime(double seconds)
{
    d->cursor = d->Nearest(seconds);
    UpdateCursor();
    d->depthPlot->replot();
    d->ppo2Plot->replot();
    emit CursorMoved(CursorText());
}

double DiveProfileView::CursorTime() const { return d->cursor >= 0 ? d->points[d->cursor].time : 0.0; }

QString DiveProfileView::CursorText() const
{
    if (d->cursor < 0 || d->cursor >= d->points.size())
        return QString();
    const Point &p = d->points[d->cursor];
    const int controller = d->ControllerAt(p);
    const int base = controller == 2 ? 3 : 0;
    const qint64 whole = qint64(std::llround(std::abs(p.time)));
    const QString time = QStringLiteral("%1%2:%3")
                             .arg(p.time < -0.5 ? QStringLiteral("-") : QString())
                             .arg(whole / 60)
                             .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return tr("%1   depth %2   %3   cells %4 / %5 / %6 bar (controller %7)   setpoint %8 bar")
        .arg(time)
        .arg(DiveUnits::DepthText(p.depth, d->metric))
        .arg(DiveUnits::TemperatureText(p.temperature, d->metric))
        .arg(p.cells[size_t(base)], 0, 'f', 2)
        .arg(p.cells[size_t(base + 1)], 0, 'f', 2)
        .arg(p.cells[size_t(base + 2)], 0, 'f', 2)
        .arg(controller)
        .arg(p.setpoint, 0, 'f', 2);
}

void DiveProfileView::UpdateCursor()
{
    const bool shown = d->cursor >= 0 && d->cursor < d->points.size();
    for (QwtPlotMarker *m : {d->cursorDepth, d->cursorPpo2}) {
        m->setVisible(shown);
        if (shown)
            m->setXValue(d->points[d->cursor].time / 60.0);
    }
}

bool DiveProfileView::eventFilter(QObject *watched, QEvent *event)
{
    QwtPlot *plot = watched == d->depthPlot->canvas() ? d->depthPlot : watched == d->ppo2Plot->canvas() ? d->ppo2Plot : nullptr;
    if (plot && !d->points.isEmpty()) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            SetCursorTime(plot->invTransform(QwtPlot::xBottom, mouse->pos().x()) * 60.0);
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const int step = key->modifiers() & Qt::ShiftModifier ? 60 : 1;
            const int at = std::max(0, d->cursor);
            if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) {
                const int next = std::clamp(at + (key->key() == Qt::Key_Left ? -step : step), 0, d->points.size() - 1);
                SetCursorTime(d->points[next].time);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DiveProfileView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
        Redraw();
    }
    QWidget::changeEvent(event);
}

QImage DiveProfileView::Render(const QSize &size) const
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QwtPlotRenderer renderer;
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardBackground, false);
    const double upper = size.height() * 0.6;
    renderer.render(d->depthPlot, &painter, QRectF(0, 0, size.width(), upper));
    renderer.render(d->ppo2Plot, &painter, QRectF(0, upper, size.width(), size.height() - upper));
    painter.end();
    return image;
}

bool DiveProfileView::SaveImage(const QString &path, const QSize &size) const
{
    return Render(size).save(path, "PNG");
}
