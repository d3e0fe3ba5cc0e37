#pragma once

#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "common/SimModelEdits.h"
#include "common/SimRecords.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/params/CReadFlow.h"
#include "sim/CControllerSim.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

// A simulated type-10 controller whose parameter table comes from the bundled tag file, a
// link on its pseudo-terminal, and a document with that tag file loaded.
class FlowTest : public ::testing::Test
{
protected:
    static constexpr EControllerType kType = EControllerType::TarnPlus;

    void SetUp() override
    {
        ASSERT_TRUE(doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
        sim.WithModel([this](CSimModel& m) { m = ModelWithTagFile(doc.Tags(), kType); });
        ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
        link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
        ASSERT_TRUE(link.Open());
        doc.SetLinkReady(true);
    }

    // The set the write and compare tests start from: every parameter read from the
    // simulator, then that read's requests and equality-pane signals forgotten, so that a
    // test sees only what it causes itself. `allWritable`: no parameter is read only.
    void ReadWholeSet(bool allWritable)
    {
        if (allWritable)
            sim.WithModel([](CSimModel& m) { MakeAllWritable(m); });
        ASSERT_TRUE(CReadFlow::Run(doc).Complete());
        sim.ClearRequests();
        equality.clear();
    }

    // Tags of the tag list that apply to type 10, in file order.
    std::vector<std::uint16_t> ApplyingTags() const
    {
        std::vector<std::uint16_t> out;
        for (const auto& tag : doc.Tags().Tags()) {
            if (tag->AppliesToType(kType))
                out.push_back(tag->tag);
        }
        return out;
    }

    std::vector<std::uint16_t> RecordTags() const
    {
        std::vector<std::uint16_t> out;
        for (const auto& record : doc.Parameters().Parameters())
            out.push_back(record->tagNumber);
        return out;
    }

    // Requests the simulator received for `tag` with the given control byte (1 read, 0 write)
    // and extension.
    int RequestsFor(std::uint16_t tag, std::uint8_t control, std::uint8_t extension = 0) const
    {
        int count = 0;
        for (const CSimRequest& request : sim.Requests()) {
            const CLinkRecord r = request.Record();
            count += r.word1 == tag && r.control == control && r.extension == extension;
        }
        return count;
    }

    // Answers from a private copy of the current model, except that `hook` may change the
    // answer: it gets the request and the model's reply and returns what to send (nullopt:
    // silence).
    using Hook =
        std::function<std::optional<CLinkRecord>(const CLinkRecord& request, CSimModel& model)>;
    void AnswerThrough(Hook hook)
    {
        auto model = std::make_shared<CSimModel>();
        sim.WithModel([&](CSimModel& m) { *model = m; });
        sim.SetResponder([model, hook](const CLinkRecord& request) -> std::optional<QByteArray> {
            return ReplyBytes(hook(request, *model));
        });
    }

    CControllerSim sim; // declared first: outlives the link
    CControllerLink link;
    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
    QSignalSpy equality{&doc, &CTavrinDoc::EqualityPaneRequested};
    QSignalSpy status{&doc, &CTavrinDoc::StatusMessageRequested};
    QSignalSpy views{&doc, &CTavrinDoc::ViewsUpdateRequested};
};

inline std::vector<bool> Emitted(const QSignalSpy& spy)
{
    std::vector<bool> out;
    for (const QList<QVariant>& args : spy)
        out.push_back(args.at(0).toBool());
    return out;
}

inline std::vector<int> EmittedInts(const QSignalSpy& spy)
{
    std::vector<int> out;
    for (const QList<QVariant>& args : spy)
        out.push_back(args.at(0).toInt());
    return out;
}
