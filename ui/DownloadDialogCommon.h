#pragma once

#include <QString>

class QLabel;
class QWidget;
class QPlainTextEdit;
class QProgressBar;

// What the download windows (V1, V2) and the .ccx window share: the label
// inside the progress bar, the time texts, the message log with its
// replace-the-last-line rule, and the download folder.
class DownloadDialogCommon
{
public:
    // When the bar draws its own text, hides it and puts a right-aligned
    // white label ("progressLabel") inside the bar instead; null otherwise.
    static QLabel *InstallProgressLabel(QProgressBar *bar);

    // Fills a "%1:%2" text with minutes and seconds, each at least two
    // digits: 65 gives "01:05".
    static QString MinutesSeconds(const QString &pattern, int seconds);

    // The label's text for a progress value: completedText at the maximum,
    // else the remaining part of the estimate in remainingPattern ("%1:%2"),
    // else an empty text (no estimate: the label keeps what it shows).
    static QString ProgressText(int value, int maximum, int estimateSeconds, const QString &completedText,
                                const QString &remainingPattern);

    // Adds a message (its "~~~" separators become line breaks); with
    // replaceLast the last line goes first.
    static void AppendMessage(QPlainTextEdit *edit, const QString &msg, bool replaceLast);

    // Creates a missing folder (with its parents); nothing for an empty path.
    static void EnsureFolder(const QString &path);
};
