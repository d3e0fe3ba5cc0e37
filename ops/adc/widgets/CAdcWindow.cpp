#include "ops/adc/widgets/CAdcWindow.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

namespace {

// CAdcChannels' hold on an open window. It owns the widget; the widget reports a close by
// the user to CAdcChannels, which then destroys this handle. The widget goes through
// deleteLater because that report arrives from inside the widget's own event handling.
class CAdcWindowHandle final : public IAdcWindow
{
public:
    CAdcWindowHandle(CAdcChannels& channels, CAdcWindow* window) : m_window(window)
    {
        m_closed = QObject::connect(window, &CAdcWindow::ClosedByUser, &channels,
                                    [&channels, this] { channels.WindowClosed(this); });
    }
    ~CAdcWindowHandle() override
    {
        QObject::disconnect(m_closed);
        if (m_window) {
            m_window->hide();
            m_window->deleteLater();
        }
    }
    CAdcWindowHandle(const CAdcWindowHandle&) = delete;
    CAdcWindowHandle& operator=(const CAdcWindowHandle&) = delete;

    void ShowReading(const SAdcReading& reading) override
    {
        if (m_window)
            m_window->ShowReading(reading);
    }

private:
    // Null once the parent has deleted the widget (the view going away first).
    QPointer<CAdcWindow> m_window;
    QMetaObject::Connection m_closed;
};

} // namespace

CAdcWindow::CAdcWindow(const QString& name, const SAdcRange& range, QWidget* parent)
    : QDialog(parent), m_range(range)
{
    setWindowTitle(name);
    setModal(false);
    setSizeGripEnabled(false);

    m_name = new QLabel(name, this);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_bar = new QProgressBar(this);
    m_bar->setRange(range.barLow, range.barHigh);
    m_bar->setValue(range.barLow);
    m_bar->setTextVisible(false);
    m_min = new QLabel(range.minText, this);
    m_max = new QLabel(range.maxText, this);
    m_max->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* caption = new QLabel(QStringLiteral("Value"), this);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value = new QLabel(QStringLiteral("----"), this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(7, 5, 7, 5);
    grid->setVerticalSpacing(3);
    grid->addWidget(m_name, 0, 0, 1, 4);
    grid->addWidget(m_bar, 1, 0, 1, 4);
    grid->addWidget(m_min, 2, 0);
    grid->addWidget(caption, 2, 1);
    grid->addWidget(m_value, 2, 2);
    grid->addWidget(m_max, 2, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, QFontMetrics(font()).horizontalAdvance(QStringLiteral(
                                       "Unsupported controller"))); // the widest text it shows

    // Dialog units: a quarter of the average character width, an eighth of the line height.
    const QFontMetrics metrics(font());
    const QSize dlu(kWidthDlu * metrics.averageCharWidth() / 4, kHeightDlu * metrics.height() / 8);
    resize(dlu.expandedTo(minimumSizeHint()));
}

CAdcWindow* CAdcWindow::Open(CAdcChannels& channels, int index, QWidget* parent)
{
    const CADCChannelDlg& entry = channels.Entry(index);
    auto* window = new CAdcWindow(entry.name, CAdcChannels::RangeOf(entry), parent);
    channels.Open(index, std::make_unique<CAdcWindowHandle>(channels, window));
    // Shown first, so that its frame is known; then moved to its tile.
    window->show();
    QList<QRect> taken;
    if (parent) {
        for (const CAdcWindow* other : parent->findChildren<CAdcWindow*>()) {
            if (other != window && other->isVisible())
                taken.append(other->frameGeometry());
        }
    }
    const QScreen* screen = parent ? parent->screen() : window->screen();
    QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), window->size());
    const QSize size = window->frameGeometry().size();
    // Over the parameter list, below the main window's menus and tool bar, when one tile fits.
    if (parent) {
        const QRect below =
            area.intersected(QRect(parent->mapToGlobal(QPoint(0, 0)), area.bottomRight()));
        if (below.width() >= size.width() && below.height() >= size.height())
            area = below;
    }
    window->move(TilePlace(area, size, taken));
    return window;
}

QPoint CAdcWindow::TilePlace(const QRect& area, const QSize& size, const QList<QRect>& taken)
{
    const int columns = std::max(1, area.width() / std::max(1, size.width()));
    const int rows = std::max(1, area.height() / std::max(1, size.height()));
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QRect place(area.left() + column * size.width(), area.top() + row * size.height(),
                              size.width(), size.height());
            const bool free = std::none_of(taken.begin(), taken.end(), [&place](const QRect& r) {
                return r.intersects(place);
            });
            if (free)
                return place.topLeft();
        }
    }
    return area.topLeft();
}

void CAdcWindow::ShowReading(const SAdcReading& reading)
{
    m_value->setText(reading.Text());
    if (reading.state == SAdcReading::EState::Value)
        m_bar->setValue(m_range.BarPosition(reading.value));
}

void CAdcWindow::reject()
{
    QDialog::reject();
    emit ClosedByUser();
}
