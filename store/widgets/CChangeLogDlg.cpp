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
    row->addStretch();
    m_count = new QLabel(this);
    row->addWidget(m_count);
    layout->addLayout(row);

    m_table = new QTreeWidget(this);
    m_table->setRootIsDecorated(false);
    m_table->setHeaderLabels({tr("Time"), tr("User"), tr("Port"), tr("Controller"), tr("Versions"),
                              tr("Tag"), tr("Parameter"), tr("Old value"), tr("New value"),
                              tr("Result")});
    m_table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_allTypes, &QCheckBox::toggled, this, [this] { Fill(); });
    Fill();
    resize(900, 420);
}

void CChangeLogDlg::Fill()
{
    const std::vector<CChangeLog::SLine> lines = CChangeLog::Read();
    const bool all = m_allTypes->isChecked();
    m_table->clear();
    // The file grows at its end: newest first is the file read backwards.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (!all && it->controller != m_controller)
            continue;
        auto* item = new QTreeWidgetItem(m_table);
        const QStringList fields = {it->time, it->user, it->port,     it->controller, it->versions,
                                    it->tag,  it->name, it->oldValue, it->newValue,   it->result};
        for (int column = 0; column < fields.size(); ++column)
            item->setText(column, fields.at(column));
    }
    const int shown = m_table->topLevelItemCount();
    const QString values = shown == 1 ? tr("1 value written") : tr("%1 values written").arg(shown);
    m_count->setText(all ? values : tr("%1 to %2 controllers").arg(values, m_controller));
}
