#include "CellHealthReport.h"

#include "CellHealthThresholds.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace T = CellHealthThresholds;

CellHealthReport::CellHealthReport(QVector<DiveCellHealth> dives) : m_dives(std::move(dives))
{
    std::stable_sort(m_dives.begin(), m_dives.end(), [](const DiveCellHealth &l, const DiveCellHealth &r) {
        if (l.diveStart.isValid() != r.diveStart.isValid())
            return l.diveStart.isValid();
        if (l.diveStart != r.diveStart)
            return l.diveStart < r.diveStart;
        return l.filePath < r.filePath;
    });
    QMap<QString, QVector<int>> bySerial;
    for (int i = 0; i < m_dives.size(); ++i)
        bySerial[m_dives[i].handsetSerial].append(i);
    for (auto it = bySerial.cbegin(); it != bySerial.cend(); ++it) {
        Handset handset;
        handset.serial = it.key();
        handset.dives = it.value();
        QVector<const DiveCellHealth *> ordered;
        for (int i : handset.dives)
            ordered.append(&m_dives[i]);
        const int newest = handset.dives.last();
        for (int controller = 1; controller <= 2; ++controller) {
            const auto drift = Drift(ordered, controller);
            for (int c = 1; c <= 3; ++c) {
                CellSummary &summary = handset.cells[size_t((controller - 1) * 3 + c - 1)];
                summary.controller = controller;
                summary.cell = c;
                for (int i : handset.dives) {
                    const CellVerdict &verdict = m_dives[i].Cell(controller, c);
                    summary.hasReadings = summary.hasReadings || verdict.hasReadings;
                    for (const CellFinding &f : verdict.findings) {
                        const bool earlier = i != newest;
                        summary.reasons.append({f, i, earlier});
                        // An earlier dive's trouble is a reason to watch the
                        // cell; what the newest dive shows rates it.
                        const CellRating rating = earlier ? std::min(CellRating::Watch, CellVerdict::RatingOf(f.kind))
                                                          : CellVerdict::RatingOf(f.kind);
                        summary.rating = std::max(summary.rating, rating);
                    }
                }
                for (const CellFinding &f : drift[size_t(c - 1)]) {
                    summary.reasons.append({f, -1, false});
                    summary.rating = std::max(summary.rating, CellVerdict::RatingOf(f.kind));
                }
            }
        }
        m_handsets.append(handset);
    }
}

std::array<QVector<CellFinding>, 3> CellHealthReport::Drift(const QVector<const DiveCellHealth *> &dives, int controller)
{
    std::array<QVector<CellFinding>, 3> result;
    struct Fit
    {
        bool qualifies = false;
        CellFinding finding;
    };
    std::array<Fit, 3> fits;
    for (int c = 1; c <= 3; ++c) {
        QVector<const DiveCellHealth *> used;
        QVector<double> y;
        for (const DiveCellHealth *d : dives) {
            const double r = d->Cell(controller, c).ratio;
            if (std::isfinite(r)) {
                used.append(d);
                y.append(r);
            }
        }
        const int m = y.size();
        if (m < T::DriftMinimumDives)
            continue;
        double meanX = (m - 1) / 2.0, meanY = 0.0;
        for (double v : y)
            meanY += v;
        meanY /= m;
        double sxy = 0.0, sxx = 0.0, syy = 0.0;
        for (int k = 0; k < m; ++k) {
            sxy += (k - meanX) * (y[k] - meanY);
            sxx += (k - meanX) * (k - meanX);
            syy += (y[k] - meanY) * (y[k] - meanY);
        }
        const double slope = sxy / sxx;
        const double correlation = syy > 0 ? sxy / std::sqrt(sxx * syy) : 0.0;
        const double change = slope * (m - 1);
        Fit &fit = fits[size_t(c - 1)];
        fit.qualifies = std::abs(change) >= T::DriftMinimumChange - 1e-9 && std::abs(correlation) >= T::DriftMinimumCorrelation - 1e-9;
        CellFinding &f = fit.finding;
        f.kind = CellFinding::Kind::Drift;
        f.dives = m;
        f.firstDiveNumber = used.first()->diveNumber;
        f.lastDiveNumber = used.last()->diveNumber;
        f.firstDiveStart = used.first()->diveStart;
        f.lastDiveStart = used.last()->diveStart;
        f.firstRatio = y.first();
        f.lastRatio = y.last();
        f.changePerDive = slope;
    }
    // One cell drifting moves the ratios of the other two the other way by
    // about half as much: the cell that moved most is the one that drifts,
    // and others count only when they moved the same way.
    int lead = -1;
    for (int c = 0; c < 3; ++c)
        if (fits[size_t(c)].qualifies
            && (lead < 0 || std::abs(fits[size_t(c)].finding.changePerDive) > std::abs(fits[size_t(lead)].finding.changePerDive)))
            lead = c;
    if (lead < 0)
        return result;
    for (int c = 0; c < 3; ++c)
        if (fits[size_t(c)].qualifies && fits[size_t(c)].finding.changePerDive * fits[size_t(lead)].finding.changePerDive > 0)
            result[size_t(c)].append(fits[size_t(c)].finding);
    return result;
}

QString CellHealthReport::RatingText(CellRating rating)
{
    switch (rating) {
    case CellRating::Good: return tr("good");
    case CellRating::Watch: return tr("watch");
    case CellRating::Replace: return tr("replace");
    }
    return QString();
}

QString CellHealthReport::KindText(CellFinding::Kind kind)
{
    switch (kind) {
    case CellFinding::Kind::Disagrees: return tr("disagrees");
    case CellFinding::Kind::CurrentLimited: return tr("current-limited");
    case CellFinding::Kind::Slow: return tr("slow");
    case CellFinding::Kind::Drift: return tr("drift across dives");
    }
    return QString();
}

QString CellHealthReport::DiveTimeText(double seconds)
{
    const qint64 whole = qint64(std::llround(std::abs(seconds)));
    return QStringLiteral("%1%2:%3")
        .arg(seconds < -0.5 ? QStringLiteral("-") : QString())
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString CellHealthReport::DateTimeText(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : tr("date not known");
}

QString CellHealthReport::DiveText(const DiveCellHealth &dive)
{
    return tr("Dive %1, %2").arg(dive.diveNumber).arg(DateTimeText(dive.diveStart));
}

QString CellHealthReport::FindingText(const CellFinding &f)
{
    const auto bar = [](double v) { return QString::number(v, 'f', 2); };
    switch (f.kind) {
    case CellFinding::Kind::Disagrees:
        return tr("disagrees: read %1 bar while the other two read %2 bar, from %3 to %4")
            .arg(bar(f.cellValue), bar(f.peerValue), DiveTimeText(f.start), DiveTimeText(f.end));
    case CellFinding::Kind::CurrentLimited:
        return tr("current-limited: held at %1 bar while the other two read %2 bar, from %3 to %4; tracks them below that")
            .arg(bar(f.cellValue), bar(f.peerValue), DiveTimeText(f.start), DiveTimeText(f.end));
    case CellFinding::Kind::Slow:
        return tr("slow: after the step from %1 to %2 bar at %3 it took %4 s to reach 90 %, the other two %5 s")
            .arg(bar(f.cellValue), bar(f.peerValue), DiveTimeText(f.start))
            .arg(f.cellSeconds, 0, 'f', 0)
            .arg(f.peerSeconds, 0, 'f', 0);
    case CellFinding::Kind::Drift:
        return tr("drift across dives: its ratio to the other two went from %1 (dive %2, %3) to %4 (dive %5, %6) over %7 dives, %8 per dive")
            .arg(QString::number(f.firstRatio, 'f', 3))
            .arg(f.firstDiveNumber)
            .arg(DateTimeText(f.firstDiveStart))
            .arg(QString::number(f.lastRatio, 'f', 3))
            .arg(f.lastDiveNumber)
            .arg(DateTimeText(f.lastDiveStart))
            .arg(f.dives)
            .arg((f.changePerDive >= 0 ? QStringLiteral("+") : QString()) + QString::number(f.changePerDive, 'f', 3));
    }
    return QString();
}

QString CellHealthReport::Text() const
{
    QString text;
    if (m_handsets.isEmpty())
        return tr("No dives.\n");
    for (const Handset &handset : m_handsets) {
        const DiveCellHealth &first = m_dives[handset.dives.first()];
        const DiveCellHealth &last = m_dives[handset.dives.last()];
        text += tr("Handset %1: dives from %2 to %3, %4 in all")
                    .arg(handset.serial.isEmpty() ? tr("(serial number not known)") : handset.serial,
                         DateTimeText(first.diveStart), DateTimeText(last.diveStart))
                    .arg(handset.dives.size())
            + QLatin1Char('\n');
        for (int controller = 1; controller <= 2; ++controller) {
            text += QStringLiteral("  ") + tr("Controller %1").arg(controller) + QLatin1Char('\n');
            for (int c = 1; c <= 3; ++c) {
                const CellSummary &summary = handset.cells[size_t((controller - 1) * 3 + c - 1)];
                const QString rating = summary.hasReadings ? RatingText(summary.rating) : tr("no readings");
                text += QStringLiteral("    ") + tr("Cell %1: %2").arg(c).arg(rating) + QLatin1Char('\n');
                for (const Reason &reason : summary.reasons) {
                    text += QStringLiteral("      - ");
                    if (reason.dive >= 0)
                        text += DiveText(m_dives[reason.dive]) + QStringLiteral(": ");
                    text += FindingText(reason.finding) + QLatin1Char('\n');
                }
            }
        }
        text += QStringLiteral("  ") + tr("Battery, voltage at the start and the end of each dive") + QLatin1Char('\n');
        for (int i : handset.dives) {
            const DiveCellHealth &dive = m_dives[i];
            text += QStringLiteral("    ") + DiveText(dive) + QStringLiteral(": ");
            if (dive.battery.logged)
                text += tr("%1 V, %2 V").arg(dive.battery.startVolts, 0, 'f', 2).arg(dive.battery.endVolts, 0, 'f', 2);
            else
                text += tr("no battery records");
            text += QLatin1Char('\n');
        }
        text += QLatin1Char('\n');
    }
    return text;
}
