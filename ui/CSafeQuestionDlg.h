#pragma once

#include <QDialog>

class CAnimationControl;
class QLabel;
class QPushButton;

// What the questions asked before a controller's settings are overwritten share: the
// "WARNING" title, the 10-point font, the animation of the transfer above the question, and
// one safe button that is the default on every showing and the answer to Escape and the
// close box, so that a hasty Enter never confirms. The animation plays from the moment the
// window has been built until it closes.
class CSafeQuestionDlg : public QDialog
{
public:
    static constexpr int kPointSize = 10;

    // The setting followed directly by "\Upload.avi", with either separator taken as the
    // folder separator: "C:\Tavrin" gives "C:/Tavrin/Upload.avi", and an empty setting the
    // root, "/Upload.avi".
    static QString AnimationPath(const QString& tagFileDir);

    CAnimationControl* Animation() const { return m_animation; }

    // Escape and the close box answer the safe button's result.
    void reject() override;
    void done(int result) override;

protected:
    explicit CSafeQuestionDlg(QWidget* parent);

    // The overwrite question, centred and wrapped within `width` pixels.
    QLabel* MakeQuestion(int width);
    // The button whose result Escape, the close box and a first Enter give.
    void SetSafeButton(QPushButton* button, int result);
    // Plays the animation from the "TagFileDir" setting `tagFileDir`; a missing or
    // unreadable file leaves its area empty and the window as it is.
    void PlayAnimation(const QString& tagFileDir);

    // Every showing starts on the safe button.
    void showEvent(QShowEvent* event) override;

private:
    CAnimationControl* m_animation;
    QPushButton* m_safe = nullptr;
    int m_safeResult = 0;
};
