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
    // The text with every control character shown as \xNN (and "\" as
    // "\\"), safe to print to a terminal.
    static QString Printable(const QString &text);

private:
    int Summary(const QString &path);
    int Lines(const QString &path);
    int Uddf(const QString &path, const QString &outDir, bool overwrite, bool cellsAsPpo2);
    int Blocks(const QString &path);
    // The oxygen-cell report over all the files' dives.
    int Cells(const QStringList &files);
    // One line on the error stream: "path: text", both made printable.
    void Error(const QString &path, const QString &text);
    // One warning line per record whose CRC failed.
    void ReportDamage(const QString &path, const QStringList &damagedRecords);
    static QString LoadFailureText(const QString &path, const QString &errorText, int result);

    QTextStream &m_out;
    QTextStream &m_err;
};
