#pragma once

#include <QString>

// Where downloaded dive logs go. Every window and tool that reads or changes
// the download folder goes through here, so a folder typed by the user means
// the same everywhere and never depends on the folder the program was
// started from.
namespace DownloadFolder {

// The absolute folder for a path the user typed or a settings file holds:
// "~" and "~/..." are the home folder and below it; any other relative path
// is taken below the home folder; an empty text (or one of blanks) is the
// default download folder. The result is cleaned ("a/../b" is "b").
QString Resolve(const QString &typed);

// The stored download folder ("Settings/Download Directory"), resolved.
QString Current();

// Stores the resolved form of typed and returns it.
QString Store(const QString &typed);

} // namespace DownloadFolder
