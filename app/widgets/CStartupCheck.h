#pragma once

#include <QObject>

class CTavrinApp;

// `tavrin-studio --startup-check`: starts the application as usual and tells what start-up
// did, for installers, the packaging test and the start-up benchmark.
//
// Every dialog that opens while it runs is written to standard output and closed at once
// with its Escape button (No for a question), so nothing waits for a user. Once the main
// window has painted itself the first time the program prints "shown", then the tag file it
// loaded, and quits. Records, one a line, fields separated by a tab:
//   message TEXT     a message box with one button (an error or a notice)
//   question TEXT    a message box with a choice; answered with its Escape button
//   dialog TITLE     any other dialog; rejected
//   shown            the main window has painted
//   tagfile PATH     the tag file the document loaded; PATH is empty when none
// Exit code 0 when the tag file loaded and no message box with one button was shown, 1
// otherwise (also when the main window never showed).
class CStartupCheck : public QObject
{
public:
    static constexpr const char* kOption = "--startup-check";

    // Watches the application's dialogs from now on; create it before start-up.
    CStartupCheck();

    // After a successful start-up: runs the event loop until the main window has painted,
    // prints the results and returns the exit code.
    int Run(CTavrinApp& app);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_messageShown = false;
    QObject* m_mainWindow = nullptr;
    bool m_painted = false;
};
