#pragma once

#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "doc/CTavrinDoc.h"
#include "link/LinkTestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <vector>

// A document on a link to the simulated controller, with private settings, a scripted
// prompt and the bundled tag file (for trip names).
class OpsSimTest : public SimLinkTest
{
protected:
    // Settings go to a fresh folder before CAppSettings first reads them.
    struct SPrivateSettings
    {
        SPrivateSettings()
        {
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        }
        QTemporaryDir dir;
    };

    void SetUp() override
    {
        SimLinkTest::SetUp();
        ASSERT_TRUE(doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    }

    void Silence(bool silent)
    {
        CSimFaults faults;
        faults.silent = silent;
        sim.SetFaults(faults);
    }

    // The requests the simulator received since the last ClearRequests, decoded.
    std::vector<CLinkRecord> Wire() const
    {
        std::vector<CLinkRecord> records;
        for (const CSimRequest& request : sim.Requests())
            records.push_back(request.Record());
        return records;
    }

    // The requests for `tag` since the last ClearRequests.
    std::vector<CLinkRecord> WireFor(std::uint16_t tag) const
    {
        std::vector<CLinkRecord> records;
        for (const CLinkRecord& r : Wire()) {
            if (r.word1 == tag)
                records.push_back(r);
        }
        return records;
    }

    SPrivateSettings privateSettings;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
};
