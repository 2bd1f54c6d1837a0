#include "core/store/atomicfile.h"

#include <QSaveFile>

namespace velmora {

bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error)
{
    QSaveFile file(path);
    auto fail = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // commit() does not see an error of the last buffered write (a full disk, a size
    // limit) and would rename a cut file into place: flush and check first. An
    // uncommitted QSaveFile removes its temporary file when it is destroyed.
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.flush())
        return fail();
    if (!file.commit())
        return fail();
    return true;
}

} // namespace velmora
