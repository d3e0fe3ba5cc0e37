#pragma once

#include "print/CPrintLayout.h"

#include <QDialog>

class CAppSettings;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Print Format": the page style ("&Simple list" or "M&ultiple columns"), and for the columns
// style whether the page template fills the page and which main and title fonts it uses, plus
// the notes printed in the footer. The fill check box and the font buttons take input only
// while "M&ultiple columns" is selected. The dialog edits a copy of the format; Format() hands
// back the choices. Controls carry their resource numbers as object names ("id1115" ...).
class CPrintFormatDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 169;
    static constexpr int kSimpleListId = 1115;
    static constexpr int kMultipleColumnsId = 1116;
    static constexpr int kMainFontId = 1117;
    static constexpr int kMainFaceId = 1118;
    static constexpr int kTitleFaceId = 1119;
    static constexpr int kTitleFontId = 1120;
    static constexpr int kFillPageId = 1121;
    // The notes field has no resource number of its own.
    static constexpr const char* kNotesName = "printNotes";

    explicit CPrintFormatDlg(const SPrintFormat& format, QWidget* parent = nullptr);

    // The format as the controls show it now.
    SPrintFormat Format() const;

    // The File menu's command: the dialog on the stored format; OK stores the choices
    // ("PrintFormat", "Isotropic", "MainLF", "TitleLF", "PrintNotes"). True when stored.
    static bool Run(CAppSettings& settings, QWidget* parent);

private:
    void UpdateEnabling();
    // Opens the font dialog on `font`; a chosen font replaces it and its face name is shown.
    void ChooseFont(CLogFont& font, QLabel* face);

    CLogFont m_mainFont;
    CLogFont m_titleFont;
    QRadioButton* m_simpleList = nullptr;
    QRadioButton* m_multipleColumns = nullptr;
    QCheckBox* m_fillPage = nullptr;
    QPushButton* m_mainFontButton = nullptr;
    QPushButton* m_titleFontButton = nullptr;
    QLabel* m_mainFace = nullptr;
    QLabel* m_titleFace = nullptr;
    QLineEdit* m_notes = nullptr;
};
