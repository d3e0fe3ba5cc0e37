#pragma once

#include <QDialog>

#include <functional>

class CAdcChannels;
class QListWidget;
class QPushButton;

// The "Select ADC " dialog: one line per channel of the window set (or the single line "No
// supported controller channels" while the set is empty), lines of open windows selected.
// OK closes the windows of deselected lines and opens those of newly selected ones, tiled
// beside the windows already open (CAdcWindow::Open);
// "Close all" closes every window and clears the selection, the dialog staying open; Cancel
// changes nothing. The optional "Chart" button does what OK does, then calls the handler
// given to SetChartHandler.
//
// Should the window set be rebuilt while the dialog is open (another controller was
// identified), the list is refilled from the new set.
//
// Control ids (objectName "id<number>"): OK 1, Cancel 2.
class CSelectAdcDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    // `channels` must outlive the dialog; new windows get `windowParent` (the view) as parent.
    CSelectAdcDlg(CAdcChannels& channels, QWidget* windowParent, QWidget* parent = nullptr);

    // Shows a "Chart" button that applies the selection as OK does, then calls `handler`.
    void SetChartHandler(std::function<void()> handler);

    QListWidget* List() const { return m_list; }
    QPushButton* CloseAllButton() const { return m_closeAll; }

public slots:
    void accept() override;
    void OnCloseAll();

private:
    void Fill();

    CAdcChannels& m_channels;
    QWidget* m_windowParent;
    QListWidget* m_list;
    QPushButton* m_closeAll;
    QPushButton* m_chart;
    std::function<void()> m_chartHandler;
};
