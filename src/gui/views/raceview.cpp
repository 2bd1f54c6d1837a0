#include "gui/views/raceview.h"

#include "core/codes/keibafunc.h"
#include "gui/app/guicontext.h"
#include "gui/views/betheader.h"
#include "gui/views/devicepixels.h"
#include "render/fonts.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace velmora::gui {
namespace {

constexpr std::array<int, kGridColumns> kColumnWidths = {25, 25, 201, 0, 60, 60, 25, 25, 25, 25, 40, 40};

/** The height the runner grid's rows are designed with, at a scale of 1. */
constexpr int kRowHeight = 15;

/**
 * Cell drawing of the runner grid: bracket colours in column 0, left-aligned names,
 * centred rest; the grid lines and the frame of the current row on whole device pixels,
 * so that rows and lines stay even at fractional scales and no glyph covers a line.
 */
class GridDelegate : public QStyledItemDelegate
{
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        QColor background = Qt::white;
        if (index.column() == kColHorse) {
            background = option.palette.color(QPalette::ToolTipBase);
        } else if (index.column() == kColBracket) {
            if (const auto colour = BracketColour(FieldValue(text.toStdString())))
                background = QColor::fromRgb(*colour);
        }
        const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
        QRectF textArea;
        {
            const DevicePixelPainting device(*painter);
            const QRect cell = device.map(option.rect);
            if (cell.isEmpty())
                return;
            const int line = device.lineWidth();
            painter->fillRect(cell, background);
            const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
            const QColor grid =
                QColor::fromRgba(static_cast<QRgb>(style->styleHint(QStyle::SH_Table_GridLineColor, &option, view)));
            const QRect inside = cell.adjusted(0, 0, -line, -line);
            painter->fillRect(QRect(cell.left(), inside.bottom() + 1, cell.width(), line), grid);
            painter->fillRect(QRect(inside.right() + 1, cell.top(), line, cell.height()), grid);
            // The runner a key would choose: its row framed while the grid has the focus.
            if (view && view->hasFocus() && view->currentIndex().row() == index.row()) {
                const QColor focus = option.palette.color(QPalette::Highlight);
                const int frame = 2 * line;
                painter->fillRect(QRect(inside.left(), inside.top(), inside.width(), frame), focus);
                painter->fillRect(QRect(inside.left(), inside.bottom() - frame + 1, inside.width(), frame), focus);
                if (index.column() == 0)
                    painter->fillRect(QRect(inside.left(), inside.top(), frame, inside.height()), focus);
                if (index.column() == kGridColumns - 1)
                    painter->fillRect(QRect(inside.right() - frame + 1, inside.top(), frame, inside.height()), focus);
            }
            textArea = device.toLogical(inside);
        }
        painter->save();
        painter->setClipRect(textArea);
        painter->setFont(option.font);
        painter->setPen(Qt::black);
        const Qt::Alignment alignment = Qt::AlignTop | (index.column() == kColName ? Qt::AlignLeft : Qt::AlignHCenter);
        painter->drawText(textArea, static_cast<int>(alignment), text);
        painter->restore();
    }
};

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text = {})
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QListWidget *MakeList(QWidget *parent, const char *name)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setFont(render::BetListFont(render::kGothic, 13));
    list->setSelectionMode(QAbstractItemView::NoSelection);
    // As wide as the bets, not Qt's default list width: the grid comes first.
    list->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    return list;
}

/** A page of two bet lists under the headers "馬連" and "枠連". */
QWidget *BetPage(QWidget *parent, QListWidget *quinella, QListWidget *bracket, QLabel *panel = nullptr)
{
    auto *page = new QWidget(parent);
    auto *layout = new QGridLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    int row = 0;
    if (panel)
        layout->addWidget(panel, row++, 0, 1, 2);
    layout->addWidget(HeaderSection(QStringLiteral("馬連"), page), row, 0);
    layout->addWidget(HeaderSection(QStringLiteral("枠連"), page), row, 1);
    layout->addWidget(quinella, row + 1, 0);
    layout->addWidget(bracket, row + 1, 1);
    return page;
}

void Fill(QListWidget *list, const std::vector<std::string> &items)
{
    list->clear();
    list->addItems(QsList(items));
}

} // namespace

RaceTabView::RaceTabView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabControl1"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("TabControl1Tabs"));
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    outer->addWidget(m_tabs);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(4, 4, 4, 4);
    outer->addLayout(body, 1);

    // The runner grid, with the diagnostic layer under it.
    auto *left = new QVBoxLayout;
    m_grid = new QTableWidget(0, kGridColumns, this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    // The grid draws its own lines, on device pixels (GridDelegate).
    m_grid->setShowGrid(false);
    m_grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
    evenRowHeights();
    m_grid->horizontalHeader()->setMinimumSectionSize(0);
    for (int column = 0; column < kGridColumns; ++column)
        m_grid->setColumnWidth(column, kColumnWidths[static_cast<size_t>(column)]);
    m_grid->setFont(render::PixelFont(render::kGothic, 15, true));
    m_grid->setItemDelegate(new GridDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    // Arrow keys move to a runner, Enter or Space chooses it as a click does.
    m_grid->setFocusPolicy(Qt::StrongFocus);
    m_grid->setTabKeyNavigation(false);
    m_grid->installEventFilter(this);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, m_grid->viewport(),
            qOverload<>(&QWidget::update));
    m_grid->viewport()->setCursor(Qt::PointingHandCursor);
    m_grid->setToolTip(QStringLiteral("表示は枠番、馬番、馬名、性別・馬齢、負担重量の順です"));
    m_grid->setStatusTip(m_grid->toolTip());
    // The grid asks for the width of its columns; it is narrower, and scrolls, only where
    // the screen is: a load widens the window as far as the screen allows.
    m_grid->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_grid->setMinimumWidth(160);
    m_grid->viewport()->installEventFilter(this);
    left->addWidget(m_grid, 1);

    auto *diagnostics = new QWidget(this);
    diagnostics->setObjectName(QStringLiteral("DiagnosticLayer"));
    auto *diagnosticLayout = new QGridLayout(diagnostics);
    diagnosticLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 18; ++i) {
        const QByteArray name = "Label" + QByteArray::number(i + 4);
        m_diagnostics[static_cast<size_t>(i)] = MakeLabel(diagnostics, name.constData());
        diagnosticLayout->addWidget(m_diagnostics[static_cast<size_t>(i)], i / 6, i % 6);
    }
    // The layer carries no function for the user: hidden, as is the button that uncovers it.
    diagnostics->hide();
    m_toggleGrid = new QPushButton(QStringLiteral("計算経過"), this);
    m_toggleGrid->setObjectName(QStringLiteral("Button3"));
    m_toggleGrid->hide();
    connect(m_toggleGrid, &QPushButton::clicked, this, [this, diagnostics] {
        m_grid->setVisible(!m_grid->isVisible());
        diagnostics->setVisible(!m_grid->isVisible());
    });
    left->addWidget(diagnostics);
    left->addWidget(m_toggleGrid);
    body->addLayout(left);

    // The prediction box and the bet lists.
    auto *right = new QVBoxLayout;
    auto *sizeBox = new QWidget(this);
    sizeBox->setFixedHeight(26);
    m_fieldSizeShadow = MakeLabel(sizeBox, "Label31");
    m_fieldSize = MakeLabel(sizeBox, "Label30");
    for (QLabel *label : {m_fieldSizeShadow, m_fieldSize}) {
        label->setFont(render::PixelFont(render::kGothic, 19, true));
        label->setFixedSize(120, 24);
    }
    m_fieldSizeShadow->setStyleSheet(QStringLiteral("color: blue; background: transparent;"));
    m_fieldSize->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_fieldSizeShadow->move(1, 1);
    m_fieldSize->move(0, 0);
    sizeBox->setStyleSheet(QStringLiteral("background: #408080;"));
    right->addWidget(sizeBox);

    auto *box = new QGridLayout;
    auto caption = [this](const char *text) {
        auto *label = new QLabel(QString::fromUtf8(text), this);
        label->setFont(render::PixelFont(render::kGothic, 14, true));
        return label;
    };
    m_grade = MakeLabel(this, "HSPanel4");
    m_grade->setStyleSheet(QStringLiteral("color: red; background: aqua;"));
    m_grade->setFont(render::PixelFont(render::kGothic, 21, true));
    m_axis = MakeLabel(this, "HSPanel2");
    m_cover = MakeLabel(this, "HSPanel5");
    for (QLabel *panel : {m_grade, m_axis, m_cover}) {
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumSize(48, 26);
    }
    m_axis->setFont(render::PixelFont(render::kGothic, 18, true));
    m_cover->setFont(render::PixelFont(render::kGothic, 18, true));
    box->addWidget(caption("勝負度："), 0, 0);
    box->addWidget(m_grade, 0, 1);
    box->addWidget(caption("軸："), 1, 0);
    box->addWidget(m_axis, 1, 1);
    box->addWidget(caption("押え："), 2, 0);
    box->addWidget(m_cover, 2, 1);
    right->addLayout(box);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_computerQuinella = MakeList(this, "ListBox5");
    m_computerBracket = MakeList(this, "ListBox6");
    m_userQuinella = MakeList(this, "ListBox7");
    m_userBracket = MakeList(this, "ListBox8");
    m_userPanel = MakeLabel(this, "HSPanel3");
    m_userPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_userPanel->setStyleSheet(QStringLiteral("color: blue;"));
    m_userQuinella->setStyleSheet(QStringLiteral("color: blue;"));
    m_userBracket->setStyleSheet(QStringLiteral("color: blue;"));
    m_pages->addTab(BetPage(m_pages, m_computerQuinella, m_computerBracket), QStringLiteral(" ｺﾝﾋﾟｭｰﾀｰ "));
    m_pages->addTab(BetPage(m_pages, m_userQuinella, m_userBracket, m_userPanel), QStringLiteral(" ﾕｰｻﾞ予想 "));
    m_pages->setMinimumWidth(170);
    right->addWidget(m_pages, 1);
    body->addLayout(right, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0)
            Q_EMIT raceChosen(index + 1);
    });
}

void RaceTabView::setTabs(const QStringList &captions)
{
    const QSignalBlocker blocker(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (const QString &caption : captions)
        m_tabs->addTab(caption);
    m_tabs->setCurrentIndex(captions.isEmpty() ? -1 : 0);
}

int RaceTabView::currentRace() const
{
    return m_tabs->currentIndex() + 1;
}

void RaceTabView::stepRace(int step)
{
    const int count = m_tabs->count();
    if (count > 0)
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
}

void RaceTabView::setCurrentRace(int race)
{
    const QSignalBlocker blocker(m_tabs);
    m_tabs->setCurrentIndex(race - 1);
}

void RaceTabView::showRace(const RaceViewTexts &texts)
{
    m_grid->clearContents();
    m_grid->setRowCount(static_cast<int>(texts.grid.size()));
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        m_grid->setRowHeight(row, m_grid->verticalHeader()->defaultSectionSize());
        for (int column = 0; column < kGridColumns; ++column) {
            const std::string &cell = texts.grid[static_cast<size_t>(row)][static_cast<size_t>(column)];
            m_grid->setItem(row, column, new QTableWidgetItem(Qs(cell)));
        }
    }
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentCell(0, kColName);
    m_fieldSize->setText(Qs(texts.fieldSize));
    m_fieldSizeShadow->setText(Qs(texts.fieldSize));
    m_grade->setText(Qs(texts.grade));
    m_axis->setText(Qs(texts.axis));
    m_cover->setText(Qs(texts.cover));
    Fill(m_computerQuinella, texts.computerQuinella);
    Fill(m_computerBracket, texts.computerBracket);
    showUserBets(Qs(texts.userPanel), QsList(texts.userQuinella), QsList(texts.userBracket));
    for (size_t i = 0; i < m_diagnostics.size(); ++i)
        m_diagnostics[i]->setText(Qs(texts.diagnostics[i]));
}

void RaceTabView::clearRace()
{
    setTabs({});
    m_grid->setRowCount(0);
    m_computerQuinella->clear();
    m_computerBracket->clear();
    for (QLabel *label : {m_axis, m_grade, m_cover})
        label->clear();
}

void RaceTabView::evenRowHeights()
{
    const int height = EvenRowHeight(kRowHeight, m_grid->devicePixelRatio());
    m_grid->verticalHeader()->setDefaultSectionSize(height);
    for (int row = 0; row < m_grid->rowCount(); ++row)
        m_grid->setRowHeight(row, height);
}

void RaceTabView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // On a screen of another scale the rows take the height that is even there.
    if (QWindow *handle = window()->windowHandle(); handle && !m_followsScreen) {
        m_followsScreen = true;
        connect(handle, &QWindow::screenChanged, this, &RaceTabView::evenRowHeights);
    }
    evenRowHeights();
}

int RaceTabView::hiddenRowsHeight(int rows) const
{
    return std::max(0, rows * m_grid->verticalHeader()->defaultSectionSize() - m_grid->viewport()->height());
}

QRect RaceTabView::runnerRowOnScreen(int row) const
{
    QWidget *viewport = m_grid->viewport();
    QRect rect = viewport->rect();
    if (row >= 0 && row < m_grid->rowCount()) {
        const QModelIndex first = m_grid->model()->index(row, 0);
        const QModelIndex last = m_grid->model()->index(row, kGridColumns - 1);
        const QRect shown = m_grid->visualRect(first).united(m_grid->visualRect(last)).intersected(rect);
        if (!shown.isEmpty())
            rect = shown;
    }
    return {viewport->mapToGlobal(rect.topLeft()), rect.size()};
}

void RaceTabView::showUserBets(const QString &panel, const QStringList &quinella, const QStringList &bracket)
{
    m_userPanel->setText(panel);
    m_userQuinella->clear();
    m_userQuinella->addItems(quinella);
    m_userBracket->clear();
    m_userBracket->addItems(bracket);
}

bool RaceTabView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Q_EMIT runnerChosen(m_grid->currentIndex().row());
            return true;
        }
    }
    if (watched == m_grid && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        m_grid->viewport()->update();
    // The runner is the row under the pointer at the click, not the grid's current cell.
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            Q_EMIT runnerChosen(m_grid->rowAt(mouse->position().toPoint().y()));
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora::gui
