#include "link/widgets/CSelectComPortDlg.h"

#include "doc/IUserPrompt.h"
#include "link/CPortEnumerator.h"
#include "ui/CMessageBoxPrompt.h"

#include "ui_CSelectComPortDlg.h"

#include <QStringList>

#include <algorithm>

CSelectComPortDlg::CSelectComPortDlg(const QString& storedName, bool standard, QWidget* parent,
                                     IUserPrompt* prompt, FEnumerate enumerate)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSelectComPortDlg>()), m_storedName(storedName),
      m_standard(standard), m_prompt(prompt), m_enumerate(std::move(enumerate))
{
    m_ui->setupUi(this);
    if (!m_prompt) {
        m_ownPrompt = std::make_unique<CMessageBoxPrompt>(this);
        m_prompt = m_ownPrompt.get();
    }
    if (!m_enumerate) {
        m_enumerate = [](CPortList& list, QString& errorText, bool standard) {
            return CPortEnumerator::EnumeratePorts(list, errorText, standard, false);
        };
    }
    connect(m_ui->id1, &QPushButton::clicked, this, &CSelectComPortDlg::accept);
    connect(m_ui->id2, &QPushButton::clicked, this, &CSelectComPortDlg::reject);
    connect(m_ui->portList, &QListWidget::itemDoubleClicked, this, &CSelectComPortDlg::ShowLine);

    Enumerate();
    FillList();
}

CSelectComPortDlg::~CSelectComPortDlg() = default;

void CSelectComPortDlg::Enumerate()
{
    // The error text is for callers that report it; here a failure just means fewer lines.
    QString errorText;
    m_enumerated = m_enumerate(m_ports, errorText, m_standard);
}

void CSelectComPortDlg::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        // A port that was busy a moment ago may be free now: one more try on opening.
        if (!m_enumerated) {
            Enumerate();
            FillList();
        }
    }
    QDialog::showEvent(event);
}

void CSelectComPortDlg::FillList()
{
    QStringList lines;
    for (const CPortEntry& entry : m_ports)
        lines << entry.friendlyName;
    std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });

    QListWidget* list = m_ui->portList;
    list->clear();
    list->addItems(lines);
    if (list->count() == 0)
        return;

    int row = 0;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().startsWith(m_storedName, Qt::CaseInsensitive)) {
            row = i;
            break;
        }
    }
    list->setCurrentRow(row);
}

void CSelectComPortDlg::ShowLine(QListWidgetItem* item)
{
    if (!item)
        return;
    const int index = CPortEnumerator::FindByFriendlyName(m_ports, item->text());
    if (index < 0)
        return;
    const CPortEntry& entry = m_ports[index];
    m_prompt->Message(QStringLiteral("%1 : %2").arg(entry.friendlyName, entry.devicePath),
                      IUserPrompt::EIcon::None);
}

void CSelectComPortDlg::accept()
{
    const QList<QListWidgetItem*> selected = m_ui->portList->selectedItems();
    if (!selected.isEmpty()) {
        const int index = CPortEnumerator::FindByFriendlyName(m_ports, selected.first()->text());
        if (index >= 0)
            m_choice = m_ports[index];
    }
    QDialog::accept();
}
