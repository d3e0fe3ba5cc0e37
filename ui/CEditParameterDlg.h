#pragma once

#include "edit/CEditValueMap.h"

#include <QDialog>
#include <QFont>

#include <vector>

class CParameter;
class CTagInfo;
class CTavrinDoc;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

// The modal "Edit Parameter" dialog for one parameter. It picks its template from the tag
// number, the document's data controller type and the record (CEditTemplates::Choose), and
// changes the record's value in place while it is open (the slider at once, the choices when
// applied). Run it with exec():
//   kResultEditor (0)     the editor's value was changed ("Update &Editor");
//   kResultProgram (1)    "Program &Controller": the record holds the value to write, and
//                         the caller writes it (CWriteFlow::WriteOne); the dialog itself
//                         never talks to the controller;
//   kResultCancelled (2)  Cancel, Escape or the close box: the opening value is restored.
// The document and the records must outlive the dialog; messages go through doc.Prompt().
class CEditParameterDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kResultEditor = 0;
    static constexpr int kResultProgram = 1;
    static constexpr int kResultCancelled = 2;
    static constexpr int kValueFontPointSize = 16;
    // Object names of the slider template's number box and of its message line.
    static constexpr const char* kEntryName = "valueEntry";
    static constexpr const char* kEntryMessageName = "valueEntryMessage";
    // Object name of the "Read only" note, shown for a record the controller will not change.
    static constexpr const char* kReadOnlyName = "readOnlyNote";

    CEditParameterDlg(CTavrinDoc& doc, CParameter& record, const CTagInfo& tag,
                      QWidget* parent = nullptr);

    int TemplateId() const { return m_template->id; }
    quint16 OpeningValue() const { return m_openingValue; }

    // Cancel, Escape and the close box restore the opening value and close with result 2.
    void reject() override;

private:
    void BuildCommon();
    QWidget* BuildSlider();
    QWidget* BuildChoices();
    void LoadTexts();
    void SetUpSlider();
    void SyncChoices();
    void ApplyControls();
    void ShowValueText();

    void OnSliderMoved(int position);
    // The number box: every edit moves the slider when the text is a valid value (snapped
    // to the step as the slider snaps); an invalid one is refused visibly and disables the
    // two action buttons. Leaving the box shows the snapped value.
    void OnEntryEdited(const QString& text);
    void OnEntryFinished();
    void ShowEntryState(const QString& error);
    void OnChoiceClicked(int index);
    void OnLatchClicked();
    void OnUpdateEditor();
    void OnProgramController();
    void OnHelp();

    CTavrinDoc& m_doc;
    CParameter& m_record;
    const CTagInfo& m_tag;
    const SEditTemplate* m_template;
    quint16 m_dataType;
    quint16 m_openingValue;
    qint64 m_step = 0;
    qint64 m_minimum = 0;
    qint64 m_maximum = 0;
    bool m_sliderUsable = false;
    bool m_snapping = false;
    QFont m_valueFont;
    SEditState m_state;
    std::vector<QAbstractButton*> m_choices;
    std::vector<QLabel*> m_momentaryLabels;
    QCheckBox* m_latch = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_valueField = nullptr;
    QLineEdit* m_entry = nullptr;
    QLabel* m_entryMessage = nullptr;
    QLabel* m_readOnlyNote = nullptr;
    int m_entryDecimals = 0;
    bool m_entryValid = true;
    bool m_fromEntry = false;
    QPushButton* m_updateEditor = nullptr;
    QPushButton* m_programController = nullptr;
    QPushButton* m_help = nullptr;
};
