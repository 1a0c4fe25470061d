#pragma once

// Runs one of the built command-line programs (they sit beside the tests)
// and keeps what it printed.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun
{
    int exitCode = -1; // -1: did not finish in time; -2: crashed
    QString out;
    QString err;

    static ToolRun Of(const QString &program, const QStringList &arguments, int timeoutMs = 120000,
                      const QString &workingFolder = QString())
    {
        QProcess process;
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
        process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, arguments);
        ToolRun run;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            run.err = QStringLiteral("did not finish");
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
};
