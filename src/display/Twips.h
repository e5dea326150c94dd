#pragma once

#include <QRect>

class QFont;

// The windows were designed in twips (1/1440 inch, 15 to a pixel at 96 dpi) for an 8-point face
// whose letters average 6 pixels wide and whose lines stand 13 high. A larger face scales every
// position and size alike, so the arrangement and proportions hold and no caption is cut.
class TwipsScale {
public:
    explicit TwipsScale(const QFont& font);

    int pixels(int twips) const;
    QRect rect(int left, int top, int width, int height) const;

private:
    double m_pixelsPerTwip;
};
