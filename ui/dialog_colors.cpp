#include "ui/dialog_colors.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

void ApplyDialogColors(QWidget* pWidget)
{
    const QColor back(QRgb(0xFF000000u | GW_DIALOG_BACK));
    const QColor text(QRgb(0xFF000000u | GW_DIALOG_TEXT_RGB));

    QPalette pal = pWidget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, back);
        pal.setColor(group, QPalette::WindowText, text);
        pal.setColor(group, QPalette::Button, back);
        pal.setColor(group, QPalette::ButtonText, text);
        pal.setColor(group, QPalette::Base, Qt::white);
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    // Disabled controls keep the grey face with dimmed text; Qt's own
    // disabled colours would draw them lighter than the enabled ones.
    const QColor dimmed(0x78, 0x78, 0x78);
    pal.setColor(QPalette::Disabled, QPalette::Window, back);
    pal.setColor(QPalette::Disabled, QPalette::Button, back);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, dimmed);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, dimmed);
    pal.setColor(QPalette::Disabled, QPalette::Text, dimmed);
    pal.setColor(QPalette::Disabled, QPalette::Base, back.lighter(115));
    pWidget->setPalette(pal);
    pWidget->setAutoFillBackground(true);
    // Fusion draws group-box titles and check-box labels with WindowText and
    // push buttons with ButtonText, so the palette alone covers every kind.
    // No style sheet here: one on the dialog gives its children palettes of
    // their own, and the titles and labels went back to black.
}
