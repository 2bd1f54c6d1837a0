// Opens each window of the desktop program on a copy of sample data and saves
// PNG pictures of what a user sees: velmora-shots OUTDIR SAMPLEDATA
// Pictures of a window show its client area; those named "screen-…" show a part of
// the screen as it is, with the window manager's frames when one runs.
#include "core/jvlink/localjvlink.h"
#include "core/jvlink/samplesource.h"
#include "gen/jvdatagen.h"
#include "gui/app/desktop.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/app/messages.h"
#include "gui/app/startup.h"
#include "gui/app/windowplace.h"
#include "gui/jvlink/jvlinksettings.h"
#include "gui/print/previewwindow.h"
#include "gui/views/allraceswindow.h"
#include "gui/views/backtestwindow.h"
#include "gui/views/raceview.h"
#include "gui/views/userpredictionpopup.h"
#include "render/fonts.h"

#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using namespace velmora;
using namespace velmora::gui;

/** Boxes that do not wait for a person: what they say goes to the terminal. */
class LoggedMessages : public MessageBoxes
{
  public:
    void information(QWidget *, const QString &text, const QString &) override { log(text); }
    void exclamation(QWidget *, const QString &text, const QString &) override { log(text); }
    bool question(QWidget *, const QString &text, const QString &) override
    {
        log(text);
        return true;
    }
    void beep() override {}

  private:
    static void log(const QString &text) { std::fprintf(stderr, "box: %s\n", text.toUtf8().constData()); }
};

class NoDesktop : public Desktop
{
  public:
    bool open(const QUrl &) override { return true; }
    void setClipboardText(const QString &) override {}
};

QString g_out;
int g_count = 0;

/** Lets the window system catch up: windows mapped, framed and painted. */
void Settle(int milliseconds = 300)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString NextPath(const char *name)
{
    return QStringLiteral("%1/%2-%3.png").arg(g_out).arg(++g_count, 2, 10, QLatin1Char('0')).arg(QLatin1String(name));
}

void Save(QWidget *widget, const char *name)
{
    QApplication::processEvents();
    const QString path = NextPath(name);
    widget->grab().save(path);
    std::printf("%s\n", path.toUtf8().constData());
}

/** The part of the screen that holds `windows`, frames included, as it shows. */
void SaveScreen(std::initializer_list<QWidget *> windows, const char *name)
{
    Settle();
    QRect area;
    for (QWidget *window : windows)
        area |= window->frameGeometry();
    QScreen *screen = windows.begin()[0]->screen();
    area = area.adjusted(-8, -8, 8, 8).intersected(screen->geometry());
    const QString path = NextPath(name);
    screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
    std::printf("%s  frame %d,%d %dx%d on a screen of %dx%d at %g\n", path.toUtf8().constData(),
                windows.begin()[0]->frameGeometry().x(), windows.begin()[0]->frameGeometry().y(),
                windows.begin()[0]->frameGeometry().width(), windows.begin()[0]->frameGeometry().height(),
                screen->geometry().width(), screen->geometry().height(), screen->devicePixelRatio());
}

/** Runs `inside` on the next modal window once it is up, then closes it. */
void WhenModal(std::function<void(QWidget *)> inside)
{
    QTimer::singleShot(200, [inside] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            inside(modal);
            modal->close();
        }
    });
}

void CopyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files))
        QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    render::InstallFontSubstitutions();
    InstallQtTranslations(app);
    if (argc < 3) {
        std::fprintf(stderr, "usage: velmora-shots OUTDIR SAMPLEDATA\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    QTemporaryDir appFolder;
    const QString sample = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    CopyFolder(sample, appFolder.path() + QStringLiteral("/Data"));

    LoggedMessages messages;
    NoDesktop desktop;
    GuiContext context{messages, desktop,
                       LocalJVLinkFactory(appFolder.path(),
                                          [sample](LocalJVLink &jvlink) {
                                              jvlink.setSourceMaker(
                                                  [sample](const QString &folder, const QDateTime &now) {
                                                      return LayOutSampleSource(sample, folder, now);
                                                  });
                                              jvlink.setDownloadDelay(std::chrono::milliseconds(0));
                                          }),
                       appFolder.path()};
    // The windows open at the places and sizes the program gives them, inside the screen at any scale.
    MainWindow form(context);
    form.EnsureDataFolder();
    form.show();
    Save(&form, "main-window");

    form.findChild<QAction *>(QStringLiteral("FileOpenItem"))->trigger();
    Save(&form, "data-list");
    auto *list = form.findChild<QListWidget *>(QStringLiteral("DatListBox"));
    list->setCurrentRow(0);
    Q_EMIT list->itemClicked(list->currentItem());
    // The focus is in the runner grid, its current row framed.
    form.activateWindow();
    Settle();
    Save(&form, "race-1-after-load");
    // The data list opened over a loaded day: the window grows, the grid keeps its columns.
    form.findChild<QAction *>(QStringLiteral("FileOpenItem"))->trigger();
    SaveScreen({&form}, "screen-data-list-over-a-day");
    form.findChild<QAction *>(QStringLiteral("FileOpenItem"))->trigger();
    SaveScreen({&form}, "screen-data-list-closed");
    form.findChild<QTabBar *>(QStringLiteral("TabControl1Tabs"))->setCurrentIndex(10);
    Save(&form, "race-11-tab");

    auto *view = form.findChild<RaceTabView *>(QStringLiteral("TabControl1"));
    view->grid()->setFocus();
    view->grid()->setCurrentCell(4, 2);
    Q_EMIT view->runnerChosen(4);
    form.findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    SaveScreen({&form, form.userWindow()}, "screen-user-prediction-beside-its-row");
    Save(&form, "user-prediction");
    Save(form.userWindow(), "user-prediction-popup");
    form.userWindow()->hide();

    WhenModal([](QWidget *window) {
        Save(window, "all-races");
        window->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        Save(window, "hit-list");
        window->findChild<QPushButton *>(QStringLiteral("MsgBitBtn1"))->click();
    });
    form.findChild<QPushButton *>(QStringLiteral("Button2"))->click();
    PlaceWindow(form.printWindow(), form.printWindow()->pos(), QSize(720, 900));
    Save(form.printWindow(), "all-races-print-preview");
    form.findChild<QAction *>(QStringLiteral("FilePrintItem"))->trigger();
    Save(form.printWindow(), "race-print-preview");
    WhenModal([](QWidget *window) { Save(window, "confidence-graph"); });
    form.findChild<QPushButton *>(QStringLiteral("Button1"))->click();

    WhenModal([](QWidget *window) {
        Save(window, "import-window");
        auto *start = window->findChild<QPushButton *>(QStringLiteral("ButtonStart"));
        start->click();
        QElapsedTimer waited;
        waited.start();
        while (!start->isEnabled() && waited.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        Save(window, "import-done");
    });
    form.findChild<QAction *>(QStringLiteral("JV1"))->trigger();

    WhenModal([](QWidget *window) { Save(window, "about-box"); });
    form.findChild<QAction *>(QStringLiteral("HelpAboutItem"))->trigger();

    // Two years of generated race weekends, for the backtest's charts.
    QTemporaryDir years;
    const QString yearsData = years.path() + QStringLiteral("/Data");
    gen::WriteWeeks(yearsData, 20261128, QDate(2026, 11, 28), 104);
    BacktestWindow backtest(yearsData, messages, [](QWidget *, const QString &) { return QString(); });
    backtest.showAndRun();
    QElapsedTimer waited;
    waited.start();
    while (backtest.isRunning() && waited.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    Save(&backtest, "backtest");
    backtest.findChild<QTabWidget *>(QStringLiteral("TablePages"))->setCurrentIndex(1);
    Save(&backtest, "backtest-by-grade");
    backtest.close();

    LocalJVLinkSettings settings{appFolder.path() + QStringLiteral("/JVLink/source"), QStringLiteral("SAMPLE")};
    JVLinkSettingsDialog dialog(settings, PlatformFolderPicker());
    dialog.show();
    Save(&dialog, "jvlink-settings");

    JVLinkChoice bridged;
    bridged.bridgeCommand = QStringList{QStringLiteral("C:/Program Files/Velmora/velmora-jvbridge.exe")};
    JVLinkBridgeDialog bridgeDialog(bridged.description(), {});
    bridgeDialog.show();
    Save(&bridgeDialog, "jvlink-bridge");

    // A place saved at the right edge of the screen, restored by the next start.
    form.close();
    const QRect screen = form.screen()->availableGeometry();
    SettingsFile saved = context.settings();
    saved.WriteInteger(QStringLiteral("locate"), QStringLiteral("left"), screen.right() - 500);
    saved.WriteInteger(QStringLiteral("locate"), QStringLiteral("width"), 900);
    MainWindow restored(context);
    restored.show();
    SaveScreen({&restored}, "screen-restored-at-the-right-edge");
    return 0;
}
