// Any bytes a sender may write are decoded without harm, record after record as the server
// does, and every path or token that comes out encodes back to exactly the bytes it was read from.
#include "app/HandOffRecord.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using Kind = HandOffRecord::Decoded::Kind;
    QByteArrayView rest(reinterpret_cast<const char *>(data), qsizetype(size));
    while (!rest.isEmpty()) {
        const HandOffRecord::Decoded record = HandOffRecord::decode(rest);
        if (record.kind == Kind::NeedMore || record.kind == Kind::Malformed)
            break;
        if (record.consumed < HandOffRecord::HeaderSize || record.consumed > rest.size() ||
            record.consumed > HandOffRecord::HeaderSize + HandOffRecord::MaxLength)
            std::abort();
        const QByteArrayView taken = rest.first(record.consumed);
        if (record.kind == Kind::Path && HandOffRecord::encodePath(record.path) != taken)
            std::abort();
        if (record.kind == Kind::Activate && HandOffRecord::encodeActivate() != taken)
            std::abort();
        if (record.kind == Kind::Token &&
            HandOffRecord::encodeActivationToken(record.path) != taken)
            std::abort();
        rest = rest.sliced(record.consumed);
    }
    return 0;
}
