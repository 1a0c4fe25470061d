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
    void Update(int percent);
    // Ends a bar line before other output.
    void Break();

    static QString Bar(int percent, int estimateSeconds, int width = 30);

private:
    std::FILE *m_out;
    bool m_terminal;
    int m_estimate = 0;
    int m_lastShown = -1;
    bool m_open = false;
};
