#include "core/store/courseday.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/recordheader.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

namespace velmora {
namespace {

/** Characters of "yyyy年mm月dd日" at the head of a course-day name. */
constexpr qsizetype kDateLength = 11;

/** The date a name begins with, written yyyy年mm月dd日; invalid when it begins otherwise. */
QDate DateOfName(const QString &name)
{
    if (name.size() < kDateLength || name.at(4) != QChar(u'年') || name.at(7) != QChar(u'月') ||
        name.at(10) != QChar(u'日'))
        return {};
    std::string digits;
    for (const qsizetype at : {0, 1, 2, 3, 5, 6, 8, 9}) {
        const QChar c = name.at(at);
        digits += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
    }
    return DateOfDigits(digits);
}

} // namespace

CourseDay::CourseDay(QString fileBase)
    : m_name(std::move(fileBase))
    , m_date(DateOfName(m_name))
    , m_nameYear(FieldValue(m_name.left(4).toStdString()))
{}

CourseDay CourseDay::Unreadable(QString visibleName)
{
    CourseDay day(std::move(visibleName));
    day.m_readable = false;
    return day;
}

CourseDay CourseDay::OfRecord(std::string_view record)
{
    CourseDay day(FromSjis(RaceDayFileName(record, "")));
    day.m_courseCode = std::string(ReadRecordHeader(record).course);
    return day;
}

QString CourseDay::displayName() const
{
    return VisibleText(m_name);
}

QString CourseDay::courseName() const
{
    return m_date.isValid() ? m_name.mid(kDateLength) : QString();
}

std::string CourseDay::courseCode() const
{
    if (!m_courseCode.empty() || !m_date.isValid())
        return m_courseCode;
    return CourseCodeOf(ToSjis(courseName()));
}

QString CourseDay::filePath(const QString &dataDir, FileKind kind) const
{
    return dataDir + QLatin1Char('/') + m_name + QLatin1String(KindInfo(kind).extension);
}

QString CourseDayDateText(QDate date)
{
    return date.toString(QStringLiteral("yyyy'年'MM'月'dd'日'"));
}

} // namespace velmora
