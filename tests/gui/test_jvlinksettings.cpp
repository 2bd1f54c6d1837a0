#include "core/jvlink/localjvlink.h"
#include "gui/jvlink/jvlinksettings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Failures show texts, not code units.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora::gui {
namespace {

template <typename Widget> Widget *Child(QWidget *dialog, const char *name)
{
    auto *widget = dialog->findChild<Widget *>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QLineEdit *SourceEdit(QWidget *dialog)
{
    return Child<QLineEdit>(dialog, "SourceFolderEdit");
}

QLineEdit *KeyEdit(QWidget *dialog)
{
    return Child<QLineEdit>(dialog, "ServiceKeyEdit");
}

QLabel *ErrorLabel(QWidget *dialog)
{
    return Child<QLabel>(dialog, "ErrorLabel");
}

void Press(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    QTest::mouseClick(Child<QDialogButtonBox>(dialog, "ButtonBox")->button(which), Qt::LeftButton);
}

void Retype(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

/** A folder picker that records where it started and answers with a set folder. */
struct RecordingPicker
{
    QString answer;
    QStringList startedAt;

    FolderPicker picker()
    {
        return [this](QWidget *, const QString &current) {
            startedAt << current;
            return answer;
        };
    }
};

TEST(JVLinkSettingsDialog, ShowsAndReturnsTheEditedSettings)
{
    QTemporaryDir folder;
    RecordingPicker pick;
    JVLinkSettingsDialog dialog({QStringLiteral("/nowhere/source"), QStringLiteral("SAMPLE")}, pick.picker());
    dialog.show();
    EXPECT_EQ(SourceEdit(&dialog)->text(), QStringLiteral("/nowhere/source"));
    EXPECT_EQ(KeyEdit(&dialog)->text(), QStringLiteral("SAMPLE"));
    EXPECT_TRUE(ErrorLabel(&dialog)->isHidden());
    EXPECT_EQ(Child<QLabel>(&dialog, "JVLinkInUseLabel")->text(),
              QStringLiteral("使用中のJV-Link：ローカルJV-Link（JRA-VANのJV-LinkはWindowsかWSLでしか使えないため。"
                             "提供元フォルダのJV-Dataファイルを読み込みます）"));

    // A cancelled folder dialog leaves the field alone; a chosen folder replaces it.
    auto *browse = Child<QPushButton>(&dialog, "BrowseButton");
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(SourceEdit(&dialog)->text(), QStringLiteral("/nowhere/source"));
    pick.answer = folder.path();
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(pick.startedAt, QStringList({QStringLiteral("/nowhere/source"), QStringLiteral("/nowhere/source")}));
    EXPECT_EQ(SourceEdit(&dialog)->text(), folder.path());

    Retype(KeyEdit(&dialog), QStringLiteral("ABCD-1234 "));
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.settings().sourceFolder, folder.path());
    EXPECT_EQ(dialog.settings().serviceKey, QStringLiteral("ABCD-1234 "));
}

TEST(JVLinkSettingsDialog, RefusesAnEmptyKeyAndAMissingFolder)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("gone"));
    JVLinkSettingsDialog dialog({folder.path(), QStringLiteral("SAMPLE")}, {});
    dialog.show();

    Retype(KeyEdit(&dialog), QStringLiteral("   "));
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_FALSE(ErrorLabel(&dialog)->isHidden());
    EXPECT_EQ(ErrorLabel(&dialog)->text(), QStringLiteral("サービスキーを入力してください。"));

    Retype(KeyEdit(&dialog), QStringLiteral("KEY"));
    Retype(SourceEdit(&dialog), missing);
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ErrorLabel(&dialog)->text(), QStringLiteral("フォルダ「%1」が見つかりません。").arg(missing));

    SourceEdit(&dialog)->clear();
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ErrorLabel(&dialog)->text(), QStringLiteral("データの提供元フォルダを入力してください。"));

    Retype(SourceEdit(&dialog), folder.path());
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(ErrorLabel(&dialog)->isHidden());
}

// The component lays out its default source at the first import, so the folder it
// starts with need not exist yet when the user only enters a key.
TEST(JVLinkSettingsDialog, KeepsTheFolderItOpenedWithEvenBeforeItExists)
{
    QTemporaryDir home;
    const QString notYet = home.filePath(QStringLiteral("source"));
    JVLinkSettingsDialog dialog({notYet, QString()}, {});
    dialog.show();
    Retype(KeyEdit(&dialog), QStringLiteral("KEY"));
    Press(&dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().sourceFolder, notYet);
}

/** Runs `act` on the dialog once it is shown modally. */
void WhenModal(std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
}

TEST(JVLinkSettingsDialog, LocalJVLinkStoresWhatTheDialogOverItsParentReturns)
{
    QTemporaryDir home;
    QTemporaryDir otherSource;
    LocalJVLink jvlink(home.path(), home.filePath(QStringLiteral("source")));
    QWidget parent;
    RecordingPicker pick;
    pick.answer = otherSource.path();
    JVLinkChoice choice;
    choice.reason = JVLinkChoice::Reason::SettingsFile;
    jvlink.setSettingsDialog(
        JVLinkSettingsDialogOver([&parent] { return &parent; }, pick.picker(), choice.description()));
    const LocalJVLinkSettings before = jvlink.settings();

    // Cancel keeps the stored settings. The dialog says which JV-Link is in use and why.
    WhenModal([](QWidget *dialog) {
        EXPECT_EQ(Child<QLabel>(dialog, "JVLinkInUseLabel")->text(),
                  QStringLiteral("使用中のJV-Link：ローカルJV-Link（JVLink/JVLink.ini の Bridge= "
                                 "が空のため。提供元フォルダのJV-Dataファイルを読み込みます）"));
        Retype(KeyEdit(dialog), QStringLiteral("IGNORED"));
        Press(dialog, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(jvlink.JVSetUIProperties(), 0);
    EXPECT_EQ(jvlink.settings().serviceKey, before.serviceKey);
    EXPECT_EQ(jvlink.settings().sourceFolder, before.sourceFolder);

    QWidget *shownOver = nullptr;
    WhenModal([&](QWidget *dialog) {
        shownOver = dialog->parentWidget();
        EXPECT_EQ(SourceEdit(dialog)->text(), before.sourceFolder);
        QTest::mouseClick(Child<QPushButton>(dialog, "BrowseButton"), Qt::LeftButton);
        Retype(KeyEdit(dialog), QStringLiteral("NEWKEY"));
        Press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(jvlink.JVSetUIProperties(), 0);
    EXPECT_EQ(shownOver, &parent);
    EXPECT_EQ(jvlink.settings().serviceKey, QStringLiteral("NEWKEY"));
    EXPECT_EQ(jvlink.settings().sourceFolder, otherSource.path());
}

TEST(JVLinkBridgeDialog, NamesTheBridgeAndOpensJVLinksOwnDialogOnRequest)
{
    JVLinkChoice choice;
    choice.bridgeCommand = QStringList{QStringLiteral("C:/Velmora/velmora-jvbridge.exe")};
    choice.reason = JVLinkChoice::Reason::Packaged;
    int opened = 0;
    BridgeJVLink jvlink(choice.bridgeCommand);
    jvlink.setSettingsDialog(JVLinkBridgeDialogOver({}, [&] { return choice.description(&jvlink); }));

    // Closed without opening JV-Link's dialog: nothing to report, and no bridge started.
    WhenModal([&](QWidget *dialog) {
        EXPECT_EQ(dialog->objectName(), QStringLiteral("JVLinkBridgeDialog"));
        EXPECT_EQ(Child<QLabel>(dialog, "JVLinkInUseLabel")->text(),
                  QStringLiteral("使用中のJV-Link：JRA-VANのJV-Link（velmora-jvbridge経由、本ソフトに同梱：C:/Velmora/"
                                 "velmora-jvbridge.exe）"));
        Press(dialog, QDialogButtonBox::Close);
    });
    EXPECT_EQ(jvlink.JVSetUIProperties(), 0);
    EXPECT_EQ(jvlink.processId(), 0);

    // The button opens JV-Link's dialog; its result is the call's.
    JVLinkBridgeDialog dialog(choice.description(), [&] { return ++opened == 1 ? -100 : 0; });
    dialog.show();
    QTest::mouseClick(Child<QPushButton>(&dialog, "OpenJVLinkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.jvlinkResult(), -100);
    QTest::mouseClick(Child<QPushButton>(&dialog, "OpenJVLinkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.jvlinkResult(), 0);
    EXPECT_EQ(opened, 2);
}

} // namespace
} // namespace velmora::gui
