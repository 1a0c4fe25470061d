#include "CliProgress.h"

CliProgress::CliProgress(std::FILE *out, bool terminal) : m_out(out), m_terminal(terminal) {}

QString CliProgress::Bar(int percent, int estimate, int width, const QString &completedText)
{
    percent = qBound(0, percent, 100);
    const int filled = percent * width / 100;
    QString bar = QStringLiteral("[") + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'))
                  + QStringLiteral("] %1%").arg(percent, 3);
    if (percent >= 100) {
        bar += QStringLiteral("  ") + completedText;
    } else if (estimate > 0) {
        const int remaining = int((1.0 - percent / 100.0) * estimate);
        bar += QStringLiteral("  Remaining Time %1:%2").arg(remaining / 60).arg(remaining % 60, 2, 10, QLatin1Char('0'));
    }
    return bar;
}

void CliProgress::Update(int percent)
{
    if (m_terminal) {
        // Redrawn only when it changes: an upload reports every page.
        const QString bar = Bar(percent, m_estimate, 30, m_completedText);
        if (m_open && bar == m_lastBar)
            return;
        m_lastBar = bar;
        std::fprintf(m_out, "\r%s", qPrintable(bar));
        std::fflush(m_out);
        m_open = true;
        return;
    }
    const int step = percent / 10 * 10;
    if (step == m_lastShown)
        return;
    m_lastShown = step;
    std::fprintf(m_out, "Progress %d%%\n", step);
    std::fflush(m_out);
}

void CliProgress::Break()
{
    if (m_open) {
        std::fprintf(m_out, "\n");
        m_open = false;
    }
}
