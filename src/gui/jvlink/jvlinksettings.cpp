#include "gui/jvlink/jvlinksettings.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace velmora::gui {

FolderPicker PlatformFolderPicker()
{
    return [](QWidget *parent, const QString &current) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("データの提供元フォルダ"), current);
    };
}

namespace {

QLabel *InUseLabel(const QString &inUse, QWidget *parent)
{
    auto *label = new QLabel(inUse, parent);
    label->setObjectName(QStringLiteral("JVLinkInUseLabel"));
    label->setWordWrap(true);
    return label;
}

} // namespace

JVLinkSettingsDialog::JVLinkSettingsDialog(const LocalJVLinkSettings &settings, FolderPicker pickFolder,
                                           QWidget *parent, const QString &inUse)
    : QDialog(parent)
    , m_pickFolder(std::move(pickFolder))
    , m_initialSource(settings.sourceFolder)
{
    setObjectName(QStringLiteral("JVLinkSettingsDialog"));
    setWindowTitle(QStringLiteral("JV-Link設定"));

    m_source = new QLineEdit(settings.sourceFolder, this);
    m_source->setObjectName(QStringLiteral("SourceFolderEdit"));
    m_source->setMinimumWidth(320);
    auto *browse = new QPushButton(QStringLiteral("参照..."), this);
    browse->setObjectName(QStringLiteral("BrowseButton"));
    browse->setAutoDefault(false);
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(browse);

    m_serviceKey = new QLineEdit(settings.serviceKey, this);
    m_serviceKey->setObjectName(QStringLiteral("ServiceKeyEdit"));

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("ErrorLabel"));
    m_error->setWordWrap(true);
    QPalette errorPalette = m_error->palette();
    errorPalette.setColor(QPalette::WindowText, Qt::red);
    m_error->setPalette(errorPalette);
    m_error->setVisible(false);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("データの提供元フォルダ"), sourceRow);
    form->addRow(QStringLiteral("サービスキー"), m_serviceKey);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("ButtonBox"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InUseLabel(inUse, this));
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = m_pickFolder ? m_pickFolder(this, m_source->text()) : QString();
        if (!folder.isEmpty())
            m_source->setText(folder);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &JVLinkSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &JVLinkSettingsDialog::reject);
}

LocalJVLinkSettings JVLinkSettingsDialog::settings() const
{
    return {m_source->text(), m_serviceKey->text()};
}

QString JVLinkSettingsDialog::problem() const
{
    // The same test as the component's open: a key of blanks is no key.
    if (m_serviceKey->text().trimmed().isEmpty())
        return QStringLiteral("サービスキーを入力してください。");
    const QString source = m_source->text();
    if (source.trimmed().isEmpty())
        return QStringLiteral("データの提供元フォルダを入力してください。");
    // The folder the dialog opened with may not exist yet: the component lays out its
    // default source at the first import. Only a folder the user names must be there.
    if (source != m_initialSource && !QFileInfo(source).isDir())
        return QStringLiteral("フォルダ「%1」が見つかりません。").arg(source);
    return {};
}

void JVLinkSettingsDialog::accept()
{
    const QString text = problem();
    m_error->setText(text);
    m_error->setVisible(!text.isEmpty());
    if (text.isEmpty())
        QDialog::accept();
}

LocalJVLink::SettingsDialog JVLinkSettingsDialogOver(std::function<QWidget *()> parent, FolderPicker pickFolder,
                                                     QString inUse)
{
    return [parent = std::move(parent), pickFolder = std::move(pickFolder),
            inUse = std::move(inUse)](LocalJVLinkSettings &settings) {
        JVLinkSettingsDialog dialog(settings, pickFolder, parent ? parent() : nullptr, inUse);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        settings = dialog.settings();
        return true;
    };
}

JVLinkBridgeDialog::JVLinkBridgeDialog(const QString &inUse, std::function<int()> openJVLinkDialog, QWidget *parent)
    : QDialog(parent)
    , m_openJVLinkDialog(std::move(openJVLinkDialog))
{
    setObjectName(QStringLiteral("JVLinkBridgeDialog"));
    setWindowTitle(QStringLiteral("JV-Link設定"));
    auto *open = new QPushButton(QStringLiteral("JV-Linkの設定画面を開く..."), this);
    open->setObjectName(QStringLiteral("OpenJVLinkButton"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("ButtonBox"));
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InUseLabel(inUse, this));
    layout->addWidget(
        new QLabel(QStringLiteral("サービスキーやデータ保存場所はJV-Link自身の設定画面で設定します。"), this));
    layout->addWidget(open, 0, Qt::AlignLeft);
    layout->addWidget(buttons);

    connect(open, &QPushButton::clicked, this, [this] {
        if (m_openJVLinkDialog)
            m_result = m_openJVLinkDialog();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &JVLinkBridgeDialog::reject);
}

BridgeJVLink::SettingsDialog JVLinkBridgeDialogOver(std::function<QWidget *()> parent, std::function<QString()> inUse)
{
    return [parent = std::move(parent), inUse = std::move(inUse)](const std::function<int()> &openJVLinkDialog) {
        JVLinkBridgeDialog dialog(inUse ? inUse() : QString(), openJVLinkDialog, parent ? parent() : nullptr);
        dialog.exec();
        return dialog.jvlinkResult();
    };
}

BridgeJVLink::DialogOwner JVLinkDialogOwner(std::function<QWidget *()> window)
{
    return [window = std::move(window)](qint64 processId) -> std::uint32_t {
#ifdef Q_OS_WIN
        AllowSetForegroundWindow(static_cast<DWORD>(processId));
        QWidget *owner = window ? window() : nullptr;
        // Window handles fit 32 bits in 32- and 64-bit processes alike, as JV-Link's ParentHWnd takes them.
        return owner ? static_cast<std::uint32_t>(owner->winId()) : 0;
#else
        Q_UNUSED(window);
        Q_UNUSED(processId);
        return 0;
#endif
    };
}

} // namespace velmora::gui
