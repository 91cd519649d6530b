#include "fonts.h"

#include <QPalette>
#include <QWidget>

QFont CalibriFont(int pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Calibri"), QStringLiteral("Carlito")});
    font.setPointSize(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

void SetWhiteText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, Qt::white);
    widget->setPalette(palette);
}
