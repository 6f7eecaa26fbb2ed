#pragma once

// What every fuzz target shares: one application object for the whole run (the parsers
// use Qt's event machinery and translations), a silent log, and a reader that takes
// settings and pieces out of the input.

#include "log/log.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstring>

inline void fuzzSetUp()
{
    static const bool done = [] {
        static int argc = 1;
        static char name[] = "zkfuzz";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        Logger::setEcho(false);
        Logger::setLogLevel(Logger::FATAL);
        return true;
    }();
    (void)done;
}

// Reads the input front to back; past its end every read gives zeros and empty pieces.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : p(data), n(size) {}

    bool empty() const { return at >= n; }
    size_t remaining() const { return n - at; }

    uint8_t byte() { return at < n ? p[at++] : 0; }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    float f32()
    {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // `count` bytes (fewer at the end).
    QByteArray bytes(size_t count)
    {
        const size_t k = count < remaining() ? count : remaining();
        QByteArray out(reinterpret_cast<const char *>(p + at), qsizetype(k));
        at += k;
        return out;
    }
    QByteArray rest() { return bytes(remaining()); }
    // The rest cut into pieces whose lengths the input chooses (one length byte, then
    // that many bytes), as reads from a port arrive.
    QList<QByteArray> chunks()
    {
        QList<QByteArray> out;
        while (!empty())
            out << bytes(size_t(byte()) + 1);
        return out;
    }

private:
    const uint8_t *p;
    size_t n;
    size_t at = 0;
};
