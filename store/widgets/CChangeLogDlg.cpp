#include "store/widgets/CChangeLogDlg.h"

#include "store/CChangeLog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

CChangeLogDlg::CChangeLogDlg(const QString& controllerName, QWidget* parent)
    : QDialog(parent), m_controller(controllerName)
{
    setWindowTitle(tr("Change Log"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QDir::toNativeSeparators(CChangeLog::Path()), this));

    auto* row = new QHBoxLayout;
    m_allTypes = new QCheckBox(tr("Show &all types"), this);
    // Without a connected controller there is no type to narrow the log to.
    m_allTypes->setChecked(m_controller.isEmpty());
    m_allTypes->setEnabled(!m_controller.isEmpty());
    row->addWidget(m_allTypes);
    m_changedOnly = new QCheckBox(tr("&Changed values only"), this);
    m_changedOnly->setToolTip(tr("Hide the writes that left the value as it was"));
    row->addWidget(m_changedOnly);
    row->addStretch();
    m_count = new QLabel(this);
    row->addWidget(m_count);
    layout->addLayout(row);

    m_table = new QTreeWidget(this);
    m_table->setRootIsDecorated(false);
    // What was changed and how comes first; where and by whom after it.
    m_table->setHeaderLabels({tr("Time"), tr("Parameter"), tr("Old value"), tr("New value"),
                              tr("Result"), tr("Tag"), tr("Controller"), tr("Versions"), tr("User"),
                              tr("Port")});
    m_table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_allTypes, &QCheckBox::toggled, this, [this] { Fill(); });
    connect(m_changedOnly, &QCheckBox::toggled, this, [this] { Fill(); });
    Fill();
    resize(900, 420);
}

void CChangeLogDlg::Fill()
{
    const std::vector<CChangeLog::SLine> lines = CChangeLog::Read();
    const bool all = m_allTypes->isChecked();
    const bool changedOnly = m_changedOnly->isChecked();
    m_table->clear();
    // The file grows at its end: newest first is the file read backwards.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (!all && it->controller != m_controller)
            continue;
        // A line without an old value (its read went unanswered) may have changed it.
        if (changedOnly && !it->oldValue.isEmpty() && it->oldValue == it->newValue)
            continue;
        auto* item = new QTreeWidgetItem(m_table);
        const QStringList fields = {it->time,   it->name, it->oldValue,   it->newValue,
                                    it->result, it->tag,  it->controller, it->versions,
                                    it->user,   it->port};
        for (int column = 0; column < fields.size(); ++column)
            item->setText(column, fields.at(column));
    }
    const int shown = m_table->topLevelItemCount();
    QString values;
    if (changedOnly)
        values = shown == 1 ? tr("1 value changed") : tr("%1 values changed").arg(shown);
    else
        values = shown == 1 ? tr("1 value written") : tr("%1 values written").arg(shown);
    m_count->setText(all ? values : tr("%1 to %2 controllers").arg(values, m_controller));
}
