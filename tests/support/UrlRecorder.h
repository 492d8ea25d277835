#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes what the program asks the desktop to open (web addresses and files), so that tests
// see the requests and nothing is really opened.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    UrlRecorder();
    ~UrlRecorder() override;

    QStringList opened;

public slots:
    void open(const QUrl &url);
};
