#include "DownloadDialogCommon.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextCursor>

#include <cmath>

QLabel *DownloadDialogCommon::InstallProgressLabel(QProgressBar *bar)
{
    if (!bar->isTextVisible())
        return nullptr;
    bar->setTextVisible(false);
    auto *label = new QLabel(bar);
    label->setObjectName(QStringLiteral("progressLabel"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent; padding-right: 8px;"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    return label;
}

QString DownloadDialogCommon::MinutesSeconds(const QString &pattern, int seconds)
{
    seconds = std::max(0, seconds);
    const auto twoDigits = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return pattern.arg(twoDigits(seconds / 60), twoDigits(seconds % 60));
}

QString DownloadDialogCommon::ProgressText(int value, int maximum, int estimateSeconds, const QString &completedText,
                                           const QString &remainingPattern)
{
    const double fraction = maximum < 1 ? 0.0 : double(value) / double(maximum);
    if (fraction == 1.0)
        return completedText;
    if (estimateSeconds == 0)
        return QString();
    return MinutesSeconds(remainingPattern, int(std::trunc((1.0 - fraction) * estimateSeconds)));
}

void DownloadDialogCommon::AppendMessage(QPlainTextEdit *edit, const QString &msg, bool replaceLast)
{
    if (replaceLast && edit->document()->blockCount() <= 1) {
        edit->clear();
    } else if (replaceLast) {
        QTextCursor cursor(edit->document());
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.deletePreviousChar(); // the line break before the removed line
    }
    QString text = msg;
    text.replace(QStringLiteral("~~~"), QStringLiteral("\n"));
    edit->appendPlainText(text);
}

void DownloadDialogCommon::EnsureFolder(const QString &path)
{
    if (!path.isEmpty() && !QDir(path).exists())
        QDir().mkpath(path);
}
