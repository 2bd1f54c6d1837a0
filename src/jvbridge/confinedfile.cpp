#include "jvbridge/confinedfile.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::jvbridge {
namespace fs = std::filesystem;
namespace {

/** The tries at a free name for the new file before giving up. */
constexpr int kNameTries = 100;

#ifdef _WIN32

/** An open file handle, closed when it goes. */
class File
{
  public:
    ~File()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    /** Creates `path` only when nothing has that name; false when something has. */
    bool create(const fs::path &path, bool &taken)
    {
        m_handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = m_handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return m_handle != INVALID_HANDLE_VALUE;
    }
    bool write(const std::string &bytes)
    {
        for (std::size_t at = 0; at < bytes.size();) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(m_handle, bytes.data() + at, piece, &written, nullptr) || written == 0)
                return false;
            at += written;
        }
        return true;
    }
    bool close()
    {
        const bool closed = CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

void RemoveOwn(const fs::path &path)
{
    DeleteFileW(path.c_str());
}

bool Replace(const fs::path &from, const fs::path &to)
{
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

#else

/** An open file descriptor, closed when it goes. */
class File
{
  public:
    ~File()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    /** Creates `path` only when nothing has that name (a dangling link included); false when something has. */
    bool create(const fs::path &path, bool &taken)
    {
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        taken = m_fd < 0 && errno == EEXIST;
        return m_fd >= 0;
    }
    bool write(const std::string &bytes)
    {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t written = ::write(m_fd, bytes.data() + at, bytes.size() - at);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            at += static_cast<std::size_t>(written);
        }
        return true;
    }
    bool close()
    {
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }

  private:
    int m_fd = -1;
};

void RemoveOwn(const fs::path &path)
{
    ::unlink(path.c_str());
}

bool Replace(const fs::path &from, const fs::path &to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

#endif

} // namespace

PathKind KindOfPath(const fs::path &path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Other;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::Link;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
#else
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT ? PathKind::Missing : PathKind::Other;
    if (S_ISLNK(status.st_mode))
        return PathKind::Link;
    if (S_ISDIR(status.st_mode))
        return PathKind::Folder;
    return S_ISREG(status.st_mode) ? PathKind::File : PathKind::Other;
#endif
}

bool WriteByRename(const fs::path &target, const std::string &bytes, const fs::path &folder)
{
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        fs::path partial = folder / target.filename();
        partial += attempt == 0 ? std::string(".part") : "." + std::to_string(attempt) + ".part";
        File file;
        bool taken = false;
        if (!file.create(partial, taken)) {
            if (taken)
                continue;
            return false;
        }
        // From here the file is ours: on any failure it goes again.
        if (!file.write(bytes) || !file.close() || !Replace(partial, target)) {
            RemoveOwn(partial);
            return false;
        }
        return true;
    }
    return false;
}

} // namespace velmora::jvbridge
