#pragma once

// What the benchmarks set up around the code they time: a simulated controller with a link
// open on it, the type-10 parameter table it answers from, settings in a temporary folder
// and a document whose prompt shows nothing.

#include "app/CAppSettings.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

// Starts `sim`, pacing its bytes like 19200 baud 8E2 when `wireSpeed`. False, with the
// benchmark skipped and the reason given, when it does not start.
inline bool StartSim(CControllerSim& sim, bool wireSpeed, benchmark::State& state)
{
    CSimFaults faults;
    faults.wireSpeed = wireSpeed;
    sim.SetFaults(faults);
    if (!sim.Start()) {
        state.SkipWithError("cannot start the simulator");
        return false;
    }
    return true;
}

// StartSim, then `link` opened on the simulator with the controller's line settings.
inline bool StartLinkOnSim(CControllerSim& sim, CControllerLink& link, bool wireSpeed,
                           benchmark::State& state)
{
    if (!StartSim(sim, wireSpeed, state))
        return false;
    link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    if (!link.Open()) {
        state.SkipWithError("cannot open the simulator's port");
        return false;
    }
    return true;
}

// The simulator's model replaced by a type-10 controller without trips that holds every
// parameter `tags` has for its type.
inline void SetType10Model(CControllerSim& sim, const CTagFile& tags)
{
    sim.WithModel([&](CSimModel& m) {
        m = CSimModel();
        m.SetIdentity(EControllerType::TarnPlus);
        m.SetTripCodes(0, 0);
        SimTagTable::AddParameters(m, tags, EControllerType::TarnPlus);
    });
}

#ifdef TAVRIN_BUNDLED_TAG_FILE
// Loads the bundled tag file (a benchmark built with BUNDLED_TAGS). False, with the benchmark
// skipped, when it cannot be read.
inline bool LoadBundledTags(CTagFile& tags, benchmark::State& state)
{
    if (tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok())
        return true;
    state.SkipWithError("cannot load the bundled tag file");
    return false;
}
#endif

// Points QSettings at a temporary folder before CAppSettings first reads it, so that a
// benchmark neither reads nor changes the account's settings.
struct SPrivateSettings
{
    SPrivateSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    QTemporaryDir dir;
};

// Answers no, shows nothing and chooses no file: the flows timed ask no question, and a
// progress window would only add its own cost.
class CQuietPrompt : public IUserPrompt
{
public:
    void Message(const QString&, EIcon, const QString&) override {}
    EAnswer Question(const QString&, EButtons, EIcon) override { return EAnswer::No; }
    bool ConfirmOverwrite() override { return false; }
    std::unique_ptr<IProgress> BeginProgress(const QString&, EProgressKind) override
    {
        return nullptr;
    }
    QString ChooseOpenFile(const QString&, const QString&) override { return {}; }
    QString ChooseSaveFile(const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
};

// A document on a link to a simulator that is not started yet: the benchmark sets the
// simulator's model first, then calls Start, or has StartType10 do both.
template <typename Prompt = CQuietPrompt> struct SDocRig
{
    bool Start(bool wireSpeed, benchmark::State& state)
    {
        return StartLinkOnSim(sim, link, wireSpeed, state);
    }
    // The simulator a type-10 controller of the parameters of the document's tag file.
    bool StartType10(bool wireSpeed, benchmark::State& state)
    {
        SetType10Model(sim, doc.Tags());
        return Start(wireSpeed, state);
    }

    SPrivateSettings privateSettings;
    CAppSettings settings;
    Prompt prompt;
    CControllerSim sim;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};
};
