#include "ui/CUploadWarningDlg.h"

#include "res/StringTable.h"
#include "ui/CAnimationControl.h"
#include "ui/ControlId.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The animation area: room for the 96 x 48 animation with a small margin. A larger video
// is scaled down into it.
constexpr int kAnimationWidth = 104;
constexpr int kAnimationHeight = 56;
constexpr int kTextWidth = 330;

} // namespace

CUploadWarningDlg::CUploadWarningDlg(const QString& tagFileDir, QWidget* parent)
    : QDialog(parent), m_animation(new CAnimationControl(this)),
      m_no(new QPushButton(QStringLiteral("No"), this))
{
    setObjectName(ControlId::Name(174));
    setWindowTitle(QStringLiteral("WARNING"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    QFont dialogFont = font();
    dialogFont.setPointSize(kPointSize);
    setFont(dialogFont);

    m_animation->setObjectName(ControlId::Name(1129));
    m_animation->setFixedSize(kAnimationWidth, kAnimationHeight);

    auto* text = new QLabel(LoadString(EString::OverwriteQuestion), this);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setFixedWidth(kTextWidth);

    auto* yes = new QPushButton(QStringLiteral("Yes"), this);
    yes->setObjectName(ControlId::Name(1));
    m_no->setObjectName(ControlId::Name(2));
    m_no->setDefault(true);
    connect(yes, &QPushButton::clicked, this, [this] { done(kYes); });
    connect(m_no, &QPushButton::clicked, this, [this] { done(kNo); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(m_no);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_animation, 0, Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A missing or unreadable file leaves the area empty and the window as it is.
    if (m_animation->Open(AnimationPath(tagFileDir)))
        m_animation->Play();
}

QString CUploadWarningDlg::AnimationPath(const QString& tagFileDir)
{
    QString path = tagFileDir + QStringLiteral("\\Upload.avi");
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

void CUploadWarningDlg::reject()
{
    done(kNo);
}

void CUploadWarningDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_no->setDefault(true);
    m_no->setFocus();
}

void CUploadWarningDlg::done(int result)
{
    m_animation->Stop();
    QDialog::done(result);
}
