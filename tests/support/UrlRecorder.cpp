#include "UrlRecorder.h"

#include <QDesktopServices>

namespace {
const char *const Schemes[] = {"http", "https", "file"};
}

UrlRecorder::UrlRecorder()
{
    for (const char *scheme : Schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

UrlRecorder::~UrlRecorder()
{
    for (const char *scheme : Schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void UrlRecorder::open(const QUrl &url)
{
    opened.append(url.toString());
}
