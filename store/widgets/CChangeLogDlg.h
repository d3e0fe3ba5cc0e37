#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QTreeWidget;

// File > Change Log...: every value written to a controller, newest first, from the change
// log. Each line shows the parameter with its old and new value side by side, then what came
// of the write, then where and by whom. It shows the lines of the connected controller's
// type; "Show all types" shows the rest too, and is the only choice while no controller is
// connected. "Changed values only" hides the writes that left a value as it was.
class CChangeLogDlg : public QDialog
{
public:
    // The table's columns, in the order shown.
    enum EColumn
    {
        ColumnTime,
        ColumnParameter,
        ColumnOld,
        ColumnNew,
        ColumnResult,
        ColumnTag,
        ColumnController,
        ColumnVersions,
        ColumnUser,
        ColumnPort,
        ColumnCount
    };

    // `controllerName` is the connected type's name, empty when none is connected.
    explicit CChangeLogDlg(const QString& controllerName, QWidget* parent = nullptr);

private:
    void Fill();

    QString m_controller;
    QCheckBox* m_allTypes = nullptr;
    QCheckBox* m_changedOnly = nullptr;
    QLabel* m_count = nullptr;
    QTreeWidget* m_table = nullptr;
};
