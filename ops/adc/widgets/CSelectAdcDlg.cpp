#include "ops/adc/widgets/CSelectAdcDlg.h"

#include "ops/adc/CAdcChannels.h"
#include "ops/adc/widgets/CAdcWindow.h"
#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CSelectAdcDlg::CSelectAdcDlg(CAdcChannels& channels, QWidget* windowParent, QWidget* parent)
    : QDialog(parent), m_channels(channels), m_windowParent(windowParent)
{
    setWindowTitle(QStringLiteral("Select ADC "));

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlId::Name(kOkId));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(ControlId::Name(kCancelId));
    m_closeAll = new QPushButton(QStringLiteral("Close all"), this);
    m_closeAll->setAutoDefault(false);
    m_chart = new QPushButton(QStringLiteral("Chart"), this);
    m_chart->setAutoDefault(false);
    m_chart->setVisible(false);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addSpacing(12);
    buttons->addWidget(m_closeAll);
    buttons->addWidget(m_chart);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CSelectAdcDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectAdcDlg::reject);
    connect(m_closeAll, &QPushButton::clicked, this, &CSelectAdcDlg::OnCloseAll);
    connect(m_chart, &QPushButton::clicked, this, [this] {
        // The chart is a window of its own: apply the selection and step aside, so the
        // chart is not held behind this modal dialog.
        accept();
        if (m_chartHandler)
            m_chartHandler();
    });
    connect(&m_channels, &CAdcChannels::WindowSetChanged, this, &CSelectAdcDlg::Fill);
    Fill();
}

void CSelectAdcDlg::SetChartHandler(std::function<void()> handler)
{
    m_chartHandler = std::move(handler);
    m_chart->setVisible(bool(m_chartHandler));
}

void CSelectAdcDlg::Fill()
{
    m_list->clear();
    if (m_channels.WindowSetSize() == 0) {
        // A note rather than a channel: it cannot be selected, so OK has nothing to open.
        auto* none = new QListWidgetItem(LoadString(EString::NoAdcChannels), m_list);
        none->setFlags(Qt::ItemIsEnabled);
        return;
    }
    for (int i = 0; i < m_channels.WindowSetSize(); ++i) {
        auto* line = new QListWidgetItem(m_channels.Entry(i).name, m_list);
        line->setSelected(m_channels.IsOpen(i));
    }
}

void CSelectAdcDlg::accept()
{
    const int lines = std::min(m_list->count(), m_channels.WindowSetSize());
    // Closing first leaves their places free for the windows opened after.
    for (int i = 0; i < lines; ++i) {
        if (!m_list->item(i)->isSelected())
            m_channels.Close(i);
    }
    for (int i = 0; i < lines; ++i) {
        if (m_list->item(i)->isSelected() && !m_channels.IsOpen(i))
            CAdcWindow::Open(m_channels, i, m_windowParent);
    }
    QDialog::accept();
}

void CSelectAdcDlg::OnCloseAll()
{
    m_channels.CloseAll();
    m_list->clearSelection();
}
