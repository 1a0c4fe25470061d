#pragma once

#include <QDialog>

namespace Ui { class ok; }

// One-button message window, for example to report a lost connection.
class ok : public QDialog
{
    Q_OBJECT
public:
    explicit ok(QWidget *parent = nullptr);
    ~ok() override;

    void SetStatement(const QString &statement);

    // Shows statement in a modal window with the icon at iconPath and
    // returns once the user has closed it. Callers translate the text.
    static void Show(QWidget *parent, const QString &statement, const QString &iconPath);

private slots:
    void on_okBtn_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::ok *ui;
};
