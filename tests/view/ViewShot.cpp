// Draws the parameter list twice into PNG files: with the bundled type-10 parameter set and
// with an empty document (the product picture). For looking at the view, not a test.
#include "app/CAppSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/CTavrinView.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tavrin-view-shot OUT_DIR\n");
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());

    CAppSettings settings;
    CMessageBoxPrompt prompt;
    CControllerLink link;
    CTavrinDoc doc(link, settings, prompt);
    if (!doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok())
        return 1;

    // The tool bar's filter box above the list, as in the main window.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QComboBox;
    box->setFixedWidth(120);
    layout->addWidget(box);
    auto* view = new CTavrinView(doc, box);
    layout->addWidget(view);
    window.resize(700, 460);
    window.show();
    QApplication::processEvents();
    window.grab().save(out.filePath(QStringLiteral("view-empty.png")));

    // Every tag of type 10 with a plausible value, then the first row selected.
    CParameterSet& set = doc.Parameters();
    set.SetDataControllerType(10);
    quint16 value = 3;
    for (const auto& tag : doc.Tags().Tags()) {
        if (!tag->AppliesToType(10) || set.FindParameter(tag->tag))
            continue;
        auto parameter = std::make_unique<CParameter>();
        parameter->tagNumber = tag->tag;
        parameter->value = value;
        parameter->maximum = 100;
        parameter->scale = 1;
        parameter->div = 1;
        parameter->step = 1;
        set.Append(std::move(parameter));
        value = quint16((value * 7 + 3) % 97);
    }
    set.SetEmpty(false);
    doc.UpdateAllViews();
    view->SelectRow(2);
    QApplication::processEvents();
    window.grab().save(out.filePath(QStringLiteral("view-rows.png")));
    return 0;
}
