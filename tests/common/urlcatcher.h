#pragma once

// Keeps the web addresses the program asks the desktop to open, instead of starting a browser,
// for as long as it lives.

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};
