#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QTreeWidget;

// File > Change Log...: every value written to a controller, newest first, from the change
// log. It shows the lines of the connected controller's type; "Show all types" shows the
// rest too, and is the only choice while no controller is connected.
class CChangeLogDlg : public QDialog
{
public:
    // `controllerName` is the connected type's name, empty when none is connected.
    explicit CChangeLogDlg(const QString& controllerName, QWidget* parent = nullptr);

private:
    void Fill();

    QString m_controller;
    QCheckBox* m_allTypes = nullptr;
    QLabel* m_count = nullptr;
    QTreeWidget* m_table = nullptr;
};
