#pragma once

class QObject;
class QString;

namespace Platform {
// Has the screen reader speak `message` at once, on behalf of `source`, where the Qt in use can
// send such an announcement (6.8 and later); elsewhere nothing happens, so the message must also
// stand where a screen reader reads it anyway.
void announce(QObject *source, const QString &message);
} // namespace Platform
