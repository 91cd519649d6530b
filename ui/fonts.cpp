#include "fonts.h"

#include "languagesconfig.h"

#include <QPalette>
#include <QWidget>

QStringList ProgramFontFamilies()
{
    // Han characters take the shapes of the language shown: Japanese before Chinese in a
    // Japanese window, Chinese first otherwise. Titles may carry emoji.
    const bool bJapanese = CLanguagesConfig::GetInstance()->GetLang() == QLatin1String("Japanese");
    const QString chinese = QStringLiteral("Noto Sans CJK SC");
    const QString japanese = QStringLiteral("Noto Sans CJK JP");
    return {QStringLiteral("Calibri"), QStringLiteral("Carlito"), bJapanese ? japanese : chinese,
            bJapanese ? chinese : japanese, QStringLiteral("Noto Color Emoji")};
}

QFont CalibriFont(int pointSize, bool bold)
{
    QFont font;
    font.setFamilies(ProgramFontFamilies());
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
