#include "ui/CWriteConfirmDlg.h"

#include "res/StringTable.h"
#include "ui/CAnimationControl.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Room left on the screen for the window's frame and title.
constexpr int kFrameAllowance = 40;

using SWritePreview = IUserPrompt::SWritePreview;

// A line across both columns: the count of records not listed, or that nothing differs.
void AddSpannedLine(QTreeWidget& list, const QString& text)
{
    auto* item = new QTreeWidgetItem(&list, QStringList{text});
    item->setFirstColumnSpanned(true);
}

} // namespace

CWriteConfirmDlg::CWriteConfirmDlg(const QString& tagFileDir, const SWritePreview& preview,
                                   QWidget* parent)
    : CSafeQuestionDlg(parent), m_list(new QTreeWidget(this)), m_reason(new QLabel(this)),
      m_changedOnly(new QPushButton(LoadString(EString::WriteChangedOnlyButton), this)),
      m_all(new QPushButton(LoadString(EString::WriteAllButton), this)),
      m_cancel(new QPushButton(LoadString(EString::WriteCancelButton), this))
{
    QLabel* text = MakeQuestion(kListWidth);

    m_list->setColumnCount(2);
    // Which side is which: the controller's value comes first, the value to write after it.
    m_list->setHeaderLabels({tr("Parameter"), tr("In the controller \u2192 to write")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFixedWidth(kListWidth);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FillList(preview);

    m_reason->setWordWrap(true);
    m_reason->setFixedWidth(kListWidth);
    m_reason->setText(LoadString(EString::WritePreviewUnknown).arg(preview.unknown));
    m_reason->setVisible(preview.unknown > 0);

    m_changedOnly->setEnabled(preview.ChangedOnlyPossible());
    SetSafeButton(m_cancel, kCancel);
    connect(m_changedOnly, &QPushButton::clicked, this, [this] { done(kChangedOnly); });
    connect(m_all, &QPushButton::clicked, this, [this] { done(kAll); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(kCancel); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_changedOnly);
    buttons->addWidget(m_all);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Animation(), 0, Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addWidget(m_list, 0, Qt::AlignHCenter);
    layout->addWidget(m_reason, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        FitToHeight(screen->availableGeometry().height() - kFrameAllowance);

    PlayAnimation(tagFileDir);
}

void CWriteConfirmDlg::FillList(const SWritePreview& preview)
{
    if (preview.NothingDiffers()) {
        AddSpannedLine(*m_list, LoadString(EString::WritePreviewNothing));
        return;
    }
    for (const SWritePreview::SChange& change : preview.changes) {
        QString before = change.before;
        if (change.held == SWritePreview::EHeld::Refused)
            before = LoadString(EString::WritePreviewRefused);
        else if (change.held == SWritePreview::EHeld::NoReply)
            before = LoadString(EString::WritePreviewNoReply);
        auto* item = new QTreeWidgetItem(
            m_list, QStringList{change.name,
                                LoadString(EString::WritePreviewChange).arg(before, change.after)});
        if (change.held != SWritePreview::EHeld::Value) {
            // The word stands out from the values around it.
            QFont font = item->font(1);
            font.setItalic(true);
            item->setFont(1, font);
        }
    }
    if (preview.more > 0)
        AddSpannedLine(*m_list, LoadString(EString::WritePreviewMore).arg(preview.more));
    // Long names give way to the values: both columns stay in view, elided if need be.
    m_list->resizeColumnToContents(0);
    m_list->setColumnWidth(0, std::min(m_list->columnWidth(0), kListWidth * 11 / 20));
}

void CWriteConfirmDlg::FitToHeight(int height)
{
    const int rowHeight = std::max(m_list->sizeHintForRow(0), 1);
    const int frame = 2 * m_list->frameWidth() + m_list->header()->sizeHint().height();
    const int full = m_list->topLevelItemCount() * rowHeight + frame;
    m_list->setFixedHeight(full);
    const int over = sizeHint().height() - height;
    if (over > 0)
        m_list->setFixedHeight(std::max(full - over, kMinimumRows * rowHeight + frame));
}

IUserPrompt::EWriteChoice CWriteConfirmDlg::Choice(int result)
{
    switch (result) {
    case kChangedOnly:
        return IUserPrompt::EWriteChoice::ChangedOnly;
    case kAll:
        return IUserPrompt::EWriteChoice::All;
    default:
        return IUserPrompt::EWriteChoice::Cancel;
    }
}
