#pragma once

#include <QFont>

namespace velmora::render {

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

/**
 * The face that draws the digits of bet lists. At the lists' 11 to 13 pixels IPA
 * Mincho draws 8 almost as 3 (its left strokes come out light grey) and IPA Gothic
 * blurs 3, 5, 6 and 8 together; VL Gothic keeps every digit distinct at those sizes,
 * with the same half-width advance, so the columns of a bet still line up.
 */
inline const QString kDigitFace = QStringLiteral("VL Gothic");

/**
 * The font of a list of bets (" 3 - 13"): `family` at a pixel size, its digits
 * drawn in kDigitFace; the designed family serves where that face is missing.
 */
QFont BetListFont(const QString &family, int pixelSize, bool bold = false);

} // namespace velmora::render
