#include "TreeWalk.h"

QString Platform::escapedName(const QByteArray &name)
{
    QString escaped;
    for (qsizetype i = 0; i < name.size();) {
        // The shortest run of bytes from here that survives decoding and encoding again is a
        // character; a byte that starts none is shown by its value.
        qsizetype length = 1;
        while (length <= 4 && i + length <= name.size()
               && QString::fromUtf8(name.mid(i, length)).toUtf8() != name.mid(i, length))
            ++length;
        if (length <= 4 && i + length <= name.size()) {
            escaped += QString::fromUtf8(name.mid(i, length));
            i += length;
        } else {
            escaped += QStringLiteral("\\x%1").arg(uchar(name[i]), 2, 16, QLatin1Char('0'));
            ++i;
        }
    }
    return escaped;
}
