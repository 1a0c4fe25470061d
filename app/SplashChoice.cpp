#include "SplashChoice.h"

namespace {

struct SplashEntry {
    SplashChoice::Size size;
    const char *imagePath;
    const char *logText;
};

const SplashEntry SplashTable[] = {
    {SplashChoice::Size::Small, ":/Images/TessaroSplashSmall.bmp", "Loading Small Splash"},
    {SplashChoice::Size::Medium, ":/Images/TessaroSplashMedium.bmp", "Loading Medium Splash"},
    {SplashChoice::Size::Large, ":/Images/TessaroSplashLarge.bmp", "Loading Large Splash"},
};

const SplashEntry &Entry(SplashChoice::Size size)
{
    for (const SplashEntry &entry : SplashTable) {
        if (entry.size == size)
            return entry;
    }
    return SplashTable[0];
}

} // namespace

SplashChoice::Size SplashChoice::ForAvailableSize(const QSize &available)
{
    const int w = available.width();
    const int h = available.height();
    if (w > 2048 && h > 1200)
        return (w > 4096 && h > 2304) ? Size::Large : Size::Medium;
    return Size::Small;
}

QString SplashChoice::ImagePath(Size size)
{
    return QLatin1String(Entry(size).imagePath);
}

QString SplashChoice::LogText(Size size)
{
    return QLatin1String(Entry(size).logText);
}
