#include "ui/CEditParameterSpot.h"

#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"
#include "link/LinkProtocol.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/ControlId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct SFlagBox
{
    int id;
    const char* caption;
    quint8 mask;
};

// The flag boxes in the order the window lists them.
constexpr SFlagBox kFlagBoxes[8] = {
    {1233, "Si&gned", LinkProtocol::kStatusSigned},
    {1232, "&Invert", LinkProtocol::kStatusInvert},
    {1234, "&For", LinkProtocol::kStatusForeground},
    {1235, "T&un", LinkProtocol::kStatusTempUnavailable},
    {1236, "&Ron", LinkProtocol::kStatusReadOnly},
    {1237, "Su&p", LinkProtocol::kStatusSupported},
    {1238, "V&ol", LinkProtocol::kStatusVolatile},
    {1239, "&Wrap", LinkProtocol::kStatusWrap},
};

// Wide enough for "-32768" without stretching the groups.
constexpr int kFieldChars = 8;

QLineEdit* MakeField(int id, const QString& text)
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(ControlId::Name(id));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * kFieldChars);
    return edit;
}

} // namespace

CEditParameterSpot::CEditParameterSpot(CParameter& record, CTagInfo& tag, QWidget* parent,
                                       IUserPrompt* prompt)
    : QDialog(parent), m_record(record), m_tag(tag)
{
    if (!prompt) {
        m_ownPrompt = std::make_unique<CMessageBoxPrompt>(this);
        prompt = m_ownPrompt.get();
    }
    m_prompt = prompt;
    setWindowTitle(QStringLiteral("bool"));
    setObjectName(ControlId::Name(254));
    const CRawParameterFields::SFields fields = CRawParameterFields::FromRecord(record, tag);
    using F = CRawParameterFields;

    auto* settings = new QGroupBox(QStringLiteral("Parameter Settings - in Hex"));
    auto* settingsLayout = new QGridLayout(settings);
    AddWordField(settingsLayout, 0, "&Value", 1069, F::Value, fields.words[F::Value]);
    AddWordField(settingsLayout, 1, "Mi&nimum", 1063, F::Minimum, fields.words[F::Minimum]);
    AddWordField(settingsLayout, 2, "Ma&ximum", 1064, F::Maximum, fields.words[F::Maximum]);
    AddWordField(settingsLayout, 3, "&Step", 1065, F::Step, fields.words[F::Step]);

    auto* representation = new QGroupBox(QStringLiteral("Data representation"));
    auto* representationLayout = new QGridLayout(representation);
    AddWordField(representationLayout, 0, "S&cale", 1228, F::Scale, fields.words[F::Scale]);
    AddWordField(representationLayout, 1, "&Div", 1229, F::Div, fields.words[F::Div]);
    AddWordField(representationLayout, 2, "S&hift", 1230, F::Shift, fields.words[F::Shift]);
    representationLayout->setRowStretch(3, 1);

    auto* flags = new QGroupBox(QStringLiteral("Flags"));
    auto* flagsLayout = new QGridLayout(flags);
    for (int i = 0; i < 8; ++i) {
        auto* box = new QCheckBox(QLatin1String(kFlagBoxes[i].caption));
        box->setObjectName(ControlId::Name(kFlagBoxes[i].id));
        box->setChecked((fields.flags & kFlagBoxes[i].mask) != 0);
        flagsLayout->addWidget(box, i / 2, i % 2);
        m_flags[i] = box;
    }

    auto* tagGroup = new QGroupBox(QStringLiteral("Tag Information"));
    auto* tagLayout = new QGridLayout(tagGroup);
    m_presentation = new QComboBox;
    m_presentation->setObjectName(ControlId::Name(1240));
    for (int code = 0; code < CUnitsTable::kCount; ++code)
        m_presentation->addItem(QLatin1String(CUnitsTable::Find(code)->name), code);
    m_presentation->setCurrentIndex(m_presentation->findData(fields.unitsCode));
    auto* presentationLabel = new QLabel(QStringLiteral("Pr&esentation"));
    presentationLabel->setBuddy(m_presentation);
    tagLayout->addWidget(presentationLabel, 0, 0);
    tagLayout->addWidget(m_presentation, 0, 1);
    m_modifier = MakeField(1242, QString::number(fields.modifier));
    auto* modifierLabel = new QLabel(QStringLiteral("&Modifier"));
    modifierLabel->setBuddy(m_modifier);
    tagLayout->addWidget(modifierLabel, 1, 0);
    tagLayout->addWidget(m_modifier, 1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlId::Name(1));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlId::Name(2));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CEditParameterSpot::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(settings, 0, 0);
    layout->addWidget(flags, 0, 1);
    layout->addWidget(representation, 1, 0);
    layout->addWidget(tagGroup, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CEditParameterSpot::~CEditParameterSpot() = default;

QLineEdit* CEditParameterSpot::AddWordField(QGridLayout* layout, int row, const char* label, int id,
                                            CRawParameterFields::EWord word, quint16 value)
{
    QLineEdit* edit = MakeField(id, CRawParameterFields::WordText(value));
    auto* caption = new QLabel(QLatin1String(label));
    caption->setBuddy(edit);
    layout->addWidget(caption, row, 0);
    layout->addWidget(edit, row, 1);
    m_words[word] = edit;
    m_captions[word] = QLatin1String(label);
    return edit;
}

void CEditParameterSpot::accept()
{
    // Every field is checked before anything is stored, so a refusal leaves the record and
    // the tag exactly as they were.
    const auto refuse = [this](QLineEdit* edit, const QString& text) {
        m_prompt->Message(text, IUserPrompt::EIcon::Exclamation);
        edit->setFocus();
        edit->selectAll();
    };
    CRawParameterFields::SFields fields;
    for (int i = 0; i < CRawParameterFields::kWordCount; ++i) {
        const auto word = CRawParameterFields::ParseWord(m_words[i]->text());
        if (!word) {
            refuse(m_words[i], CRawParameterFields::WordRefusal(m_captions[i]));
            return;
        }
        fields.words[i] = *word;
    }
    const auto modifier = CRawParameterFields::ParseModifier(m_modifier->text());
    if (!modifier) {
        refuse(m_modifier, CRawParameterFields::ModifierRefusal(QStringLiteral("&Modifier")));
        return;
    }
    fields.modifier = *modifier;
    for (int i = 0; i < 8; ++i) {
        if (m_flags[i]->isChecked())
            fields.flags |= kFlagBoxes[i].mask;
    }
    fields.unitsCode =
        m_presentation->currentIndex() >= 0 ? m_presentation->currentData().toInt() : -1;
    if (!CRawParameterFields::ValueWithinLimits(fields)) {
        refuse(m_words[CRawParameterFields::Value],
               CRawParameterFields::LimitsRefusal(m_captions[CRawParameterFields::Value], fields));
        return;
    }
    CRawParameterFields::Apply(fields, m_record, m_tag);
    QDialog::accept();
}
