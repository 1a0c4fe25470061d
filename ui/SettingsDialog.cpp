#include "SettingsDialog.h"
#include "ui_SettingsDialog.h"

#include "AppSettings.h"
#include "DownloadFolder.h"
#include "Translations.h"
#include "UniformButtons.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QSignalBlocker>

namespace {

// Folders typed or chosen by the user are created at once, so the download
// never meets a missing folder.
void ensureFolder(const QString &path)
{
    if (!path.isEmpty() && !QDir(path).exists())
        QDir().mkpath(path);
}

QString upperFirst(const QString &text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingsDialog)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);

    FillLanguageList(Translations::Folder());
    ui->dirEdit->setText(DownloadFolder::Current());
    ui->uddfPpo2Check->setChecked(AppSettings::BoolValue(AppSettings::Key::UddfCellsAsPpo2));

    WindowGeometry::Restore(this, AppSettings::Key::GeometrySettings);
}

SettingsDialog::~SettingsDialog()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometrySettings);
    delete ui;
}

QString SettingsDialog::SystemLanguageCode()
{
    const QLocale system = QLocale::system();
    // A system without a language setting (the "C" locale) reads as English.
    if (system.language() == QLocale::C)
        return QStringLiteral("en");
    QString code = system.name();
    const int lastUnderscore = code.lastIndexOf(QLatin1Char('_'));
    if (lastUnderscore >= 0)
        code.truncate(lastUnderscore);
    return code;
}

void SettingsDialog::FillLanguageList(const QString &folder)
{
    const QSignalBlocker blocker(ui->languageCombo);
    ui->languageCombo->clear();

    QString systemCode = SystemLanguageCode();
    ui->languageCombo->addItem(QLocale::languageToString(QLocale(systemCode).language()), systemCode);

    qInfo() << "Drop down langPath" << folder;
    const QStringList files = QDir(folder).entryList({Translations::FilePattern()}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QString code = Translations::LanguageCodeFromFileName(file);
        if (code.isEmpty() || ui->languageCombo->findData(code) >= 0)
            continue;
        ui->languageCombo->addItem(upperFirst(QLocale(code).nativeLanguageName()), code);
    }
}

void SettingsDialog::SetLanguage(const QString &languageCode)
{
    const int index = ui->languageCombo->findData(languageCode);
    if (index < 0)
        return;
    const QSignalBlocker blocker(ui->languageCombo);
    ui->languageCombo->setCurrentIndex(index);
}

void SettingsDialog::SetMetricUnits(bool metric)
{
    m_metricUnits = metric;
    if (metric)
        ui->radioButtonMetric->setChecked(true);
    else
        ui->radioButtonImperial->setChecked(true);
}

QString SettingsDialog::DownloadDirectory() const
{
    return DownloadFolder::Resolve(ui->dirEdit->text());
}

void SettingsDialog::ShowResolvedFolder()
{
    const QString folder = DownloadFolder::Resolve(ui->dirEdit->text());
    if (ui->dirEdit->text() != folder)
        ui->dirEdit->setText(folder);
}

void SettingsDialog::on_languageCombo_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    emit LoadLanguage(ui->languageCombo->itemData(index).toString());
}

void SettingsDialog::on_dirBtn_clicked()
{
    ShowResolvedFolder();
    const QString start = ui->dirEdit->text();
    ensureFolder(start);
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Select Download Folder"), start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty()) {
        ui->dirEdit->setText(chosen);
        ui->dirEdit->setFocus();
    }
}

void SettingsDialog::on_dirEdit_editingFinished()
{
    // The edit shows the folder that will really be used, so a relative
    // entry is seen to land below the home folder.
    ShowResolvedFolder();
    ensureFolder(ui->dirEdit->text());
}

void SettingsDialog::KeepChoices()
{
    m_metricUnits = ui->radioButtonMetric->isChecked();
    ShowResolvedFolder();
    ensureFolder(DownloadFolder::Store(ui->dirEdit->text()));
    AppSettings::SetValue(AppSettings::Key::UddfCellsAsPpo2, ui->uddfPpo2Check->isChecked());
}

void SettingsDialog::on_closeBtn_clicked()
{
    KeepChoices();
    accept();
}

void SettingsDialog::reject()
{
    // The window has no cancel: Escape and the title-bar button close it as
    // CLOSE does, keeping what the user chose.
    KeepChoices();
    QDialog::reject();
}

bool SettingsDialog::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        UniformButtons::Equalise({ui->dirBtn, ui->closeBtn});
    return QDialog::event(event);
}

void SettingsDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
