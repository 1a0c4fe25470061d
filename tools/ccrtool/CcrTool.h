#pragma once

#include <QStringList>
#include <QTextStream>

// tessaro-ccrtool: makes update files (.ccr) from Intel HEX files, and
// checks update files the way the program loads them.
class CcrTool
{
public:
    enum ExitCode {
        Ok = 0,
        Usage = 1,
        BadInput = 2,   // a HEX file could not be read or holds a bad line
        Refused = 3,    // the update file would be refused by the program
    };

    CcrTool(QTextStream &out, QTextStream &err);
    // Arguments without the program name.
    int Run(const QStringList &arguments);

    static QString UsageText();

private:
    int Make(const QStringList &arguments);
    int Check(const QString &path);
    bool ReadHexFile(const QString &path, QStringList &lines);

    QTextStream &m_out;
    QTextStream &m_err;
};
