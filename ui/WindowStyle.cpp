#include "WindowStyle.h"

#include <QIcon>
#include <QWidget>

namespace {

// One row per dynamic button property: background, hover, pressed, padding,
// and the text colour the property sets (null: the buttons' black).
struct ButtonLook {
    const char *property;
    const char *background;
    const char *hover;
    const char *pressed;
    const char *padding;
    const char *text;
};

const ButtonLook buttonLooks[] = {
    {"BtnMenu", "none", nullptr, nullptr, "padding-left: 45px;", "rgb(156, 156, 156)"},
    {"BtnMenuNoIcon", "none", nullptr, nullptr, "padding-left: 3px; padding-right: 3px;", "white"},
    {"BtnYellow", "rgb(255, 221, 0)", "rgb(229, 198, 0)", "rgb(171, 148, 0)", "padding-left: 45px;", nullptr},
    {"BtnYellowNoIcon", "rgb(255, 221, 0)", "rgb(229, 198, 0)", "rgb(171, 148, 0)",
     "padding-left: 6px; padding-right: 6px;", nullptr},
    {"BtnYellowIconRight", "rgb(255, 221, 0)", "rgb(229, 198, 0)", "rgb(171, 148, 0)",
     "padding-left: 6px; padding-right: 45px;", nullptr},
    {"BtnWhite", "white", "rgb(229, 229, 229)", "rgb(171, 171, 171)", "padding-left: 45px;", nullptr},
    {"BtnWhiteNoIcon", "white", "rgb(229, 229, 229)", "rgb(171, 171, 171)",
     "padding-left: 6px; padding-right: 6px;", nullptr},
    {"BtnOffWhite", "rgb(246, 246, 246)", "rgb(229, 229, 229)", "rgb(171, 171, 171)", "padding-left: 45px;",
     nullptr},
    {"BtnOffWhiteNoIcon", "rgb(246, 246, 246)", "rgb(229, 229, 229)", "rgb(171, 171, 171)",
     "padding-left: 6px; padding-right: 45px;", nullptr},
};

// A disabled button must not look clickable: buttons with a background turn
// a flat mid grey (neither the yellow nor the white of any live button, nor
// the grey of a pressed one) with dark text; text-only buttons grey their
// text. These rules follow the property rules, so they win over them.
const char disabledFilledBackground[] = "rgb(150, 150, 150)";
const char disabledFilledText[] = "rgb(62, 62, 62)";
const char disabledTextOnly[] = "rgb(97, 97, 97)";

QString buttonRules()
{
    QString css;
    for (const ButtonLook &look : buttonLooks) {
        const QString selector = QStringLiteral("QPushButton[%1=\"true\"]").arg(QLatin1String(look.property));
        QString base = QStringLiteral("background: %1; %2").arg(QLatin1String(look.background),
                                                                 QLatin1String(look.padding));
        if (look.text)
            base += QStringLiteral(" color: %1;").arg(QLatin1String(look.text));
        css += QStringLiteral("%1 { %2 }\n").arg(selector, base);
        if (look.hover)
            css += QStringLiteral("%1:hover { background: %2; }\n").arg(selector, QLatin1String(look.hover));
        if (look.pressed)
            css += QStringLiteral("%1:pressed { background: %2; }\n").arg(selector, QLatin1String(look.pressed));
    }
    for (const ButtonLook &look : buttonLooks) {
        const QString selector
            = QStringLiteral("QPushButton[%1=\"true\"]:disabled").arg(QLatin1String(look.property));
        if (qstrcmp(look.background, "none") == 0)
            css += QStringLiteral("%1 { color: %2; }\n").arg(selector, QLatin1String(disabledTextOnly));
        else
            css += QStringLiteral("%1 { background: %2; color: %3; }\n")
                       .arg(selector, QLatin1String(disabledFilledBackground), QLatin1String(disabledFilledText));
    }
    return css;
}

} // namespace

QString WindowStyle::ApplicationStyleSheet()
{
    return QStringLiteral(
               "QDialog { background: rgb(62, 62, 62); }\n"
               "QPushButton { color: black; border: none; text-align: center; }\n"
               "QPushButton:disabled { color: rgb(97, 97, 97); }\n"
               "QProgressBar { background: black; color: white; text-align: center; }\n"
               "QProgressBar::chunk { background: rgb(0, 180, 255); }\n")
        + buttonRules();
}

QString WindowStyle::DialogStyleSheet()
{
    return QStringLiteral(
               "QDialog { background: rgb(62, 62, 62); }\n"
               "QLabel { color: rgb(156, 156, 156); }\n"
               "QRadioButton, QCheckBox { color: rgb(156, 156, 156); }\n"
               "QPushButton { color: black; border: none; text-align: center; min-height: 40px; }\n"
               "QPushButton:disabled { color: rgb(97, 97, 97); }\n")
        + buttonRules();
}

QString WindowStyle::FieldStateStyle(int state)
{
    const QString pattern = QStringLiteral(
        "border: 2px solid %1; border-radius: 5px; font: bold 12px; color: white; padding: 3px");
    switch (state) {
    case 2:
        return pattern.arg(QStringLiteral("orange"));
    case 3:
        return pattern.arg(QStringLiteral("red"));
    default:
        return QString();
    }
}

QString WindowStyle::WindowIconPath()
{
    return QStringLiteral(":/Quor-C.ico");
}

void WindowStyle::ApplyDialogLook(QWidget *dialog)
{
    dialog->setStyleSheet(DialogStyleSheet() + dialog->styleSheet());
    dialog->setWindowIcon(QIcon(WindowIconPath()));
}
