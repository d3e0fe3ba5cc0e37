#pragma once

#include "ui/CSafeQuestionDlg.h"

// The question asked before a controller's settings are overwritten: an animation of the
// transfer, the question and the buttons "Yes" and "No" ("No" is the default). Run it with
// exec(): kYes for "Yes"; kNo for "No", Escape and the close box. The animation plays from
// the moment the window is built until it closes.
class CUploadWarningDlg : public CSafeQuestionDlg
{
    Q_OBJECT

public:
    static constexpr int kYes = 1;
    static constexpr int kNo = 2;

    // `tagFileDir` is the "TagFileDir" setting; the animation is read from AnimationPath().
    explicit CUploadWarningDlg(const QString& tagFileDir, QWidget* parent = nullptr);
};
