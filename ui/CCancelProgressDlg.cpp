#include "ui/CCancelProgressDlg.h"

#include "ui/ControlId.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kBarWidth = 280;

} // namespace

CCancelProgressDlg::CCancelProgressDlg(QWidget* parent)
    : QDialog(parent), m_bar(new QProgressBar(this)), m_count(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(ControlId::Name(157));
    // A title bar for the flow's title, but no close box: the flow decides when it closes.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);

    m_bar->setObjectName(ControlId::Name(1083));
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(kBarWidth);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_count->setObjectName(QStringLiteral("progressCount"));
    m_count->setAlignment(Qt::AlignHCenter);

    m_cancel->setObjectName(ControlId::Name(1065));
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &CCancelProgressDlg::OnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_count);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CCancelProgressDlg::Create()
{
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    m_cancel->setFocus();
}

void CCancelProgressDlg::SetRange(int low, int high)
{
    m_bar->setRange(std::clamp(low, 0, 0xFFFF), std::clamp(high, 0, 0xFFFF));
    m_timeLeft.SetRange(m_bar->minimum(), m_bar->maximum());
    m_count->setText(m_timeLeft.Text());
}

void CCancelProgressDlg::SetPosition(int position)
{
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    m_timeLeft.SetPosition(m_bar->value());
    m_count->setText(m_timeLeft.Text());
}

bool CCancelProgressDlg::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_cancelled;
}

void CCancelProgressDlg::OnCancel()
{
    m_cancelled = true;
}

void CCancelProgressDlg::reject()
{
    // Escape: a request to cancel, not to hide the window in the middle of a transfer.
    OnCancel();
}

void CCancelProgressDlg::closeEvent(QCloseEvent* event)
{
    OnCancel();
    event->ignore();
}
