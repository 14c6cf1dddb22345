// The one conversion between the console's wide text and the 8-bit text on the wire.
//
// Outgoing and incoming text must go through the same encoding: a pair of different code pages
// (one for sending, another for reading back) turns every non-ASCII path or name into garbage on
// the round trip. The default is UTF-8, the system encoding on Linux; a site whose gateways speak
// a legacy code page sets it once at start-up, before any connection runs.
#pragma once

#include "platform_global.h"

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

class TARNPLATFORM_EXPORT WireCodec
{
public:
    // Encoding used from now on by every connection; thread-safe to read at any time.
    static void setEncoding(QStringConverter::Encoding encoding);
    static QStringConverter::Encoding encoding();

    // Wide to wire. Empty optional when the text cannot be represented in the encoding.
    static std::optional<QByteArray> toWire(QStringView text);
    // Wire to wide. Invalid bytes become replacement characters; nothing is dropped silently.
    static QString fromWire(const char* bytes, qsizetype length);
    static QString fromWire(const QByteArray& bytes) { return fromWire(bytes.constData(), bytes.size()); }
};
