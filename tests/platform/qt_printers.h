#pragma once

// Readable failure messages for the Qt types the platform tests compare.

#include <QByteArray>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"';
    for (const char ch : bytes) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '\n')
            *os << "\\n";
        else if (ch == '\r')
            *os << "\\r";
        else if (u < 0x20 || u >= 0x7F) {
            const char* hex = "0123456789abcdef";
            *os << "\\x" << hex[u >> 4] << hex[u & 0xF];
        } else
            *os << ch;
    }
    *os << '"';
}
