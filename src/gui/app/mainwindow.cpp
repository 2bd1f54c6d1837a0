#include "gui/app/mainwindow.h"

#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/resultfetch.h"
#include "core/print/sheets.h"
#include "core/report/betstext.h"
#include "core/report/raceview.h"
#include "core/settings/appfolder.h"
#include "core/store/racecard.h"
#include "core/store/racedayfiles.h"
#include "core/store/regularfile.h"
#include "gui/app/aboutbox.h"
#include "gui/app/desktop.h"
#include "gui/app/guicontext.h"
#include "gui/app/messages.h"
#include "gui/app/ticker.h"
#include "gui/app/waitwindow.h"
#include "gui/app/windowplace.h"
#include "gui/jvlink/importwindow.h"
#include "gui/print/previewwindow.h"
#include "gui/print/printers.h"
#include "gui/views/allraceswindow.h"
#include "gui/views/backtestwindow.h"
#include "gui/views/confidencegraphwindow.h"
#include "gui/views/raceview.h"
#include "gui/views/userpredictionpopup.h"
#include "render/fonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::gui {
namespace {

const QString kNoData = QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。");
const QString kNoDataCaption = QStringLiteral("データを読み込んでください。");
const char *const kBacktestHint = "過去のﾃﾞｰﾀで買い目の的中率と回収率を分析します";

/** Two labels, the second one pixel down and right of the first, drawn under it as its shadow. */
QWidget *ShadowPair(QWidget *parent, QLabel *&label, QLabel *&shadow, const char *labelName, const char *shadowName,
                    const QFont &font, const QString &colour, const QString &shadowColour)
{
    auto *pair = new QWidget(parent);
    const int height = QFontMetrics(font).height() + 2;
    pair->setMinimumHeight(height);
    shadow = new QLabel(pair);
    shadow->setObjectName(QLatin1String(shadowName));
    label = new QLabel(pair);
    label->setObjectName(QLatin1String(labelName));
    for (auto [widget, color, offset] : {std::tuple{shadow, shadowColour, 1}, std::tuple{label, colour, 0}}) {
        widget->setFont(font);
        widget->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(color));
        widget->move(offset, offset);
        widget->resize(1200, height);
    }
    return pair;
}

/** The pictures of the commands, the same in the menus and on the tool bar (Tango icons, resources/icons). */
namespace icon {
constexpr const char *kImport = "network-receive";
constexpr const char *kDataList = "document-open";
constexpr const char *kDataFolder = "folder";
constexpr const char *kPrint = "document-print";
constexpr const char *kPrinterSetup = "printer";
constexpr const char *kExit = "system-log-out";
constexpr const char *kHelp = "help-browser";
constexpr const char *kAbout = "dialog-information";
constexpr const char *kBacktest = "utilities-system-monitor";
} // namespace icon

QIcon CommandIcon(const char *name)
{
    // With their sizes given, the pictures are read only when a size is drawn.
    QIcon icon;
    for (const int size : {16, 22, 32})
        icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(QLatin1String(name)), QSize(size, size));
    return icon;
}

QPixmap Picture()
{
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xC0, 0x90, 0x20), 5));
    painter.drawArc(QRect(8, 6, 28, 32), 200 * 16, 300 * 16);
    painter.setPen(Qt::white);
    painter.setFont(render::PixelFont(render::kGothic, 12, true));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    return pixmap;
}

} // namespace

MainWindow::MainWindow(GuiContext &context, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_settings(context.settings())
    , m_presenter(context.dataDir())
    , m_printers(context.printers)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("ルクシア馬券ソフト「Velmora」 for JRA-VAN Data Lab."));
    if (m_context.jvlinkFactory)
        m_jvlink = m_context.jvlinkFactory(kJVLinkClassName);

    buildMenus();
    buildToolBar();
    statusBar()->setObjectName(QStringLiteral("StatusLine"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildHeader();
    layout->addWidget(findChild<QWidget *>(QStringLiteral("HeaderPanel")));

    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    m_dataPanel = new QWidget(central);
    m_dataPanel->setObjectName(QStringLiteral("Panel8"));
    auto *dataLayout = new QVBoxLayout(m_dataPanel);
    dataLayout->setContentsMargins(2, 2, 2, 2);
    m_dataList = new QListWidget(m_dataPanel);
    m_dataList->setObjectName(QStringLiteral("DatListBox"));
    m_dataList->setFont(render::PixelFont(render::kGothic, 13));
    m_dataList->setStatusTip(QStringLiteral("予想するﾚｰｽの開催日を選びます"));
    dataLayout->addWidget(m_dataList);
    m_dataPanel->setFixedWidth(190);
    m_dataPanel->hide();
    connect(m_dataList, &QListWidget::itemClicked, this, &MainWindow::loadChosenCourseDay);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), m_dataList, nullptr, nullptr, Qt::WidgetShortcut),
                &QShortcut::activated, this, [this] { loadChosenCourseDay(m_dataList->currentItem()); });
    }
    body->addWidget(m_dataPanel);

    m_body = body;
    // The next and the previous race from anywhere in the window, as tabs go in other programs.
    const auto raceKeys = [this](QKeySequence::StandardKey standard, QKeyCombination page, int step) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
        if (!keys.contains(QKeySequence(page)))
            keys.append(QKeySequence(page));
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, step] {
            if (m_raceView && !m_raceView->isHidden())
                m_raceView->stepRace(step);
        });
        addAction(action);
    };
    raceKeys(QKeySequence::NextChild, Qt::CTRL | Qt::Key_PageDown, 1);
    raceKeys(QKeySequence::PreviousChild, Qt::CTRL | Qt::Key_PageUp, -1);
    // The race view comes on the first load (raceView()).
    layout->addLayout(body, 1);

    m_ticker->setLines(Ticker::ReadLines(m_context.appFolder + QStringLiteral("/message.txt")));

    PlaceWindow(this,
                QPoint(m_settings.ReadInteger(QStringLiteral("locate"), QStringLiteral("left"), 10),
                       m_settings.ReadInteger(QStringLiteral("locate"), QStringLiteral("top"), 10)),
                QSize(m_settings.ReadInteger(QStringLiteral("locate"), QStringLiteral("width"), 630),
                      m_settings.ReadInteger(QStringLiteral("locate"), QStringLiteral("height"), 450)));

    const bool tickerOff = m_settings.ReadString(QStringLiteral("Ticker"), QStringLiteral("OnOff"),
                                                 QStringLiteral("On")) == QLatin1String("Off");
    m_tickerPanel->setVisible(!tickerOff);
    m_tickerSwitch->setChecked(tickerOff);

    // The other windows, the printers and their fonts are made when they are first needed, so that
    // the first paint waits for nothing it does not show.
}

MainWindow::~MainWindow() = default;

AllRacesWindow *MainWindow::allRacesWindow()
{
    if (!m_allRacesWindow) {
        m_allRacesWindow = new AllRacesWindow(m_presenter.session().allRaces, this);
        m_allRacesWindow->showBets();
        connect(m_allRacesWindow, &AllRacesWindow::printRequested, this, &MainWindow::printAllRaces);
        connect(m_allRacesWindow, &AllRacesWindow::saveTextRequested, this, &MainWindow::saveBetsText);
    }
    return m_allRacesWindow;
}

UserPredictionPopup *MainWindow::userWindow()
{
    if (!m_userPopup)
        m_userPopup = new UserPredictionPopup(this);
    return m_userPopup;
}

PreviewWindow *MainWindow::printWindow()
{
    if (!m_previewWindow)
        m_previewWindow = new PreviewWindow(m_context, printers(), this);
    return m_previewWindow;
}

RaceTabView *MainWindow::raceView()
{
    if (!m_raceView) {
        m_raceView = new RaceTabView(centralWidget());
        m_raceView->hide();
        connect(m_raceView, &RaceTabView::raceChosen, this, &MainWindow::showRace);
        connect(m_raceView, &RaceTabView::runnerChosen, this, &MainWindow::pickRunner);
        m_body->addWidget(m_raceView, 1);
    }
    return m_raceView;
}

PrinterProvider &MainWindow::printers()
{
    if (!m_printers) {
        m_ownPrinters = std::make_unique<SystemPrinters>();
        m_printers = m_ownPrinters.get();
    }
    return *m_printers;
}

void MainWindow::buildMenus()
{
    auto action = [this](QMenu *menu, const char *name, const char *caption, const char *hint, auto handler,
                         const char *iconName = nullptr) {
        QAction *item = menu->addAction(QString::fromUtf8(caption));
        item->setObjectName(QLatin1String(name));
        item->setStatusTip(QString::fromUtf8(hint));
        if (iconName)
            item->setIcon(CommandIcon(iconName));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    action(file, "JV1", "JVデータ取込(&G))", "JRA-VANからﾃﾞｰﾀを取り込みます", &MainWindow::importData, icon::kImport);
    file->addSeparator();
    action(file, "FileOpenItem", "ﾃﾞｰﾀ(&O)...", "予想に使用するﾃﾞｰﾀを読み込みます", &MainWindow::toggleDataList,
           icon::kDataList);
    action(file, "BacktestItem", "成績分析(&B)...", kBacktestHint, &MainWindow::showBacktest, icon::kBacktest);
    file->addSeparator();
    action(file, "N9", "データファイルメンテナンス(&D)", "ﾃﾞｰﾀﾌｧｲﾙのﾌｫﾙﾀﾞを開きます", &MainWindow::openDataFolder,
           icon::kDataFolder);
    file->addSeparator();
    QAction *print =
        action(file, "FilePrintItem", "印刷(&P)...", "現ﾚｰｽ予想結果を印刷します", &MainWindow::printRace, icon::kPrint);
    print->setShortcut(QKeySequence::Print);
    action(file, "FilePrintSetupItem", "ﾌﾟﾘﾝﾀの設定(&R)...", "ﾌﾟﾘﾝﾀの設定をします", &MainWindow::setUpPrinter,
           icon::kPrinterSetup);
    file->addSeparator();
    action(file, "FileExitItem", "終了(&X)", "ｿﾌﾄを終了します", &MainWindow::close, icon::kExit);

    // "ｵﾌﾟｼｮﾝ(O)" with its O as the menu's key, as the other two menus have theirs.
    QMenu *options = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    m_tickerSwitch = action(options, "T1", "ﾃｨｯｶを消す(&T)", "ﾃｨｯｶの表示を切り替えます", &MainWindow::switchTicker);
    m_tickerSwitch->setCheckable(true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    QAction *contents =
        action(help, "HelpContentsItem", "目次(&C)", "ﾍﾙﾌﾟの目次を表示します", &MainWindow::showHelp, icon::kHelp);
    contents->setShortcut(QKeySequence::HelpContents);
    help->addSeparator();
    action(help, "HelpAboutItem", "ﾊﾞｰｼﾞｮﾝ情報(&A)...", "ﾊﾞｰｼﾞｮﾝ情報を表示します", &MainWindow::showAbout,
           icon::kAbout);
}

void MainWindow::buildToolBar()
{
    auto makeBar = [this](const char *name) {
        QToolBar *bar = addToolBar(QLatin1String(name));
        bar->setObjectName(QLatin1String(name));
        bar->setMovable(false);
        return bar;
    };
    QToolBar *bar = makeBar("SpeedBar");
    auto tool = [this, bar](const char *name, const QString &caption, const char *iconName, const char *hint,
                            auto handler) {
        auto *button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setIcon(CommandIcon(iconName));
        button->setToolTip(QString::fromUtf8(hint));
        button->setStatusTip(button->toolTip());
        button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
        connect(button, &QToolButton::clicked, this, handler);
        bar->addWidget(button);
        return button;
    };
    tool("JVBtn", QStringLiteral("JVデータ取得"), icon::kImport, "JRA-VANからﾃﾞｰﾀを取り込みます",
         &MainWindow::importData);
    tool("SpeedButton1", QStringLiteral("データ"), icon::kDataList, "予想に使用するﾃﾞｰﾀを読み込みます",
         &MainWindow::toggleDataList);
    bar->addSeparator();
    m_print = tool("SpeedButton4", {}, icon::kPrint, "現ﾚｰｽ予想結果を印刷します", &MainWindow::printRace);
    tool("SpeedButton5", {}, icon::kPrinterSetup, "ﾌﾟﾘﾝﾀの設定をします", &MainWindow::setUpPrinter);
    bar->addSeparator();
    tool("SpeedButton6", {}, icon::kExit, "ｿﾌﾄを終了します", &MainWindow::close);
    tool("SpeedButton11", {}, icon::kHelp, "ﾍﾙﾌﾟの目次を表示します", &MainWindow::showHelp);
    tool("SpeedButton14", {}, icon::kAbout, "ﾊﾞｰｼﾞｮﾝ情報を表示します", &MainWindow::showAbout);

    // The buttons of the day's work on a row of their own: on one row with the tools they
    // no longer fit the window's width, and the hit lists ended up behind the overflow mark.
    addToolBarBreak();
    QToolBar *buttons = makeBar("ButtonBar");
    auto push = [this, buttons](const char *name, const char *caption, const char *hint, auto handler,
                                const char *iconName = nullptr) {
        auto *button = new QPushButton(QString::fromUtf8(caption), buttons);
        button->setObjectName(QLatin1String(name));
        if (iconName)
            button->setIcon(CommandIcon(iconName));
        button->setToolTip(QString::fromUtf8(hint));
        button->setStatusTip(button->toolTip());
        connect(button, &QPushButton::clicked, this, handler);
        buttons->addWidget(button);
        return button;
    };
    m_allBets = push("Button2", "全買い目", "全ﾚｰｽの買い目を表示します", &MainWindow::showAllRaces);
    m_graph = push("Button1", "勝負度ｸﾞﾗﾌ", "各ﾚｰｽの勝負度のｸﾞﾗﾌを表示します", &MainWindow::showConfidenceGraph);
    m_results = push("KekkaGetBtn", "結果情報", "レース結果の簡易表示窓を出します。", &MainWindow::fetchResults);
    push("TekiAnaBtn", "的中", "的中馬券をﾎｰﾑﾍﾟｰｼﾞ用に書き出します", &MainWindow::exportHits);
    push("TekiAnaBtn2", "穴的中", "高配当の的中馬券をﾎｰﾑﾍﾟｰｼﾞ用に書き出します", &MainWindow::exportLongshotHits);
    buttons->addSeparator();
    push("BacktestBtn", "成績分析", kBacktestHint, &MainWindow::showBacktest, icon::kBacktest);
}

void MainWindow::buildHeader()
{
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("HeaderPanel"));
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, QColor(0x00, 0x40, 0x80));
    header->setPalette(palette);
    auto *grid = new QGridLayout(header);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);

    const QFont headingFont = render::PixelFont(render::kGothic, 16, true);
    grid->addWidget(ShadowPair(header, m_dateLine, m_dateShadow, "Label1", "Label23", headingFont,
                               QStringLiteral("aqua"), QStringLiteral("blue")),
                    0, 0);
    grid->addWidget(ShadowPair(header, m_heading, m_headingShadow, "Panel2", "Label22", headingFont,
                               QStringLiteral("aqua"), QStringLiteral("blue")),
                    1, 0, 1, 3);

    m_tickerPanel = new QWidget(header);
    m_tickerPanel->setObjectName(QStringLiteral("Panel4"));
    auto *tickerLayout = new QHBoxLayout(m_tickerPanel);
    tickerLayout->setContentsMargins(0, 0, 0, 0);
    m_ticker = new Ticker(m_tickerPanel);
    m_ticker->setFont(render::PixelFont(render::kGothic, 14, true));
    m_ticker->setFixedHeight(20);
    tickerLayout->addWidget(m_ticker);
    m_tickerPanel->setMinimumWidth(200);
    grid->addWidget(m_tickerPanel, 0, 1);

    m_picture = new QLabel(header);
    m_picture->setObjectName(QStringLiteral("Image2"));
    m_picture->setPixmap(Picture());
    grid->addWidget(m_picture, 0, 2, 2, 1);

    m_condition = new QLabel(header);
    m_condition->setObjectName(QStringLiteral("Panel3"));
    m_condition->setFont(render::PixelFont(render::kGothic, 13, true));
    m_condition->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_condition->setStyleSheet(QStringLiteral("color: green; background: #ffffe1;"));
    m_condition->setMinimumHeight(20);
    grid->addWidget(m_condition, 2, 0, 1, 3);
    grid->setColumnStretch(0, 1);
}

bool MainWindow::EnsureDataFolder()
{
    if (QDir().mkpath(m_context.dataDir()))
        return true;
    m_context.messages.beep();
    m_context.messages.information(
        this,
        QStringLiteral("データフォルダ「%1」を作成できません。").arg(QDir::toNativeSeparators(m_context.dataDir())));
    return false;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown || !m_jvlink)
        return;
    m_shown = true;
    const int result = m_jvlink->JVInit(SoftwareId());
    if (result != 0) {
        m_context.messages.beep();
        m_context.messages.information(this, QStringLiteral("JVInitエラー：") + Qs(JVResultMessage("JVInit", result)));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Device-independent pixels, as Qt measures widgets: the place reads the same at any scale.
    m_settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), y());
    m_settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("left"), x());
    m_settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("width"), width());
    m_settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("height"), height());
    event->accept();
}

void MainWindow::importData()
{
    if (!m_jvlink)
        return;
    const auto operation = startOperation(Operation::Import);
    if (!operation)
        return;
    {
        ImportWindow form(*m_jvlink, m_context, m_presenter.session().ImportCancelled, this);
        form.exec();
    }
    // New course-days appear in an open data list at once.
    if (!m_dataPanel->isHidden())
        fillDataList();
}

void MainWindow::fillDataList()
{
    m_dataList->clear();
    for (const CourseDay &day : velmora::ListCourseDays(m_context.dataDir())) {
        // A name shows with its line breaks and control characters escaped; the item
        // keeps the course-day itself for loading.
        auto *item = new QListWidgetItem(day.displayName(), m_dataList);
        if (day.readable()) {
            item->setData(Qt::UserRole, QVariant::fromValue(day));
        } else {
            // Listed so that the person sees what was found, but it cannot be chosen.
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
            item->setToolTip(UnreadableNameReason());
            item->setStatusTip(UnreadableNameReason());
        }
    }
}

CourseDay MainWindow::courseDayOf(const QListWidgetItem *item)
{
    return item ? item->data(Qt::UserRole).value<CourseDay>() : CourseDay();
}

QListWidgetItem *MainWindow::dataListItem(const CourseDay &day) const
{
    for (int i = 0; i < m_dataList->count(); ++i) {
        QListWidgetItem *item = m_dataList->item(i);
        if (!courseDayOf(item).isNull() && (day.isNull() || courseDayOf(item) == day))
            return item;
    }
    return nullptr;
}

void MainWindow::toggleDataList()
{
    fillDataList();
    showDataList(m_dataPanel->isHidden());
    if (m_dataPanel->isHidden() || m_dataList->count() == 0)
        return;
    // Ready for the keyboard: the loaded course-day (or the latest) is current, Enter loads it.
    QListWidgetItem *loaded = dataListItem(m_presenter.session().courseDay);
    m_dataList->setCurrentItem(loaded ? loaded : dataListItem(CourseDay()));
    m_dataList->setFocus();
}

void MainWindow::loadChosenCourseDay(QListWidgetItem *item)
{
    if (const CourseDay day = courseDayOf(item); !day.isNull())
        showCourseDay(day);
}

void MainWindow::setDayButtons(bool enabled)
{
    for (QWidget *button : std::initializer_list<QWidget *>{m_graph, m_allBets, m_print})
        button->setEnabled(enabled);
}

void MainWindow::setDateLine(const QString &text)
{
    m_dateLine->setText(text);
    m_dateShadow->setText(text);
}

void MainWindow::setHeading(const QString &text)
{
    m_heading->setText(text);
    m_headingShadow->setText(text);
}

void MainWindow::failLoad(const QString &message, bool missingFiles)
{
    if (missingFiles) {
        // The wait window is never shown; this failure closes it, which resets its gauge.
        if (!m_waitWindow)
            m_waitWindow = new WaitWindow(this);
        m_waitWindow->close();
        raceView()->clearRace();
        setDateLine({});
        setHeading({});
        m_condition->clear();
        m_raceView->hide();
        showDataList(false);
    }
    setDayButtons(false);
    m_context.messages.beep();
    m_context.messages.information(this, message);
}

RacePresenter::OperationScope MainWindow::startOperation(Operation operation)
{
    // When another operation runs the person is told, and the scope comes back empty.
    refuseWhileBusy();
    return m_presenter.startOperation(operation);
}

bool MainWindow::refuseWhileBusy()
{
    if (!m_presenter.runningOperation())
        return false;
    m_context.messages.beep();
    m_context.messages.exclamation(this, m_presenter.busyText(), QStringLiteral("実行中の処理があります"));
    return true;
}

void MainWindow::showCourseDay(const CourseDay &day)
{
    // A load would change the course-day the running operation works on.
    if (refuseWhileBusy())
        return;
    if (m_raceView)
        m_raceView->hide();
    showLoadResult(m_presenter.load(day));
}

void MainWindow::showLoadResult(const LoadResult &result)
{
    switch (result.status) {
    case LoadStatus::FilesMissing:
        failLoad(result.message, true);
        return;
    case LoadStatus::Incomplete:
    case LoadStatus::ZeroDivisor:
    case LoadStatus::Damaged:
        failLoad(result.message, false);
        return;
    case LoadStatus::Loaded:
    case LoadStatus::FewRaces:
        break;
    }
    raceView()->show();
    setDayButtons(true);
    if (result.status == LoadStatus::Loaded) {
        m_raceView->setTabs(QsList(m_presenter.tabCaptions()));
        m_raceView->setCurrentRace(m_presenter.shownRace());
        showAllRacesBets();
        showShownRace();
        // Ready for the keyboard: the arrow keys choose a runner, Enter makes it the axis.
        m_raceView->grid()->setFocus();
    }
    showDataList(false);
    growToShowRaces();
}

void MainWindow::showDataList(bool shown)
{
    if (shown == !m_dataPanel->isHidden())
        return;
    if (shown) {
        // The list takes its room beside the race view, not from the runner grid: the
        // window grows by what the grid would lose, as far as the screen allows.
        const QRect before = geometry();
        m_dataPanel->show();
        GrowWindow(this, QSize(missingWidth(), 0));
        m_dataListRoom = {before, geometry()};
        return;
    }
    m_dataPanel->hide();
    // The room goes back: the window as it was, unless the person has moved or sized it since.
    const auto [before, grown] = std::exchange(m_dataListRoom, {});
    if (grown.isNull() || before == grown)
        return;
    if (geometry() == grown) {
        setGeometry(before);
    } else {
        const int width = std::max(minimumWidth(), this->width() - (grown.width() - before.width()));
        resize(width, height());
    }
}

int MainWindow::missingWidth()
{
    layout()->activate();
    centralWidget()->layout()->activate();
    return centralWidget()->sizeHint().width() - centralWidget()->width();
}

void MainWindow::growToShowRaces()
{
    const RaceCard &card = m_presenter.session().card;
    int rows = 0;
    for (int r = 1; r <= card.RaceCount; ++r)
        rows = std::max(rows, card.registeredRunners(r));
    // Wide enough for the grid's columns beside the bets, tall enough for the largest field.
    const int width = missingWidth();
    GrowWindow(this, QSize(width, raceView()->hiddenRowsHeight(std::min(rows, kMaxRunners))));
}

void MainWindow::showRace(int race)
{
    if (m_presenter.showRace(race))
        showShownRace();
}

void MainWindow::showShownRace()
{
    const RaceViewTexts &view = m_presenter.shownView();
    setDateLine(Qs(view.dateLine));
    setHeading(Qs(view.heading));
    m_condition->setText(Qs(view.conditionLine));
    raceView()->showRace(view);
}

void MainWindow::showAllRacesBets()
{
    // A window not made yet shows the bets when it is made.
    if (m_allRacesWindow)
        m_allRacesWindow->showBets();
}

void MainWindow::pickRunner(int row)
{
    const std::optional<UserPrediction> prediction = m_presenter.pickRunner(row);
    if (!prediction)
        return;
    m_raceView->showUserBets(Qs(prediction->panel), QsList(prediction->quinella), QsList(prediction->bracket));
    showAllRacesBets();
    userWindow()->showPrediction(*prediction, m_raceView->runnerRowOnScreen(row));
}

bool MainWindow::refuseWithoutRaces()
{
    if (m_presenter.session().card.RaceCount >= kMinRacesToCompute)
        return false;
    m_context.messages.exclamation(this, kNoData, kNoDataCaption);
    return true;
}

void MainWindow::showAllRaces()
{
    if (refuseWithoutRaces())
        return;
    m_presenter.fillAllRaces();
    allRacesWindow()->openFor(Qs(m_presenter.allRacesHeading()), QsList(m_presenter.hitList()));
}

void MainWindow::showConfidenceGraph()
{
    if (refuseWithoutRaces())
        return;
    ConfidenceGraphWindow graph(m_presenter.session().prediction, m_presenter.session().card.RaceCount, this);
    graph.exec();
}

void MainWindow::fetchResults()
{
    if (!m_jvlink || !m_dataList->currentItem() || !m_raceView || m_raceView->tabBar()->currentIndex() < 0)
        return;
    const auto operation = startOperation(Operation::ResultFetch);
    if (!operation)
        return;
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    // The fetch works on the course-day loaded when it starts: the window stays usable
    // meanwhile, and no other day is loaded until it ends.
    const RaceCard before = m_presenter.session().card;
    // Disabled, the button hands the keyboard on to the next one ("的中"), where one more
    // key would start an export: the focus comes back, or goes to the reloaded grid.
    const bool hadFocus = m_results->hasFocus();
    m_results->setCursor(Qt::WaitCursor);
    m_results->setEnabled(false);
    RaceDayStore store(m_context.dataDir());
    ResultFetch fetch(
        *m_jvlink, store, m_presenter.session().ImportCancelled, [] { QCoreApplication::processEvents(); },
        [this] { m_context.messages.beep(); });
    fetch.setPatience(WindowPatience());
    const ResultFetch::Outcome outcome = fetch.run(before);
    if (!outcome.error.isEmpty()) {
        m_context.messages.beep();
        m_context.messages.information(this, outcome.error);
    } else if (outcome.fetched) {
        // The fetch only adds results: the day comes back with the race in view and the
        // user's predictions as they are now, including what the user did during the fetch.
        m_raceView->hide();
        showLoadResult(m_presenter.restore(m_presenter.place()));
        const QString refusals = ResultFetchRefusals(outcome);
        statusBar()->showMessage(ResultFetchNews(before, m_presenter.session().card) +
                                 (refusals.isEmpty() ? QString() : QStringLiteral("　") + refusals));
        // A JV-Link error is said after the reload, which shows whatever did arrive.
        for (const QString &error : {outcome.jvlinkError, outcome.closeError}) {
            if (!error.isEmpty())
                m_context.messages.information(this, error);
        }
    }
    m_results->unsetCursor();
    m_results->setEnabled(true);
    if (hadFocus && !(outcome.error.isEmpty() && outcome.fetched))
        m_results->setFocus();
}

void MainWindow::printRace()
{
    const std::optional<Page> page = m_presenter.raceSheet();
    if (!page) {
        m_context.messages.information(this, QString::fromUtf8(kCannotPrint), QString::fromUtf8(kCannotPrintCaption));
        return;
    }
    printWindow()->showPage(*page);
}

void MainWindow::setUpPrinter()
{
    printers().setup(this);
}

void MainWindow::printAllRaces()
{
    printWindow()->showPage(m_presenter.allRacesSheet());
}

void MainWindow::saveBetsText()
{
    const auto operation = startOperation(Operation::BetsText);
    if (!operation)
        return;
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    QString error;
    const QString message = SaveBetsText(m_presenter.betsText(), m_context.appFolder, &error);
    m_context.messages.beep();
    m_context.messages.information(this, error.isEmpty() ? message : error);
}

void MainWindow::exportHits()
{
    exportHitsAbove(HitThreshold::Hit);
}

void MainWindow::exportLongshotHits()
{
    exportHitsAbove(HitThreshold::Longshot);
}

void MainWindow::exportHitsAbove(HitThreshold threshold)
{
    const CourseDay chosen = courseDayOf(m_dataList->currentItem());
    if (chosen.isNull())
        return;
    const auto operation = startOperation(Operation::HitExport);
    if (!operation)
        return;
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    std::vector<CourseDay> days;
    for (int i = 0; i < m_dataList->count(); ++i) {
        if (CourseDay day = courseDayOf(m_dataList->item(i)); !day.isNull())
            days.push_back(std::move(day));
    }
    // The export computes every course-day of the date on its own: the window keeps the
    // day, the race and the user's predictions it showed.
    const HitExportResult result = ExportHits(m_context.dataDir(), m_context.appFolder, days, chosen.date(), threshold);
    if (!result.error.isEmpty()) {
        m_context.messages.beep();
        m_context.messages.information(this, result.error);
        return;
    }
    if (result.written) {
        const bool opened = m_context.desktop.open(QUrl::fromLocalFile(result.exportPath));
        m_context.desktop.setClipboardText(result.clipboardText());
        if (!opened) {
            sayCannotOpen(QStringLiteral("的中馬券を「%1」に書き出し、クリップボードにもコピーしました。"
                                         "このファイルを開くプログラムが見つかりません。")
                              .arg(QDir::toNativeSeparators(result.exportPath)));
        }
    }
}

void MainWindow::showBacktest()
{
    if (!m_backtest)
        m_backtest = new BacktestWindow(m_context.dataDir(), m_context.messages, PlatformCsvFilePicker(), this);
    m_backtest->showAndRun();
}

void MainWindow::openDataFolder()
{
    if (!m_context.desktop.open(QUrl::fromLocalFile(m_context.dataDir()))) {
        sayCannotOpen(QStringLiteral("データフォルダ「%1」を開くプログラムが見つかりません。")
                          .arg(QDir::toNativeSeparators(m_context.dataDir())));
    }
}

void MainWindow::sayCannotOpen(const QString &message)
{
    m_context.messages.beep();
    m_context.messages.information(this, message);
}

void MainWindow::switchTicker()
{
    const bool off = m_tickerSwitch->isChecked();
    m_tickerPanel->setVisible(!off);
    m_settings.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"),
                           off ? QStringLiteral("Off") : QStringLiteral("On"));
}

void MainWindow::showHelp()
{
    // The compiled help when it is installed; otherwise the help that comes with the program.
    const QStringList candidates = {m_context.appFolder + QStringLiteral("/VelmoraJdl.chm"),
                                    SharedFilesFolder() + QStringLiteral("/VelmoraHelp.html"),
                                    m_context.appFolder + QStringLiteral("/VelmoraHelp.html")};
    for (const QString &file : candidates) {
        if (QFileInfo(file).isFile()) {
            if (!m_context.desktop.open(QUrl::fromLocalFile(file))) {
                sayCannotOpen(QStringLiteral("ヘルプファイル「%1」を開くプログラムが見つかりません。")
                                  .arg(QDir::toNativeSeparators(file)));
            }
            return;
        }
    }
    m_context.messages.information(this, QStringLiteral("ヘルプファイルが見つかりません。"));
}

void MainWindow::showAbout()
{
    AboutBox about(kVersionText, m_picture, m_context.desktop, m_context.messages, this);
    about.exec();
}

} // namespace velmora::gui
