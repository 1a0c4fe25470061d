// Alt+letter shortcuts: within one window no two controls may share a
// letter, in every translation shipped beside the program. A shared letter
// does not press either control; it only moves the focus between them. The
// built-in English texts keep the few shared letters they were designed with
// (listed below) and may gain no others.

#include "Translations.h"
#include "WindowCatalogue.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QTranslator>
#include <QtTest>

namespace {

// The controls of a window that carry a mnemonic, by the key they answer to.
QMultiMap<QString, QString> mnemonics(const QWidget *window)
{
    QMultiMap<QString, QString> found;
    auto add = [&found](const QObject *control, const QString &text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty())
            found.insert(key.toString(), control->objectName());
    };
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>())
        add(button, button->text());
    // A label's letter moves the focus to its buddy; without one it does nothing.
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->buddy())
            add(label, label->text());
    }
    for (const QGroupBox *box : window->findChildren<QGroupBox *>())
        add(box, box->title());
    return found;
}

// Windows of the built-in English texts whose buttons share a letter by
// design: each pair is a choice where the shared letter only moving the
// focus is harmless (it never presses CONTINUE or CONNECT by accident).
const QMap<QString, QStringList> englishSharedLetters = {
    {QStringLiteral("MainDialog"), {QStringLiteral("Alt+C: clockBtn, closeBtn")}},
    {QStringLiteral("YesConfirmation"), {QStringLiteral("Alt+C: cancelBtn, continueBtn")}},
    {QStringLiteral("CancelNextConnect"), {QStringLiteral("Alt+C: cancelBtn, connectBtn")}},
};

} // namespace

class tst_Mnemonics : public QObject
{
    Q_OBJECT
private slots:
    void shippedLanguagesAreFound();
    void uniquePerWindow_data();
    void uniquePerWindow();
};

void tst_Mnemonics::shippedLanguagesAreFound()
{
    // Guards the table below: an empty translations folder would test nothing.
    const QStringList files = QDir(Translations::Folder()).entryList({Translations::FilePattern()}, QDir::Files);
    QVERIFY2(files.contains(QStringLiteral("Tessaro_de.qm")), qPrintable(Translations::Folder()));
}

void tst_Mnemonics::uniquePerWindow_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("windowName");

    QStringList languages{QString()};
    for (const QString &file :
         QDir(Translations::Folder()).entryList({Translations::FilePattern()}, QDir::Files, QDir::Name))
        languages << Translations::LanguageCodeFromFileName(file);
    for (const QString &language : languages) {
        for (const CataloguedWindow &window : AllWindows())
            QTest::addRow("%s: %s", language.isEmpty() ? "built-in English" : qPrintable(language), window.name)
                << language << QString::fromLatin1(window.name);
    }
}

void tst_Mnemonics::uniquePerWindow()
{
    QFETCH(QString, language);
    QFETCH(QString, windowName);

    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(Translations::ProgramBaseName(language), Translations::Folder()));
        QVERIFY(QCoreApplication::installTranslator(&translator));
    }
    std::unique_ptr<QWidget> window;
    for (const CataloguedWindow &entry : AllWindows()) {
        if (windowName == QLatin1String(entry.name))
            window = entry.build();
    }
    QVERIFY(window);

    const QMultiMap<QString, QString> found = mnemonics(window.get());
    QStringList clashes;
    for (const QString &key : found.uniqueKeys()) {
        QStringList controls = found.values(key);
        controls.sort();
        if (controls.size() > 1)
            clashes << key + QStringLiteral(": ") + controls.join(QStringLiteral(", "));
    }
    QCoreApplication::removeTranslator(&translator);
    if (language.isEmpty()) {
        for (const QString &designed : englishSharedLetters.value(windowName))
            clashes.removeAll(designed);
    }
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    // The check saw the window's buttons at all.
    QVERIFY(!found.isEmpty());
}

QTEST_MAIN(tst_Mnemonics)
#include "tst_Mnemonics.moc"
