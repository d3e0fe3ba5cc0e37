#include "ui/CEditParameterDlg.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "ops/params/CWriteFlow.h"
#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// Resource numbers of the controls every template shares.
constexpr int kIdName = 1002;
constexpr int kIdExistingValue = 1015;
constexpr int kIdValueField = 1016;
constexpr int kIdMaximumCaption = 1021;
constexpr int kIdMinimumCaption = 1022;
constexpr int kIdInformation = 1026;
constexpr int kIdSlider = 1029;
constexpr int kIdAsserted = 1031;
constexpr int kIdNotAsserted = 1032;
constexpr int kIdHelp = 1062;
constexpr int kIdProgramController = 1084;
constexpr int kIdUpdateEditor = 1085;
constexpr int kIdCancel = 2;

template <typename T> T* Named(T* widget, int id)
{
    widget->setObjectName(ControlId::Name(id));
    return widget;
}

int ToSliderInt(qint64 number)
{
    return int(std::clamp<qint64>(number, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

CEditParameterDlg::CEditParameterDlg(CTavrinDoc& doc, CParameter& record, const CTagInfo& tag,
                                     QWidget* parent)
    : QDialog(parent), m_doc(doc), m_record(record), m_tag(tag),
      m_template(CEditTemplates::Find(
          CEditTemplates::Choose(record.tagNumber, doc.Parameters().DataControllerType(), record))),
      m_dataType(doc.Parameters().DataControllerType()), m_openingValue(record.value),
      m_valueFont(QStringLiteral("Arial"), kValueFontPointSize, QFont::Bold)
{
    const QString title = QString::fromLatin1(m_template->windowTitle);
    setWindowTitle(m_record.readOnly ? LoadString(EString::ReadOnlyTitle).arg(title) : title);
    BuildCommon();
    LoadTexts();

    if (!m_tag.HasHelp())
        m_help->hide();
    // A read-only record can be looked at, not changed: only Cancel and Help stay usable.
    m_readOnlyNote->setVisible(m_record.readOnly);
    if (m_record.readOnly) {
        m_updateEditor->setEnabled(false);
        m_programController->setEnabled(false);
        for (QAbstractButton* choice : m_choices)
            choice->setEnabled(false);
    }
    m_openingValue = m_record.value;
    if (m_slider)
        SetUpSlider();
    m_state = CEditValueMap::Open(*m_template, m_record);
    SyncChoices();
}

void CEditParameterDlg::BuildCommon()
{
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 1);

    auto* heading = new QGridLayout;
    heading->addWidget(new QLabel(QStringLiteral("Parameter:")), 0, 0);
    auto* name = Named(new QLabel, kIdName);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    heading->addWidget(name, 0, 1);
    heading->addWidget(new QLabel(QStringLiteral("Existing value:")), 1, 0);
    heading->addWidget(Named(new QLabel, kIdExistingValue), 1, 1);
    m_readOnlyNote = new QLabel(LoadString(EString::ReadOnly));
    m_readOnlyNote->setObjectName(QString::fromLatin1(kReadOnlyName));
    m_readOnlyNote->setFont(bold);
    heading->addWidget(m_readOnlyNote, 2, 1);
    heading->setColumnStretch(1, 1);
    left->addLayout(heading);

    left->addWidget(m_template->kind == EEditKind::Slider ? BuildSlider() : BuildChoices());

    left->addWidget(new QLabel(QStringLiteral("Information:")));
    auto* information = Named(new QPlainTextEdit, kIdInformation);
    information->setReadOnly(true);
    information->setMinimumWidth(320);
    information->setFixedHeight(information->fontMetrics().lineSpacing() * 4 + 12);
    left->addWidget(information);

    auto* buttons = new QVBoxLayout;
    m_updateEditor = Named(new QPushButton(QStringLiteral("Update &Editor")), kIdUpdateEditor);
    m_updateEditor->setDefault(true);
    m_programController =
        Named(new QPushButton(QStringLiteral("Program &Controller")), kIdProgramController);
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel")), kIdCancel);
    m_help = Named(new QPushButton(QStringLiteral("&Help")), kIdHelp);
    for (QPushButton* button : {m_updateEditor, m_programController, cancel, m_help})
        buttons->addWidget(button);
    buttons->addStretch(1);
    columns->addLayout(buttons);

    connect(m_updateEditor, &QPushButton::clicked, this, &CEditParameterDlg::OnUpdateEditor);
    connect(m_programController, &QPushButton::clicked, this,
            &CEditParameterDlg::OnProgramController);
    connect(cancel, &QPushButton::clicked, this, &CEditParameterDlg::reject);
    connect(m_help, &QPushButton::clicked, this, &CEditParameterDlg::OnHelp);
}

QWidget* CEditParameterDlg::BuildSlider()
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 8, 0, 8);
    m_valueField = Named(new QLabel, kIdValueField);
    m_valueField->setFont(m_valueFont);
    m_valueField->setAlignment(Qt::AlignCenter);
    m_valueField->setAutoFillBackground(false);
    m_valueField->setAttribute(Qt::WA_TranslucentBackground);
    layout->addWidget(m_valueField);
    m_slider = Named(new QSlider(Qt::Horizontal), kIdSlider);
    m_slider->setTickPosition(QSlider::TicksBelow);
    layout->addWidget(m_slider);
    auto* captions = new QHBoxLayout;
    captions->addWidget(Named(new QLabel, kIdMinimumCaption));
    captions->addStretch(1);
    captions->addWidget(Named(new QLabel, kIdMaximumCaption));
    layout->addLayout(captions);

    // The exact value, for when the slider's steps are too fine to hit by mouse.
    auto* entryRow = new QHBoxLayout;
    auto* entryCaption = new QLabel(tr("E&xact value:"));
    m_entry = new QLineEdit;
    m_entry->setObjectName(QString::fromLatin1(kEntryName));
    m_entry->setMaximumWidth(120);
    entryCaption->setBuddy(m_entry);
    entryRow->addWidget(entryCaption);
    entryRow->addWidget(m_entry);
    entryRow->addStretch(1);
    layout->addLayout(entryRow);
    m_entryMessage = new QLabel;
    m_entryMessage->setObjectName(QString::fromLatin1(kEntryMessageName));
    m_entryMessage->setWordWrap(true);
    QPalette red = m_entryMessage->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_entryMessage->setPalette(red);
    m_entryMessage->hide();
    layout->addWidget(m_entryMessage);
    return box;
}

QWidget* CEditParameterDlg::BuildChoices()
{
    const SEditTemplate& t = *m_template;
    auto* holder = new QWidget;
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    auto makeGroup = [&](const char* title) {
        auto* group = new QGroupBox(title ? QString::fromLatin1(title) : QString());
        row->addWidget(group);
        return group;
    };
    QGroupBox* first = makeGroup(t.groupTitle);
    auto* firstLayout = new QGridLayout(first);
    QGridLayout* secondLayout = nullptr;
    if (t.secondGroupTitle)
        secondLayout = new QGridLayout(makeGroup(t.secondGroupTitle));
    // Next free row of each group (an empty QGridLayout already reports one row).
    int rows[2] = {0, 0};
    if (t.leadCaption)
        firstLayout->addWidget(new QLabel(QString::fromLatin1(t.leadCaption)), rows[0]++, 0, 1, 2);

    for (size_t i = 0; i < t.controls.size(); ++i) {
        const SEditControl& c = t.controls[i];
        const QString caption = c.caption ? QString::fromLatin1(c.caption) : QString();
        QAbstractButton* button = nullptr;
        if (CEditValueMap::UsesRadioButtons(t.kind)) {
            auto* radio = new QRadioButton(caption);
            // The choices keep their own exclusivity so that "nothing checked" can be shown.
            radio->setAutoExclusive(false);
            button = radio;
        } else {
            button = new QCheckBox(caption);
        }
        Named(button, c.id);
        const bool second = (c.flags & SEditControl::kSecondGroup) != 0;
        QGridLayout* layout = second ? secondLayout : firstLayout;
        const int row = rows[second ? 1 : 0]++;
        layout->addWidget(button, row, 0);
        if (c.labelId) {
            auto* label = Named(new QLabel, c.labelId);
            label->setMinimumWidth(
                label->fontMetrics().horizontalAdvance(LoadString(EString::Permanent)) + 8);
            layout->addWidget(label, row, 1);
            m_momentaryLabels.push_back(label);
        }
        if (c.flags & SEditControl::kHidden)
            button->hide();
        const int index = int(i);
        connect(button, &QAbstractButton::clicked, this, [this, index] { OnChoiceClicked(index); });
        m_choices.push_back(button);
    }
    if (t.latch.id) {
        m_latch = Named(new QCheckBox(QString::fromLatin1(t.latch.caption)), t.latch.id);
        firstLayout->addWidget(m_latch, rows[0]++, 0);
        connect(m_latch, &QCheckBox::clicked, this, &CEditParameterDlg::OnLatchClicked);
    }
    if (t.kind == EEditKind::Momentary) {
        for (size_t i = 0; i < m_choices.size(); ++i) {
            const std::optional<EString> text =
                CEditValueMap::MomentaryLabel(m_record.tagNumber, int(i));
            if (text) {
                m_choices[i]->setText(LoadString(*text));
            } else {
                m_choices[i]->hide();
                m_momentaryLabels[i]->hide();
            }
        }
    }
    return holder;
}

void CEditParameterDlg::LoadTexts()
{
    const QString value = m_record.ValueText(m_tag, m_dataType);
    const QString minimum = m_record.MinimumText(m_tag, m_dataType);
    const QString maximum = m_record.MaximumText(m_tag, m_dataType);
    const std::pair<int, QString> texts[] = {
        {kIdName, CCodePage::ToUnicode(m_tag.name)},
        {kIdExistingValue, value},
        {kIdValueField, value},
        {kIdMinimumCaption, minimum},
        {kIdNotAsserted, minimum},
        {kIdMaximumCaption, maximum},
        {kIdAsserted, maximum},
    };
    for (const auto& [id, text] : texts) {
        if (auto* label = ControlId::Find<QLabel>(this, id))
            label->setText(text);
        else if (auto* button = ControlId::Find<QAbstractButton>(this, id))
            button->setText(text);
    }
    if (auto* information = ControlId::Find<QPlainTextEdit>(this, kIdInformation))
        information->setPlainText(CCodePage::ToUnicode(m_tag.information));
}

void CEditParameterDlg::SetUpSlider()
{
    // Range, step, position and the value text all in one unit system (see SliderUnits).
    const SSliderUnits units = CEditValueMap::SliderUnits(m_record);
    m_minimum = units.minimum;
    m_maximum = units.maximum;
    m_step = units.step;
    ShowValueText();
    m_sliderUsable = CEditValueMap::SliderUsable(m_minimum, m_maximum, m_step);
    m_entryDecimals = CEditValueMap::EntryDecimals(m_tag.PresentationCode());
    m_entry->setText(CEditValueMap::EntryText(units.value, m_entryDecimals));
    m_entry->setToolTip(tr("From %1 to %2")
                            .arg(CEditValueMap::EntryText(m_minimum, m_entryDecimals),
                                 CEditValueMap::EntryText(m_maximum, m_entryDecimals)));
    // A raw step finer than one display unit (raw 0..255 shown as 0..100 %) leaves the
    // slider unset; the number box still sets any value the controller's step allows.
    const bool entryUsable = m_sliderUsable || (m_record.step != 0 && m_maximum >= m_minimum);
    if (!entryUsable || m_record.readOnly) {
        // Nothing to choose from: the slider stays unset and cannot move the value.
        m_entry->setReadOnly(true);
        m_entry->setEnabled(false);
    } else {
        connect(m_entry, &QLineEdit::textEdited, this, &CEditParameterDlg::OnEntryEdited);
        connect(m_entry, &QLineEdit::editingFinished, this, &CEditParameterDlg::OnEntryFinished);
    }
    if (!m_sliderUsable) {
        m_slider->setEnabled(false);
        return;
    }
    m_slider->setRange(ToSliderInt(m_minimum), ToSliderInt(m_maximum));
    m_slider->setSingleStep(ToSliderInt(m_step));
    const qint64 ticks = CEditValueMap::TickFrequency(m_minimum, m_maximum, m_step);
    m_slider->setTickInterval(ToSliderInt(ticks));
    m_slider->setPageStep(ToSliderInt(ticks));
    m_slider->setValue(ToSliderInt(units.value));
    if (m_record.readOnly) {
        // The position shows the value; it cannot be moved.
        m_slider->setEnabled(false);
        return;
    }
    connect(m_slider, &QSlider::valueChanged, this, &CEditParameterDlg::OnSliderMoved);
}

void CEditParameterDlg::OnSliderMoved(int position)
{
    if (m_snapping)
        return;
    const qint64 snapped = CEditValueMap::Snap(position, m_minimum, m_maximum, m_step);
    if (snapped != position) {
        m_snapping = true;
        m_slider->setValue(ToSliderInt(snapped));
        m_snapping = false;
    }
    m_record.value = CEditValueMap::FromEditUnits(m_record, snapped);
    ShowValueText();
    if (!m_fromEntry && m_entry) {
        m_entry->setText(CEditValueMap::EntryText(snapped, m_entryDecimals));
        ShowEntryState({});
    }
}

void CEditParameterDlg::OnEntryEdited(const QString& text)
{
    const CEditValueMap::SEntry entry =
        CEditValueMap::ParseEntry(text, m_entryDecimals, m_minimum, m_maximum);
    ShowEntryState(entry.error);
    if (!entry.valid)
        return;
    if (!m_sliderUsable) {
        // No slider to snap through: the raw value snaps to the controller's step.
        m_record.value = CEditValueMap::SnapToRawStep(
            m_record, CEditValueMap::FromEditUnits(m_record, entry.number));
        ShowValueText();
        return;
    }
    // The slider snaps a value between its steps as it snaps a dragged position, so the
    // value applied is always one the slider can show.
    m_fromEntry = true;
    m_slider->setValue(ToSliderInt(entry.number));
    OnSliderMoved(m_slider->value());
    m_fromEntry = false;
}

void CEditParameterDlg::OnEntryFinished()
{
    if (!m_entryValid)
        return;
    const qint64 shown =
        m_sliderUsable ? m_slider->value() : CEditValueMap::ToEditUnits(m_record, m_record.value);
    m_entry->setText(CEditValueMap::EntryText(shown, m_entryDecimals));
}

void CEditParameterDlg::ShowEntryState(const QString& error)
{
    m_entryValid = error.isEmpty();
    m_entry->setStyleSheet(m_entryValid ? QString()
                                        : QStringLiteral("QLineEdit { border: 2px solid #ff0000; "
                                                         "padding: 1px; }"));
    m_entryMessage->setText(error);
    m_entryMessage->setVisible(!m_entryValid);
    // A refused value must not be applied: nothing may be stored or written until the box
    // holds a valid one again (Cancel still works).
    const bool actions = m_entryValid && !m_record.readOnly;
    m_updateEditor->setEnabled(actions);
    m_programController->setEnabled(actions);
}

void CEditParameterDlg::ShowValueText()
{
    if (!m_valueField)
        return;
    m_valueField->setText(CEditValueMap::EditValueText(m_record, m_tag, m_dataType));
    QPalette palette = m_valueField->palette();
    palette.setColor(QPalette::WindowText, m_record.value != m_openingValue
                                               ? QColor(255, 0, 0)
                                               : this->palette().color(QPalette::WindowText));
    m_valueField->setPalette(palette);
}

void CEditParameterDlg::SyncChoices()
{
    for (size_t i = 0; i < m_choices.size() && i < m_state.checked.size(); ++i) {
        m_choices[i]->setChecked(m_state.checked[i]);
        if (i < m_momentaryLabels.size()) {
            m_momentaryLabels[i]->setText(
                LoadString(m_state.checked[i] ? EString::Momentary : EString::Permanent));
        }
    }
    if (m_latch) {
        m_latch->setChecked(m_state.latchChecked);
        m_latch->setEnabled(m_state.latchEnabled && !m_record.readOnly);
    }
}

void CEditParameterDlg::OnChoiceClicked(int index)
{
    QAbstractButton* button = m_choices[size_t(index)];
    // A radio button stays chosen when clicked again.
    m_state.checked[size_t(index)] =
        CEditValueMap::UsesRadioButtons(m_template->kind) || button->isChecked();
    CEditValueMap::Click(*m_template, m_state, index);
    SyncChoices();
}

void CEditParameterDlg::OnLatchClicked()
{
    m_state.latchChecked = m_latch->isChecked();
}

void CEditParameterDlg::ApplyControls()
{
    // The controller refuses a new value for a read-only record: the editor keeps its own.
    if (m_record.readOnly)
        return;
    if (m_template->kind == EEditKind::Slider) {
        if (m_sliderUsable) {
            m_record.value = CEditValueMap::FromEditUnits(
                m_record, CEditValueMap::Snap(m_slider->value(), m_minimum, m_maximum, m_step));
        }
        return;
    }
    if (const std::optional<quint16> value = CEditValueMap::Apply(*m_template, m_record, m_state))
        m_record.value = *value;
}

void CEditParameterDlg::OnUpdateEditor()
{
    ApplyControls();
    m_openingValue = m_record.value;
    done(kResultEditor);
}

void CEditParameterDlg::OnProgramController()
{
    // A value of another controller type is refused here, with the dialog left open; the
    // write itself is the caller's (CWriteFlow::WriteOne).
    if (const std::optional<EString> refusal = CWriteFlow::WriteOneRefusal(m_doc)) {
        m_doc.Prompt().Message(LoadString(*refusal), IUserPrompt::EIcon::Exclamation);
        return;
    }
    ApplyControls();
    done(kResultProgram);
}

void CEditParameterDlg::OnHelp()
{
    m_doc.Prompt().Message(CCodePage::ToUnicode(m_tag.help), IUserPrompt::EIcon::Information);
}

void CEditParameterDlg::reject()
{
    m_record.value = m_openingValue;
    done(kResultCancelled);
}
