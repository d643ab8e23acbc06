#include "app/HandOffRecord.h"

#include <QStringDecoder>
#include <QtEndian>

namespace HandOffRecord {
namespace {

using Kind = Decoded::Kind;

Decoded malformed()
{
    return {Kind::Malformed, {}, 0, 0};
}

} // namespace

QByteArray encode(quint32 tag, QByteArrayView data)
{
    QByteArray record(HeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint32>(tag, record.data());
    qToLittleEndian<quint32>(quint32(data.size()), record.data() + 4);
    record.append(data);
    return record;
}

QByteArray encodePath(const QString &path)
{
    QByteArray data = path.toUtf8();
    data.append('\0');
    return encode(PathTag, data);
}

QByteArray encodeActivationToken(const QString &token)
{
    QByteArray data = token.toUtf8();
    data.append('\0');
    return encode(TokenTag, data);
}

QByteArray encodeActivate()
{
    return encode(PathTag, {});
}

Decoded decode(QByteArrayView buffer)
{
    if (buffer.size() < HeaderSize)
        return {};
    const quint32 tag = qFromLittleEndian<quint32>(buffer.data());
    const quint32 length = qFromLittleEndian<quint32>(buffer.data() + 4);
    if (length > MaxLength)
        return malformed();
    const qsizetype total = HeaderSize + qsizetype(length);
    if (buffer.size() < total)
        return {};
    if (tag != PathTag && tag != TokenTag)
        return {Kind::Foreign, {}, tag, total};
    if (length == 0)
        return tag == PathTag ? Decoded{Kind::Activate, {}, tag, total} : malformed();
    const QByteArrayView text = buffer.sliced(HeaderSize, length - 1);
    if (buffer[total - 1] != '\0' || text.contains('\0'))
        return malformed();
    // A leading byte-order mark is part of the name, not a hint to drop.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString path = utf8.decode(text);
    if (utf8.hasError())
        return malformed();
    return {tag == PathTag ? Kind::Path : Kind::Token, std::move(path), tag, total};
}

} // namespace HandOffRecord
