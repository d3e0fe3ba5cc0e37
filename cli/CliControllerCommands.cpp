// tavrin-cli commands that talk to a controller: identify, param, set.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CDisplayNumber.h"
#include "cli/CliCommands.h"
#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterText.h"
#include "data/CTagFile.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"
#include "link/CControllerLink.h"
#include "ops/params/CParameterNames.h"
#include "ops/params/CWriteFlow.h"
#include "ops/params/CWriteJournal.h"
#include "ops/params/CWriteResults.h"

#include <QDir>

#include <algorithm>

namespace Cli {
namespace {

// Parses the options added so far and --port, checks the count of positional arguments
// (positionalCount, or up to positionalMax when that is larger) and opens the link; false
// with `exitCode` set otherwise.
bool Start(CCommandContext& context, const QStringList& args, int positionalCount, int& exitCode,
           int positionalMax = -1)
{
    context.AddPortOption();
    if (!context.Parse(args)) {
        exitCode = context.UsageError(); // the parser's error
        return false;
    }
    const qsizetype positional = context.Positional().size();
    if (positional < positionalCount || positional > std::max(positionalCount, positionalMax)) {
        exitCode = context.UsageError();
        return false;
    }
    return context.OpenPort(exitCode);
}

// Reads `tag` into `record`; on failure prints why and sets the exit code. With
// `unsupportedRefused` a parameter the controller answers without "Supported" is a refusal
// (kExitRefused, `unsupported` set) rather than a failed read.
bool ReadRecord(CControllerLink& link, std::uint16_t tag, std::uint16_t unitsCode,
                CParameter& record, int& exitCode, bool unsupportedRefused = false,
                bool* unsupported = nullptr)
{
    switch (link.ReadParameter(tag, unitsCode, record)) {
    case EReadResult::Read:
        return true;
    case EReadResult::NoSuchParameter:
        Error(QStringLiteral("no such parameter: tag %1").arg(tag));
        exitCode = kExitRefused;
        return false;
    case EReadResult::Failed:
        break;
    }
    if (unsupportedRefused && link.LastReadFailure() == EReadFailure::Refused) {
        Error(QStringLiteral("tag %1 is not supported by the controller").arg(tag));
        if (unsupported)
            *unsupported = true;
        exitCode = kExitRefused;
        return false;
    }
    Error(QStringLiteral("could not read tag %1 (communication failed or not supported)").arg(tag));
    exitCode = kExitNoReply;
    return false;
}

// --units U: the units code for the read (its default maximum); nullopt on a usage error.
std::optional<std::uint16_t> UnitsOption(const CCommandContext& context)
{
    if (!context.IsSet(QStringLiteral("units")))
        return std::uint16_t{0};
    const auto value = ParseWord(context.Value(QStringLiteral("units")), 24);
    if (!value) {
        Error(QStringLiteral("--units needs a units code from 0 to 24"));
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

// The tag of TAG for the connected controller type, from --tags PATH or, without it, the
// "TagFileDir" setting, and the identified type (None without a tag file). nullptr when no
// tag file is named or it lacks the tag; false with `exitCode` set when --tags names a file
// that cannot be read or, with a tag file, the controller is not identified (IdentifyOrExit).
bool FindTagInfo(CCommandContext& context, quint16 tag, CTagFile& tags, const CTagInfo*& info,
                 EControllerType& type, int& exitCode)
{
    info = nullptr;
    if (context.IsSet(QStringLiteral("tags"))) {
        if (!LoadTagFile(context.TagsPath(), tags, exitCode))
            return false;
    } else {
        // The setting is a convenience here: without a usable tag file the value is a whole
        // number in the units of --units.
        const QString folder = context.Settings().TagFileDir();
        QString file;
        if (folder.isEmpty() ||
            !CTagFile::FindNewestTagFile(folder, QString::fromLatin1(CTagFile::kPattern), file) ||
            !tags.LoadTagFile(file).Ok())
            return true;
    }
    // The same tag number can carry other units on another controller type, so the tag file
    // is only read for an identified one.
    exitCode = context.Identify(type);
    if (exitCode != kExitOk)
        return false;
    info = tags.FindTag(tag, type);
    return true;
}

// The parameter a command names and what the tag file tells of it.
struct SNamedParameter
{
    std::uint16_t tag = 0;
    const CTagInfo* info = nullptr;               // nullptr without a usable tag file
    EControllerType type = EControllerType::None; // the identified type, when asked for
};

// The parameter TAG names: a tag number, or a parameter's exact tag-file name or an
// unambiguous case-insensitive prefix of one. A name needs the tag file (--tags PATH, or the
// "TagFileDir" setting) and the identified controller type, which tell the parameters that
// apply. For a number the tag file is looked up only when `withInfo` is set, as FindTagInfo
// does. False after saying why, with `exitCode` set: 1 for a malformed number, a name that
// is unknown or ambiguous (the candidates are listed) or no tag file for a name, 2 when no
// controller is identified for a name, 7 for a tag file that cannot be read.
bool FindParameter(CCommandContext& context, const QString& tagText, bool withInfo, CTagFile& tags,
                   SNamedParameter& parameter, int& exitCode)
{
    if (const auto number = ParseWord(tagText)) {
        parameter.tag = std::uint16_t(*number);
        return !withInfo ||
               FindTagInfo(context, parameter.tag, tags, parameter.info, parameter.type, exitCode);
    }
    if (tagText.isEmpty() || tagText[0].isDigit()) {
        Error(QStringLiteral("\"%1\" is not a tag number (0..65535)").arg(tagText));
        exitCode = kExitUsage;
        return false;
    }
    if (!LoadTagFile(context.TagsPath(), tags, exitCode))
        return false;
    exitCode = context.Identify(parameter.type);
    if (exitCode != kExitOk) {
        Error(QStringLiteral("the name \"%1\" cannot be looked up without an identified "
                             "controller")
                  .arg(tagText));
        return false;
    }
    QString why;
    const std::vector<std::uint16_t> found =
        CParameterNames(tags, parameter.type).Resolve(tagText, why);
    if (found.size() != 1) {
        Error(found.empty() ? why
                            : QStringLiteral("\"%1\" names %2 parameters; give the tag number")
                                  .arg(tagText)
                                  .arg(found.size()));
        exitCode = kExitUsage;
        return false;
    }
    parameter.tag = found.front();
    parameter.info = tags.FindTag(parameter.tag, parameter.type);
    return true;
}

// A display value as text, in the presentation's decimals and the units' words.
QString LimitText(const CParameter& record, qint64 number, const CTagInfo* tag, int decimals)
{
    if (!tag)
        return CDisplayNumber::Format(number, decimals);
    const QString text = FormatValue(number, *tag, record, true);
    const QString plain = CDisplayNumber::Format(number, decimals);
    return text.contains(plain) ? text : plain;
}

// The raw word for display value `shown` (display units), or nullopt after saying why: the
// value must lie within the displayed limits and come back as the same display value, so
// that what the list view will show is what was typed.
std::optional<quint16> RawForDisplay(const CParameter& record, const CTagInfo* tag, qint64 shown,
                                     const QString& typed, int decimals)
{
    const qint64 low = record.ToDisplay(record.minimum);
    const qint64 high = record.ToDisplay(record.maximum);
    if (shown < low || shown > high) {
        Error(QStringLiteral("%1 is outside the parameter's limits %2 .. %3")
                  .arg(typed, LimitText(record, low, tag, decimals),
                       LimitText(record, high, tag, decimals)));
        return std::nullopt;
    }
    // A signed conversion starts from the low 16 bits of the number: anything beyond them
    // would write an unrelated value.
    if (record.isSigned && (shown < -32768 || shown > 32767)) {
        Error(QStringLiteral("%1 is beyond the display range of a signed parameter").arg(typed));
        return std::nullopt;
    }
    bool clamped = false;
    const quint16 raw = record.FromDisplay(shown, &clamped);
    const qint32 lowRaw = record.Raw(record.minimum);
    const qint32 highRaw = record.Raw(record.maximum);
    if (!clamped && record.ToDisplay(raw) == shown && record.Raw(raw) >= lowRaw &&
        record.Raw(raw) <= highRaw)
        return raw;

    // Name the settable values either side, so that the user can pick one.
    std::optional<qint64> below;
    std::optional<qint64> above;
    for (qint32 candidate = std::max(lowRaw, record.Raw(raw) - 2);
         candidate <= std::min(highRaw, record.Raw(raw) + 2); ++candidate) {
        const qint64 display = record.ToDisplay(quint16(candidate));
        if (display < shown && (!below || display > *below))
            below = display;
        if (display > shown && (!above || display < *above))
            above = display;
    }
    QStringList nearest;
    for (const auto& value : {below, above}) {
        if (value)
            nearest << CDisplayNumber::Format(*value, decimals);
    }
    Error(QStringLiteral("%1 cannot be set exactly with this parameter's scaling%2")
              .arg(typed, nearest.isEmpty() ? QString()
                                            : QStringLiteral("; the nearest values are ") +
                                                  nearest.join(QStringLiteral(" and "))));
    return std::nullopt;
}

// The value text of `record` as the list view shows it: in the tag's units when the tag
// file has the tag, otherwise in the units the record was read with. Option texts ("Yes",
// "Reverse") depend on the tag number and controller type alone.
QString ValueTextOf(const CParameter& record, const CTagInfo* tag, quint16 typeNumber)
{
    return tag ? record.ValueText(*tag, typeNumber)
               : record.ValueText(record.unitsCode, record.PresentationCode(), typeNumber);
}

// The raw word within the record's limits whose value text is `typed` (case aside): how an
// option text of a list or radio parameter is set. nullopt when no word within the limits
// shows that text. The limits of such parameters are small, so every word between them is
// tried, up to a bound that keeps a wide numeric range cheap.
std::optional<quint16> RawForText(const CParameter& record, const CTagInfo* tag, quint16 typeNumber,
                                  const QString& typed)
{
    constexpr qint32 kMaxCandidates = 4096;
    const qint32 low = record.Raw(record.minimum);
    const qint32 high = std::min(record.Raw(record.maximum), low + kMaxCandidates - 1);
    CParameter candidate = record;
    for (qint32 raw = low; raw <= high; ++raw) {
        candidate.value = quint16(raw & 0xFFFF);
        if (ValueTextOf(candidate, tag, typeNumber)
                .trimmed()
                .compare(typed.trimmed(), Qt::CaseInsensitive) == 0)
            return candidate.value;
    }
    return std::nullopt;
}

// The state field of the lowlatency record.
QString LowLatencyStateField(CSerialPort::ELowLatency state)
{
    switch (state) {
    case CSerialPort::ELowLatency::On:
        return QStringLiteral("on");
    case CSerialPort::ELowLatency::NotOffered:
        return QStringLiteral("not-offered");
    case CSerialPort::ELowLatency::Disabled:
        return QStringLiteral("off");
    case CSerialPort::ELowLatency::NotOpen:
        break;
    }
    return QStringLiteral("closed");
}

} // namespace

int RunIdentify(CCommandContext& context, const QStringList& args)
{
    context.Parser().AddOption(
        {QStringLiteral("verbose"), QStringLiteral("Also say whether the port has low latency.")});
    int exitCode = kExitOk;
    if (!Start(context, args, 0, exitCode))
        return exitCode;
    EControllerType type = EControllerType::None;
    if (const int code = context.Identify(type); code != kExitOk)
        return code;
    PrintRecord({QStringLiteral("type"), QString::number(ControllerTypeNumber(type)),
                 Field(CControllerLink::ControllerTypeName(type))});
    if (context.IsSet(QStringLiteral("verbose"))) {
        const CControllerLink& link = context.Link();
        PrintRecord({QStringLiteral("lowlatency"), LowLatencyStateField(link.LowLatencyState()),
                     Field(link.LowLatencyText())});
    }
    return kExitOk;
}

int RunParam(CCommandContext& context, const QStringList& args)
{
    context.Parser().AddOption(
        {QStringLiteral("units"), QStringLiteral("Units code (0..24)."), QStringLiteral("U")});
    int exitCode = kExitOk;
    if (!Start(context, args, 1, exitCode))
        return exitCode;
    const auto units = UnitsOption(context);
    if (!units)
        return kExitUsage;
    const QString tagText = context.Positional().constFirst();
    const auto tag = ParseWord(tagText);
    if (!tag) {
        Error(QStringLiteral("\"%1\" is not a tag number (0..65535)").arg(tagText));
        return kExitUsage;
    }
    CParameter record;
    if (!ReadRecord(context.Link(), std::uint16_t(*tag), *units, record, exitCode))
        return exitCode;
    PrintRecord(ParamFields(record));
    return kExitOk;
}

int RunGet(CCommandContext& context, const QStringList& args)
{
    context.AddTagsOption();
    int exitCode = kExitOk;
    if (!Start(context, args, 1, exitCode))
        return exitCode;
    CTagFile tags;
    SNamedParameter parameter;
    if (!FindParameter(context, context.Positional().constFirst(), true, tags, parameter, exitCode))
        return exitCode;
    const CTagInfo* info = parameter.info;
    CParameter record;
    if (!ReadRecord(context.Link(), parameter.tag, info ? info->unitsCode : 0, record, exitCode))
        return exitCode;
    // The record as `show` prints it: without a tag file, no name and the plain value.
    const quint16 typeNumber = ControllerTypeNumber(parameter.type);
    PrintRecord(ParamFields(record)
                << (info ? Field(CCodePage::ToUnicode(info->name)) : QString())
                << Field(info ? record.ValueText(*info, typeNumber)
                              : record.ValueText(record.unitsCode, record.PresentationCode(),
                                                 typeNumber)));
    return kExitOk;
}

int RunSet(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    const QString display = QStringLiteral("display");
    const QString force = QStringLiteral("force");
    parser.AddOption(
        {display, QStringLiteral("Value as the list view shows it."), QStringLiteral("VALUE")});
    parser.AddOption(
        {QStringLiteral("units"), QStringLiteral("Units code (0..24)."), QStringLiteral("U")});
    context.AddTagsOption();
    parser.AddOption({force, QStringLiteral("Write a raw value beyond the limits.")});
    int exitCode = kExitOk;
    if (!Start(context, args, 1, exitCode, 2))
        return exitCode;
    const QStringList positional = context.Positional();
    const bool byDisplay = context.IsSet(display);
    if (positional.size() != (byDisplay ? 1 : 2) || (byDisplay && context.IsSet(force)))
        return context.UsageError();
    std::optional<qint64> raw;
    if (!byDisplay) {
        raw = ParseNumber(positional[1]);
        if (!raw || *raw < -32768 || *raw > 0xFFFF) {
            Error(QStringLiteral("\"%1\" is not a raw value (-32768..65535)").arg(positional[1]));
            return kExitUsage;
        }
    }
    auto units = UnitsOption(context);
    if (!units)
        return kExitUsage;
    CTagFile tags;
    SNamedParameter parameter;
    if (!FindParameter(context, positional[0], byDisplay, tags, parameter, exitCode))
        return exitCode;
    const CTagInfo* info = parameter.info;
    if (info)
        units = info->unitsCode;
    // The type names the backup profile and the change-log line, and picks the option texts.
    EControllerType type = parameter.type;
    if (type == EControllerType::None) {
        if (const int code = context.Identify(type); code != kExitOk)
            return code;
    }
    const quint16 typeNumber = ControllerTypeNumber(type);
    CParameter record;
    bool unsupported = false;
    if (!ReadRecord(context.Link(), parameter.tag, *units, record, exitCode, true, &unsupported)) {
        if (unsupported) {
            const CWriteResults::SEntry& entry = CWriteResults::Entry(EWriteResult::NotSupported);
            PrintRecord({QStringLiteral("set"),
                         QString::number(static_cast<int>(EWriteResult::NotSupported)),
                         QString::fromLatin1(entry.cliWord)});
            return entry.exitCode;
        }
        return exitCode;
    }
    const quint16 current = record.value;

    if (byDisplay) {
        const CUnitsTable::Entry* entry = CUnitsTable::Find(*units);
        const bool twoState = entry && entry->twoState;
        const int decimals =
            twoState || !info ? 0 : CDisplayNumber::Decimals(info->PresentationCode());
        const QString typed = context.Value(display);
        bool tooPrecise = false;
        const auto shown = CDisplayNumber::Parse(typed, decimals, &tooPrecise);
        // A text that is no number may be one of the parameter's option texts.
        const auto optionWord =
            !shown && !tooPrecise ? RawForText(record, info, typeNumber, typed) : std::nullopt;
        if (optionWord) {
            record.value = *optionWord;
        } else if (!shown) {
            Error(tooPrecise ? QStringLiteral("\"%1\" has more decimals than the parameter shows "
                                              "(%2)")
                                   .arg(typed)
                                   .arg(decimals)
                             : QStringLiteral("\"%1\" is not a display value (a number with at "
                                              "most %2 decimals, or a text the parameter shows)")
                                   .arg(typed)
                                   .arg(decimals));
            return kExitUsage;
        } else {
            const auto word = RawForDisplay(record, info, *shown, typed, decimals);
            if (!word)
                return kExitUsage;
            record.value = *word;
        }
        // A value that already shows as asked is left alone: another raw word with the same
        // text would change the controller for nothing the user can see.
        CParameter now = record;
        now.value = current;
        const QString nowText = ValueTextOf(now, info, typeNumber);
        if (nowText == ValueTextOf(record, info, typeNumber)) {
            PrintRecord(
                {QStringLiteral("unchanged"), QString::number(parameter.tag), Field(nowText)});
            return kExitOk;
        }
    } else {
        // A negative number is the signed reading of the word; a positive one is the word.
        const quint16 word = quint16(*raw & 0xFFFF);
        const qint64 reading = *raw < 0 ? *raw : record.Raw(word);
        const qint32 low = record.Raw(record.minimum);
        const qint32 high = record.Raw(record.maximum);
        if ((reading < low || reading > high) && !context.IsSet(force)) {
            Error(QStringLiteral("raw value %1 is outside the parameter's limits %2 .. %3; "
                                 "--force writes it all the same")
                      .arg(*raw)
                      .arg(low)
                      .arg(high));
            return kExitUsage;
        }
        record.value = word;
    }
    const CWriteFlow::SOneWrite written = CWriteFlow::WriteOne(context.Link(), tags, type, record);
    if (written.backupRefused) {
        Error(CWriteJournal::RefusalText());
        return kExitFile;
    }
    const CWriteResults::SEntry& entry = CWriteResults::Entry(written.result);
    PrintRecord({QStringLiteral("set"), QString::number(static_cast<int>(written.result)),
                 QString::fromLatin1(entry.cliWord)});
    if (!written.backupPath.isEmpty())
        PrintRecord(
            {QStringLiteral("backup"), Field(QDir::toNativeSeparators(written.backupPath))});
    return entry.exitCode;
}

} // namespace Cli
