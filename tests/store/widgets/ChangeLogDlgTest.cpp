// The change log's window over a real log file: what changed is read side by side, and the
// filters narrow the lines by controller type and by whether the value changed.
#include "common/CTempDataHome.h"
#include "store/CChangeLog.h"
#include "store/widgets/CChangeLogDlg.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

CChangeLog::SLine Line(const QString& controller, const QString& name, const QString& oldValue,
                       const QString& newValue)
{
    CChangeLog::SLine line;
    line.time = QStringLiteral("2026-12-09T02:00:00+00:00");
    line.user = QStringLiteral("tester");
    line.port = QStringLiteral("/dev/ttyUSB0");
    line.controller = controller;
    line.tag = QStringLiteral("0x1001");
    line.name = name;
    line.oldValue = oldValue;
    line.newValue = newValue;
    line.result = QStringLiteral("confirmed");
    return line;
}

QStringList Names(const QTreeWidget& table)
{
    QStringList names;
    for (int i = 0; i < table.topLevelItemCount(); ++i)
        names << table.topLevelItem(i)->text(CChangeLogDlg::ColumnParameter);
    return names;
}

TEST(ChangeLogDlgTest, ShowsOldBesideNewAndFiltersUnchangedWrites)
{
    const CTempDataHome home;
    ASSERT_TRUE(CChangeLog::Append({Line("Tarn+", "Max Speed", "10 km/h", "12 km/h"),
                                    Line("Tarn+", "Accel", "2.0 s", "2.0 s"),
                                    Line("Other", "Brake", "", "3")}));

    CChangeLogDlg dialog(QStringLiteral("Tarn+"));
    auto* table = dialog.findChild<QTreeWidget*>();
    ASSERT_NE(table, nullptr);
    const QTreeWidgetItem* header = table->headerItem();
    EXPECT_EQ(header->text(CChangeLogDlg::ColumnParameter), "Parameter");
    EXPECT_EQ(header->text(CChangeLogDlg::ColumnOld), "Old value");
    EXPECT_EQ(header->text(CChangeLogDlg::ColumnNew), "New value");
    EXPECT_EQ(header->text(CChangeLogDlg::ColumnResult), "Result");
    EXPECT_EQ(CChangeLogDlg::ColumnNew, CChangeLogDlg::ColumnOld + 1);

    // Newest first, only the connected type.
    EXPECT_EQ(Names(*table), (QStringList{"Accel", "Max Speed"}));
    EXPECT_EQ(table->topLevelItem(1)->text(CChangeLogDlg::ColumnOld), "10 km/h");
    EXPECT_EQ(table->topLevelItem(1)->text(CChangeLogDlg::ColumnNew), "12 km/h");

    QCheckBox* changedOnly = nullptr;
    QCheckBox* allTypes = nullptr;
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        if (box->text().remove('&') == "Changed values only")
            changedOnly = box;
        else if (box->text().remove('&') == "Show all types")
            allTypes = box;
    }
    ASSERT_NE(changedOnly, nullptr);
    ASSERT_NE(allTypes, nullptr);
    changedOnly->setChecked(true);
    EXPECT_EQ(Names(*table), (QStringList{"Max Speed"}));
    // A line whose old value is unknown may have changed the value: it stays.
    allTypes->setChecked(true);
    EXPECT_EQ(Names(*table), (QStringList{"Brake", "Max Speed"}));
    bool counted = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        counted = counted || label->text() == "2 values changed";
    EXPECT_TRUE(counted);
}

} // namespace
