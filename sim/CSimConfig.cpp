#include "sim/CSimConfig.h"
#include "data/CParameterText.h"

#include "sim/CSimInfoTags.h"
#include "sim/CSimLogs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace SimConfig {
namespace {

// Refuses any key of `object` outside `known`: a misspelt key would otherwise be passed over
// and the simulator run without the setting (or the fault) it was meant to give. `where`
// names the object in the error; empty for the top level. A null name in `known` is skipped.
bool KnownKeysOnly(const QJsonObject& object, std::initializer_list<const char*> known,
                   const QString& where, QString& error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString& key = it.key();
        if (std::none_of(known.begin(), known.end(),
                         [&key](const char* name) { return name && key == QLatin1String(name); })) {
            error = (where.isEmpty() ? QString() : where + QStringLiteral(": ")) +
                    QStringLiteral("unknown key \"%1\"").arg(key);
            return false;
        }
    }
    return true;
}

// A number from a JSON number or a decimal/"0x" string, within [minimum, maximum].
std::optional<qint64> Number(const QJsonValue& value, qint64 minimum, qint64 maximum)
{
    qint64 n = 0;
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (d != static_cast<double>(static_cast<qint64>(d)))
            return std::nullopt;
        n = static_cast<qint64>(d);
    } else if (value.isString()) {
        QString text = value.toString().trimmed();
        bool ok = false;
        const bool negative = text.startsWith(QLatin1Char('-'));
        if (negative)
            text.remove(0, 1);
        n = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                ? text.mid(2).toLongLong(&ok, 16)
                : text.toLongLong(&ok, 10);
        if (!ok)
            return std::nullopt;
        if (negative)
            n = -n;
    } else {
        return std::nullopt;
    }
    if (n < minimum || n > maximum)
        return std::nullopt;
    return n;
}

// A 16-bit word: 0..65535, or -32768..-1 as two's complement.
std::optional<std::uint16_t> Word(const QJsonValue& value)
{
    const auto n = Number(value, -32768, 0xFFFF);
    if (!n)
        return std::nullopt;
    return static_cast<std::uint16_t>(*n & 0xFFFF);
}

std::optional<std::uint8_t> FlagBit(const QString& name)
{
    static const std::pair<const char*, std::uint8_t> names[] = {
        {"invert", LinkProtocol::kStatusInvert},
        {"signed", LinkProtocol::kStatusSigned},
        {"foreground", LinkProtocol::kStatusForeground},
        {"wrap", LinkProtocol::kStatusWrap},
        {"supported", LinkProtocol::kStatusSupported},
        {"readonly", LinkProtocol::kStatusReadOnly},
        {"volatile", LinkProtocol::kStatusVolatile},
        {"tempunavailable", LinkProtocol::kStatusTempUnavailable},
    };
    QString key = name.toLower();
    key.remove(QLatin1Char(' ')).remove(QLatin1Char('.')).remove(QLatin1Char('_'));
    for (const auto& [text, bit] : names) {
        if (key == QLatin1String(text))
            return bit;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> Flags(const QJsonValue& value)
{
    if (!value.isArray()) {
        const auto n = Number(value, 0, 0xFF);
        return n ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*n)) : std::nullopt;
    }
    std::uint8_t flags = 0;
    for (const QJsonValue& item : value.toArray()) {
        const auto bit = FlagBit(item.toString());
        if (!bit)
            return std::nullopt;
        flags |= *bit;
    }
    return flags;
}

const std::pair<const char*, std::uint8_t> kQuantities[] = {
    {"value", 0},   {"maximum", 2}, {"minimum", 3}, {"scale", 4},
    {"divisor", 5}, {"step", 6},    {"shift", 7},
};

std::uint16_t* QuantityField(CSimTag& tag, std::uint8_t extension)
{
    switch (extension) {
    case 0:
        return &tag.value;
    case 2:
        return &tag.maximum;
    case 3:
        return &tag.minimum;
    case 4:
        return &tag.scale;
    case 5:
        return &tag.divisor;
    case 6:
        return &tag.step;
    case 7:
        return &tag.shift;
    default:
        return nullptr;
    }
}

bool ApplyTag(std::uint16_t number, const QJsonValue& entry, CSimModel& model, QString& error)
{
    const QString where = QStringLiteral("tag 0x%1").arg(HexWord(number, EHexCase::Lower));
    if (entry.isNull()) {
        model.RemoveTag(number);
        return true;
    }
    if (!entry.isObject()) {
        error = where + QStringLiteral(": expected an object or null");
        return false;
    }
    const QJsonObject object = entry.toObject();
    if (!KnownKeysOnly(object,
                       {"value", "maximum", "minimum", "scale", "divisor", "step", "shift",
                        "default", "flags", "unsupported"},
                       where, error))
        return false;
    CSimTag tag = model.Tag(number) ? *model.Tag(number) : CSimTag{};
    for (const auto& [name, extension] : kQuantities) {
        const QString key = QString::fromLatin1(name);
        if (!object.contains(key))
            continue;
        const auto word = Word(object.value(key));
        if (!word) {
            error = where + QStringLiteral(": \"%1\" is not a 16-bit number").arg(key);
            return false;
        }
        *QuantityField(tag, extension) = *word;
    }
    if (object.contains(QStringLiteral("default"))) {
        const auto word = Word(object.value(QStringLiteral("default")));
        if (!word) {
            error = where + QStringLiteral(": \"default\" is not a 16-bit number");
            return false;
        }
        model.SetDefault(number, *word);
    }
    if (object.contains(QStringLiteral("flags"))) {
        const auto flags = Flags(object.value(QStringLiteral("flags")));
        if (!flags) {
            error = where + QStringLiteral(": bad \"flags\"");
            return false;
        }
        tag.flags = *flags;
    }
    if (object.contains(QStringLiteral("unsupported"))) {
        tag.unsupportedAttributes = 0;
        for (const QJsonValue& item : object.value(QStringLiteral("unsupported")).toArray()) {
            bool known = false;
            for (const auto& [name, extension] : kQuantities) {
                if (extension >= 2 && item.toString() == QLatin1String(name)) {
                    tag.unsupportedAttributes |= static_cast<std::uint8_t>(1u << extension);
                    known = true;
                }
            }
            if (!known) {
                error = where + QStringLiteral(": unknown quantity \"%1\" in \"unsupported\"")
                                    .arg(item.toString());
                return false;
            }
        }
    }
    model.SetTag(number, tag);
    return true;
}

bool ApplyEeprom(const QJsonObject& eeprom, CSimModel& model, QString& error)
{
    if (!KnownKeysOnly(eeprom, {"size", "fill", "bytes", "stuck"}, QStringLiteral("eeprom"), error))
        return false;
    if (eeprom.contains(QStringLiteral("size"))) {
        const auto size = Number(eeprom.value(QStringLiteral("size")), 0, 0x10000);
        if (!size) {
            error = QStringLiteral("eeprom: \"size\" must be 0..65536");
            return false;
        }
        model.Eeprom().resize(static_cast<std::size_t>(*size));
    }
    if (eeprom.contains(QStringLiteral("fill"))) {
        const auto fill = Number(eeprom.value(QStringLiteral("fill")), 0, 0xFF);
        if (!fill) {
            error = QStringLiteral("eeprom: \"fill\" must be a byte");
            return false;
        }
        std::fill(model.Eeprom().begin(), model.Eeprom().end(), static_cast<std::uint8_t>(*fill));
    }
    const QJsonObject bytes = eeprom.value(QStringLiteral("bytes")).toObject();
    for (auto it = bytes.begin(); it != bytes.end(); ++it) {
        const auto start = Number(QJsonValue(it.key()), 0, 0xFFFF);
        if (!start) {
            error = QStringLiteral("eeprom: bad address \"%1\"").arg(it.key());
            return false;
        }
        qint64 address = *start;
        for (const QJsonValue& item : it.value().toArray()) {
            const auto byte = Number(item, 0, 0xFF);
            if (!byte || address >= static_cast<qint64>(model.Eeprom().size())) {
                error = QStringLiteral("eeprom: bad byte or address beyond the EEPROM at %1")
                            .arg(address);
                return false;
            }
            model.Eeprom()[static_cast<std::size_t>(address++)] = static_cast<std::uint8_t>(*byte);
        }
    }
    for (const QJsonValue& item : eeprom.value(QStringLiteral("stuck")).toArray()) {
        const auto address = Number(item, 0, 0xFFFF);
        if (!address) {
            error = QStringLiteral("eeprom: bad \"stuck\" address");
            return false;
        }
        model.SetEepromStuck(static_cast<std::uint16_t>(*address));
    }
    return true;
}

// "logs": { "system": [[code, count], ...], "control": [...] }
bool ApplyLogs(const QJsonObject& logs, CSimModel& model, QString& error)
{
    const std::pair<const char*, CSimLogs::ELog> kinds[] = {{"system", CSimLogs::ELog::System},
                                                            {"control", CSimLogs::ELog::Control}};
    if (!KnownKeysOnly(logs, {"system", "control"}, QStringLiteral("logs"), error))
        return false;
    for (const auto& [name, kind] : kinds) {
        if (!logs.contains(QString::fromLatin1(name)))
            continue;
        const QJsonArray entries = logs.value(QString::fromLatin1(name)).toArray();
        if (entries.size() > LinkProtocol::kLogEntries) {
            error = QStringLiteral("logs: at most %1 entries").arg(LinkProtocol::kLogEntries);
            return false;
        }
        std::vector<std::pair<std::uint16_t, std::uint16_t>> pairs;
        for (const QJsonValue& entry : entries) {
            const QJsonArray pair = entry.toArray();
            const auto code = Word(pair.at(0));
            const auto count = Word(pair.at(1));
            if (pair.size() != 2 || !code || !count) {
                error = QStringLiteral("logs: each entry is [code, count]");
                return false;
            }
            pairs.emplace_back(*code, *count);
        }
        model.Logs().SetEntries(kind, pairs);
    }
    return true;
}

// "tilt": { "reading": "0x0123", "offset": 0, "refuseZero": false }
bool ApplyTilt(const QJsonObject& tilt, CSimModel& model, QString& error)
{
    if (!KnownKeysOnly(tilt, {"reading", "offset", "refuseZero"}, QStringLiteral("tilt"), error))
        return false;
    CSimTilt& sensor = model.Tilt();
    sensor.present = true;
    const std::pair<const char*, std::uint16_t*> words[] = {{"reading", &sensor.reading},
                                                            {"offset", &sensor.offset}};
    for (const auto& [name, field] : words) {
        if (!tilt.contains(QString::fromLatin1(name)))
            continue;
        const auto word = Word(tilt.value(QString::fromLatin1(name)));
        if (!word) {
            error = QStringLiteral("tilt: \"%1\" is not a 16-bit number").arg(QLatin1String(name));
            return false;
        }
        *field = *word;
    }
    sensor.refuseZero = tilt.value(QStringLiteral("refuseZero")).toBool();
    return true;
}

// "timers": { "hours": { "0x18A1": 1520, "0x40A1": null }, "programmable": true,
//             "secondsPerHour": 60 }
bool ApplyTimers(const QJsonObject& timers, CSimModel& model, QString& error)
{
    if (!KnownKeysOnly(timers, {"hours", "programmable", "secondsPerHour"},
                       QStringLiteral("timers"), error))
        return false;
    CSimTimers& counters = model.Timers();
    const QJsonObject hours = timers.value(QStringLiteral("hours")).toObject();
    for (auto it = hours.begin(); it != hours.end(); ++it) {
        const auto tag = Number(QJsonValue(it.key()), 0, 0xFFFF);
        if (!tag) {
            error = QStringLiteral("timers: bad tag \"%1\"").arg(it.key());
            return false;
        }
        if (it.value().isNull()) {
            counters.Remove(static_cast<std::uint16_t>(*tag));
            continue;
        }
        const auto count = Number(it.value(), 0, 0xFFFF);
        if (!count) {
            error = QStringLiteral("timers: hours of %1 must be 0..65535").arg(it.key());
            return false;
        }
        counters.SetHours(static_cast<std::uint16_t>(*tag), static_cast<std::uint16_t>(*count));
    }
    if (timers.contains(QStringLiteral("programmable"))) {
        const QJsonValue offered = timers.value(QStringLiteral("programmable"));
        if (!offered.isBool()) {
            error = QStringLiteral("timers: \"programmable\" must be true or false");
            return false;
        }
        counters.Programmable().offered = offered.toBool();
    }
    if (timers.contains(QStringLiteral("secondsPerHour"))) {
        const double seconds = timers.value(QStringLiteral("secondsPerHour")).toDouble(-1);
        if (!(seconds > 0)) {
            error = QStringLiteral("timers: \"secondsPerHour\" must be a number above 0");
            return false;
        }
        counters.SetSecondsPerHour(seconds);
    }
    return true;
}

// One channel of "adc": a number (a fixed value), "unsupported", "silent", or an object
// naming its waveform with that waveform's numbers.
bool AdcChannel(const QJsonValue& entry, CSimAdc::SChannel& channel, QString& error)
{
    using EWaveform = CSimAdc::EWaveform;
    if (entry.isString() && entry.toString() == QLatin1String("unsupported")) {
        channel.answer = CSimAdc::EAnswer::Unsupported;
        return true;
    }
    if (entry.isString() && entry.toString() == QLatin1String("silent")) {
        channel.answer = CSimAdc::EAnswer::Silent;
        return true;
    }
    if (!entry.isObject()) {
        const auto value = Number(entry, -32768, 32767);
        if (!value) {
            error = QStringLiteral("a number, \"unsupported\", \"silent\", null or an object");
            return false;
        }
        channel.base = static_cast<double>(*value);
        return true;
    }
    // The waveforms and the names of their numbers: value at rest, change at full load, lag.
    struct SShape
    {
        const char* name;
        EWaveform waveform;
        const char* base;
        const char* swing;
    };
    static const SShape kShapes[] = {
        {"constant", EWaveform::Constant, "value", nullptr},
        {"ramp", EWaveform::Ramp, "low", "high"},
        {"sag", EWaveform::Sag, "nominal", "sag"},
        {"drift", EWaveform::Drift, "start", "rise"},
    };
    const QJsonObject object = entry.toObject();
    const QString name = object.value(QStringLiteral("waveform")).toString();
    const auto shape = std::find_if(std::begin(kShapes), std::end(kShapes),
                                    [&](const SShape& s) { return name == QLatin1String(s.name); });
    if (shape == std::end(kShapes)) {
        error = QStringLiteral("\"waveform\" must be constant, ramp, sag or drift");
        return false;
    }
    // Only the numbers of the waveform named: "high" on a sag would be a mistake.
    if (!KnownKeysOnly(object, {"waveform", shape->base, shape->swing, "seconds"}, QString(),
                       error))
        return false;
    auto number = [&](const char* key, double& out) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isDouble() || std::abs(value.toDouble()) > 32767) {
            error =
                QStringLiteral("\"%1\" must be a number of -32767..32767").arg(QLatin1String(key));
            return false;
        }
        out = value.toDouble();
        return true;
    };
    channel.waveform = shape->waveform;
    if (!number(shape->base, channel.base))
        return false;
    if (shape->swing) {
        double given = 0;
        if (!number(shape->swing, given))
            return false;
        if (shape->waveform == EWaveform::Ramp)
            channel.swing = given - channel.base; // "high" is the value at full load
        else if (shape->waveform == EWaveform::Sag)
            channel.swing = -given; // "sag" is the drop under sustained full load
        else
            channel.swing = given;
    }
    if (object.contains(QStringLiteral("seconds")) &&
        (!number("seconds", channel.seconds) || channel.seconds < 0)) {
        error = QStringLiteral("\"seconds\" must be 0 or more");
        return false;
    }
    return true;
}

// "adc": { "cycle": { "rest": 4, "rise": 3, "hold": 6, "fall": 3 },
//          "channels": { "0x0180": { "waveform": "sag", ... }, "0x0181": 128, ... } }
bool ApplyAdc(const QJsonObject& adc, CSimModel& model, QString& error)
{
    if (!KnownKeysOnly(adc, {"cycle", "channels"}, QStringLiteral("adc"), error))
        return false;
    if (adc.contains(QStringLiteral("cycle"))) {
        const QJsonObject phases = adc.value(QStringLiteral("cycle")).toObject();
        if (!KnownKeysOnly(phases, {"rest", "rise", "hold", "fall"}, QStringLiteral("adc: cycle"),
                           error))
            return false;
        CSimAdc::SCycle cycle = model.Adc().Cycle();
        const std::pair<const char*, double*> fields[] = {{"rest", &cycle.restSeconds},
                                                          {"rise", &cycle.riseSeconds},
                                                          {"hold", &cycle.holdSeconds},
                                                          {"fall", &cycle.fallSeconds}};
        for (const auto& [key, field] : fields) {
            const QJsonValue value = phases.value(QLatin1String(key));
            if (value.isUndefined())
                continue;
            if (!value.isDouble() || value.toDouble() < 0) {
                error = QStringLiteral("adc: cycle \"%1\" must be 0 or more seconds")
                            .arg(QLatin1String(key));
                return false;
            }
            *field = value.toDouble();
        }
        model.Adc().SetCycle(cycle);
    }
    const QJsonObject channels = adc.value(QStringLiteral("channels")).toObject();
    for (auto it = channels.begin(); it != channels.end(); ++it) {
        const auto tag = Number(QJsonValue(it.key()), 0, 0xFFFF);
        if (!tag) {
            error = QStringLiteral("adc: bad tag \"%1\"").arg(it.key());
            return false;
        }
        if (it.value().isNull()) {
            model.Adc().Remove(static_cast<std::uint16_t>(*tag));
            continue;
        }
        CSimAdc::SChannel channel;
        if (!AdcChannel(it.value(), channel, error)) {
            error = QStringLiteral("adc: channel %1: ").arg(it.key()) + error;
            return false;
        }
        model.Adc().SetChannel(static_cast<std::uint16_t>(*tag), channel);
    }
    return true;
}

// "versions": { "10": [major, minor], "12": [...], "14": [...] }
bool ApplyVersions(const QJsonObject& versions, CSimModel& model, QString& error)
{
    for (auto it = versions.begin(); it != versions.end(); ++it) {
        const auto tag = Number(QJsonValue(it.key()), 0, 0xFFFE);
        const QJsonArray pair = it.value().toArray();
        const auto major = Word(pair.at(0));
        const auto minor = Word(pair.at(1));
        if (!tag || pair.size() != 2 || !major || !minor) {
            error = QStringLiteral("versions: each entry is \"tag\": [major, minor]");
            return false;
        }
        CSimInfoTags::SetVersion(model, static_cast<std::uint16_t>(*tag), *major, *minor);
    }
    return true;
}

} // namespace

bool Apply(const QJsonObject& config, CSimModel& model, QString& error)
{
    if (!KnownKeysOnly(config,
                       {"type", "identificationCode", "tags", "tripCodes", "status", "logs", "tilt",
                        "timers", "adc", "versions", "programChecksum", "eeprom", "checksum"},
                       QString(), error))
        return false;
    if (config.contains(QStringLiteral("type"))) {
        const auto type = Number(config.value(QStringLiteral("type")), 0, kControllerTypeCount - 1);
        if (!type || !model.SetIdentity(ControllerTypeFromNumber(*type))) {
            error = QStringLiteral("\"type\" must be 0..18, 30 or 31");
            return false;
        }
    }
    if (config.contains(QStringLiteral("identificationCode"))) {
        const auto code = Word(config.value(QStringLiteral("identificationCode")));
        if (!code) {
            error = QStringLiteral("\"identificationCode\" is not a 16-bit number");
            return false;
        }
        model.SetIdentificationCode(*code);
    }
    bool valuesChanged = false;
    const QJsonObject tags = config.value(QStringLiteral("tags")).toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const auto number = Number(QJsonValue(it.key()), 0, 0xFFFF);
        if (!number) {
            error = QStringLiteral("bad tag number \"%1\"").arg(it.key());
            return false;
        }
        if (!ApplyTag(static_cast<std::uint16_t>(*number), it.value(), model, error))
            return false;
        valuesChanged = true;
    }
    if (config.contains(QStringLiteral("tripCodes"))) {
        const QJsonArray trips = config.value(QStringLiteral("tripCodes")).toArray();
        const auto first = Word(trips.at(0));
        const auto second = Word(trips.at(1));
        if (trips.size() != 2 || !first || !second) {
            error = QStringLiteral("\"tripCodes\" must be two 16-bit numbers");
            return false;
        }
        model.SetTripCodes(*first, *second);
    }
    if (config.contains(QStringLiteral("status"))) {
        const QJsonObject status = config.value(QStringLiteral("status")).toObject();
        if (!KnownKeysOnly(status, {"firmware", "battery"}, QStringLiteral("status"), error))
            return false;
        const auto firmware = Number(status.value(QStringLiteral("firmware")), 0, 0xFF);
        const auto battery = Number(status.value(QStringLiteral("battery")), 0, 0xFF);
        if (!firmware || !battery) {
            error = QStringLiteral("\"status\" needs \"firmware\" and \"battery\" bytes");
            return false;
        }
        model.SetStatus(static_cast<std::uint8_t>(*firmware), static_cast<std::uint8_t>(*battery));
    }
    if (config.contains(QStringLiteral("logs")) &&
        !ApplyLogs(config.value(QStringLiteral("logs")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("tilt")) &&
        !ApplyTilt(config.value(QStringLiteral("tilt")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("timers")) &&
        !ApplyTimers(config.value(QStringLiteral("timers")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("adc")) &&
        !ApplyAdc(config.value(QStringLiteral("adc")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("versions")) &&
        !ApplyVersions(config.value(QStringLiteral("versions")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("programChecksum"))) {
        const auto word = Word(config.value(QStringLiteral("programChecksum")));
        if (!word) {
            error = QStringLiteral("\"programChecksum\" is not a 16-bit number");
            return false;
        }
        CSimInfoTags::SetProgramChecksum(model, *word);
    }
    if (config.contains(QStringLiteral("eeprom")) &&
        !ApplyEeprom(config.value(QStringLiteral("eeprom")).toObject(), model, error))
        return false;
    if (config.contains(QStringLiteral("checksum"))) {
        const auto checksum = Word(config.value(QStringLiteral("checksum")));
        if (!checksum) {
            error = QStringLiteral("\"checksum\" is not a 16-bit number");
            return false;
        }
        model.SetChecksumWord(*checksum);
    } else if (valuesChanged) {
        model.ResetChecksum();
    }
    return true;
}

bool ApplyFile(const QString& path, CSimModel& model, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("%1: not a JSON object (%2 at offset %3)")
                    .arg(path, parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    return Apply(document.object(), model, error);
}

} // namespace SimConfig
