#include "ops/CTavrinDoc.h"

#include "app/CAppSettings.h"
#include "link/CControllerLink.h"
#include "ops/IUserPrompt.h"
#include "res/StringTable.h"

#include <QDir>

namespace {
constexpr int kStringCommsLost = 55;
constexpr int kStringOk = 56;
constexpr int kStringNoTagFile = 203;

// "Trip: %04X"
QString TripText(std::uint16_t code)
{
    return QStringLiteral("Trip: ") +
           QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
}
} // namespace

CTavrinDoc::CTavrinDoc(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
                       QObject* parent)
    : QObject(parent), m_link(link), m_settings(settings), m_prompt(&prompt)
{
    m_pollTimer.setInterval(kStatusPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CTavrinDoc::PollTick);
}

CTavrinDoc::~CTavrinDoc() = default;

void CTavrinDoc::Initialise()
{
    m_connectedType = kNoType;
    m_parameters.Reset();
    StartStatusPoll();
    LoadMasterTagFile(m_settings.TagFileDir());
}

bool CTavrinDoc::LoadMasterTagFile(const QString& directory)
{
    QString path;
    if (directory.isEmpty() ||
        !CTagFile::FindNewestTagFile(directory, QString::fromLatin1(kTagFilePattern), path)) {
        m_tags.Clear();
        m_prompt->Message(LoadString(kStringNoTagFile), IUserPrompt::EIcon::Stop);
        return false;
    }
    const CTagLoadResult result = m_tags.LoadTagFile(path);
    if (!result.Ok()) {
        m_prompt->Message(result.message + QStringLiteral(" - ") + QDir::toNativeSeparators(path),
                          IUserPrompt::EIcon::Stop);
        return false;
    }
    return true;
}

void CTavrinDoc::SetLinkReady(bool ready)
{
    if (m_linkReady == ready)
        return;
    m_linkReady = ready;
    emit ControllerStateChanged();
}

void CTavrinDoc::SetConnectedType(std::uint16_t type)
{
    if (m_connectedType == type)
        return;
    m_connectedType = type;
    emit ControllerStateChanged();
}

QString CTavrinDoc::ControllerIdPaneText() const
{
    if (!m_linkReady)
        return LoadString(kStringCommsLost);
    if (m_connectedType == kNoType)
        return QStringLiteral("Unknown Controller");
    return CControllerLink::ControllerTypeName(m_connectedType);
}

QString CTavrinDoc::ControllerStatusPaneText() const
{
    return m_linkReady ? m_statusText : LoadString(kStringCommsLost);
}

void CTavrinDoc::StartStatusPoll()
{
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
}

void CTavrinDoc::StopStatusPoll()
{
    m_pollTimer.stop();
}

void CTavrinDoc::PollTick()
{
    emit PollTicked();
    const int limit = m_linkReady ? kPollLimitLinked : kPollLimitUnlinked;
    if (m_pollCounter == -1) {
        m_pollCounter = 0;
    } else {
        ++m_pollCounter;
        if (m_pollCounter < limit)
            return;
        m_pollCounter = 0;
    }
    Poll();
}

void CTavrinDoc::Poll()
{
    std::uint16_t type = kNoType;
    const bool linked = m_link.Identify(type) == 0;
    const std::uint16_t oldTrip = m_lastTripCode;
    const QString oldText = m_statusText;
    const bool oldLinked = m_linkReady;
    const std::uint16_t oldType = m_connectedType;
    m_connectedType = type;
    m_linkReady = linked;

    std::uint16_t code = 0;
    QString text;
    if (linked) {
        if (m_link.ReadTripCode1(code) != 0) {
            code = 0xFFFF;
        } else if (code != 0) {
            text = TripText(code);
        } else if (m_link.ReadTripCode2(code) != 0) {
            code = 0xFFFF;
        } else if (code != 0) {
            text = TripText(code);
        } else {
            text = LoadString(kStringOk);
        }
    }
    m_lastTripCode = code;
    m_statusText = text;
    if (oldTrip != code || oldText != text || oldLinked != linked || oldType != type)
        emit ControllerStateChanged();
}
