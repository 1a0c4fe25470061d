#include "CellHealthAnalysis.h"

#include "CellHealthThresholds.h"
#include "QuorLog.h"
#include "QuorLogSession.h"

#include <algorithm>
#include <cmath>

namespace T = CellHealthThresholds;

CellRating CellVerdict::RatingOf(CellFinding::Kind kind)
{
    switch (kind) {
    case CellFinding::Kind::Disagrees:
    case CellFinding::Kind::CurrentLimited: return CellRating::Replace;
    case CellFinding::Kind::Slow:
    case CellFinding::Kind::Drift: return CellRating::Watch;
    }
    return CellRating::Watch;
}

CellRating CellVerdict::Rating() const
{
    CellRating worst = CellRating::Good;
    for (const CellFinding &f : findings)
        worst = std::max(worst, RatingOf(f.kind));
    return worst;
}

namespace {

// Samples where a condition holds, grouped into periods (indices of the
// first and last sample of each).
struct Run
{
    int first;
    int last;
};

QVector<Run> Runs(const QVector<double> &t, const QVector<char> &flag)
{
    QVector<Run> runs;
    for (int n = 0; n < flag.size(); ++n) {
        if (!flag[n])
            continue;
        if (!runs.isEmpty()) {
            const double lapse = t[n] - t[runs.last().last];
            if (lapse >= 0 && lapse <= T::BridgeSeconds + 1e-9) {
                runs.last().last = n;
                continue;
            }
        }
        runs.append({n, n});
    }
    return runs;
}

double Median(QVector<double> values)
{
    if (values.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    const auto mid = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

// One cell (x) against the other two (a, b) over one dive.
class CellJudge
{
public:
    CellJudge(const QVector<double> &times, const QVector<std::array<double, 3>> &cells, int cell)
        : t(times), n(std::min(times.size(), cells.size()))
    {
        const int ia = (cell + 1) % 3, ib = (cell + 2) % 3;
        x.resize(n), a.resize(n), b.resize(n), p.resize(n), weight.resize(n);
        valid.resize(n), agree.resize(n), excluded.fill(0, n);
        for (int i = 0; i < n; ++i) {
            x[i] = cells[i][size_t(cell)];
            a[i] = cells[i][size_t(ia)];
            b[i] = cells[i][size_t(ib)];
            p[i] = (a[i] + b[i]) / 2;
            valid[i] = p[i] >= T::MinimumReadingBar;
            agree[i] = valid[i] && std::abs(a[i] - b[i]) <= std::max(T::PeersAgreeBar, T::PeersAgreeFraction * p[i]) + 1e-9;
            const double step = i > 0 ? t[i] - t[i - 1] : 0.0;
            weight[i] = step > 0 && step <= T::LongestSampleGapSeconds ? step : 0.0;
        }
    }

    void CurrentLimited(QVector<CellFinding> &findings)
    {
        QVector<char> high(n, 0);
        for (int i = 0; i < n; ++i)
            high[i] = agree[i] && p[i] >= T::LimitOnsetBar - 1e-9 && p[i] - x[i] > T::LimitGapBar + 1e-9;
        QVector<Run> runs = Runs(t, high);
        runs.erase(std::remove_if(runs.begin(), runs.end(), [this](const Run &r) { return Length(r) <= T::LimitSeconds; }),
                   runs.end());
        if (runs.isEmpty())
            return;
        QVector<double> held;
        for (const Run &r : runs)
            for (int i = r.first; i <= r.last; ++i)
                if (high[i])
                    held.append(x[i]);
        const double ceiling = Median(held);
        double above = 0.0, tracking = 0.0;
        QVector<double> ratios;
        for (int i = 0; i < n; ++i) {
            if (!valid[i])
                continue;
            if (x[i] > ceiling + T::LimitFlatBar + 1e-9)
                above += weight[i];
            if (agree[i] && p[i] >= T::TrackingMinimumBar - 1e-9 && p[i] <= ceiling - T::LimitGapBar + 1e-9) {
                tracking += weight[i];
                ratios.append(x[i] / p[i]);
            }
        }
        if (above > T::LimitExceedSeconds || tracking < T::TrackingSeconds)
            return;
        if (std::abs(Median(ratios) - 1.0) > T::TrackingFraction + 1e-9)
            return;
        for (const Run &r : runs) {
            CellFinding f;
            f.kind = CellFinding::Kind::CurrentLimited;
            f.start = t[r.first];
            f.end = t[r.last];
            f.cellValue = ceiling;
            f.peerValue = Mean(p, r, high);
            findings.append(f);
        }
        // What the ceiling explains is not reported again as disagreement.
        for (int i = 0; i < n; ++i)
            if (high[i])
                excluded[i] = 1;
    }

    void Disagrees(QVector<CellFinding> &findings)
    {
        QVector<char> away(n, 0);
        for (int i = 0; i < n; ++i) {
            const double d = std::abs(x[i] - p[i]);
            away[i] = agree[i] && !excluded[i] && d > T::DisagreeBar + 1e-9 && d > T::DisagreeFraction * p[i] + 1e-9;
        }
        for (const Run &r : Runs(t, away)) {
            if (Length(r) <= T::DisagreeSeconds)
                continue;
            CellFinding f;
            f.kind = CellFinding::Kind::Disagrees;
            f.start = t[r.first];
            f.end = t[r.last];
            f.cellValue = Mean(x, r, away);
            f.peerValue = Mean(p, r, away);
            findings.append(f);
        }
    }

    void Slow(QVector<CellFinding> &findings)
    {
        // Steady levels of the other two's mean, over the samples they read.
        QVector<int> index;
        for (int i = 0; i < n; ++i)
            if (valid[i])
                index.append(i);
        QVector<Run> plateaus; // in positions of index
        for (int s = 0; s < index.size();) {
            double lo = p[index[s]], hi = lo;
            int e = s + 1;
            while (e < index.size()) {
                const double v = p[index[e]];
                if (std::max(hi, v) - std::min(lo, v) > T::PlateauSpreadBar + 1e-9 || t[index[e]] < t[index[e - 1]])
                    break;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                ++e;
            }
            if (t[index[e - 1]] - t[index[s]] >= T::PlateauSeconds - 1e-9)
                plateaus.append({s, e - 1});
            s = e;
        }
        for (int k = 1; k < plateaus.size(); ++k) {
            const Run &before = plateaus[k - 1], &after = plateaus[k];
            const int lastOld = index[before.last];
            const double t0 = t[lastOld];
            const double gap = t[index[after.first]] - t0;
            if (gap < 0 || gap > T::StepLongestSeconds)
                continue;
            const double p0 = Level(p, index, before), p1 = Level(p, index, after);
            const double step = p1 - p0;
            if (std::abs(step) < T::StepMinimumBar - 1e-9)
                continue;
            const double dir = step > 0 ? 1.0 : -1.0;
            bool allFollow = true;
            double response[3];
            const QVector<double> *series[3] = {&a, &b, &x};
            for (int sig = 0; sig < 3; ++sig) {
                const QVector<double> &v = *series[sig];
                const double l0 = Level(v, index, before), l1 = Level(v, index, after);
                if ((l1 - l0) * dir < T::StepMinimumBar / 2 - 1e-9) {
                    allFollow = false;
                    break;
                }
                const double target = l0 + T::ResponseFraction * (l1 - l0);
                response[sig] = t[index[after.last]] - t0;
                for (int q = before.last + 1; q <= after.last; ++q) {
                    if ((v[index[q]] - target) * dir >= -1e-9) {
                        response[sig] = t[index[q]] - t0;
                        break;
                    }
                }
            }
            if (!allFollow)
                continue;
            const double peers = (response[0] + response[1]) / 2;
            const double cell = response[2];
            if (cell > T::SlowRatio * peers + 1e-9 && cell - peers >= T::SlowExtraSeconds - 1e-9) {
                CellFinding f;
                f.kind = CellFinding::Kind::Slow;
                f.start = t0;
                f.end = t0 + cell;
                f.cellValue = p0;
                f.peerValue = p1;
                f.cellSeconds = cell;
                f.peerSeconds = peers;
                findings.append(f);
            }
        }
    }

    double Ratio() const
    {
        QVector<double> ratios;
        ratios.reserve(n);
        for (int i = 0; i < n; ++i)
            if (agree[i] && !excluded[i] && p[i] >= T::RatioMinimumBar - 1e-9)
                ratios.append(x[i] / p[i]);
        return Median(ratios);
    }

private:
    double Length(const Run &r) const { return t[r.last] - t[r.first]; }

    static double Mean(const QVector<double> &v, const Run &r, const QVector<char> &flag)
    {
        double sum = 0.0;
        int count = 0;
        for (int i = r.first; i <= r.last; ++i)
            if (flag[i]) {
                sum += v[i];
                ++count;
            }
        return count ? sum / count : 0.0;
    }

    // Mean of v over the later half (in time) of a steady level, where the
    // slowest reading has settled most.
    double Level(const QVector<double> &v, const QVector<int> &index, const Run &r) const
    {
        const double from = (t[index[r.first]] + t[index[r.last]]) / 2;
        double sum = 0.0;
        int count = 0;
        for (int q = r.first; q <= r.last; ++q)
            if (t[index[q]] >= from - 1e-9) {
                sum += v[index[q]];
                ++count;
            }
        return count ? sum / count : v[index[r.last]];
    }

    const QVector<double> &t;
    const int n;
    QVector<double> x, a, b, p, weight;
    QVector<char> valid, agree, excluded;
};

} // namespace

CellVerdict CellHealthAnalysis::AnalyseCell(const QVector<double> &times, const QVector<std::array<double, 3>> &cells, int cell)
{
    CellVerdict verdict;
    verdict.cell = cell + 1;
    for (const auto &c : cells)
        if (std::max({c[0], c[1], c[2]}) >= CellHealthThresholds::MinimumReadingBar) {
            verdict.hasReadings = true;
            break;
        }
    if (!verdict.hasReadings)
        return verdict;
    CellJudge judge(times, cells, cell);
    judge.CurrentLimited(verdict.findings);
    judge.Disagrees(verdict.findings);
    judge.Slow(verdict.findings);
    std::stable_sort(verdict.findings.begin(), verdict.findings.end(),
                     [](const CellFinding &l, const CellFinding &r) { return l.start < r.start; });
    verdict.ratio = judge.Ratio();
    return verdict;
}

DiveBattery CellHealthAnalysis::BatteryOf(const QuorLogSession &session)
{
    DiveBattery battery;
    const QVector<QuorLogBattery> &records = session.Batteries();
    if (records.isEmpty())
        return battery;
    const double start = session.DiveStartTime(), end = session.DiveEndTime();
    const QuorLogBattery *first = &records.last();
    const QuorLogBattery *last = &records.first();
    if (start < 0)
        first = &records.first();
    else
        for (const QuorLogBattery &r : records)
            if (r.Time() >= start) {
                first = &r;
                break;
            }
    if (end < 0)
        last = &records.last();
    else
        for (const QuorLogBattery &r : records)
            if (r.Time() <= end)
                last = &r;
    battery.logged = true;
    battery.startVolts = first->Voltage();
    battery.endVolts = last->Voltage();
    return battery;
}

QString CellHealthAnalysis::HandsetSerial(const QuorLog &log)
{
    QString serial = log.DeviceInfo().serialNumber.trimmed();
    if (serial.startsWith(QLatin1String("SN:")))
        serial = serial.mid(3).trimmed();
    return serial;
}

DiveCellHealth CellHealthAnalysis::AnalyseSession(const QuorLogSession &session)
{
    DiveCellHealth health;
    const QuorLogDiveSummary summary = session.Summary();
    health.diveNumber = summary.diveNumber;
    health.diveStart = summary.diveStart;
    health.diveStartTime = session.DiveStartTime() >= 0 ? session.DiveStartTime() : 0.0;
    const QVector<QuorLogSample> &samples = session.Samples();
    QVector<double> times;
    times.reserve(samples.size());
    for (const QuorLogSample &s : samples)
        times.append(s.time - health.diveStartTime);
    QVector<std::array<double, 3>> cells(samples.size());
    for (int controller = 1; controller <= 2; ++controller) {
        const int base = controller == 1 ? 0 : 4;
        for (int i = 0; i < samples.size(); ++i)
            for (int c = 0; c < 3; ++c)
                cells[i][size_t(c)] = samples[i].ppO2[size_t(base + c)];
        for (int c = 0; c < 3; ++c) {
            CellVerdict verdict = AnalyseCell(times, cells, c);
            verdict.controller = controller;
            health.Cell(controller, c + 1) = verdict;
        }
    }
    health.battery = BatteryOf(session);
    return health;
}

DiveCellHealth CellHealthAnalysis::AnalyseDive(const QuorLog &log)
{
    const QuorLogSession *session = log.IdentifiedSession();
    DiveCellHealth health;
    if (log.IsValid() && session)
        health = AnalyseSession(*session);
    health.filePath = log.FilePath();
    health.handsetSerial = HandsetSerial(log);
    return health;
}
