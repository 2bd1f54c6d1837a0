#include "gui/jvlink/importwindow.h"

#include "core/jvlink/jvresultmessage.h"
#include "core/text/sjis.h"
#include "gui/app/guicontext.h"
#include "gui/app/messages.h"
#include "gui/app/windowplace.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QEventLoop>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::gui {
namespace {

const QString kLastTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");
const QString kCancelQuestion = QStringLiteral("データ取込を中止します。実行しますか？");
// How often the list of stored records takes the lines that came in meanwhile.
constexpr qint64 kCreatedFlushMs = 100;

QLabel *NamedLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QProgressBar *NamedBar(const QString &name, QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

} // namespace

JVLinkPatience WindowPatience()
{
    JVLinkPatience patience = JVLinkPatience::Default();
    patience.wait = [](std::chrono::milliseconds pause) {
        QEventLoop loop;
        QTimer::singleShot(pause, &loop, &QEventLoop::quit);
        loop.exec();
    };
    return patience;
}

ImportWindow::ImportWindow(JVLink &jvlink, GuiContext &context, bool &importCancelled, QWidget *parent)
    : QDialog(parent)
    , m_jvlink(jvlink)
    , m_context(context)
    , m_settings(context.settings())
    , m_store(context.dataDir())
    , m_import(
          std::make_unique<DataImport>(jvlink, m_store, m_settings, static_cast<ImportView &>(*this), importCancelled))
{
    m_import->setPatience(WindowPatience());
    setObjectName(QStringLiteral("GetDataForm"));
    setWindowTitle(QStringLiteral("ＪＶデータ取込"));
    setModal(true);

    m_settingsButton = new QToolButton(this);
    m_settingsButton->setObjectName(QStringLiteral("SpeedButton1"));
    m_settingsButton->setText(QStringLiteral("JVLink設定"));
    m_settingsButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_settingsButton->setAutoRaise(true);
    const QString settingsHint = QStringLiteral("JRA-VAN　Data Lab.のサービスキーやデータ保存場所の設定をします");
    m_settingsButton->setToolTip(settingsHint);
    m_settingsButton->setStatusTip(settingsHint);

    m_start = new QPushButton(QStringLiteral("データ取込み開始"), this);
    m_start->setObjectName(QStringLiteral("ButtonStart"));
    m_cancel = new QPushButton(QStringLiteral("データ取込み中止"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCancel"));
    // Nothing to cancel until an import runs.
    m_cancel->setEnabled(false);

    m_progress = NamedLabel(QStringLiteral("ProgressLabel"), {}, this);
    QFont progressFont = m_progress->font();
    progressFont.setBold(true);
    m_progress->setFont(progressFont);
    QPalette progressPalette = m_progress->palette();
    progressPalette.setColor(QPalette::WindowText, Qt::blue);
    m_progress->setPalette(progressPalette);
    // Raised text: a thin dark shadow below and to the right of the letters.
    auto *raised = new QGraphicsDropShadowEffect(m_progress);
    raised->setOffset(1, 1);
    raised->setBlurRadius(0);
    raised->setColor(Qt::darkGray);
    m_progress->setGraphicsEffect(raised);
    m_progress->setMinimumHeight(m_progress->fontMetrics().height() + 6);

    m_download = NamedBar(QStringLiteral("ProgressBar1"), this);
    m_read = NamedBar(QStringLiteral("ProgressBar2"), this);

    m_created = new QListWidget(this);
    m_created->setObjectName(QStringLiteral("ListBox1"));
    // An import of a year adds tens of thousands of lines: uniform rows keep adding and
    // scrolling cheap.
    m_created->setUniformItemSizes(true);
    m_created->setSelectionMode(QAbstractItemView::SingleSelection);

    m_from = new QDateTimeEdit(this);
    m_from->setObjectName(QStringLiteral("DateTimePicker1"));
    m_from->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_from->setDisplayFormat(QStringLiteral("yyyy'年'M'月'd'日' dddd HH:mm:ss"));
    m_from->setCalendarPopup(true);

    auto *group = new QGroupBox(QStringLiteral("取得データ"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    m_normal = new QRadioButton(QStringLiteral("通常データ"), group);
    m_normal->setObjectName(QStringLiteral("rbtNormal"));
    m_thisWeek = new QRadioButton(QStringLiteral("今週開催データ"), group);
    m_thisWeek->setObjectName(QStringLiteral("rbtIsthisweek"));
    m_thisWeek->setChecked(true);
    auto *setup = new QRadioButton(QStringLiteral("セットアップデータ"), group);
    setup->setObjectName(QStringLiteral("rbtSetup"));
    setup->setVisible(false);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_normal);
    groupLayout->addWidget(m_thisWeek);
    groupLayout->addWidget(setup);

    m_lastTime = NamedLabel(QStringLiteral("Label5"), {}, this);
    m_lastTime->setVisible(false);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("TimerJVStatus"));
    m_timer->setInterval(10);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_settingsButton);
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);

    auto *grid = new QGridLayout;
    grid->addWidget(NamedLabel(QStringLiteral("Label1"), QStringLiteral("ダウンロード"), this), 0, 0);
    grid->addWidget(m_download, 0, 1);
    grid->addWidget(NamedLabel(QStringLiteral("Label2"), QStringLiteral("読込み"), this), 1, 0);
    grid->addWidget(m_read, 1, 1);
    grid->addWidget(NamedLabel(QStringLiteral("Label6"), QStringLiteral("取得開始日付"), this), 2, 0);
    grid->addWidget(m_from, 2, 1);
    grid->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addLayout(grid);
    layout->addWidget(group);
    layout->addWidget(NamedLabel(QStringLiteral("Label7"), QStringLiteral("作成済みデータ"), this));
    layout->addWidget(m_created, 1);
    layout->addWidget(m_lastTime);
    resize(520, 480);
    CentreOnScreen(this, parent);

    connect(m_settingsButton, &QToolButton::clicked, this, &ImportWindow::openJVLinkSettings);
    connect(m_start, &QPushButton::clicked, this, &ImportWindow::startImport);
    connect(m_cancel, &QPushButton::clicked, this, &ImportWindow::askToCancel);
    connect(m_timer, &QTimer::timeout, this, &ImportWindow::pollDownload);

    setFromDate(DataImport::StoredFromDate(m_settings, QDateTime::currentDateTime()));
}

ImportWindow::~ImportWindow()
{
    m_timer->stop();
    // The window is only destroyed mid-download when the application goes down; JV-Link
    // must still be left closed, or its next open fails as "still open".
    if (m_import->downloading()) {
        m_jvlink.JVCancel();
        m_jvlink.JVClose();
    }
}

void ImportWindow::reject()
{
    if (!m_import->running()) {
        QDialog::reject();
        return;
    }
    if (m_cancelPending) {
        m_closeWhenEnded = true;
        return;
    }
    if (!confirmCancel())
        return;
    m_closeWhenEnded = true;
    cancelImport();
}

void ImportWindow::openJVLinkSettings()
{
    const int result = m_jvlink.JVSetUIProperties();
    if (result != 0)
        showMessage(QStringLiteral("JVSetUIPropertiesエラー：") +
                    FromSjis(JVResultMessage("JVSetUIProperties", result)));
}

void ImportWindow::startImport()
{
    if (m_import->running())
        return;
    m_lock = m_context.lockForWriting(this);
    if (!m_lock)
        return;
    const QDateTime from = m_from->dateTime();
    m_context.messages.information(this, DataImport::StartNotice(from));
    m_timer->stop();
    setImportRunning(true);
    m_import->start(from, m_normal->isChecked() ? 1 : 2);
    if (m_import->downloading())
        m_timer->start();
    else
        importEnded();
}

void ImportWindow::pollDownload()
{
    // Stopped during the poll: once the last file is there the poll runs the read loop,
    // which processes events, and no tick may come in between.
    m_timer->stop();
    m_import->poll();
    if (m_import->downloading())
        m_timer->start();
    else
        importEnded();
}

void ImportWindow::askToCancel()
{
    if (confirmCancel())
        cancelImport();
}

bool ImportWindow::confirmCancel()
{
    // No polling while the question is open: a tick in the box's event loop could begin
    // the read loop there, and the answer would only be heard once it had read everything.
    const bool polling = m_timer->isActive();
    m_timer->stop();
    if (m_context.messages.question(this, kCancelQuestion))
        return true;
    if (polling && m_import->downloading())
        m_timer->start();
    return false;
}

void ImportWindow::cancelImport()
{
    m_timer->stop();
    m_cancelPending = true;
    m_cancel->setEnabled(false);
    m_import->cancel();
    // A cancelled download has ended here; a read loop ends at its next pass, and the
    // handler that runs it finishes the import.
    if (!m_import->running())
        importEnded();
}

void ImportWindow::setImportRunning(bool running)
{
    // One import at a time: a start inside the read loop's event processing would nest a
    // second import in the first; changing JV-Link's settings while it is open is no safer.
    m_start->setEnabled(!running);
    m_settingsButton->setEnabled(!running);
    m_cancel->setEnabled(running);
}

void ImportWindow::importEnded()
{
    flushCreated();
    if (m_import->running())
        return;
    // The list ends with what the import did; an import that found nothing new said so in its box.
    const DataImport::Outcome outcome = m_import->outcome();
    if (outcome != DataImport::Outcome::NotRun && outcome != DataImport::Outcome::NothingNew) {
        m_created->addItems(ImportSummary(m_import->counts()));
        m_created->scrollToBottom();
    }
    m_cancelPending = false;
    setImportRunning(false);
    m_lock.reset();
    if (m_closeWhenEnded) {
        m_closeWhenEnded = false;
        QDialog::reject();
    }
}

void ImportWindow::setProgressText(const QString &text)
{
    m_progress->setText(text);
}

void ImportWindow::setDownloadProgress(int position, int maximum)
{
    m_download->setRange(0, maximum);
    m_download->setValue(position);
}

void ImportWindow::setReadProgress(int position, int maximum)
{
    m_read->setRange(0, maximum);
    m_read->setValue(position);
}

void ImportWindow::clearCreated()
{
    m_pendingCreated.clear();
    m_created->clear();
    m_sinceFlush.start();
}

void ImportWindow::addCreated(const QString &line)
{
    // The list view lays out all its rows after every insertion, so a line per record
    // would make a large import quadratic; lines are handed over in batches instead.
    m_pendingCreated.append(line);
    if (!m_sinceFlush.isValid() || m_sinceFlush.hasExpired(kCreatedFlushMs))
        flushCreated();
}

void ImportWindow::flushCreated()
{
    m_sinceFlush.start();
    if (m_pendingCreated.isEmpty())
        return;
    m_created->addItems(m_pendingCreated);
    m_pendingCreated.clear();
    m_created->scrollToBottom();
}

void ImportWindow::showMessage(const QString &text)
{
    flushCreated();
    beep();
    m_context.messages.information(this, text);
}

void ImportWindow::beep()
{
    m_context.messages.beep();
}

void ImportWindow::setBusy(bool busy)
{
    if (busy) {
        setCursor(Qt::BusyCursor);
    } else {
        flushCreated();
        unsetCursor();
    }
}

void ImportWindow::setFromDate(const QDateTime &from)
{
    m_from->setDateTime(from);
    m_lastTime->setText(m_from->dateTime().toString(kLastTimeFormat));
}

void ImportWindow::processEvents()
{
    QCoreApplication::processEvents();
}

} // namespace velmora::gui
