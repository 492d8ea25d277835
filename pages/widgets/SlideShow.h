#pragma once

#include <QList>
#include <QPair>
#include <QPixmap>

// The pictures shown while copying, each with its time in seconds.
namespace SlideShow {
using Slides = QList<QPair<QPixmap, int>>;

// The configured pictures that load, in order, up to the first gap in the numbering; the
// built-in picture for 30 seconds when none does.
Slides load();

// `current` with `following` painted over its top left corner at `opacity` (0 to 1).
QPixmap blend(const QPixmap &current, const QPixmap &following, qreal opacity);

// A picture's time as a timer interval, kept within what a timer takes.
int holdMilliseconds(int seconds);
} // namespace SlideShow
