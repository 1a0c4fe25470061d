#include "About.h"
#include "AppSettings.h"
#include "DeviceStatus.h"
#include "PrivateSettingsDialog.h"
#include "SettingsDialog.h"
#include "StatusLog.h"
#include "Translations.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QSpinBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QStringList comboCodes(const SettingsDialog &dialog)
{
    const auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("languageCombo"));
    QStringList codes;
    for (int i = 0; i < combo->count(); ++i)
        codes << combo->itemData(i).toString();
    return codes;
}

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QString systemLanguageCode()
{
    if (QLocale::system().language() == QLocale::C)
        return QStringLiteral("en");
    QString code = QLocale::system().name();
    const int underscore = code.lastIndexOf(QLatin1Char('_'));
    return underscore < 0 ? code : code.left(underscore);
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class tst_SettingsWindows : public QObject
{
    Q_OBJECT
private slots:
    void languageCodeFromFileName_data();
    void languageCodeFromFileName();
    void languageListFromFolder_data();
    void languageListFromFolder();
    void languageChoiceEmitsLoadLanguage();
    void everyListedLanguageLoads();
    void germanTranslationIsComplete();
    void choicesAreKeptHoweverClosed_data();
    void choicesAreKeptHoweverClosed();
    void downloadFolderIsCreated();
    void relativeDownloadFolderIsBelowHome_data();
    void relativeDownloadFolderIsBelowHome();
    void browseCreatesFolderBeforeChooser();
    void privateSettingsOkAndCancel();
    void showOpensStatusLogFolder();
    void deviceStatusBorders_data();
    void deviceStatusBorders();
    void deviceStatusAbsentUnit();
    void aboutShowsVersionAndLink();
    void aboutContactCaptionsAreTranslated();
};

void tst_SettingsWindows::languageCodeFromFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("code");
    QTest::newRow("language") << "Tessaro_de.qm" << "de";
    QTest::newRow("language and territory") << "Tessaro_pt_BR.qm" << "pt_BR";
    QTest::newRow("dots before the suffix") << "Tessaro_de.v2.qm" << "de.v2";
}

void tst_SettingsWindows::languageCodeFromFileName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, code);
    QCOMPARE(Translations::LanguageCodeFromFileName(fileName), code);
}

void tst_SettingsWindows::languageListFromFolder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("codesAfterSystem");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("no translations") << QStringList() << QStringList() << QStringList();
    QTest::newRow("German") << QStringList{"Tessaro_de.qm"} << QStringList{"de"} << QStringList{"Deutsch"};
    QTest::newRow("language and territory")
        << QStringList{"Tessaro_pt_BR.qm"} << QStringList{"pt_BR"} << QStringList{QString::fromUtf8("Português")};
    QTest::newRow("other files ignored")
        << QStringList{"Tessaro_fr.qm", "qt_de.qm", "Tessaro_it.ts", "Other_es.qm"} << QStringList{"fr"}
        << QStringList{QString::fromUtf8("Français")};
}

void tst_SettingsWindows::languageListFromFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, codesAfterSystem);
    QFETCH(QStringList, texts);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &file : files)
        touch(folder.filePath(file));

    SettingsDialog dialog;
    QSignalSpy spy(&dialog, &SettingsDialog::LoadLanguage);
    dialog.FillLanguageList(folder.path());
    QCOMPARE(spy.count(), 0);

    const QStringList codes = comboCodes(dialog);
    QVERIFY(!codes.isEmpty());
    QCOMPARE(codes.first(), systemLanguageCode());
    QStringList expected = codesAfterSystem;
    expected.removeAll(systemLanguageCode());
    QCOMPARE(codes.mid(1), expected);

    const auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("languageCombo"));
    for (int i = 0; i < texts.size() && i + 1 < combo->count(); ++i)
        QCOMPARE(combo->itemText(i + 1), texts.at(i));
}

void tst_SettingsWindows::languageChoiceEmitsLoadLanguage()
{
    QTemporaryDir folder;
    touch(folder.filePath(QStringLiteral("Tessaro_pt_BR.qm")));
    SettingsDialog dialog;
    dialog.FillLanguageList(folder.path());
    QSignalSpy spy(&dialog, &SettingsDialog::LoadLanguage);

    dialog.SetLanguage(QStringLiteral("pt_BR"));
    dialog.SetLanguage(QStringLiteral("xx"));
    QCOMPARE(spy.count(), 0);
    auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("languageCombo"));
    QCOMPARE(combo->currentData().toString(), QStringLiteral("pt_BR"));

    combo->setCurrentIndex(0);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), systemLanguageCode());
}

void tst_SettingsWindows::everyListedLanguageLoads()
{
    // The list and the loader must agree on the file names, also where the
    // file system tells "Tessaro_" from "tessaro_".
    SettingsDialog dialog;
    const QStringList codes = comboCodes(dialog).mid(1);
    QVERIFY2(codes.contains(QStringLiteral("de")), qPrintable(Translations::Folder()));
    for (const QString &code : codes) {
        QTranslator translator;
        QVERIFY2(translator.load(Translations::ProgramBaseName(code), Translations::Folder()), qPrintable(code));
        QVERIFY(!translator.isEmpty());
    }
    QTranslator german;
    QVERIFY(german.load(Translations::ProgramBaseName(QStringLiteral("de")), Translations::Folder()));
    QCOMPARE(german.translate("MainDialog", "RECONNECT"), QStringLiteral("NEU VERBINDEN"));
}

void tst_SettingsWindows::germanTranslationIsComplete()
{
    QFile ts(qEnvironmentVariable("TESSARO_SOURCE_DIR") + QStringLiteral("/ui/translations/Tessaro_de.ts"));
    QVERIFY2(ts.open(QIODevice::ReadOnly), qPrintable(ts.fileName()));
    QXmlStreamReader xml(&ts);
    QString context;
    QString source;
    int messages = 0;
    QStringList untranslated;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
            ++messages;
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const QString text = xml.readElementText();
            if (unfinished || text.isEmpty())
                untranslated << context + QStringLiteral(": ") + source;
        }
    }
    QVERIFY(!xml.hasError());
    QVERIFY(messages > 0);
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

void tst_SettingsWindows::choicesAreKeptHoweverClosed_data()
{
    QTest::addColumn<QString>("closedBy");
    QTest::newRow("CLOSE") << "CLOSE";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("title-bar button") << "title bar";
}

void tst_SettingsWindows::choicesAreKeptHoweverClosed()
{
    // The window has no cancel: however it is closed, what the user chose stays.
    QFETCH(QString, closedBy);
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("chosen"));
    // The UDDF cell-name choice starts off and is turned on, then off again.
    QSettings().remove(AppSettings::KeyName(AppSettings::Key::UddfCellsAsPpo2));
    for (const bool metric : {true, false}) {
        SettingsDialog dialog;
        dialog.SetMetricUnits(!metric);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.findChild<QRadioButton *>(metric ? QStringLiteral("radioButtonMetric")
                                                : QStringLiteral("radioButtonImperial"))
            ->setChecked(true);
        dialog.findChild<QLineEdit *>(QStringLiteral("dirEdit"))->setText(folder);
        auto *ppo2 = dialog.findChild<QCheckBox *>(QStringLiteral("uddfPpo2Check"));
        QCOMPARE(ppo2->isChecked(), !metric);
        ppo2->setChecked(metric);
        if (closedBy == QLatin1String("CLOSE"))
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("closeBtn")), Qt::LeftButton);
        else if (closedBy == QLatin1String("Escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.MetricUnits(), metric);
        QCOMPARE(AppSettings::StringValue(AppSettings::Key::DownloadDirectory), folder);
        QVERIFY(QDir(folder).exists());
        QCOMPARE(AppSettings::BoolValue(AppSettings::Key::UddfCellsAsPpo2), metric);
        QSettings().remove(AppSettings::KeyName(AppSettings::Key::DownloadDirectory));
    }
    QSettings().remove(AppSettings::KeyName(AppSettings::Key::UddfCellsAsPpo2));
}

void tst_SettingsWindows::downloadFolderIsCreated()
{
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("Quor/Quor Log Files/new"));
    SettingsDialog dialog;
    dialog.show();
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("dirEdit"));
    edit->setText(folder);
    QVERIFY(!QDir(folder).exists());
    emit edit->editingFinished();
    QVERIFY(QDir(folder).exists());

    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("closeBtn")), Qt::LeftButton);
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::DownloadDirectory), folder);

    SettingsDialog reopened;
    QCOMPARE(reopened.DownloadDirectory(), folder);
}

void tst_SettingsWindows::relativeDownloadFolderIsBelowHome_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("belowHome");
    QTest::newRow("relative") << "Dives/Tessaro" << "Dives/Tessaro";
    QTest::newRow("relative with dots") << "./Dives/../Logs" << "Logs";
    QTest::newRow("tilde") << "~/Dive Logs" << "Dive Logs";
}

void tst_SettingsWindows::relativeDownloadFolderIsBelowHome()
{
    // Started from some other folder, a relative entry must not land there.
    QFETCH(QString, typed);
    QFETCH(QString, belowHome);
    QTemporaryDir startFolder;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(startFolder.path()));
    const QString expected = QDir::homePath() + QLatin1Char('/') + belowHome;
    QDir(expected).removeRecursively();

    SettingsDialog dialog;
    dialog.show();
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("dirEdit"));
    edit->setText(typed);
    emit edit->editingFinished();
    // The window shows where the folder really is, and it is there.
    QCOMPARE(edit->text(), expected);
    QVERIFY(QDir(expected).exists());
    QCOMPARE(QDir(startFolder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("closeBtn")), Qt::LeftButton);
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::DownloadDirectory), expected);
    QVERIFY(QDir::setCurrent(previous));
    QDir(expected).removeRecursively();
    QSettings().remove(AppSettings::KeyName(AppSettings::Key::DownloadDirectory));
}

void tst_SettingsWindows::browseCreatesFolderBeforeChooser()
{
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("missing/folder"));
    SettingsDialog dialog;
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("dirEdit"))->setText(folder);

    bool folderExistedWhenChooserOpened = false;
    QString chooserTitle;
    // Looks for the chooser until it is up (not once, after a guess of how long it takes).
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        answer.stop();
        chooserTitle = chooser->windowTitle();
        folderExistedWhenChooserOpened = QDir(folder).exists();
        chooser->reject();
    });
    answer.start();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("dirBtn")), Qt::LeftButton);
    QCOMPARE(chooserTitle, QStringLiteral("Select Download Folder"));
    QVERIFY(folderExistedWhenChooserOpened);
    // A cancelled chooser leaves the text alone.
    QCOMPARE(dialog.DownloadDirectory(), folder);
}

void tst_SettingsWindows::privateSettingsOkAndCancel()
{
    for (const bool accept : {true, false}) {
        PrivateSettingsDialog dialog;
        dialog.SetMessageLevel(0);
        dialog.SetFullLogBookRead(false);
        dialog.show();
        dialog.findChild<QSpinBox *>(QStringLiteral("messageLevel"))->setValue(1);
        dialog.findChild<QCheckBox *>(QStringLiteral("checkBoxEnableFullLogBookRead"))->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton *>(accept ? QStringLiteral("okBtn") : QStringLiteral("cancelBtn")),
                          Qt::LeftButton);
        QCOMPARE(dialog.result(), int(accept ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(dialog.MessageLevel(), accept ? 1 : 0);
        QCOMPARE(dialog.FullLogBookRead(), accept);
    }
    PrivateSettingsDialog dialog;
    const auto *spin = dialog.findChild<QSpinBox *>(QStringLiteral("messageLevel"));
    QCOMPARE(spin->minimum(), 0);
    QCOMPARE(spin->maximum(), 1);
}

void tst_SettingsWindows::showOpensStatusLogFolder()
{
    UrlCatcher fileBrowser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &fileBrowser, "open");
    PrivateSettingsDialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("showBtn")), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    // The folder the status log writes into.
    QCOMPARE(fileBrowser.opened, QList<QUrl>{QUrl::fromLocalFile(StatusLog::DefaultFolder())});
    // Showing the folder does not close the window.
    QVERIFY(dialog.isVisible());
}

void tst_SettingsWindows::deviceStatusBorders_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("colour");
    QTest::newRow("good") << 1 << QString();
    QTest::newRow("warning") << 2 << "orange";
    QTest::newRow("error") << 3 << "red";
}

void tst_SettingsWindows::deviceStatusBorders()
{
    QFETCH(int, state);
    QFETCH(QString, colour);

    DeviceStatusRecord record;
    for (DeviceStatusUnit &unit : record.units) {
        unit.present = true;
        unit.serialNumber = QStringLiteral("AB123456");
        unit.codeVersion = QStringLiteral("07.00.03");
        unit.codeDate = QStringLiteral("01/02/2024");
        unit.codeValid = true;
    }
    // Only the controller 2 code date carries the state under test.
    record.units[DeviceStatusRecord::UnitController2].fieldState[DeviceStatusUnit::RowCodeDate] = state;

    DeviceStatus dialog;
    dialog.SetRecord(record);
    for (int u = 0; u < DeviceStatusRecord::UnitCount; ++u) {
        for (int r = 0; r < DeviceStatusUnit::RowCount; ++r) {
            const auto unit = static_cast<DeviceStatusRecord::Unit>(u);
            const auto row = static_cast<DeviceStatusUnit::Row>(r);
            const QString style = dialog.Cell(unit, row)->styleSheet();
            if (unit == DeviceStatusRecord::UnitController2 && row == DeviceStatusUnit::RowCodeDate && !colour.isEmpty())
                QCOMPARE(style, QStringLiteral("border: 2px solid %1; border-radius: 5px; font: bold 12px; "
                                               "color: white; padding: 3px").arg(colour));
            else
                QVERIFY2(style.isEmpty(), qPrintable(style));
        }
    }
    QCOMPARE(dialog.Cell(DeviceStatusRecord::UnitDisplay, DeviceStatusUnit::RowCodeValidity)->text(),
             QStringLiteral("Valid"));
    QCOMPARE(dialog.Cell(DeviceStatusRecord::UnitController1, DeviceStatusUnit::RowCodeVersion)->text(),
             QStringLiteral("07.00.03"));
}

void tst_SettingsWindows::deviceStatusAbsentUnit()
{
    DeviceStatusRecord record;
    DeviceStatusUnit &display = record.units[DeviceStatusRecord::UnitDisplay];
    display.present = true;
    display.serialNumber = QStringLiteral("XY000001 - Invalid");
    display.codeValid = false;
    display.fieldState = {{3, 3, 3, 3}};
    // Controller 1 absent, but with leftover states: an absent unit shows no border.
    record.units[DeviceStatusRecord::UnitController1].fieldState = {{3, 2, 3, 2}};

    DeviceStatus dialog;
    dialog.SetRecord(record);
    QCOMPARE(dialog.Cell(DeviceStatusRecord::UnitDisplay, DeviceStatusUnit::RowCodeValidity)->text(),
             QStringLiteral("Invalid"));
    for (const auto unit : {DeviceStatusRecord::UnitController1, DeviceStatusRecord::UnitController2}) {
        QCOMPARE(dialog.Cell(unit, DeviceStatusUnit::RowSerialNumber)->text(), QStringLiteral("No Device Detected"));
        for (const auto row : {DeviceStatusUnit::RowCodeVersion, DeviceStatusUnit::RowCodeValidity,
                               DeviceStatusUnit::RowCodeDate}) {
            QVERIFY(dialog.Cell(unit, row)->text().isEmpty());
            QVERIFY(dialog.Cell(unit, row)->styleSheet().isEmpty());
        }
    }
}

void tst_SettingsWindows::aboutShowsVersionAndLink()
{
    About about;
    const QString text = about.findChild<QLabel *>(QStringLiteral("aboutText"))->text();
    QVERIFY2(text.startsWith(QStringLiteral("Tessaro S, Version 1.2.6.0\n\n")), qPrintable(text));
    const auto *link = about.findChild<QLabel *>(QStringLiteral("homePageLink"));
    QVERIFY(link->openExternalLinks());
    QVERIFY(link->text().contains(QStringLiteral("href=\"https://")));
}

void tst_SettingsWindows::aboutContactCaptionsAreTranslated()
{
    QTranslator german;
    QVERIFY(german.load(Translations::ProgramBaseName(QStringLiteral("de")), Translations::Folder()));
    QVERIFY(QCoreApplication::installTranslator(&german));
    About about;
    const QString text = about.findChild<QLabel *>(QStringLiteral("aboutText"))->text();
    QCoreApplication::removeTranslator(&german);
    QVERIFY2(text.contains(QStringLiteral("\nTel.: ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nFax: ")), qPrintable(text));
}

QTEST_MAIN(tst_SettingsWindows)
#include "tst_SettingsWindows.moc"
