#pragma once

#include <QFont>

namespace velmora::gui {

/**
 * The program's windows name the fonts "ＭＳ ゴシック", "ＭＳ 明朝" and "ＭＳ Ｐ明朝";
 * they are mapped to the metric-compatible IPA fonts, so fixed-width columns of
 * CP932 texts (one byte half width, two bytes full width) line up as designed.
 */
void InstallFontSubstitutions();

/** The font families as the program names them. */
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kMincho = QStringLiteral("ＭＳ 明朝");
inline const QString kPMincho = QStringLiteral("ＭＳ Ｐ明朝");

/** A font of `family` with a pixel size, optionally bold. */
QFont PixelFont(const QString &family, int pixelSize, bool bold = false);

} // namespace velmora::gui
