#pragma once

#include <QtGlobal>

// Window and control geometry is given in twips, 1/1440 inch. At 96 dots per
// inch that is 15 twips to a logical pixel; Qt scales logical pixels to the
// screen.
constexpr int TwipsPerPixel = 15;

constexpr int pixelsFromTwips(int twips) {
    return (twips + (twips >= 0 ? TwipsPerPixel / 2 : -TwipsPerPixel / 2)) / TwipsPerPixel;
}

struct Twips {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
