#pragma once

#include <QByteArray>

#include <initializer_list>

// {0x01, 0xAA} -> the bytes, for expected frames written out in tests.
inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}
