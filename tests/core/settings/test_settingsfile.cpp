#include "core/settings/appfolder.h"
#include "core/settings/settingsfile.h"

#include <climits>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmora {
namespace {

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

void PutFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/** Sets an environment variable for the life of the object. */
class EnvOverride
{
  public:
    EnvOverride(const char *name, const QString &value)
        : m_name(name)
        , m_hadValue(qEnvironmentVariableIsSet(name))
        , m_oldValue(qgetenv(name))
    {
        qputenv(name, value.toUtf8());
    }
    ~EnvOverride()
    {
        if (m_hadValue)
            qputenv(m_name, m_oldValue);
        else
            qunsetenv(m_name);
    }

  private:
    const char *m_name;
    bool m_hadValue;
    QByteArray m_oldValue;
};

class SettingsFileTest : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    /** Settings as every window sets them up: the program is prog.exe in the temporary folder. */
    SettingsFile settings() const
    {
        SettingsFile ini(m_dir.filePath(QStringLiteral("prog.exe")));
        ini.useProgramFileName();
        return ini;
    }
    QString iniPath() const { return m_dir.filePath(QStringLiteral("prog.ini")); }

    QTemporaryDir m_dir;
};

TEST_F(SettingsFileTest, PathFollowsProgramFileAndDefaultDir)
{
    EXPECT_EQ(settings().fileName(), QStringLiteral("prog.ini"));
    EXPECT_EQ(settings().path(), iniPath());

    SettingsFile unloaded(m_dir.filePath(QStringLiteral("prog.exe")));
    EXPECT_TRUE(unloaded.path().isEmpty());
    EXPECT_EQ(unloaded.ReadString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("On")),
              QStringLiteral("On"));
    EXPECT_FALSE(unloaded.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("Off")));

    SettingsFile named(m_dir.filePath(QStringLiteral("prog.exe")));
    named.setFileName(QStringLiteral("other.ini"));
    named.useProgramFileName();
    EXPECT_EQ(named.path(), m_dir.filePath(QStringLiteral("other.ini")));
    named.setDefaultFolder(SettingsFolder::Current);
    EXPECT_EQ(named.path(), QStringLiteral("other.ini"));
    const EnvOverride config("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")));
    named.setDefaultFolder(SettingsFolder::UserConfig);
    EXPECT_EQ(named.path(), m_dir.filePath(QStringLiteral("config/other.ini")));
    named.setFileName(QStringLiteral("/etc/x/velmora.ini"));
    EXPECT_EQ(named.path(), QStringLiteral("/etc/x/velmora.ini"));

    EXPECT_TRUE(QFileInfo(ProgramFilePath()).isExecutable()) << ProgramFilePath().toStdString();
}

TEST_F(SettingsFileTest, UnwritableProgramFolderFallsBackToUserDataFolder)
{
    const EnvOverride data("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")));
    const QString userFolder = m_dir.filePath(QStringLiteral("data/velmora"));
    EXPECT_EQ(ApplicationFolder(m_dir.filePath(QStringLiteral("missing/prog.exe"))), userFolder);
    EXPECT_TRUE(QFileInfo(userFolder).isDir());

    SettingsFile ini(m_dir.filePath(QStringLiteral("missing/prog.exe")));
    ini.useProgramFileName();
    EXPECT_EQ(ini.path(), userFolder + QStringLiteral("/prog.ini"));
    EXPECT_TRUE(ini.WriteInteger(QStringLiteral("PrintZoom"), QStringLiteral("ratio"), 3));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("PrintZoom"), QStringLiteral("ratio"), 1), 3);
}

TEST_F(SettingsFileTest, AnInstalledCopyKeepsItsDataInTheUserFolderWhoeverRunsIt)
{
    const EnvOverride data("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")));
    const QString installed = InstalledProgramsFolder() + QStringLiteral("/velmora");
    ASSERT_TRUE(IsInstalledCopy(installed));
    // Even where the program's folder is writable (as it is for root).
    EXPECT_EQ(ApplicationFolder(installed), m_dir.filePath(QStringLiteral("data/velmora")));
    EXPECT_TRUE(SharedFilesFolder(installed).endsWith(QStringLiteral("/share/velmora")))
        << SharedFilesFolder(installed).toStdString();

    // A portable copy keeps everything beside itself.
    const QString portable = m_dir.filePath(QStringLiteral("velmora"));
    EXPECT_FALSE(IsInstalledCopy(portable));
    EXPECT_EQ(ApplicationFolder(portable), m_dir.path());
    EXPECT_EQ(SharedFilesFolder(portable), m_dir.path());
}

TEST_F(SettingsFileTest, ReadStringUnquotes)
{
    SettingsFile ini = settings();
    const QString s = QStringLiteral("s");
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("missing"), QStringLiteral("On")), QStringLiteral("On"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("missing"), QString()), QString());
    // The default comes back as given even when it looks quoted.
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("missing"), U("\"x\"")), U("\"x\""));

    PutFile(iniPath(), "[s]\n"
                       "a=\" abc\"\n"
                       "b=\"\n"
                       "c=\"\"\n"
                       "d=｢｣\n"
                       "e=｢ 東 ｣\n"
                       "f=\"x｣\n"
                       "g=\n"
                       "h = \t plain value \t\n"
                       "i=\"a\"b\"\n"
                       "j=value　\n"); // ends with a full-width blank
    const struct
    {
        const char *key;
        const char *expected;
    } cases[] = {{"a", " abc"}, {"b", "\""},          {"c", ""},     {"d", ""},       {"e", " 東 "}, {"f", "\"x｣"},
                 {"g", ""},     {"h", "plain value"}, {"i", "a\"b"}, {"j", "value　"}};
    for (const auto &c : cases)
        EXPECT_EQ(ini.ReadString(s, U(c.key), QStringLiteral("default")), U(c.expected)) << c.key;
}

TEST_F(SettingsFileTest, ReadIntegerAcceptsOnlyWholeNumbers)
{
    PutFile(iniPath(), "[n]\na=42\nb= -7 \nc=+3\nd=2147483647\ne=-2147483648\n"
                       "f=abc\ng=12abc\nh=\ni=2147483648\nj=1.5\nk=99999999999999999999\nl=-\nm=\"5\"\n");
    SettingsFile ini = settings();
    const QString n = QStringLiteral("n");
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("a"), 10), 42);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("b"), 10), -7);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("c"), 10), 3);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("d"), 10), INT_MAX);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("e"), 10), INT_MIN);
    for (const char *key : {"f", "g", "h", "i", "j", "k", "l", "m", "missing"})
        EXPECT_EQ(ini.ReadInteger(n, U(key), 10), 10) << key;
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("missing"), QStringLiteral("a"), 630), 630);

    ASSERT_TRUE(ini.WriteInteger(n, QStringLiteral("a"), INT_MIN));
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("a"), 10), INT_MIN);
}

TEST_F(SettingsFileTest, InstancesShareTheFileAndNamesIgnoreCase)
{
    SettingsFile mainForm = settings();
    SettingsFile preview = settings();
    EXPECT_FALSE(QFile::exists(iniPath())) << "nothing is created before the first write";

    ASSERT_TRUE(mainForm.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("Off")));
    EXPECT_EQ(preview.ReadString(QStringLiteral("TICKER"), QStringLiteral("onoff"), QStringLiteral("On")),
              QStringLiteral("Off"));
    ASSERT_TRUE(preview.WriteString(QStringLiteral("ticker"), QStringLiteral(" ONOFF "), QStringLiteral("On")));
    ASSERT_TRUE(preview.WriteInteger(QStringLiteral("Printlocate"), QStringLiteral("top"), 25));
    EXPECT_EQ(mainForm.ReadString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("Off")),
              QStringLiteral("On"));
    EXPECT_EQ(mainForm.ReadInteger(QStringLiteral("printLocate"), QStringLiteral("TOP"), 10), 25);
    EXPECT_EQ(FileBytes(iniPath()), QByteArray("[Ticker]\nOnOff=On\n[Printlocate]\ntop=25\n"));
}

TEST_F(SettingsFileTest, WritesKeepOtherLines)
{
    const QByteArray before = "\xEF\xBB\xBF; settings\r\n"
                              "[locate]\r\n"
                              "top = 10\r\n"
                              "left=20 ; not a comment\r\n"
                              "\r\n"
                              "# about the ticker\r\n"
                              "[Ticker]\r\n"
                              "OnOff=On\r\n"
                              "[locate]\r\n"
                              "width=630";
    PutFile(iniPath(), before);
    SettingsFile ini = settings();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 0), 10);
    EXPECT_EQ(ini.ReadString(QStringLiteral("locate"), QStringLiteral("left"), QString()),
              QStringLiteral("20 ; not a comment"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("width"), 0), 630);

    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("LOCATE"), QStringLiteral("TOP"), 11));
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("width"), 640));
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("height"), 450));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"),
                                QStringLiteral("2024/01/06 00:00:00")));
    EXPECT_EQ(FileBytes(iniPath()), QByteArray("\xEF\xBB\xBF; settings\r\n"
                                               "[locate]\r\n"
                                               "top=11\r\n"
                                               "left=20 ; not a comment\r\n"
                                               "height=450\r\n"
                                               "\r\n"
                                               "# about the ticker\r\n"
                                               "[Ticker]\r\n"
                                               "OnOff=On\r\n"
                                               "[locate]\r\n"
                                               "width=640\r\n"
                                               "[JvDataGet]\r\n"
                                               "LastTime=2024/01/06 00:00:00\r\n"));

    // A file cut after the CR of its last CR LF: the CR is the line's end, not part of
    // the value, and a key added after it leaves that value as it was.
    PutFile(iniPath(), "[locate]\r\nleft=6\r");
    EXPECT_EQ(ini.ReadString(QStringLiteral("locate"), QStringLiteral("left"), QString()), QStringLiteral("6"));
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("PrintZoom"), QStringLiteral("ratio"), 2));
    EXPECT_EQ(FileBytes(iniPath()), QByteArray("[locate]\r\nleft=6\r\n[PrintZoom]\r\nratio=2\r\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("locate"), QStringLiteral("left"), QString()), QStringLiteral("6"));
}

TEST_F(SettingsFileTest, DamagedFileGivesDefaultsAndStillTakesWrites)
{
    const QByteArray junk("\x00\x01\xFF\xFE[Ticker]\nOnOff=Off\xFF\n[Ticker\n\xE6\x9D\n[locate]\x80\ntop=99\n", 52);
    PutFile(iniPath(), junk);
    SettingsFile ini = settings();
    EXPECT_EQ(ini.ReadString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("On")),
              QStringLiteral("On"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 10), 10);

    ASSERT_TRUE(ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("Off")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("On")),
              QStringLiteral("Off"));
    EXPECT_EQ(FileBytes(iniPath()), junk + "[Ticker]\nOnOff=Off\n");
}

TEST_F(SettingsFileTest, OversizedOrOddFilesAreLeftAlone)
{
    const QByteArray huge = "[locate]\ntop=5\n" + QByteArray(SettingsFile::MaxFileSize, ';');
    PutFile(iniPath(), huge);
    SettingsFile ini = settings();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 10), 10);
    EXPECT_FALSE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), 6));
    EXPECT_EQ(FileBytes(iniPath()), huge);

    // A value that would make the file unreadable is refused.
    ASSERT_TRUE(QFile::remove(iniPath()));
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), 6));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QString(SettingsFile::MaxFileSize, u'x')));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 10), 6);

    ASSERT_TRUE(QFile::remove(iniPath()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("prog.ini")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 10), 10);
    EXPECT_FALSE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), 6));
}

TEST_F(SettingsFileTest, WritesThatWouldForgeLinesAreRefused)
{
    SettingsFile ini = settings();
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), 10));
    const QByteArray before = FileBytes(iniPath());
    EXPECT_FALSE(ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), U("Off\n[locate]\ntop=500")));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("a]b"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("s"), QStringLiteral("k=v"), QStringLiteral("v")));
    EXPECT_FALSE(ini.WriteString(QStringLiteral("s"), QStringLiteral(";k"), QStringLiteral("v")));
    EXPECT_EQ(FileBytes(iniPath()), before);
}

TEST_F(SettingsFileTest, FailedWriteReturnsFalseAndKeepsTheOldFile)
{
    SettingsFile ini = settings();
    ASSERT_TRUE(ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("On")));
    const QByteArray before = FileBytes(iniPath());

    // The file grows past what the process may write: the replacement fails midway.
    struct rlimit oldLimit
    {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    struct rlimit limit = oldLimit;
    limit.rlim_cur = static_cast<rlim_t>(before.size() + 8);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QString(64, u'x'));
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(FileBytes(iniPath()), before);
    EXPECT_TRUE(ini.errorString().contains(QStringLiteral("ファイルが大きすぎます")))
        << ini.errorString().toStdString();

    // A key that already holds the value leaves the file as it is: not even replaced.
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    EXPECT_TRUE(ini.WriteString(QStringLiteral("ticker"), QStringLiteral("onoff"), QStringLiteral("On")));
    EXPECT_EQ(QFileInfo(iniPath()).lastModified(), old);

    SettingsFile nowhere(m_dir.filePath(QStringLiteral("prog.exe")));
    nowhere.setFileName(m_dir.filePath(QStringLiteral("missing/prog.ini")));
    EXPECT_FALSE(nowhere.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), 1));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("prog.ini")});
}

TEST_F(SettingsFileTest, WriteIntoReadOnlyFolderFails)
{
    SettingsFile ini = settings();
    ASSERT_TRUE(ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("On")));
    const QByteArray before = FileBytes(iniPath());

    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool folderLocked = access(QFile::encodeName(m_dir.path()).constData(), W_OK) != 0;
    const bool writtenLocked =
        ini.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("Off"));
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!folderLocked)
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_FALSE(writtenLocked);
    EXPECT_EQ(FileBytes(iniPath()), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("prog.ini")});
}

} // namespace
} // namespace velmora
