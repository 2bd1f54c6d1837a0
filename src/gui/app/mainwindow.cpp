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
#include "gui/app/fonts.h"
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
    QIcon icon;
    for (const char *size : {"16x16", "22x22", "32x32"})
        icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(QLatin1String(size), QLatin1String(name)));
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
    painter.setFont(PixelFont(kGothic, 12, true));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    return pixmap;
}

} // namespace

MainWindow::MainWindow(GuiContext &context, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_settings(context.settings())
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
    m_dataList->setFont(PixelFont(kGothic, 13));
    m_dataList->setStatusTip(QStringLiteral("予想するﾚｰｽの開催日を選びます"));
    dataLayout->addWidget(m_dataList);
    m_dataPanel->setFixedWidth(190);
    m_dataPanel->hide();
    connect(m_dataList, &QListWidget::itemClicked, this, &MainWindow::DatListBoxClick);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), m_dataList, nullptr, nullptr, Qt::WidgetShortcut),
                &QShortcut::activated, this, [this] { DatListBoxClick(m_dataList->currentItem()); });
    }
    body->addWidget(m_dataPanel);

    m_raceView = new RaceTabView(central);
    m_raceView->hide();
    // The next and the previous race from anywhere in the window, as tabs go in other programs.
    const auto raceKeys = [this](QKeySequence::StandardKey standard, QKeyCombination page, int step) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
        if (!keys.contains(QKeySequence(page)))
            keys.append(QKeySequence(page));
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, step] {
            if (!m_raceView->isHidden())
                m_raceView->stepRace(step);
        });
        addAction(action);
    };
    raceKeys(QKeySequence::NextChild, Qt::CTRL | Qt::Key_PageDown, 1);
    raceKeys(QKeySequence::PreviousChild, Qt::CTRL | Qt::Key_PageUp, -1);
    connect(m_raceView, &RaceTabView::raceChosen, this, &MainWindow::TabControl1Change);
    connect(m_raceView, &RaceTabView::runnerClicked, this, &MainWindow::StringGrid1Click);
    body->addWidget(m_raceView, 1);
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

    // The windows that live as long as the program, in the order the program makes them.
    if (!m_printers) {
        m_ownPrinters = std::make_unique<SystemPrinters>();
        m_printers = m_ownPrinters.get();
    }
    m_previewWindow = new PreviewWindow(m_context, *m_printers, this);
    m_waitWindow = new WaitWindow(this);
    m_allRacesWindow = new AllRacesWindow(m_session, m_context, this);
    m_userPopup = new UserPredictionPopup(this);
    connect(m_allRacesWindow, &AllRacesWindow::printRequested, this, &MainWindow::printAllRaces);
    connect(m_allRacesWindow, &AllRacesWindow::saveTextRequested, this, &MainWindow::saveBetsText);
}

MainWindow::~MainWindow() = default;

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
    action(file, "JV1", "JVデータ取込(&G))", "JRA-VANからﾃﾞｰﾀを取り込みます", &MainWindow::JVBtnClick, icon::kImport);
    file->addSeparator();
    action(file, "FileOpenItem", "ﾃﾞｰﾀ(&O)...", "予想に使用するﾃﾞｰﾀを読み込みます", &MainWindow::ListDataFiles,
           icon::kDataList);
    action(file, "BacktestItem", "成績分析(&B)...", kBacktestHint, &MainWindow::BacktestBtnClick, icon::kBacktest);
    file->addSeparator();
    action(file, "N9", "データファイルメンテナンス(&D)", "ﾃﾞｰﾀﾌｧｲﾙのﾌｫﾙﾀﾞを開きます", &MainWindow::OpenDataFolder,
           icon::kDataFolder);
    file->addSeparator();
    QAction *print = action(file, "FilePrintItem", "印刷(&P)...", "現ﾚｰｽ予想結果を印刷します",
                            &MainWindow::FilePrintItemClick, icon::kPrint);
    print->setShortcut(QKeySequence::Print);
    action(file, "FilePrintSetupItem", "ﾌﾟﾘﾝﾀの設定(&R)...", "ﾌﾟﾘﾝﾀの設定をします",
           &MainWindow::FilePrintSetupItemClick, icon::kPrinterSetup);
    file->addSeparator();
    action(file, "FileExitItem", "終了(&X)", "ｿﾌﾄを終了します", &MainWindow::FileExitItemClick, icon::kExit);

    QMenu *options = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(O)"));
    m_tickerSwitch = action(options, "T1", "ﾃｨｯｶを消す(&T)", "ﾃｨｯｶの表示を切り替えます", &MainWindow::T1Click);
    m_tickerSwitch->setCheckable(true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    QAction *contents = action(help, "HelpContentsItem", "目次(&C)", "ﾍﾙﾌﾟの目次を表示します",
                               &MainWindow::HelpContentsItemClick, icon::kHelp);
    contents->setShortcut(QKeySequence::HelpContents);
    help->addSeparator();
    action(help, "HelpAboutItem", "ﾊﾞｰｼﾞｮﾝ情報(&A)...", "ﾊﾞｰｼﾞｮﾝ情報を表示します", &MainWindow::HelpAboutItemClick,
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
         &MainWindow::JVBtnClick);
    tool("SpeedButton1", QStringLiteral("データ"), icon::kDataList, "予想に使用するﾃﾞｰﾀを読み込みます",
         &MainWindow::ListDataFiles);
    bar->addSeparator();
    m_print = tool("SpeedButton4", {}, icon::kPrint, "現ﾚｰｽ予想結果を印刷します", &MainWindow::FilePrintItemClick);
    tool("SpeedButton5", {}, icon::kPrinterSetup, "ﾌﾟﾘﾝﾀの設定をします", &MainWindow::FilePrintSetupItemClick);
    bar->addSeparator();
    tool("SpeedButton6", {}, icon::kExit, "ｿﾌﾄを終了します", &MainWindow::FileExitItemClick);
    tool("SpeedButton11", {}, icon::kHelp, "ﾍﾙﾌﾟの目次を表示します", &MainWindow::HelpContentsItemClick);
    tool("SpeedButton14", {}, icon::kAbout, "ﾊﾞｰｼﾞｮﾝ情報を表示します", &MainWindow::HelpAboutItemClick);

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
    m_allBets = push("Button2", "全買い目", "全ﾚｰｽの買い目を表示します", &MainWindow::Button2Click);
    m_graph = push("Button1", "勝負度ｸﾞﾗﾌ", "各ﾚｰｽの勝負度のｸﾞﾗﾌを表示します", &MainWindow::Button1Click);
    m_results = push("KekkaGetBtn", "結果情報", "レース結果の簡易表示窓を出します。", &MainWindow::KekkaGetBtnClick);
    push("TekiAnaBtn", "的中", "的中馬券をﾎｰﾑﾍﾟｰｼﾞ用に書き出します", &MainWindow::TekiAnaBtnClick);
    push("TekiAnaBtn2", "穴的中", "高配当の的中馬券をﾎｰﾑﾍﾟｰｼﾞ用に書き出します", &MainWindow::TekiAnaBtn2Click);
    buttons->addSeparator();
    push("BacktestBtn", "成績分析", kBacktestHint, &MainWindow::BacktestBtnClick, icon::kBacktest);
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

    const QFont headingFont = PixelFont(kGothic, 16, true);
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
    m_ticker->setFont(PixelFont(kGothic, 14, true));
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
    m_condition->setFont(PixelFont(kGothic, 13, true));
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

void MainWindow::JVBtnClick()
{
    if (!m_jvlink)
        return;
    {
        ImportWindow form(*m_jvlink, m_context, m_session.ImportCancelled, this);
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

void MainWindow::ListDataFiles()
{
    fillDataList();
    m_dataPanel->setVisible(m_dataPanel->isHidden());
    if (m_dataPanel->isHidden() || m_dataList->count() == 0)
        return;
    // Ready for the keyboard: the loaded course-day (or the latest) is current, Enter loads it.
    QListWidgetItem *loaded = dataListItem(m_session.courseDay);
    m_dataList->setCurrentItem(loaded ? loaded : dataListItem(CourseDay()));
    m_dataList->setFocus();
}

void MainWindow::DatListBoxClick(QListWidgetItem *item)
{
    if (const CourseDay day = courseDayOf(item); !day.isNull())
        LoadCourseDay(day);
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
        m_waitWindow->close();
        m_raceView->clearRace();
        setDateLine({});
        setHeading({});
        m_condition->clear();
        m_raceView->hide();
        m_dataPanel->hide();
    }
    setDayButtons(false);
    m_context.messages.beep();
    m_context.messages.information(this, message);
}

void MainWindow::LoadCourseDay(const CourseDay &day)
{
    m_raceView->hide();
    showLoaded(LoadIntoSession(m_session, m_context.dataDir(), day), 0);
}

void MainWindow::showLoaded(const LoadResult &result, int keptRace)
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
    m_raceView->show();
    setDayButtons(true);
    if (result.status == LoadStatus::Loaded) {
        QStringList tabs;
        for (const std::string &caption : TabCaptions(m_session.card))
            tabs.append(Qs(caption));
        m_raceView->setTabs(tabs);
        m_allRacesWindow->showBets();
        if (keptRace >= 1 && keptRace <= m_session.card.RaceCount) {
            m_raceView->setCurrentRace(keptRace);
            showView(RaceView(m_session, keptRace), keptRace);
        } else {
            showView(LoadedRaceView(m_session), 1);
        }
    }
    m_dataPanel->hide();
    growToShowRaces();
}

void MainWindow::growToShowRaces()
{
    int rows = 0;
    for (int r = 1; r <= m_session.card.RaceCount; ++r)
        rows = std::max(rows, m_session.card.registeredRunners(r));
    layout()->activate();
    centralWidget()->layout()->activate();
    // Wide enough for the grid's columns beside the bets, tall enough for the largest field.
    const int width = centralWidget()->sizeHint().width() - centralWidget()->width();
    GrowWindow(this, QSize(width, m_raceView->hiddenRowsHeight(std::min(rows, kMaxRunners))));
}

void MainWindow::TabControl1Change(int race)
{
    if (race < 1 || race > m_session.card.RaceCount)
        return;
    showView(RaceView(m_session, race), race);
}

void MainWindow::showView(const RaceViewTexts &view, int race)
{
    m_shownView = view;
    m_shownRace = race;
    setDateLine(Qs(view.dateLine));
    setHeading(Qs(view.heading));
    m_condition->setText(Qs(view.conditionLine));
    m_raceView->showRace(view);
}

void MainWindow::StringGrid1Click(int row)
{
    const int race = m_raceView->currentRace();
    // The prediction arrays belong to the last day that was computed; a day of fewer
    // races shown since has none to pair the clicked horse with.
    if (race < 1 || m_session.card.RaceCount < kMinRacesToCompute)
        return;
    const UserPrediction prediction = MakeUserPrediction(m_session, race, row);
    m_raceView->showUserBets(Qs(prediction.panel), QsList(prediction.quinella), QsList(prediction.bracket));
    m_shownView.userPanel = prediction.panel;
    m_shownView.userQuinella = prediction.quinella;
    m_shownView.userBracket = prediction.bracket;
    m_allRacesWindow->showBets();
    m_userPopup->showPrediction(prediction);
}

bool MainWindow::refuseWithoutRaces()
{
    if (m_session.card.RaceCount >= kMinRacesToCompute)
        return false;
    m_context.messages.exclamation(this, kNoData, kNoDataCaption);
    return true;
}

void MainWindow::Button2Click()
{
    if (!refuseWithoutRaces())
        m_allRacesWindow->openFor(m_dateLine->text());
}

void MainWindow::Button1Click()
{
    if (refuseWithoutRaces())
        return;
    ConfidenceGraphWindow graph(m_session.prediction, m_session.card.RaceCount, this);
    graph.exec();
}

void MainWindow::KekkaGetBtnClick()
{
    if (!m_jvlink || !m_dataList->currentItem() || m_raceView->tabBar()->currentIndex() < 0)
        return;
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    const int shownRace = m_raceView->currentRace();
    const RaceCard before = m_session.card;
    m_results->setCursor(Qt::WaitCursor);
    m_results->setEnabled(false);
    RaceDayStore store(m_context.dataDir());
    ResultFetch fetch(
        *m_jvlink, store, m_session.ImportCancelled, [] { QCoreApplication::processEvents(); },
        [this] { m_context.messages.beep(); });
    fetch.setPatience(WindowPatience());
    const ResultFetch::Outcome outcome = fetch.run(m_session.card);
    if (!outcome.error.isEmpty()) {
        m_context.messages.beep();
        m_context.messages.information(this, outcome.error);
    } else if (outcome.fetched) {
        // The user's predictions and the race in view survive the reload: the fetch only adds results.
        m_raceView->hide();
        showLoaded(ReloadKeepingUserBets(m_session, m_context.dataDir()), shownRace);
        const QString refusals = ResultFetchRefusals(outcome);
        statusBar()->showMessage(ResultFetchNews(before, m_session.card) +
                                 (refusals.isEmpty() ? QString() : QStringLiteral("　") + refusals));
        // A JV-Link error is said after the reload, which shows whatever did arrive.
        for (const QString &error : {outcome.jvlinkError, outcome.closeError}) {
            if (!error.isEmpty())
                m_context.messages.information(this, error);
        }
    }
    m_results->unsetCursor();
    m_results->setEnabled(true);
}

void MainWindow::FilePrintItemClick()
{
    const std::optional<Page> page =
        m_shownRace > 0 ? RaceSheet(RaceSheetSourceOf(m_session, m_shownView, m_shownRace)) : std::nullopt;
    if (!page) {
        m_context.messages.information(this, QString::fromUtf8(kCannotPrint), QString::fromUtf8(kCannotPrintCaption));
        return;
    }
    m_previewWindow->showPage(*page);
}

void MainWindow::FilePrintSetupItemClick()
{
    m_printers->setup(this);
}

void MainWindow::printAllRaces()
{
    m_previewWindow->showPage(
        AllRacesSheet(m_session, m_raceView->tabBar()->count(), ToSjis(m_allRacesWindow->headingText())));
}

void MainWindow::saveBetsText()
{
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    QString error;
    const QString message =
        SaveBetsText(MakeBetsText(m_session, ToSjis(m_allRacesWindow->headingText())), m_context.appFolder, &error);
    m_context.messages.beep();
    m_context.messages.information(this, error.isEmpty() ? message : error);
}

void MainWindow::TekiAnaBtnClick()
{
    exportHits(HitThreshold::Hit);
}

void MainWindow::TekiAnaBtn2Click()
{
    exportHits(HitThreshold::Longshot);
}

void MainWindow::exportHits(HitThreshold threshold)
{
    const CourseDay selected = courseDayOf(m_dataList->currentItem());
    if (selected.isNull())
        return;
    const auto lock = m_context.lockForWriting(this);
    if (!lock)
        return;
    std::vector<CourseDay> days;
    for (int i = 0; i < m_dataList->count(); ++i) {
        if (CourseDay day = courseDayOf(m_dataList->item(i)); !day.isNull())
            days.push_back(std::move(day));
    }
    const HitExportResult result =
        ExportHits(m_context.dataDir(), m_context.appFolder, days, selected.date(), threshold);
    // The window ends on the last course-day of the date, its last race shown, as the export walked it.
    if (!result.lastCourseDay.isNull()) {
        if (QListWidgetItem *found = dataListItem(result.lastCourseDay))
            m_dataList->setCurrentItem(found);
        LoadCourseDay(result.lastCourseDay);
        if (m_raceView->tabBar()->count() > 0)
            m_raceView->tabBar()->setCurrentIndex(m_raceView->tabBar()->count() - 1);
    }
    if (!result.error.isEmpty()) {
        m_context.messages.beep();
        m_context.messages.information(this, result.error);
        return;
    }
    if (result.written) {
        m_context.desktop.open(QUrl::fromLocalFile(result.exportPath));
        m_context.desktop.setClipboardText(result.clipboardText());
    }
}

void MainWindow::BacktestBtnClick()
{
    if (!m_backtest)
        m_backtest = new BacktestWindow(m_context.dataDir(), m_context.messages, PlatformCsvFilePicker(), this);
    m_backtest->showAndRun();
}

void MainWindow::OpenDataFolder()
{
    m_context.desktop.open(QUrl::fromLocalFile(m_context.dataDir()));
}

void MainWindow::FileExitItemClick()
{
    close();
}

void MainWindow::T1Click()
{
    const bool off = m_tickerSwitch->isChecked();
    m_tickerPanel->setVisible(!off);
    m_settings.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"),
                           off ? QStringLiteral("Off") : QStringLiteral("On"));
}

void MainWindow::HelpContentsItemClick()
{
    // The compiled help when it is installed; otherwise the help that comes with the program.
    const QStringList candidates = {m_context.appFolder + QStringLiteral("/VelmoraJdl.chm"),
                                    SharedFilesFolder() + QStringLiteral("/VelmoraHelp.html"),
                                    m_context.appFolder + QStringLiteral("/VelmoraHelp.html")};
    for (const QString &file : candidates) {
        if (QFileInfo(file).isFile()) {
            m_context.desktop.open(QUrl::fromLocalFile(file));
            return;
        }
    }
    m_context.messages.information(this, QStringLiteral("ヘルプファイルが見つかりません。"));
}

void MainWindow::HelpAboutItemClick()
{
    AboutBox about(kVersionText, m_picture, m_context.desktop, m_context.messages, this);
    about.exec();
}

} // namespace velmora::gui
