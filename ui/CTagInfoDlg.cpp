#include "ui/CTagInfoDlg.h"

#include "edit/CTagInfoTexts.h"
#include "ui/ControlId.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* AddStatic(QLayout* layout, int id, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(ControlId::Name(id));
    layout->addWidget(label);
    return label;
}

} // namespace

CTagInfoDlg::CTagInfoDlg(const CParameter& record, const CTagInfo& tag, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tag Information"));
    setObjectName(ControlId::Name(167));
    const CTagInfoTexts texts = CTagInfoTexts::Make(record, tag);

    auto* numbers = new QGroupBox(texts.name);
    numbers->setObjectName(ControlId::Name(1112));
    auto* numbersLayout = new QVBoxLayout(numbers);
    AddStatic(numbersLayout, 1102, texts.number);
    AddStatic(numbersLayout, 1103, texts.value);
    AddStatic(numbersLayout, 1105, texts.minimum);
    AddStatic(numbersLayout, 1104, texts.maximum);
    AddStatic(numbersLayout, 1106, texts.scale);
    AddStatic(numbersLayout, 1107, texts.div);
    AddStatic(numbersLayout, 1108, texts.shift);
    AddStatic(numbersLayout, 1109, texts.step);

    // Two columns keep the flag list as short as the numbers above it.
    auto* reply = new QGroupBox(QStringLiteral("Reply Code"));
    auto* replyLayout = new QGridLayout(reply);
    int row = 0;
    for (const CTagInfoTexts::SFlagLine& line : CTagInfoTexts::FlagLines()) {
        auto* label = new QLabel(QLatin1String(line.caption));
        label->setObjectName(ControlId::Name(line.id));
        label->setEnabled((texts.flags & line.mask) != 0);
        replyLayout->addWidget(label, row / 2, row % 2);
        ++row;
    }

    auto* misc = new QGroupBox(QStringLiteral("Miscellanous"));
    auto* miscLayout = new QVBoxLayout(misc);
    AddStatic(miscLayout, 1227, texts.privilege);
    AddStatic(miscLayout, 1228, texts.units);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(ControlId::Name(1));
    ok->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(numbers);
    layout->addWidget(reply);
    layout->addWidget(misc);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setDefault(true);
}
