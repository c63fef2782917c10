#include "ui/AboutPanel.h"

#include "ui/ApplicationIcon.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

namespace quorvel::AboutPanel {

QString creditsText()
{
    return QStringLiteral(
        "A small desktop accessory that displays the current take number during a recording "
        "session \u2014 REAPER, Logic Pro, Pro Tools, Nuendo, Cubase, and Ableton Live.");
}

QDialog* create(QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QStringLiteral("About Quorvel"));

    auto* icon = new QLabel(dialog);
    icon->setPixmap(QPixmap::fromImage(ApplicationIcon::render(96)));
    icon->setAlignment(Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Quorvel"), dialog);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignHCenter);

    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QApplication::applicationVersion()), dialog);
    version->setAlignment(Qt::AlignHCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* credits = new QLabel(creditsText(), dialog);
    credits->setObjectName(QStringLiteral("credits"));
    credits->setWordWrap(true);
    credits->setAlignment(Qt::AlignHCenter);
    // The small system size (11 of 13) in the secondary label colour: the text at half strength.
    QFont creditsFont = credits->font();
    creditsFont.setPointSizeF(creditsFont.pointSizeF() * 11.0 / 13.0);
    credits->setFont(creditsFont);
    QPalette creditsPalette = credits->palette();
    QColor secondary = creditsPalette.color(QPalette::WindowText);
    secondary.setAlphaF(0.55f);
    creditsPalette.setColor(QPalette::WindowText, secondary);
    credits->setPalette(creditsPalette);

    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(8);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(6);
    layout->addWidget(credits);
    dialog->setFixedWidth(320);
    return dialog;
}

void show()
{
    static QPointer<QDialog> dialog;
    if (!dialog) {
        dialog = create();
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace quorvel::AboutPanel
