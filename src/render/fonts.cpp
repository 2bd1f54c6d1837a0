#include "render/fonts.h"

#include <QStringList>

namespace velmora::render {

void InstallFontSubstitutions()
{
    QFont::insertSubstitutions(kGothic, QStringList{QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")});
    QFont::insertSubstitutions(kMincho, QStringList{QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝")});
    QFont::insertSubstitutions(kPMincho, QStringList{QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), QStringList{QStringLiteral("IPAPGothic")});
}

QFont PixelFont(const QString &family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleHint(family == kGothic ? QFont::TypeWriter : QFont::Serif);
    return font;
}

QFont BetListFont(const QString &family, int pixelSize, bool bold)
{
    QFont font = PixelFont(family, pixelSize, bold);
    font.setFamilies({kDigitFace, family});
    return font;
}

} // namespace velmora::render
