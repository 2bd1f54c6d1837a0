#include "core/text/sjis.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

#include <QStringDecoder>
#include <QStringEncoder>

namespace velmora {
namespace {

// ICU's "windows-31j" table is Microsoft's CP932: NEC and IBM extensions, and
// the mappings of ～ and － that differ from plain Shift-JIS.
constexpr const char *kCodecName = "windows-31j";

/**
 * The thread's CP932 encoder or decoder: opening ICU's converter costs more than
 * converting a record or a file name, so one serves every clean call. Stateless, it
 * keeps nothing from a clean call; an error stays with a converter, so one that met an
 * error is replaced, made anew in its place (a converter is never moved: ICU keeps
 * the address of its state).
 */
template <typename Converter> Converter &ThreadConverter()
{
    thread_local std::optional<Converter> converter;
    if (!converter || converter->hasError())
        converter.emplace(kCodecName, QStringConverter::Flag::Stateless);
    return *converter;
}

// Qt's ICU-backed encoder substitutes a double-byte "FC FC" for unmappable characters;
// Windows' ANSI conversion writes its default character "?" instead.
std::string EncodeWithQuestionMarks(const QString &text, bool *ok)
{
    QStringEncoder &encoder = ThreadConverter<QStringEncoder>();
    const QByteArray whole = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    if (!encoder.hasError())
        return std::string(whole.constData(), static_cast<size_t>(whole.size()));
    // Only the unmappable characters become "?": retry character by character.
    std::string out;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype len = text.at(start).isHighSurrogate() && start + 1 < text.size() ? 2 : 1;
        QStringEncoder one(kCodecName, QStringConverter::Flag::Stateless);
        const QByteArray bytes = one.encode(QStringView(text).mid(start, len));
        if (one.hasError() || bytes.isEmpty())
            out.push_back('?');
        else
            out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        start += len;
    }
    return out;
}

} // namespace

bool Cp932Available()
{
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    // ～ (8160), ① (8740, NEC special) and 髙 (FBFC, IBM extension) are CP932's own.
    const QByteArray bytes = encoder.encode(QString::fromUtf8("\xEF\xBD\x9E\xE2\x91\xA0\xE9\xAB\x99\xEF\xBD\xB1"));
    return !encoder.hasError() && bytes == QByteArray("\x81\x60\x87\x40\xFB\xFC\xB1", 7);
}

QString FromSjis(std::string_view bytes, bool *ok)
{
    QStringDecoder &decoder = ThreadConverter<QStringDecoder>();
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (ok)
        *ok = decoder.isValid() && !decoder.hasError();
    return text;
}

bool IsValidSjis(std::string_view bytes)
{
    bool ok = false;
    FromSjis(bytes, &ok);
    return ok;
}

std::string ToSjis(const QString &text, bool *ok)
{
    return EncodeWithQuestionMarks(text, ok);
}

std::string SjisToUtf8(std::string_view bytes)
{
    return FromSjis(bytes).toStdString();
}

std::string Utf8ToSjis(std::string_view utf8)
{
    return ToSjis(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

const std::string &Sj(const char *utf8Literal)
{
    // Keyed by the literal's address: each literal of the source is converted once.
    static std::mutex mutex;
    static std::unordered_map<const char *, std::string> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(utf8Literal);
    if (it == cache.end())
        it = cache.emplace(utf8Literal, Utf8ToSjis(utf8Literal)).first;
    return it->second;
}

std::string_view TrimBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    const size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

bool LessIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    auto fold = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
    };
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common;) {
        // Lines of a sorted file share long equal runs (blank slots are hundreds of
        // blanks): equal bytes are passed eight at a time.
        if (common - i >= 8 && std::memcmp(a.data() + i, b.data() + i, 8) == 0) {
            i += 8;
            continue;
        }
        if (a[i] != b[i] && fold(a[i]) != fold(b[i]))
            return fold(a[i]) < fold(b[i]);
        ++i;
    }
    return a.size() < b.size();
}

std::string Format(const char *format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (needed < 0)
        return {};
    if (static_cast<size_t>(needed) < sizeof buffer)
        return std::string(buffer, static_cast<size_t>(needed));
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
    out.resize(static_cast<size_t>(needed));
    return out;
}

} // namespace velmora
