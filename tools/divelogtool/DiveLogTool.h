#pragma once

#include <QStringList>
#include <QTextStream>

// The dive-log command-line tool: summaries, text-form lines, UDDF files and
// the oxygen-cell report of .ccl files, and the memory blocks of .ccx files.
class DiveLogTool
{
public:
    enum ExitCode {
        Ok = 0,
        Usage = 1,
        LoadFailed = 2,   // a file could not be read or held no dive
        NotWritten = 3,   // a UDDF file was not written (exists, or cannot be written)
    };

    DiveLogTool(QTextStream &out, QTextStream &err);
    // Arguments without the program name.
    int Run(const QStringList &arguments);

    static QString UsageText();

private:
    int Summary(const QString &path);
    int Lines(const QString &path);
    int Uddf(const QString &path, const QString &outDir, bool overwrite);
    int Blocks(const QString &path);
    // The oxygen-cell report over all the files' dives.
    int Cells(const QStringList &files);

    QTextStream &m_out;
    QTextStream &m_err;
};
