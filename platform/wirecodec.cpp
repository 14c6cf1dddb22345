#include "wirecodec.h"

#include <atomic>

namespace {
std::atomic<int> g_encoding{int(QStringConverter::Utf8)};
}

void WireCodec::setEncoding(QStringConverter::Encoding encoding)
{
    g_encoding.store(int(encoding), std::memory_order_relaxed);
}

QStringConverter::Encoding WireCodec::encoding()
{
    return QStringConverter::Encoding(g_encoding.load(std::memory_order_relaxed));
}

std::optional<QByteArray> WireCodec::toWire(QStringView text)
{
    const auto enc = encoding();
    if (enc == QStringConverter::Utf8) return text.toUtf8();
    if (enc == QStringConverter::Latin1) {
        for (QChar c : text)
            if (c.unicode() > 0xff) return std::nullopt;
        return text.toLatin1();
    }
    QStringEncoder encoder(enc, QStringConverter::Flag::Stateless);
    QByteArray out = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return out;
}

QString WireCodec::fromWire(const char* bytes, qsizetype length)
{
    if (bytes == nullptr || length <= 0) return QString();
    const auto enc = encoding();
    if (enc == QStringConverter::Utf8) return QString::fromUtf8(bytes, length);
    if (enc == QStringConverter::Latin1) return QString::fromLatin1(bytes, length);
    QStringDecoder decoder(enc, QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(bytes, length));
}
