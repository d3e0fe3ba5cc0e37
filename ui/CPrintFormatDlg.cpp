#include "ui/CPrintFormatDlg.h"

#include "app/CAppSettings.h"
#include "data/CCodePage.h"
#include "ui/ControlId.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr int kDefaultPointSize = 12;
constexpr int kNormalWeight = 400;

// The stored font as the font dialog shows it. A negative height is the character height
// and a positive one the cell height, both in screen pixels; the dialog only knows points,
// so both become the same point size.
QFont ToQFont(const CLogFont& logFont)
{
    QFont font(CCodePage::ToUnicode(logFont.faceName));
    if (logFont.height != 0)
        font.setPointSizeF(std::abs(logFont.height) * kPointsPerInch / CLogFont::kScreenDpi);
    else
        font.setPointSize(kDefaultPointSize);
    // The stored weights use the same 100..900 scale as QFont; 0 means "don't care".
    const int weight = logFont.weight > 0 ? logFont.weight : kNormalWeight;
    font.setWeight(static_cast<QFont::Weight>(qBound(1, weight, 1000)));
    font.setItalic(logFont.italic != 0);
    font.setUnderline(logFont.underline != 0);
    font.setStrikeOut(logFont.strikeOut != 0);
    return font;
}

// The chosen font written over `base`: the fields the font dialog does not know (width,
// escapement, character set, precisions...) keep their stored values.
CLogFont FromQFont(const QFont& font, CLogFont base)
{
    base.faceName = CCodePage::FromUnicode(font.family()).left(CLogFont::kFaceSize - 1);
    if (font.pointSizeF() > 0)
        base.height = -qRound(font.pointSizeF() * CLogFont::kScreenDpi / kPointsPerInch);
    else if (font.pixelSize() > 0)
        base.height = -font.pixelSize();
    base.weight = font.weight();
    base.italic = font.italic() ? 1 : 0;
    base.underline = font.underline() ? 1 : 0;
    base.strikeOut = font.strikeOut() ? 1 : 0;
    return base;
}

template <class T> T* Named(T* widget, int id)
{
    widget->setObjectName(ControlId::Name(id));
    return widget;
}

} // namespace

CPrintFormatDlg::CPrintFormatDlg(const SPrintFormat& format, QWidget* parent)
    : QDialog(parent), m_mainFont(format.mainFont), m_titleFont(format.titleFont)
{
    setWindowTitle(QStringLiteral("Print Format"));
    setObjectName(ControlId::Name(kDialogId));

    auto* style = new QGroupBox(tr("Style"));
    m_simpleList = Named(new QRadioButton(QStringLiteral("&Simple list")), kSimpleListId);
    m_multipleColumns =
        Named(new QRadioButton(QStringLiteral("M&ultiple columns")), kMultipleColumnsId);
    m_fillPage = Named(new QCheckBox(QStringLiteral("Fill &page")), kFillPageId);
    m_mainFontButton = Named(new QPushButton(QStringLiteral("&Main font")), kMainFontId);
    m_titleFontButton = Named(new QPushButton(QStringLiteral("&Title font")), kTitleFontId);
    m_mainFace = Named(new QLabel(CCodePage::ToUnicode(m_mainFont.faceName)), kMainFaceId);
    m_titleFace = Named(new QLabel(CCodePage::ToUnicode(m_titleFont.faceName)), kTitleFaceId);

    // The column options sit under their radio button, indented, as they belong to it.
    auto* styleLayout = new QGridLayout(style);
    styleLayout->setColumnMinimumWidth(0, 20);
    styleLayout->addWidget(m_simpleList, 0, 0, 1, 3);
    styleLayout->addWidget(m_multipleColumns, 1, 0, 1, 3);
    styleLayout->addWidget(m_fillPage, 2, 1, 1, 2);
    styleLayout->addWidget(m_mainFontButton, 3, 1);
    styleLayout->addWidget(m_mainFace, 3, 2);
    styleLayout->addWidget(m_titleFontButton, 4, 1);
    styleLayout->addWidget(m_titleFace, 4, 2);
    styleLayout->setColumnStretch(2, 1);

    m_notes = new QLineEdit(format.notes);
    m_notes->setObjectName(QLatin1String(kNotesName));
    auto* notesLayout = new QFormLayout;
    auto* notesLabel = new QLabel(tr("&Notes:"));
    notesLabel->setBuddy(m_notes);
    notesLayout->addRow(notesLabel, m_notes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(ControlId::Name(1));
    ok->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlId::Name(2));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(style);
    layout->addLayout(notesLayout);
    layout->addWidget(buttons);
    setMinimumWidth(320);

    (format.simpleList ? m_simpleList : m_multipleColumns)->setChecked(true);
    m_fillPage->setChecked(!format.isotropic);
    UpdateEnabling();
    connect(m_multipleColumns, &QRadioButton::toggled, this, &CPrintFormatDlg::UpdateEnabling);
    connect(m_mainFontButton, &QPushButton::clicked, this,
            [this] { ChooseFont(m_mainFont, m_mainFace); });
    connect(m_titleFontButton, &QPushButton::clicked, this,
            [this] { ChooseFont(m_titleFont, m_titleFace); });
    ok->setDefault(true);
}

void CPrintFormatDlg::UpdateEnabling()
{
    const bool columns = m_multipleColumns->isChecked();
    m_fillPage->setEnabled(columns);
    m_mainFontButton->setEnabled(columns);
    m_titleFontButton->setEnabled(columns);
}

void CPrintFormatDlg::ChooseFont(CLogFont& font, QLabel* face)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), this);
    if (!ok)
        return;
    font = FromQFont(chosen, font);
    face->setText(CCodePage::ToUnicode(font.faceName));
}

SPrintFormat CPrintFormatDlg::Format() const
{
    SPrintFormat format;
    format.simpleList = m_simpleList->isChecked();
    format.isotropic = !m_fillPage->isChecked();
    format.mainFont = m_mainFont;
    format.titleFont = m_titleFont;
    format.notes = m_notes->text();
    return format;
}

bool CPrintFormatDlg::Run(CAppSettings& settings, QWidget* parent)
{
    CPrintFormatDlg dialog(SPrintFormat::FromSettings(settings), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Format().Store(settings);
    return true;
}
