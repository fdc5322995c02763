#pragma once

// Keeps the web addresses the program asks to open, instead of starting a browser, for as long
// as it lives.

#include "weblink.h"

#include <QList>
#include <QUrl>

class UrlCatcher
{
public:
    UrlCatcher()
    {
        setWebLinkOpener([this](const QString &address) { urls.append(QUrl(address)); });
    }
    ~UrlCatcher() { setWebLinkOpener({}); }
    UrlCatcher(const UrlCatcher &) = delete;
    UrlCatcher &operator=(const UrlCatcher &) = delete;

    QList<QUrl> urls;
};
