#pragma once

#include "edit/CRawParameterFields.h"

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

class CParameter;
class CTagInfo;
class IUserPrompt;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;

// The raw parameter window ("bool"): the seven words of a parameter record as decimal
// numbers, its eight reply flags, the tag's units code (chosen by name) and the tag's
// presentation code ("Modifier", bits 1..7 of its display word).
//
// OK stores everything at once: the words and flags into the record, the units code and the
// modifier into the tag. A field whose number does not fit (a word outside -32768..65535, a
// modifier outside 0..127, or no number at all) is refused with a message, and so is a value
// outside the minimum..maximum stored with it (read as signed when Signed is checked); the
// window then stays open with that field selected and neither record nor tag is touched.
// Cancel changes nothing. The record and the tag must outlive the window.
//
// `prompt` shows the refusals; without one, message boxes over this window are used.
class CEditParameterSpot : public QDialog
{
    Q_OBJECT

public:
    CEditParameterSpot(CParameter& record, CTagInfo& tag, QWidget* parent = nullptr,
                       IUserPrompt* prompt = nullptr);
    ~CEditParameterSpot() override;

    void accept() override;

private:
    QLineEdit* AddWordField(QGridLayout* layout, int row, const char* label, int id,
                            CRawParameterFields::EWord word, quint16 value);

    CParameter& m_record;
    CTagInfo& m_tag;
    std::unique_ptr<IUserPrompt> m_ownPrompt;
    IUserPrompt* m_prompt;
    std::array<QLineEdit*, CRawParameterFields::kWordCount> m_words{};
    std::array<QString, CRawParameterFields::kWordCount> m_captions;
    std::array<QCheckBox*, 8> m_flags{};
    QComboBox* m_presentation = nullptr;
    QLineEdit* m_modifier = nullptr;
};
