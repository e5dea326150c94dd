#pragma once

#include <QRect>

// The windows were designed in twips: 1/1440 inch, so 15 to a pixel at 96 dpi.
constexpr int twipsToPixels(int twips) {
    return twips / 15;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}
