#include "ops/tools/CServiceTimers.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "res/StringTable.h"

#include <QRegularExpression>

#include <limits>

using namespace LinkProtocol;
using EIcon = IUserPrompt::EIcon;

namespace {

// The attributes the probe reads after a supported value, in the order the controller
// expects them. The tool does not use their values.
constexpr std::uint8_t kProbeAttributes[] = {kExtMinimum, kExtMaximum, kExtScale, kExtDivisor};

bool ValidLine(int line)
{
    return line >= 1 && line <= CServiceTimers::kLineCount;
}

// The session of one refresh, clear or program: the status poll keeps off the link and the
// main window takes no commands until the exchanges are done; the poll then runs again if it
// ran before (the timers window leaves it running between its ticks).
CTransferSession Session(CTavrinDoc& doc)
{
    return CTransferSession(doc, CTransferSession::ECancel::NotAllowed,
                            CTransferSession::EPollAfter::Restore);
}

} // namespace

CServiceTimers::CServiceTimers(CTavrinDoc& doc) : m_doc(doc) {}

bool CServiceTimers::IsSupportedType(EControllerType type)
{
    return Caption(type, 1).has_value();
}

std::optional<EString> CServiceTimers::Caption(EControllerType type, int line)
{
    using T = EControllerType;
    if (!ValidLine(line))
        return std::nullopt;
    std::array<std::optional<EString>, kLineCount> captions{};
    switch (type) {
    case T::Stoat:
        captions = {EString::TotalOnTime, std::nullopt, std::nullopt};
        break;
    case T::Q25Q30:
        captions = {EString::DriveTime, EString::ServiceTime, std::nullopt};
        break;
    case T::Tarn:
    case T::TarnPlus:
        captions = {EString::TractionServiceTime, EString::TotalOnTime, EString::BrushOnTime};
        break;
    case T::Corvo120:
        captions = {EString::TractionServiceTime, EString::LiftDowntime, EString::LiftUptime};
        break;
    case T::Oriel:
    case T::Ivor36V:
    case T::Ivor:
        captions = {EString::TractionServiceTime, std::nullopt, std::nullopt};
        break;
    default:
        break;
    }
    return captions[static_cast<std::size_t>(line - 1)];
}

std::uint16_t CServiceTimers::TagFor(EControllerType type, int line)
{
    switch (line) {
    case 1:
        return type == EControllerType::Stoat ? kTagServiceTimer1Stoat : kTagServiceTimer1;
    case 2:
        return kTagServiceTimer2;
    default:
        return kTagServiceTimer3;
    }
}

QString CServiceTimers::HoursText(std::uint16_t hours)
{
    QString text = QStringLiteral("%1 Hour").arg(hours);
    if (hours != 1)
        text += QLatin1Char('s');
    return text;
}

qint64 CServiceTimers::EntryValue(const QString& text)
{
    static const QRegularExpression kNumber(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!kNumber.match(trimmed).hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok, 10);
    if (ok)
        return value;
    // More digits than a 64-bit number holds: far beyond the limit either way.
    return trimmed.startsWith(QLatin1Char('-')) ? std::numeric_limits<qint64>::min()
                                                : std::numeric_limits<qint64>::max();
}

bool CServiceTimers::EntriesValid(const SEntries& entries)
{
    const qint64 totalOn = EntryValue(entries.totalOn);
    return totalOn >= EntryValue(entries.brush) && totalOn >= EntryValue(entries.service);
}

QString CServiceTimers::HintText(bool valid)
{
    return valid ? QStringLiteral("Press Program to update controller timers")
                 : QStringLiteral("On time must be greater than Brush and Service time");
}

const CServiceTimers::SLine& CServiceTimers::Line(int line) const
{
    return m_lines.at(static_cast<std::size_t>(line - 1));
}

CServiceTimers::SLine& CServiceTimers::Line(int line)
{
    return m_lines.at(static_cast<std::size_t>(line - 1));
}

std::uint16_t CServiceTimers::LineTag(int line) const
{
    return TagFor(m_type, line);
}

QString CServiceTimers::LineCaption(int line) const
{
    const auto caption = Caption(m_type, line);
    return caption ? LoadString(*caption) : QString();
}

QString CServiceTimers::ClearCaption(int line) const
{
    return LoadString(Line(line).cleared ? EString::Cleared : EString::Clear);
}

QString CServiceTimers::MessageText() const
{
    if (m_type == EControllerType::None)
        return LoadString(EString::BadConnection);
    if (!IsSupportedType(m_type))
        return LoadString(EString::UnsupportedController);
    return {};
}

bool CServiceTimers::SetType(EControllerType type)
{
    if (m_typeKnown && type == m_type)
        return false;
    m_type = type;
    m_typeKnown = true;
    // New captions: every Clear button reads "Clear" again and no old reading stays.
    m_lines = {};
    return true;
}

CServiceTimers::SChanges CServiceTimers::Open()
{
    const CTransferSession session = Session(m_doc);
    EControllerType type = EControllerType::None;
    m_doc.Link().Identify(type);
    const bool captioned = SetType(type);
    SChanges changes = Refresh();
    changes.captions = changes.captions || captioned;
    return changes;
}

CServiceTimers::SChanges CServiceTimers::Refresh()
{
    const CTransferSession session = Session(m_doc);
    CControllerLink& link = m_doc.Link();
    SChanges changes;
    EControllerType type = EControllerType::None;
    link.Identify(type); // a failure leaves the type None
    changes.captions = SetType(type);
    for (int line = 1; line <= kLineCount; ++line) {
        if (!LineShown(line))
            continue;
        // A counter the controller lacks is answered "no such tag", which ReadWord takes
        // for no reply: such a line reads "N/C", never "0 Hours".
        std::uint16_t hours = 0;
        Line(line).text = link.ReadWord(LineTag(line), kExtValue, hours) ? HoursText(hours)
                                                                         : QStringLiteral("N/C");
    }
    changes.programmable = ProbeProgrammable();
    return changes;
}

bool CServiceTimers::ProbeProgrammable()
{
    CControllerLink& link = m_doc.Link();
    const bool was = m_programmable;
    CLinkPacket value;
    value.SetRequest(kTagProgrammableTimes, kExtValue);
    m_programmable = link.Transact(value, kProgrammableAttempts) && value.IsSupported();
    if (m_programmable) {
        for (std::uint8_t extension : kProbeAttributes) {
            CLinkPacket attribute;
            attribute.SetRequest(kTagProgrammableTimes, extension);
            link.Transact(attribute, kProgrammableAttempts);
        }
    }
    return m_programmable != was;
}

CServiceTimers::EClearResult CServiceTimers::Clear(int line)
{
    if (!ValidLine(line) || !LineShown(line))
        return EClearResult::Hidden;
    const CTransferSession session = Session(m_doc);
    if (!m_doc.Link().WriteWord(LineTag(line), kExtValue, 0, 0))
        return EClearResult::NoReply;
    Line(line).cleared = true;
    return EClearResult::Cleared;
}

bool CServiceTimers::WriteProgrammable(qint64 hours)
{
    CLinkPacket write;
    write.SetRequest(kTagProgrammableTimes, kExtValue, static_cast<std::uint16_t>(hours), 0);
    write.SetWrite();
    return m_doc.Link().Transact(write, kProgrammableAttempts) && write.IsSupported();
}

CServiceTimers::EProgramResult CServiceTimers::Program(SEntries& entries)
{
    if (!m_programmable)
        return EProgramResult::Unavailable;
    IUserPrompt& prompt = m_doc.Prompt();
    // The controller takes the times in this order, so they are checked in it too.
    QString* const ordered[] = {&entries.service, &entries.totalOn, &entries.brush};
    for (QString* entry : ordered) {
        const qint64 value = EntryValue(*entry);
        if (value > kProgrammableLimitHours) {
            prompt.Message(LoadString(EString::ProgrammableTimeTooLarge), EIcon::Exclamation);
            *entry = QString::number(kProgrammableLimitHours);
        } else if (value < 0) {
            prompt.Message(LoadString(EString::ProgrammableTimeNegative), EIcon::Exclamation);
            *entry = QStringLiteral("0");
        }
    }
    if (!EntriesValid(entries))
        return EProgramResult::Invalid;

    bool confirmed = true;
    {
        const CTransferSession session = Session(m_doc);
        for (const QString* entry : ordered) {
            if (!WriteProgrammable(EntryValue(*entry))) {
                confirmed = false;
                break;
            }
        }
    }
    if (!confirmed) {
        prompt.Message(LoadString(EString::OntimeNotUpdated), EIcon::Exclamation);
        return EProgramResult::NotConfirmed;
    }
    prompt.Message(LoadString(EString::OntimeUpdated), EIcon::Information);
    return EProgramResult::Confirmed;
}

bool CServiceTimers::ConfirmClear(int line) const
{
    return m_doc.Prompt().QuestionDefaultNo(ClearQuestion(line), EIcon::Exclamation) ==
           IUserPrompt::EAnswer::Yes;
}

QString CServiceTimers::ClearQuestion(int line) const
{
    return QStringLiteral("Clear the \"%1\" counter in the controller? Its hours cannot be "
                          "recovered.")
        .arg(LineCaption(line));
}
