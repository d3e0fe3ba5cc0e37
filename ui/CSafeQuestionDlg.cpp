#include "ui/CSafeQuestionDlg.h"

#include "res/StringTable.h"
#include "ui/CAnimationControl.h"
#include "ui/ControlId.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The animation area: room for the 96 x 48 animation with a small margin. A larger video
// is scaled down into it.
constexpr int kAnimationWidth = 104;
constexpr int kAnimationHeight = 56;

} // namespace

CSafeQuestionDlg::CSafeQuestionDlg(QWidget* parent)
    : QDialog(parent), m_animation(new CAnimationControl(this))
{
    setWindowTitle(QStringLiteral("WARNING"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    QFont dialogFont = font();
    dialogFont.setPointSize(kPointSize);
    setFont(dialogFont);
    m_animation->setObjectName(ControlId::Name(1129));
    m_animation->setFixedSize(kAnimationWidth, kAnimationHeight);
}

QString CSafeQuestionDlg::AnimationPath(const QString& tagFileDir)
{
    QString path = tagFileDir + QStringLiteral("\\Upload.avi");
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QLabel* CSafeQuestionDlg::MakeQuestion(int width)
{
    auto* text = new QLabel(LoadString(EString::OverwriteQuestion), this);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setFixedWidth(width);
    return text;
}

void CSafeQuestionDlg::SetSafeButton(QPushButton* button, int result)
{
    m_safe = button;
    m_safeResult = result;
    m_safe->setDefault(true);
}

void CSafeQuestionDlg::PlayAnimation(const QString& tagFileDir)
{
    if (m_animation->Open(AnimationPath(tagFileDir)))
        m_animation->Play();
}

void CSafeQuestionDlg::reject()
{
    done(m_safeResult);
}

void CSafeQuestionDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_safe) {
        m_safe->setDefault(true);
        m_safe->setFocus();
    }
}

void CSafeQuestionDlg::done(int result)
{
    m_animation->Stop();
    QDialog::done(result);
}
