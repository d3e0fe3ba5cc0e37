#pragma once

#include "ops/adc/CAdcChannels.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;

// The small modeless window of one open ADC channel: the channel name as the title and
// again in the window above the reading, a bar between the channel's minimum and maximum,
// the two limits under its ends and the latest reading ("----" until the first). About 193
// by 38 dialog units. The channel file holds no units, so the reading shows none.
//
// Open() tiles the windows: each new one takes the first place, left to right in rows from
// the top left of the screen's available area, that no other open channel window covers.
//
// CAdcChannels owns a channel's window through IAdcWindow; Open() hands it a small handle
// that owns this widget. Destroying the handle (Close, Close all, a rebuild) hides the widget
// and deletes it later; the user closing the widget (close box, Escape) tells
// CAdcChannels::WindowClosed, which destroys the handle. The widget never deletes itself.
class CAdcWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidthDlu = 193;
    static constexpr int kHeightDlu = 38;

    CAdcWindow(const QString& name, const SAdcRange& range, QWidget* parent = nullptr);

    // Creates the window of set entry `index` with `parent` (the view) as its parent, shows
    // it at its tile (see TilePlace), and gives CAdcChannels its handle. Returns the widget
    // (owned by that handle).
    static CAdcWindow* Open(CAdcChannels& channels, int index, QWidget* parent);

    // The top left corner for a window of `size` (frame included) in `area`: the first
    // place of a grid of such windows, row by row from the top left, that meets none of
    // `taken`; when every place is taken, the top left of the area.
    static QPoint TilePlace(const QRect& area, const QSize& size, const QList<QRect>& taken);

    // The value label shows the reading's text; a reading with a value also moves the bar.
    void ShowReading(const SAdcReading& reading);

    QLabel* NameLabel() const { return m_name; }
    QProgressBar* Bar() const { return m_bar; }
    QLabel* MinLabel() const { return m_min; }
    QLabel* MaxLabel() const { return m_max; }
    QLabel* ValueLabel() const { return m_value; }

signals:
    // The user closed the window.
    void ClosedByUser();

protected:
    // The close box (through QDialog's close handling) and Escape both end here.
    void reject() override;

private:
    SAdcRange m_range;
    QLabel* m_name;
    QProgressBar* m_bar;
    QLabel* m_min;
    QLabel* m_max;
    QLabel* m_value;
};
