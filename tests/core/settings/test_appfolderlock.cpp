#include "core/settings/appfolderlock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

TEST(AppFolderLock, OneWriterAtATimeAndTheOthersAreToldWhoWrites)
{
    QTemporaryDir root;
    const QString app = root.path() + QStringLiteral("/app");
    AppFolderLock first(app);
    ASSERT_TRUE(first.tryLock()) << "the folder is made for the lock";
    EXPECT_TRUE(QFileInfo(first.path()).isFile());

    AppFolderLock second(app);
    EXPECT_FALSE(second.tryLock());
    EXPECT_EQ(second.message(),
              QStringLiteral("別のVelmora（プロセス番号 %1）がフォルダ「%2」にデータを書き込んでいます。"
                             "その処理が終わってから、もう一度実行してください。")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QDir::toNativeSeparators(app)));
    first.unlock();
    EXPECT_FALSE(QFileInfo::exists(first.path()));
    EXPECT_TRUE(second.tryLock());
    EXPECT_TRUE(second.message().isEmpty());
}

TEST(AppFolderLock, AnEmptyLockLeftByAKilledWriterIsTakenOverOnceItIsOld)
{
    // Killed between making the lock file and writing its process number into it.
    QTemporaryDir app;
    QFile empty(app.path() + QLatin1Char('/') + AppFolderLock::lockFileName());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    AppFolderLock lock(app.path());
    EXPECT_FALSE(lock.tryLock()) << "a writer may still be filling it in";
    ASSERT_TRUE(empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    empty.close();
    EXPECT_TRUE(lock.tryLock());
}

} // namespace
} // namespace velmora
