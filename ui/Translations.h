#pragma once

#include <QString>

// Where the program's translations live and how their files are named. The
// settings window lists the files and the main window loads them through the
// same names, so every language the list offers can actually be loaded (also
// on case-sensitive file systems).
class Translations
{
public:
    // "translations" beside the program.
    static QString Folder();
    // File pattern of the program's own translations: "Tessaro_*.qm".
    static QString FilePattern();
    // Base name (without ".qm") of the program's translation for a code:
    // "Tessaro_de".
    static QString ProgramBaseName(const QString &languageCode);
    // Base name of the toolkit's translation for a code: "qt_de".
    static QString ToolkitBaseName(const QString &languageCode);
    // Language code from a file name: cut at the last ".", then strip up to
    // and including the first "_" ("Tessaro_pt_BR.qm" gives "pt_BR").
    static QString LanguageCodeFromFileName(const QString &fileName);
};
