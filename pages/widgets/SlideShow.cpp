#include "SlideShow.h"

#include "ConfiguredPicture.h"
#include "wizard/Config.h"

#include <QPainter>

#include <algorithm>
#include <climits>

SlideShow::Slides SlideShow::load()
{
    Slides slides;
    const ConfigFile config;
    for (int n = 1; config.contains(Config::ImageFile, n); ++n) {
        const QPixmap picture = configuredPicture(config.value(Config::ImageFile, n).toString());
        const int seconds = config.value(Config::ImageTime, n).toInt();
        if (!picture.isNull())
            slides.append({picture, seconds});
    }
    if (slides.isEmpty())
        slides.append({QPixmap(QStringLiteral(":/res/image.jpg")), 30});
    return slides;
}

QPixmap SlideShow::blend(const QPixmap &current, const QPixmap &following, qreal opacity)
{
    QPixmap frame = current.copy();
    QPainter painter(&frame);
    painter.setOpacity(opacity);
    painter.drawPixmap(0, 0, following);
    return frame;
}

int SlideShow::holdMilliseconds(int seconds)
{
    return int(std::clamp<qint64>(qint64(seconds) * 1000, 0, INT_MAX));
}
