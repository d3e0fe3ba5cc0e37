#pragma once

#include <QDialog>

class CAnimationControl;
class QPushButton;

// The question asked before a controller's settings are overwritten: an animation of the
// transfer, the question and the buttons "Yes" and "No" ("No" is the default). Run it with
// exec(): kYes for "Yes"; kNo for "No", Escape and the close box. The animation plays from
// the moment the window is built until it closes.
class CUploadWarningDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kYes = 1;
    static constexpr int kNo = 2;
    static constexpr int kPointSize = 10;

    // `tagFileDir` is the "TagFileDir" setting; the animation is read from AnimationPath().
    explicit CUploadWarningDlg(const QString& tagFileDir, QWidget* parent = nullptr);

    // The setting followed directly by "\Upload.avi", with either separator taken as the
    // folder separator: "C:\Tavrin" gives "C:/Tavrin/Upload.avi", and an empty setting the
    // root, "/Upload.avi".
    static QString AnimationPath(const QString& tagFileDir);

    CAnimationControl* Animation() const { return m_animation; }

    // Escape and the close box answer "No".
    void reject() override;
    void done(int result) override;

protected:
    // Every showing starts on "No", so Enter answers "No" until the user moves.
    void showEvent(QShowEvent* event) override;

private:
    CAnimationControl* m_animation;
    QPushButton* m_no;
};
