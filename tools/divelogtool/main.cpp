#include "DiveLogTool.h"

#include <QCoreApplication>

namespace {
// The library's trace and warning lines belong in the program's status log.
// The tool reports every failure and every damaged record itself, once, so
// only what it cannot know about (critical messages) reaches stderr here.
void QuietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        return;
    QTextStream(stderr) << DiveLogTool::Printable(message) << "\n";
}
}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(QuietHandler);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    DiveLogTool tool(out, err);
    return tool.Run(app.arguments().mid(1));
}
