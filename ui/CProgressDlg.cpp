#include "ui/CProgressDlg.h"

#include "ui/ControlId.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kBarWidth = 280;

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent), m_bar(new QProgressBar(this)), m_count(new QLabel(this))
{
    setObjectName(ControlId::Name(155));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);

    m_bar->setObjectName(ControlId::Name(1079));
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(kBarWidth);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_count->setObjectName(QStringLiteral("progressCount"));
    m_count->setAlignment(Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_count);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CProgressDlg::Create()
{
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
}

void CProgressDlg::SetRange(int low, int high)
{
    m_bar->setRange(std::clamp(low, 0, 0xFFFF), std::clamp(high, 0, 0xFFFF));
    m_timeLeft.SetRange(m_bar->minimum(), m_bar->maximum());
    m_count->setText(m_timeLeft.Text());
}

void CProgressDlg::SetPosition(int position)
{
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    m_timeLeft.SetPosition(m_bar->value());
    m_count->setText(m_timeLeft.Text());
}

void CProgressDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
