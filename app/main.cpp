// tavrin-studio: the application.
#include "app/widgets/CStartupCheck.h"
#include "app/widgets/CTavrinApp.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    // --startup-check first: start, report what start-up showed and loaded, quit.
    std::unique_ptr<CStartupCheck> check;
    if (!arguments.isEmpty() && arguments.first() == QLatin1String(CStartupCheck::kOption)) {
        arguments.removeFirst();
        check = std::make_unique<CStartupCheck>();
    }
    CTavrinApp app;
    if (!app.InitInstance(arguments))
        return 1;
    if (check)
        return check->Run(app);
    return QApplication::exec();
}
