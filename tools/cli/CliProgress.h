#pragma once

#include <QString>

#include <cstdio>

// Progress of a long operation on the console: a bar with the remaining
// time, redrawn in place, on a terminal; plain lines at every tenth
// otherwise, so logs and pipes stay readable.
class CliProgress
{
public:
    explicit CliProgress(std::FILE *out, bool terminal);

    void SetEstimate(int seconds) { m_estimate = seconds; }
    // What the bar says once the operation is complete ("Download Completed"
    // unless the operation names itself otherwise).
    void SetCompletedText(const QString &text) { m_completedText = text; }
    void Update(int percent);
    // Ends a bar line before other output.
    void Break();

    static QString Bar(int percent, int estimateSeconds, int width = 30,
                       const QString &completedText = QStringLiteral("Download Completed"));

private:
    std::FILE *m_out;
    bool m_terminal;
    int m_estimate = 0;
    QString m_completedText = QStringLiteral("Download Completed");
    int m_lastShown = -1;
    bool m_open = false;
    QString m_lastBar;
};
