#pragma once

#include "ops/adc/CAdcChannels.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;

// The small modeless window of one open ADC channel: the channel name as the title, a bar
// between the channel's minimum and maximum, the two limits under its ends and the latest
// reading ("----" until the first). About 193 by 38 dialog units.
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
    // it at the platform's place for a child window moved by `offset`, and gives CAdcChannels
    // its handle. Returns the widget (owned by that handle).
    static CAdcWindow* Open(CAdcChannels& channels, int index, QWidget* parent, QPoint offset);

    // The value label shows the reading's text; a reading with a value also moves the bar.
    void ShowReading(const SAdcReading& reading);

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
    QProgressBar* m_bar;
    QLabel* m_min;
    QLabel* m_max;
    QLabel* m_value;
};
