// tavrin-sim: a simulated motor controller on a pseudo-terminal.
#include "data/CTagFile.h"
#include "sim/CControllerSim.h"
#include "sim/CSimConfig.h"
#include "sim/CSimTagTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <limits>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A whole number of 0 or more (at most `maximum`) for option `name`, when it is given.
bool ParseCount(const QCommandLineParser& parser, const QString& name, int& out,
                int maximum = std::numeric_limits<int>::max())
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    out = parser.value(name).toInt(&ok, 0);
    if (!ok || out < 0 || out > maximum) {
        if (maximum == std::numeric_limits<int>::max())
            std::fprintf(stderr, "tavrin-sim: --%s needs a whole number of 0 or more\n",
                         qPrintable(name));
        else
            std::fprintf(stderr, "tavrin-sim: --%s needs a whole number from 0 to %d\n",
                         qPrintable(name), maximum);
        return false;
    }
    return true;
}

bool ParseProbability(const QCommandLineParser& parser, const QString& name, double& out)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    out = parser.value(name).toDouble(&ok);
    if (!ok || !(out >= 0.0 && out <= 1.0)) {
        std::fprintf(stderr, "tavrin-sim: --%s needs a probability from 0 to 1\n",
                     qPrintable(name));
        return false;
    }
    return true;
}

bool ParseHexBytes(const QString& text, QByteArray& out)
{
    const QString compact = QString(text).remove(QLatin1Char(' ')).remove(QLatin1Char(':'));
    if (compact.size() % 2 != 0)
        return false;
    for (qsizetype i = 0; i < compact.size(); i += 2) {
        bool ok = false;
        const int byte = compact.mid(i, 2).toInt(&ok, 16);
        if (!ok)
            return false;
        out.append(static_cast<char>(byte));
    }
    return true;
}

enum class EPathKind
{
    Missing,
    SymbolicLink,
    Other
};

EPathKind PathKind(const QString& path)
{
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return EPathKind::Missing;
    return S_ISLNK(info.st_mode) ? EPathKind::SymbolicLink : EPathKind::Other;
}

void RemoveIfSymbolicLink(const QString& path)
{
    if (PathKind(path) == EPathKind::SymbolicLink)
        ::unlink(QFile::encodeName(path).constData());
}

} // namespace

int main(int argc, char* argv[])
{
    // SIGINT and SIGTERM are taken by sigwait below; block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated motor controller. Serves a pseudo-terminal, prints its device path on the\n"
        "first line of standard output, and answers 10-byte request frames until it gets\n"
        "SIGINT or SIGTERM. Every valid request is answered with a reply frame that echoes\n"
        "its extension and word 1; a tag the controller does not have is answered with\n"
        "word 1 zero. It also answers the status tag 0xFFFF (firmware byte, battery\n"
        "reading), trip codes (tags 32 and 48) and EEPROM bytes (extension 0x81).\n\n"
        "The parameter table is built from a tag file (--tags, default: the bundled\n"
        "TagList0001.tag in ../share beside this program): every tag that applies to the\n"
        "controller type, with plausible, deterministic values, limits and scaling.\n"
        "Without a tag file a small built-in table (tags 0x1000 to 0x1004) is used.\n\n"
        "--type picks the controller family that identification will find: 0..18 by the\n"
        "identification code on tag 8 (9 and 10 told apart by tag 64), 30 and 31 as\n"
        "sub-types of 14 on tag 9, 5 and 6 as the older family without tag 8. For a\n"
        "controller that answers nothing use --silent; for an unmapped identification\n"
        "code use a --config file with \"identificationCode\". --config FILE overrides\n"
        "tags, flags, attributes without Supported, trip codes, status and EEPROM\n"
        "contents (see sim/CSimConfig.h for the format).\n\n"
        "Service timers: the hour counters of the family (tags 0x00C0, 0x18A1, 0x4401,\n"
        "0x40A1) count one hour per 3600 s of running and clear on a write of (0, 0);\n"
        "types 9 and 10 offer the programmable times at tag 0x4405. A config's\n"
        "\"timers\" object sets starting hours by tag (null: absent), \"programmable\"\n"
        "and \"secondsPerHour\" (a shorter hour lets a demonstration watch them count).\n\n"
        "The EEPROM has the family's size: 128 bytes for types 0..6, 256 for 8 and 9,\n"
        "512 for 10, 1024 for 12, 14, 15, 30 and 31, 256 for the others; an address\n"
        "beyond it is answered word 1 zero. In --config, \"eeprom\": {\"size\": N} sets\n"
        "another size, \"fill\" and \"bytes\" the contents, and \"stuck\": [addresses]\n"
        "worn cells that acknowledge writes but keep their byte.\n\n"
        "Live ADC values (extension 0x98): the channels the bundled channel file lists\n"
        "for the type (tags 0x0180..0x0188), moving with a repeated drive cycle: the\n"
        "throttle ramps up and down, motor currents follow it, the battery voltage sags\n"
        "under load and recovers, temperatures drift slowly. Any other tag is answered\n"
        "\"no such tag\". A config's \"adc\" object sets the cycle's phases and, per tag,\n"
        "a waveform (\"constant\", \"ramp\", \"sag\", \"drift\" with its numbers), a\n"
        "fixed value, \"unsupported\" (answered without Supported), \"silent\" (never\n"
        "answered) or null (no such channel).\n\n"
        "Faults count answered requests from 1; N = 0 switches a fault off. Random faults\n"
        "(--random-*) take a probability from 0 to 1 per reply, drawn from a generator seeded\n"
        "with --seed, so a run can be replayed; a late reply waits 60 to 150 ms."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("type"), QStringLiteral("Controller type to simulate (default 9)."),
         QStringLiteral("N")},
        {QStringLiteral("tags"), QStringLiteral("Tag file to build the parameter table from."),
         QStringLiteral("file")},
        {QStringLiteral("config"), QStringLiteral("JSON file with overrides."),
         QStringLiteral("file")},
        {QStringLiteral("link"),
         QStringLiteral("Also make a symbolic link at <path> to the device."),
         QStringLiteral("path")},
        {QStringLiteral("silent"), QStringLiteral("Record requests but never answer.")},
        {QStringLiteral("drop-every"), QStringLiteral("Drop the reply to every Nth request."),
         QStringLiteral("N")},
        {QStringLiteral("bad-checksum-every"),
         QStringLiteral("Corrupt the checksum of every Nth reply."), QStringLiteral("N")},
        {QStringLiteral("wrong-echo-every"),
         QStringLiteral("Answer every Nth request with a valid frame for another word 1."),
         QStringLiteral("N")},
        {QStringLiteral("echo"), QStringLiteral("Echo each request's 10 bytes before the reply.")},
        {QStringLiteral("stray"),
         QStringLiteral("Send these bytes (hex, e.g. \"72 00 13\") before every reply."),
         QStringLiteral("hex")},
        {QStringLiteral("delay"), QStringLiteral("Wait <ms> milliseconds before each reply."),
         QStringLiteral("ms")},
        {QStringLiteral("wire-speed"),
         QStringLiteral("Pace requests and replies like 19200 baud 8E2 (0.625 ms a byte).")},
        {QStringLiteral("adapter-latency"),
         QStringLiteral("Hold each reply until the next multiple of <ms> milliseconds after "
                        "its last byte, as a USB serial adapter's latency timer does (16 ms on "
                        "FTDI adapters); 0 to 1000, default 0 (none)."),
         QStringLiteral("ms")},
        {QStringLiteral("random-drop"), QStringLiteral("Drop a reply with probability <p>."),
         QStringLiteral("p")},
        {QStringLiteral("random-bad-checksum"),
         QStringLiteral("Corrupt a reply's checksum with probability <p>."), QStringLiteral("p")},
        {QStringLiteral("random-stray"),
         QStringLiteral("Send 1 to 3 random bytes before a reply with probability <p>."),
         QStringLiteral("p")},
        {QStringLiteral("random-late"),
         QStringLiteral("Hold a reply back 60 to 150 ms with probability <p>."),
         QStringLiteral("p")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random faults (default 1)."),
         QStringLiteral("N")},
    });
    parser.process(app);

    CSimFaults faults;
    faults.silent = parser.isSet(QStringLiteral("silent"));
    faults.echoRequest = parser.isSet(QStringLiteral("echo"));
    faults.wireSpeed = parser.isSet(QStringLiteral("wire-speed"));
    if (!ParseCount(parser, QStringLiteral("drop-every"), faults.dropEvery) ||
        !ParseCount(parser, QStringLiteral("bad-checksum-every"), faults.badChecksumEvery) ||
        !ParseCount(parser, QStringLiteral("wrong-echo-every"), faults.wrongEchoEvery) ||
        !ParseCount(parser, QStringLiteral("delay"), faults.delayMs) ||
        !ParseCount(parser, QStringLiteral("adapter-latency"), faults.adapterLatencyMs, 1000))
        return 1;
    for (const auto& [name, target] : {std::pair{"random-drop", &faults.random.drop},
                                       std::pair{"random-bad-checksum", &faults.random.badChecksum},
                                       std::pair{"random-stray", &faults.random.stray},
                                       std::pair{"random-late", &faults.random.late}}) {
        if (!ParseProbability(parser, QString::fromLatin1(name), *target))
            return 1;
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        faults.random.seed = parser.value(QStringLiteral("seed")).toUInt(&ok, 0);
        if (!ok) {
            std::fprintf(stderr, "tavrin-sim: --seed needs a whole number of 0 or more\n");
            return 1;
        }
    }
    if (parser.isSet(QStringLiteral("stray")) &&
        !ParseHexBytes(parser.value(QStringLiteral("stray")), faults.strayBytes)) {
        std::fprintf(stderr, "tavrin-sim: --stray needs hexadecimal byte pairs\n");
        return 1;
    }

    EControllerType type = EControllerType::Tarn;
    if (parser.isSet(QStringLiteral("type"))) {
        bool ok = false;
        const int number = parser.value(QStringLiteral("type")).toInt(&ok, 0);
        ok = ok && number >= 0 && number < static_cast<int>(kControllerTypeCount);
        type = ControllerTypeFromNumber(ok ? number : 0);
        if (!ok || !CSimModel().SetIdentity(type)) {
            std::fprintf(stderr, "tavrin-sim: --type must be 0..18, 30 or 31\n");
            return 1;
        }
    }
    const bool tagsGiven = parser.isSet(QStringLiteral("tags"));
    const QString tagsPath = tagsGiven ? parser.value(QStringLiteral("tags"))
                                       : QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/../share/TagList0001.tag");
    CSimModel model;
    CTagFile tagFile;
    if (QFile::exists(tagsPath)) {
        const CTagLoadResult loaded = tagFile.LoadTagFile(tagsPath);
        if (!loaded.Ok()) {
            std::fprintf(stderr, "tavrin-sim: %s\n", qPrintable(loaded.message));
            return 1;
        }
        model.SetIdentity(type);
        model.SetTripCodes(0, 0);
        SimTagTable::AddParameters(model, tagFile, type);
    } else if (tagsGiven) {
        std::fprintf(stderr, "tavrin-sim: no tag file at %s\n", qPrintable(tagsPath));
        return 1;
    } else {
        model = CSimModel::DefaultController();
        model.SetIdentity(type);
    }
    if (parser.isSet(QStringLiteral("config"))) {
        QString error;
        if (!SimConfig::ApplyFile(parser.value(QStringLiteral("config")), model, error)) {
            std::fprintf(stderr, "tavrin-sim: %s\n", qPrintable(error));
            return 1;
        }
    }

    // The link may replace an earlier link (a stale one from a run that was killed), but
    // never a file: a mistyped path must not cost the user a file.
    const QString link = parser.value(QStringLiteral("link"));
    if (!link.isEmpty()) {
        if (PathKind(link) == EPathKind::Other) {
            std::fprintf(stderr,
                         "tavrin-sim: %s exists and is not a symbolic link; not replacing it\n",
                         qPrintable(link));
            return 1;
        }
    }

    CControllerSim sim(std::move(model));
    sim.SetFaults(faults);
    if (!sim.Start()) {
        std::fprintf(stderr, "tavrin-sim: %s\n", qPrintable(sim.ErrorString()));
        return 1;
    }

    if (!link.isEmpty()) {
        RemoveIfSymbolicLink(link);
        if (::symlink(QFile::encodeName(sim.SlavePath()).constData(),
                      QFile::encodeName(link).constData()) != 0) {
            std::fprintf(stderr, "tavrin-sim: cannot create the link %s\n", qPrintable(link));
            return 1;
        }
    }

    std::printf("%s\n", qPrintable(sim.SlavePath()));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.Stop();
    if (!link.isEmpty())
        RemoveIfSymbolicLink(link);
    return 0;
}
