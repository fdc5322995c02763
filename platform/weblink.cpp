#include "weblink.h"

namespace
{

std::function<void(const QString &)> &customOpener()
{
    static std::function<void(const QString &)> opener;
    return opener;
}

} // namespace

void setWebLinkOpener(std::function<void(const QString &address)> opener)
{
    customOpener() = std::move(opener);
}

void openWebLink(const QString &address)
{
    if (customOpener())
        customOpener()(address);
    else
        openWebLinkWithSystem(address);
}
