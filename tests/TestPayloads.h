#pragma once
// Payloads made in one line for the tests' tables.

#include "bus/Payloads.h"

#include <string>

inline QVPlugin::DataInfo MakeDataInfo(int type, const QString &account, const QString &name, std::string data = {},
                                       std::string hash = {})
{
    QVPlugin::DataInfo info;
    info.type = type;
    info.account = account;
    info.name = name;
    info.data = std::move(data);
    info.hash = std::move(hash);
    return info;
}
