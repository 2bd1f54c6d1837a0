#include "core/store/atomicfile.h"

#include "core/store/regularfile.h"

#include <cerrno>

#include <QSaveFile>

namespace velmora {

bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error)
{
    // The rename would put a file in the place of a folder's name, a pipe or a device
    // that something else relies on.
    if (TypeOfPath(path) == PathType::Other) {
        if (error)
            *error = ReadStatusText(ReadStatus::NotRegular);
        return false;
    }
    QSaveFile file(path);
    // Qt words a full disk as "Unknown error": the error number, taken right after the
    // call that failed, gives the reason a person can act on.
    auto fail = [&] {
        const int reason = errno;
        if (error)
            *error = FileErrorText(reason, file.errorString());
        return false;
    };
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // commit() does not see an error of the last buffered write (a full disk, a size
    // limit) and would rename a cut file into place: flush and check first. An
    // uncommitted QSaveFile removes its temporary file when it is destroyed.
    const auto size = static_cast<qint64>(bytes.size());
    errno = 0;
    if (file.write(bytes.data(), size) != size || !file.flush())
        return fail();
    errno = 0;
    if (!file.commit())
        return fail();
    return true;
}

} // namespace velmora
