#include "core/settings/settingsfile.h"

#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace velmora {
namespace {

constexpr QChar OpenCorner(0xFF62);  // ｢
constexpr QChar CloseCorner(0xFF63); // ｣
constexpr QChar DoubleQuote(u'"');

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs: a full-width blank at the end of a Japanese value is
// part of the value.
QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct ProfileLine
{
    enum class Kind
    {
        Other,
        Section,
        Key
    };

    QByteArray raw; // the bytes as on disk, line end included
    Kind kind = Kind::Other;
    QString name;  // section name or key, trimmed
    QString value; // trimmed value of a key
};

struct Profile
{
    enum class State
    {
        Missing,
        Usable,
        Unusable
    };

    State state = State::Missing;
    std::vector<ProfileLine> lines;
};

/**
 * The line end of a line: CR LF or LF; for the file's last line also a CR alone, the
 * half of a CR LF that an editor or a cut write left, which is no part of the value.
 */
QByteArrayView LineEnd(const QByteArray &raw)
{
    if (raw.endsWith("\r\n"))
        return "\r\n";
    if (raw.endsWith('\n'))
        return "\n";
    if (raw.endsWith('\r'))
        return "\r";
    return {};
}

void ParseLine(ProfileLine &line, bool first)
{
    QByteArrayView content(line.raw);
    content.chop(LineEnd(line.raw).size());
    if (first && content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    if (content.contains('\0'))
        return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = TrimBlanks(decoder.decode(content));
    if (decoder.hasError() || text.isEmpty())
        return;

    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return;
        line.kind = ProfileLine::Kind::Section;
        line.name = TrimBlanks(text.mid(1, close - 1));
        return;
    }
    if (text.startsWith(u';') || text.startsWith(u'#'))
        return;
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return;
    line.kind = ProfileLine::Kind::Key;
    line.name = TrimBlanks(text.left(equals));
    line.value = TrimBlanks(text.mid(equals + 1));
}

Profile LoadProfile(const QString &path, QString *reason = nullptr)
{
    Profile profile;
    if (path.isEmpty()) {
        profile.state = Profile::State::Unusable;
        if (reason)
            *reason = QStringLiteral("設定ファイルの場所がありません");
        return profile;
    }
    // Folders, pipes and devices are refused without waiting on them.
    QByteArray bytes;
    const ReadStatus status = ReadRegularFile(path, SettingsFile::MaxFileSize, bytes, reason);
    if (status == ReadStatus::Missing)
        return profile;
    if (status != ReadStatus::Ok) {
        profile.state = Profile::State::Unusable;
        return profile;
    }

    profile.state = Profile::State::Usable;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        ProfileLine line;
        line.raw = bytes.sliced(start, end - start);
        ParseLine(line, start == 0);
        profile.lines.push_back(std::move(line));
        start = end;
    }
    return profile;
}

/** Index of the first key line of that name in any occurrence of the section. */
std::optional<size_t> FindKey(const Profile &profile, const QString &section, const QString &key)
{
    bool inSection = false;
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        const ProfileLine &line = profile.lines[i];
        if (line.kind == ProfileLine::Kind::Section)
            inSection = SameName(line.name, section);
        else if (inSection && line.kind == ProfileLine::Kind::Key && SameName(line.name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<QString> LookUp(const QString &path, const QString &section, const QString &key)
{
    const QString sectionName = TrimBlanks(section);
    const QString keyName = TrimBlanks(key);
    if (sectionName.isEmpty() || keyName.isEmpty())
        return std::nullopt;
    const Profile profile = LoadProfile(path);
    if (const auto index = FindKey(profile, sectionName, keyName))
        return profile.lines[*index].value;
    return std::nullopt;
}

bool HasLineBreakOrNul(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

// Names that would read back as something else are refused rather than
// written into a file that no longer means what the caller asked for.
bool UsableSection(const QString &name)
{
    return !name.isEmpty() && !name.contains(u']') && !HasLineBreakOrNul(name);
}

bool UsableKey(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'=') && !name.startsWith(u'[') && !name.startsWith(u';') &&
           !name.startsWith(u'#') && !HasLineBreakOrNul(name);
}

QByteArray NewLineOf(const Profile &profile)
{
    for (const ProfileLine &line : profile.lines) {
        const QByteArrayView end = LineEnd(line.raw);
        if (end.endsWith('\n'))
            return end.toByteArray();
    }
    return QByteArrayLiteral("\n");
}

bool SaveProfile(const QString &path, const Profile &profile, LinkRule links, QString &error)
{
    QByteArray bytes;
    for (const ProfileLine &line : profile.lines)
        bytes += line.raw;
    // A file this program could not read back would lose every setting.
    if (bytes.size() > SettingsFile::MaxFileSize) {
        error = ReadStatusText(ReadStatus::TooLarge);
        return false;
    }
    return WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &error,
                               links);
}

bool WriteValue(const QString &path, LinkRule links, const QString &section, const QString &key, const QString &value,
                QString &error)
{
    const QString sectionName = TrimBlanks(section);
    const QString keyName = TrimBlanks(key);
    if (!UsableSection(sectionName) || !UsableKey(keyName) || HasLineBreakOrNul(value)) {
        error = QStringLiteral("設定の名前または値に使えない文字があります");
        return false;
    }
    Profile profile = LoadProfile(path, &error);
    if (profile.state == Profile::State::Unusable)
        return false;

    std::vector<ProfileLine> &lines = profile.lines;
    const QByteArray newLine = NewLineOf(profile);
    if (const auto index = FindKey(profile, sectionName, keyName)) {
        ProfileLine &line = lines[*index];
        const QByteArray raw = (line.name + u'=' + value).toUtf8() + LineEnd(line.raw).toByteArray();
        // The windows write their places and choices again and again; a line that would
        // not change leaves the file alone (each replace is a sync to the disk).
        if (raw == line.raw)
            return true;
        line.raw = raw;
        return SaveProfile(path, profile, links, error);
    }

    ProfileLine keyLine;
    keyLine.raw = (keyName + u'=' + value).toUtf8() + newLine;
    size_t insertAt = lines.size();
    bool sectionFound = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != ProfileLine::Kind::Section || !SameName(lines[i].name, sectionName))
            continue;
        sectionFound = true;
        insertAt = i + 1;
        for (size_t j = i + 1; j < lines.size() && lines[j].kind != ProfileLine::Kind::Section; ++j) {
            if (lines[j].kind == ProfileLine::Kind::Key)
                insertAt = j + 1;
        }
        break;
    }
    // The line before the insertion may be the file's last, left without a line end or
    // with a CR alone, which only an LF after it keeps from joining the next line.
    if (insertAt > 0) {
        QByteArray &last = lines[insertAt - 1].raw;
        if (LineEnd(last).isEmpty())
            last += newLine;
        else if (LineEnd(last) == "\r")
            last += '\n';
    }
    if (!sectionFound) {
        ProfileLine sectionLine;
        sectionLine.raw = (u'[' + sectionName + u']').toUtf8() + newLine;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(sectionLine));
        ++insertAt;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(keyLine));
    return SaveProfile(path, profile, links, error);
}

std::optional<int> ParseInteger(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Gathered as a negative number: the int range reaches one further below zero.
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(1) << 31)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

SettingsFile::SettingsFile(const QString &programFile)
    : m_programFile(programFile)
{}

void SettingsFile::setFileName(const QString &fileName)
{
    m_fileName = fileName;
    resolvePath();
}

void SettingsFile::setDefaultFolder(SettingsFolder defaultFolder)
{
    m_defaultFolder = defaultFolder;
    resolvePath();
}

void SettingsFile::useProgramFileName()
{
    if (!m_fileName.isEmpty())
        return;
    QString baseName = QFileInfo(m_programFile).completeBaseName();
    if (baseName.isEmpty())
        baseName = QStringLiteral("velmora");
    setFileName(baseName + QStringLiteral(".ini"));
}

void SettingsFile::resolvePath()
{
    if (m_fileName.isEmpty() || QDir::fromNativeSeparators(m_fileName).contains(u'/')) {
        m_path = m_fileName;
        return;
    }
    switch (m_defaultFolder) {
    case SettingsFolder::Application:
        m_path = ApplicationFolder(m_programFile) + u'/' + m_fileName;
        break;
    case SettingsFolder::UserConfig: {
        // Without a home there is no per-user folder; an empty path fails every
        // write instead of landing in the root folder.
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        m_path = folder.isEmpty() ? QString() : folder + u'/' + m_fileName;
        break;
    }
    case SettingsFolder::Current:
        m_path = m_fileName;
        break;
    }
}

int SettingsFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    const std::optional<QString> text = LookUp(m_path, section, key);
    if (!text)
        return defaultValue;
    return ParseInteger(*text).value_or(defaultValue);
}

bool SettingsFile::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

QString SettingsFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    // The default goes through the same unquoting as a stored value, wrapped
    // so that it always comes back as given.
    const QString result = LookUp(m_path, section, key).value_or(OpenCorner + defaultValue + CloseCorner);
    const qsizetype size = result.size();
    if (size == 2 && ((result[0] == DoubleQuote && result[1] == DoubleQuote) ||
                      (result[0] == OpenCorner && result[1] == CloseCorner)))
        return QString();
    if (size > 2 && ((result.front() == DoubleQuote && result.back() == DoubleQuote) ||
                     (result.front() == OpenCorner && result.back() == CloseCorner)))
        return result.mid(1, size - 2);
    return result;
}

bool SettingsFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    m_error.clear();
    return WriteValue(m_path, m_linkRule, section, key, value, m_error);
}

} // namespace velmora
