#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"
#include "support/testfiles.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

using test::ReadFileBytes;

class RegularFile : public testing::Test
{
  protected:
    QString path(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }
    QString write(const char *name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QString pipe(const char *name) const
    {
        EXPECT_EQ(mkfifo(QFile::encodeName(path(name)).constData(), 0600), 0);
        return path(name);
    }

    QTemporaryDir m_dir;
};

TEST_F(RegularFile, ReadsRegularFilesAndRefusesEverythingElseAtOnce)
{
    QByteArray bytes;
    QString reason;
    EXPECT_EQ(ReadRegularFile(write("a.txt", "abc\r\n"), 100, bytes, &reason), ReadStatus::Ok);
    EXPECT_EQ(bytes, QByteArray("abc\r\n"));
    EXPECT_EQ(ReadRegularFile(write("empty.txt", {}), 100, bytes), ReadStatus::Ok);
    EXPECT_TRUE(bytes.isEmpty());

    // A named pipe without a writer: reading it the ordinary way never returns.
    EXPECT_EQ(ReadRegularFile(pipe("fifo"), 100, bytes, &reason), ReadStatus::NotRegular);
    EXPECT_EQ(reason, ReadStatusText(ReadStatus::NotRegular));
    EXPECT_EQ(ReadRegularFile(m_dir.path(), 100, bytes), ReadStatus::NotRegular);
    EXPECT_EQ(ReadRegularFile(QStringLiteral("/dev/zero"), 100, bytes), ReadStatus::NotRegular);
    EXPECT_EQ(ReadRegularFile(path("missing"), 100, bytes), ReadStatus::Missing);
    EXPECT_EQ(ReadRegularFile(write("big.txt", QByteArray(101, 'x')), 100, bytes, &reason), ReadStatus::TooLarge);
    EXPECT_TRUE(bytes.isEmpty());

    EXPECT_EQ(TypeOfPath(path("a.txt")), PathType::RegularFile);
    EXPECT_EQ(TypeOfPath(path("fifo")), PathType::Other);
    EXPECT_EQ(TypeOfPath(m_dir.path()), PathType::Other);
    EXPECT_EQ(TypeOfPath(path("missing")), PathType::Missing);
    EXPECT_EQ(TypeOfPath(path("a.txt/below")), PathType::Missing);
}

TEST_F(RegularFile, AtomicWriteNeverReplacesAPipeOrAFolder)
{
    const QString fifo = pipe("fifo");
    QString error;
    EXPECT_FALSE(WriteFileAtomically(fifo, "x", &error));
    EXPECT_EQ(error, ReadStatusText(ReadStatus::NotRegular));
    EXPECT_EQ(TypeOfPath(fifo), PathType::Other);
    ASSERT_TRUE(QDir().mkpath(path("folder")));
    EXPECT_FALSE(WriteFileAtomically(path("folder"), "x", &error));
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("fifo"), QStringLiteral("folder")}))
        << "no temporary file is left";
}

TEST_F(RegularFile, AtomicWriteReplacesALinkOrFollowsItOnlyToAnExistingFile)
{
    QTemporaryDir outside;
    const QString target = outside.path() + QStringLiteral("/target");
    const QString nowhere = outside.path() + QStringLiteral("/nowhere");
    for (const QString &pointee : {target, nowhere}) {
        write("target-kept", "kept");
        ASSERT_TRUE(QFile::copy(path("target-kept"), target));
        ASSERT_TRUE(QFile::link(pointee, path("link")));
        ASSERT_TRUE(WriteFileAtomically(path("link"), "new"));
        EXPECT_FALSE(QFileInfo(path("link")).isSymLink()) << "the link itself is replaced";
        EXPECT_EQ(ReadFileBytes(path("link")), "new");
        EXPECT_EQ(ReadFileBytes(target), "kept");
        EXPECT_FALSE(QFileInfo::exists(nowhere)) << "nothing is created where a link points";
        QFile::remove(path("link"));
        QFile::remove(target);
    }

    ASSERT_TRUE(QFile::link(nowhere, path("settings")));
    QString error;
    EXPECT_FALSE(WriteFileAtomically(path("settings"), "new", &error, LinkRule::FollowToExistingFile));
    EXPECT_EQ(error, QStringLiteral("リンク先のファイルがありません"));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    ASSERT_TRUE(QFile::copy(path("target-kept"), nowhere));
    ASSERT_TRUE(QFile::setPermissions(nowhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(WriteFileAtomically(path("settings"), "new", &error, LinkRule::FollowToExistingFile));
    EXPECT_TRUE(QFileInfo(path("settings")).isSymLink());
    EXPECT_EQ(ReadFileBytes(nowhere), "new");
    EXPECT_EQ(QFileInfo(nowhere).permissions() & 0x0FFF, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup)
        << "a replaced file keeps its permissions";
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("nowhere")});
}

TEST(VisibleText, EscapesWhatWouldNotShowAsItselfAndNothingElse)
{
    struct Case
    {
        QByteArray bytes;
        QString visible;
        bool utf8 = true;
    };
    const Case cases[] = {
        {"2026年11月28日東京", QStringLiteral("2026年11月28日東京")},
        {"a\\b ｱ～①髙 \xf0\x9f\x90\x8e", QStringLiteral("a\\b ｱ～①髙 \U0001f40e")},
        {"東京\n偽\r\t", QStringLiteral("東京\\n偽\\r\\t")},
        {"\x1b[2J\x7f", QStringLiteral("\\x1b[2J\\x7f")},
        {"a\xc2\x85"
         "b\xe2\x80\xae"
         "c\xe2\x80\xa8",
         QStringLiteral("a\\u0085b\\u202ec\\u2028")},
        {"日\xff\xe6\x9d\xb1", QStringLiteral("日\\xff東"), false},
        // A cut lead byte, an overlong slash, a UTF-16 surrogate.
        {"\xe6\x9d\xc0\xaf\xed\xa0\x80", QStringLiteral("\\xe6\\x9d\\xc0\\xaf\\xed\\xa0\\x80"), false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VisibleFileName(c.bytes), c.visible) << c.bytes.toStdString();
        EXPECT_EQ(IsValidUtf8(c.bytes), c.utf8) << c.bytes.toStdString();
        if (c.utf8) {
            EXPECT_EQ(VisibleText(QString::fromUtf8(c.bytes)), c.visible);
        }
    }
    EXPECT_EQ(VisibleText(QStringLiteral("一行目\r\n二行目\n三\r行目"), true),
              QStringLiteral("一行目\r\n二行目\n三\\r行目"));
    EXPECT_EQ(VisibleText(QString(QChar(0xD800))), QStringLiteral("\\ud800"));
}

TEST(FileErrors, AreWordedForAPersonWhereTheCauseIsKnown)
{
    EXPECT_EQ(FileErrorText(ENOSPC, QStringLiteral("Unknown error")),
              QStringLiteral("ディスクの空き容量が不足しています"));
    EXPECT_EQ(FileErrorText(EROFS, {}), QStringLiteral("読み取り専用のドライブです"));
    EXPECT_EQ(FileErrorText(EACCES, {}), QStringLiteral("アクセスが許可されていません"));
    EXPECT_EQ(FileErrorText(0, QStringLiteral("as Qt said")), QStringLiteral("as Qt said"));
    EXPECT_EQ(FileErrorText(0, {}), QStringLiteral("原因不明のエラー"));
}

TEST(FileNames, BuiltFromRecordBytesMustBePlainNames)
{
    EXPECT_TRUE(IsPlainFileName(QStringLiteral("2026年11月28日東京_U.TXT")));
    EXPECT_TRUE(IsPlainFileName(QStringLiteral("名前 空白.txt")));
    for (const QString &name :
         {QString(), QStringLiteral("   "), QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral(".."),
          QStringLiteral("..a"), QStringLiteral("20\n26年"), QStringLiteral("a\rb"), QStringLiteral("a\tb"),
          QString(QChar(0)), QStringLiteral("a\x7f"), QStringLiteral("a\u2028b"), QStringLiteral("a\u200bb")})
        EXPECT_FALSE(IsPlainFileName(name)) << name.toStdString();
}

} // namespace
} // namespace velmora
