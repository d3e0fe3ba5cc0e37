#include "store/widgets/CBackupsDlg.h"

#include "store/CBackups.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kProfileRole = Qt::UserRole + 1;

} // namespace

CBackupsDlg::CBackupsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Backups"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QDir::toNativeSeparators(CBackups::Folder()), this));

    const std::vector<CBackups::SEntry> entries = CBackups::List();
    if (entries.empty())
        layout->addWidget(new QLabel(tr("No backups yet."), this));

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("Controller type"), tr("Saved"), tr("Records"), tr("File")});
    const QLocale locale;
    for (const CBackups::SEntry& e : entries) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, e.typeName);
        item->setText(1, locale.toString(e.modified, QLocale::ShortFormat));
        const QString count = e.count < 0 ? tr("unreadable")
                              : e.profile
                                  ? (e.count == 1 ? tr("1 record") : tr("%1 records").arg(e.count))
                                  : tr("%1 bytes").arg(e.count);
        item->setText(2, count);
        item->setText(3, QFileInfo(e.path).fileName());
        item->setData(0, kPathRole, e.path);
        item->setData(0, kProfileRole, e.profile);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setVisible(!entries.empty());
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(tr("Open"), QDialogButtonBox::AcceptRole);
    m_folder = buttons->addButton(tr("Show in folder"), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);

    connect(m_open, &QPushButton::clicked, this, [this] { OpenCurrent(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_folder, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(CBackups::Folder())); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OpenCurrent(); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    UpdateButtons();
    resize(640, 400);
}

void CBackupsDlg::UpdateButtons()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_open->setEnabled(item && item->data(0, kProfileRole).toBool());
    m_folder->setEnabled(m_list->topLevelItemCount() > 0);
}

void CBackupsDlg::OpenCurrent()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->data(0, kProfileRole).toBool())
        return;
    m_selected = item->data(0, kPathRole).toString();
    accept();
}
