// The sixteen fonts every text of the app is set in. Text styles keep their
// sizes in proportion and grow with the desktop's text size; the three
// display sizes are fixed. Text uses DejaVu Sans, whose digits all share one
// advance width, so live readouts never jitter as their digits change.
#pragma once

#include <QFont>
#include <QString>

namespace zephrane::Theme {

enum class FontToken {
    callout,
    calloutMedium,
    calloutSemibold,
    body,
    bodyMedium,
    bodyDigits,
    headline,
    subheadlineSemibold,
    subheadlineMedium,
    title2Semibold,
    title3Semibold,
    caption2,
    caption2Semibold,
    display20,
    display24,
    display34,
};

struct FontStyle {
    double pixelSize = 0;  // at the standard text size, in logical pixels
    QFont::Weight weight = QFont::Normal;
    bool followsTextSize = true;  // false for the fixed display sizes
};

FontStyle fontStyle(FontToken token);

inline const QString kTextFamily = QStringLiteral("DejaVu Sans");

// How much the desktop's text size enlarges the text styles: its general
// font's point size over the common desktop default of 10 pt. Never shrinks
// them (a small desktop font must not make the app illegible) and is capped
// where layouts stop holding; a size that is not a number gives 1.
double textScale(double desktopPointSize);

QFont makeFont(FontToken token, double scale);

}  // namespace zephrane::Theme
