#include "Announcement.h"

#include <QAccessible>
#include <QString>

void Platform::announce(QObject *source, const QString &message)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(source, message);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(source)
    Q_UNUSED(message)
#endif
}
