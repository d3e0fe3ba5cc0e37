#pragma once

#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

// A document with private settings and the bundled tag file, whose parameter set the tests
// build by hand. Tags used (types 9 and 10 unless noted): 0x0100 "Acceleration Delay"
// (group 12, centiseconds), 0x0116 "Seat Switch Delay" (4, seconds), 0x0105 "Drive Current
// Limit" (3, amps), 0x0129 "Profile 1 Max Speed" (7, percent), 0x012A "Profile 1
// Acceleration" (7), 0x0145 "Parameter Set Version" (group 0), 0x0122 "Detergent Dose"
// (22, type 9 only), 16480 "Brush Motor Mode" (18, option texts).
class ViewTestDoc : public ::testing::Test
{
protected:
    static constexpr quint16 kType = 10;

    void SetUp() override
    {
        ASSERT_TRUE(doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    }

    // Replaces the set with one record per tag, in this order: value `value`, scale 1,
    // div 1, no shift.
    void SetParameters(std::initializer_list<quint16> tags, quint16 value = 5, quint16 type = kType)
    {
        CParameterSet& set = doc.Parameters();
        set.Clear();
        set.SetDataControllerType(type);
        for (quint16 tag : tags)
            Add(tag, value);
        set.SetEmpty(false);
    }

    CParameter* Add(quint16 tag, quint16 value)
    {
        auto parameter = std::make_unique<CParameter>();
        parameter->tagNumber = tag;
        parameter->value = value;
        parameter->maximum = 1000;
        parameter->scale = 1;
        parameter->div = 1;
        parameter->step = 1;
        return doc.Parameters().Append(std::move(parameter));
    }

    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};
};
