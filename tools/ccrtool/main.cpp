#include "CcrTool.h"

#include <QCoreApplication>

namespace {
// The library's trace lines belong in the program's status log; here only
// warnings reach stderr, so scripts see just the tool's own messages.
void QuietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    QTextStream(stderr) << message << "\n";
}
}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(QuietHandler);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CcrTool tool(out, err);
    return tool.Run(app.arguments().mid(1));
}
