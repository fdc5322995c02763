#include "makersite.h"

#include "weblink.h"

namespace makersite
{

QString makerLine()
{
    return QStringLiteral("泰沃罗测量仪器有限公司    网址: www.telvoro.example    "
                          "电子邮件: service@telvoro.example");
}

QString address()
{
    return QStringLiteral("http://www.telvoro.example");
}

void open()
{
    openWebLink(address());
}

} // namespace makersite
