#include "linkrules.h"

bool isLinkFault(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::PermissionError:
    case QSerialPort::WriteError:
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        return true;
    default:
        return false;
    }
}
