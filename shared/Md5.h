#pragma once
// Lower-case hex MD5 of bytes, as the chat service's data messages carry it.

#include <QCryptographicHash>

#include <string>

inline std::string Md5Hex(const std::string &bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}
