// The desktop program, in-process on the offscreen platform: start-up to the first
// paint of the main window (set against a bare QMainWindow of the same size), a
// click on a course-day to a fully shown race 1, a tab switch, and the backtest
// window over a year of course-days: opened to its first figures, and to the end.
#include "core/jvlink/localjvlink.h"
#include "gen/jvdatagen.h"
#include "gui/app/desktop.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/app/messages.h"
#include "gui/views/backtestwindow.h"
#include "render/fonts.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>

namespace {

using namespace velmora;
using namespace velmora::gui;

class SilentMessages : public MessageBoxes
{
  public:
    void information(QWidget *, const QString &, const QString &) override {}
    void exclamation(QWidget *, const QString &, const QString &) override {}
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    void beep() override {}
};

class NoDesktop : public Desktop
{
  public:
    bool open(const QUrl &) override { return true; }
    void setClipboardText(const QString &) override {}
};

/** Counts the paint events a widget receives. */
class PaintCounter : public QObject
{
  public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

/** Shows a window and returns once it has been painted. */
void ShowUntilPainted(QWidget &window)
{
    PaintCounter counter;
    window.installEventFilter(&counter);
    window.show();
    while (counter.paints == 0)
        QApplication::processEvents();
    window.removeEventFilter(&counter);
}

struct Fixture
{
    QTemporaryDir root;
    SilentMessages messages;
    NoDesktop desktop;
    GuiContext context{messages, desktop, LocalJVLinkFactory(root.path()), root.path()};
    QString day;

    Fixture()
    {
        gen::Generator generator(9);
        gen::CourseDayOptions options;
        options.date = QDate(2026, 11, 28);
        const gen::CourseDay generated = generator.courseDay(options);
        gen::WriteCourseDayFiles(generated, context.dataDir());
        day = QString::fromStdString(generated.nameUtf8());
    }
};

Fixture &TheFixture()
{
    static Fixture fixture;
    return fixture;
}

void BM_StartupToFirstPaint(benchmark::State &state)
{
    Fixture &fixture = TheFixture();
    for (auto _ : state) {
        MainWindow form(fixture.context);
        ShowUntilPainted(form);
    }
}
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond);

void BM_BareMainWindowToFirstPaint(benchmark::State &state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.resize(630, 450);
        ShowUntilPainted(window);
    }
}
BENCHMARK(BM_BareMainWindowToFirstPaint)->Unit(benchmark::kMillisecond);

void BM_CourseDayClickToRace1(benchmark::State &state)
{
    Fixture &fixture = TheFixture();
    MainWindow form(fixture.context);
    ShowUntilPainted(form);
    form.findChild<QAction *>(QStringLiteral("FileOpenItem"))->trigger();
    auto *list = form.findChild<QListWidget *>(QStringLiteral("DatListBox"));
    QListWidgetItem *item = list->item(0);
    for (auto _ : state) {
        Q_EMIT list->itemClicked(item);
        form.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CourseDayClickToRace1)->Unit(benchmark::kMillisecond);

void BM_TabSwitch(benchmark::State &state)
{
    Fixture &fixture = TheFixture();
    MainWindow form(fixture.context);
    ShowUntilPainted(form);
    form.showCourseDay(CourseDay(fixture.day));
    auto *tabs = form.findChild<QTabBar *>(QStringLiteral("TabControl1Tabs"));
    int tab = 0;
    for (auto _ : state) {
        tab = (tab + 1) % tabs->count();
        tabs->setCurrentIndex(tab);
        form.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TabSwitch)->Unit(benchmark::kMillisecond);

/** A year of race weekends (about 260 course-days), generated once per run. */
const QString &YearOfCourseDays()
{
    static QTemporaryDir root;
    static const QString data = [] {
        const QString folder = root.path() + QStringLiteral("/Data");
        gen::WriteWeeks(folder, 20261128, QDate(2026, 11, 28), 52);
        return folder;
    }();
    return data;
}

/** Opens the backtest window as the tool button does and waits until its table shows figures. */
void BacktestWindowYear(benchmark::State &state, bool toTheEnd)
{
    const QString &data = YearOfCourseDays();
    SilentMessages messages;
    for (auto _ : state) {
        BacktestWindow window(data, messages, {});
        auto *table = window.findChild<QTableView *>(QStringLiteral("KindTable"));
        window.showAndRun();
        while (table->model()->rowCount() == 0 || (toTheEnd && window.isRunning()))
            QApplication::processEvents();
        window.repaint();
        state.PauseTiming();
        while (window.isRunning())
            QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_BacktestWindowFirstFiguresYear(benchmark::State &state)
{
    BacktestWindowYear(state, false);
}
BENCHMARK(BM_BacktestWindowFirstFiguresYear)->Unit(benchmark::kMillisecond);

void BM_BacktestWindowWholeYear(benchmark::State &state)
{
    BacktestWindowYear(state, true);
}
BENCHMARK(BM_BacktestWindowWholeYear)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    render::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
