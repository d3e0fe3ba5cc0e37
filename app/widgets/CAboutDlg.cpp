#include "app/widgets/CAboutDlg.h"

#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <ctime>

namespace {

// The tag file's time in local time, formatted as the "C" locale's strftime would (month
// names in English whatever the user's language).
std::tm LocalTime(const QDateTime& time)
{
    const std::time_t seconds = static_cast<std::time_t>(time.toSecsSinceEpoch());
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

QLabel* Field(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(const QDateTime& tagFileTime, QWidget* parent) : QDialog(parent)
{
    setObjectName(ControlId::Name(100));
    setWindowTitle(QStringLiteral("About Tavrin Studio"));

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Tavrin Studio"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* version = new QHBoxLayout;
    version->addWidget(new QLabel(QStringLiteral("Version:"), this));
    version->addWidget(Field(QStringLiteral("version"), LoadString(EString::Version), this), 1);
    layout->addLayout(version);

    auto group = [this](const QString& caption, const QString& prefix, const QString& date,
                        const QString& time) {
        auto* box = new QGroupBox(caption, this);
        auto* grid = new QGridLayout(box);
        grid->addWidget(new QLabel(QStringLiteral("Date:"), box), 0, 0);
        grid->addWidget(Field(prefix + QStringLiteral("Date"), date, box), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Time:"), box), 1, 0);
        grid->addWidget(Field(prefix + QStringLiteral("Time"), time, box), 1, 1);
        grid->setColumnStretch(1, 1);
        return box;
    };
    layout->addWidget(group(QStringLiteral("Controller Database date:"), QStringLiteral("tagFile"),
                            DateText(tagFileTime), TimeText(tagFileTime)));
    layout->addWidget(group(QStringLiteral("Build information:"), QStringLiteral("build"),
                            BuildDate(), BuildTime()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

QString CAboutDlg::DateText(const QDateTime& time)
{
    // "%b %d %Y"
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!time.isValid())
        return QString();
    const std::tm local = LocalTime(time);
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromLatin1(kMonths[local.tm_mon % 12]))
        .arg(local.tm_mday, 2, 10, QLatin1Char('0'))
        .arg(local.tm_year + 1900);
}

QString CAboutDlg::TimeText(const QDateTime& time)
{
    // "%X" of the "C" locale: hours, minutes and seconds.
    if (!time.isValid())
        return QString();
    const std::tm local = LocalTime(time);
    return QStringLiteral("%1:%2:%3")
        .arg(local.tm_hour, 2, 10, QLatin1Char('0'))
        .arg(local.tm_min, 2, 10, QLatin1Char('0'))
        .arg(local.tm_sec, 2, 10, QLatin1Char('0'));
}

QString CAboutDlg::BuildDate()
{
    return QString::fromLatin1(__DATE__);
}

QString CAboutDlg::BuildTime()
{
    return QString::fromLatin1(__TIME__);
}
