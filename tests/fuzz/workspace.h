#pragma once

#include <cstdlib>
#include <string_view>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QString>
#include <QTemporaryDir>

namespace velmora::fuzz {

/**
 * A fresh application folder for each input, inside one temporary folder of the
 * process: whatever the code under test writes must stay inside it.
 */
class Workspace
{
  public:
    Workspace()
    {
        static QTemporaryDir root;
        m_root = root.path();
        m_app = m_root + QStringLiteral("/app");
        QDir(m_app).removeRecursively();
        QDir().mkpath(m_app + QStringLiteral("/Data"));
    }

    /** Stops the run (a finding) when anything but the application folder appeared in the root. */
    ~Workspace()
    {
        const QStringList entries =
            QDir(m_root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        if (entries != QStringList{QStringLiteral("app")})
            std::abort();
    }

    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    const QString &app() const { return m_app; }
    QString data() const { return m_app + QStringLiteral("/Data"); }

  private:
    QString m_root;
    QString m_app;
};

/** The input split at `separator` into at most `parts` pieces (the last keeps the rest). */
inline std::vector<std::string_view> Split(std::string_view input, std::string_view separator, size_t parts)
{
    std::vector<std::string_view> pieces;
    while (pieces.size() + 1 < parts) {
        const size_t at = input.find(separator);
        if (at == std::string_view::npos)
            break;
        pieces.push_back(input.substr(0, at));
        input.remove_prefix(at + separator.size());
    }
    pieces.push_back(input);
    return pieces;
}

} // namespace velmora::fuzz
