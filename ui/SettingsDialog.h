#pragma once

#include <QDialog>

namespace Ui { class SettingsDialog; }

// The user's settings: language (applied at once through LoadLanguage),
// units, download folder and the UDDF name of the cell readings. However the
// window is closed (CLOSE, Escape, the title-bar button), the download folder
// and the UDDF choice are stored and the units flag is kept for the main
// window to read back after the dialog returns.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Selects the entry whose code is languageCode; no change when none matches.
    void SetLanguage(const QString &languageCode);
    void SetMetricUnits(bool metric);
    bool MetricUnits() const { return m_metricUnits; }
    // The download folder as it will be used (relative entries resolved).
    QString DownloadDirectory() const;

    // The system language's code: the locale name cut at its last "_"
    // ("en" for a system without a language setting).
    static QString SystemLanguageCode();

    // Rebuilds the language list: the system language first, then one entry
    // per "Tessaro_*.qm" file in folder. Emits nothing.
    void FillLanguageList(const QString &folder);

signals:
    void LoadLanguage(QString newLanguage);

private slots:
    void on_languageCombo_currentIndexChanged(int index);
    void on_dirBtn_clicked();
    void on_dirEdit_editingFinished();
    void on_closeBtn_clicked();

public slots:
    void reject() override;

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ShowResolvedFolder();
    void KeepChoices();

    Ui::SettingsDialog *ui;
    bool m_metricUnits = true;
};
