#pragma once

#include <QSize>
#include <QString>

// Which splash picture suits a screen, by the primary screen's available
// size: above 2048 x 1200 Medium, above 4096 x 2304 Large, otherwise Small
// (both dimensions must exceed a threshold).
class SplashChoice
{
public:
    enum class Size { Small, Medium, Large };

    static Size ForAvailableSize(const QSize &available);
    static QString ImagePath(Size size);   // ":/Images/TessaroSplash....bmp"
    static QString LogText(Size size);     // "Loading ... Splash"
};
