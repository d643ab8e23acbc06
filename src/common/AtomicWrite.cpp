#include "common/AtomicWrite.h"

#include "common/StagedFile.h"

namespace quillmere {

// A staged file written in one go: the temporary file is named after the target, so that one
// left by a crash is recognisable beside it, and it keeps the target's permissions.
WriteResult atomicWrite(const QString &path, const QByteArray &bytes)
{
    StagedFile file;
    if (!file.open(path))
        return {false, QStringLiteral("cannot create a temporary file beside the target: ") +
                           file.errorText()};
    if (file.keepTargetPermissions() && file.write(bytes.constData(), bytes.size()) &&
        file.commit())
        return {true, {}};
    file.discard();
    return {false, QStringLiteral("cannot write the file: ") + file.errorText()};
}

} // namespace quillmere
