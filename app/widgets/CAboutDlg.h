#pragma once

#include <QDateTime>
#include <QDialog>

// "About Tavrin Studio": version, the controller database (tag file) date and time, and the
// build date and time.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    // `tagFileTime` is the loaded tag file's modification time (invalid: none loaded).
    explicit CAboutDlg(const QDateTime& tagFileTime, QWidget* parent = nullptr);

    // "%b %d %Y" and "%X" of a local time, as the dialog shows the tag file's time.
    static QString DateText(const QDateTime& time);
    static QString TimeText(const QDateTime& time);
    // The build's date ("Feb  6 2009" form) and time ("10:12:09").
    static QString BuildDate();
    static QString BuildTime();
};
