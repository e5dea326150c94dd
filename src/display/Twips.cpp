#include "Twips.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwipsPerPixel = 15;
constexpr double kDesignLetterWidth = 6; // pixels, average of A-Z and a-z
constexpr double kDesignLineHeight = 13; // pixels
} // namespace

TwipsScale::TwipsScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double letterWidth = metrics.horizontalAdvance(letters) / letters.size();
    // Never smaller than designed; wider or taller letters enlarge the whole window.
    const double factor =
        std::max({1.0, letterWidth / kDesignLetterWidth, metrics.height() / kDesignLineHeight});
    m_pixelsPerTwip = factor / kTwipsPerPixel;
}

int TwipsScale::pixels(int twips) const {
    return int(std::lround(twips * m_pixelsPerTwip));
}

QRect TwipsScale::rect(int left, int top, int width, int height) const {
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}
