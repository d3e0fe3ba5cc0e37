#include "ui/CUploadWarningDlg.h"

#include "ui/CAnimationControl.h"
#include "ui/ControlId.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTextWidth = 330;

} // namespace

CUploadWarningDlg::CUploadWarningDlg(const QString& tagFileDir, QWidget* parent)
    : CSafeQuestionDlg(parent)
{
    setObjectName(ControlId::Name(174));
    QLabel* text = MakeQuestion(kTextWidth);

    auto* yes = new QPushButton(QStringLiteral("Yes"), this);
    yes->setObjectName(ControlId::Name(1));
    auto* no = new QPushButton(QStringLiteral("No"), this);
    no->setObjectName(ControlId::Name(2));
    SetSafeButton(no, kNo);
    connect(yes, &QPushButton::clicked, this, [this] { done(kYes); });
    connect(no, &QPushButton::clicked, this, [this] { done(kNo); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Animation(), 0, Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    PlayAnimation(tagFileDir);
}
