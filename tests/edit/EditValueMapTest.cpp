// The edit templates' table, the template choice and the value mapping, without widgets.
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "edit/CEditTemplates.h"
#include "edit/CEditValueMap.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace {

CParameter Record(quint16 tag, quint16 value, quint16 maximum = 100, quint16 minimum = 0)
{
    CParameter r;
    r.tagNumber = tag;
    r.value = value;
    r.maximum = maximum;
    r.minimum = minimum;
    r.scale = 1;
    r.div = 1;
    r.step = 1;
    return r;
}

const SEditTemplate& Template(int id)
{
    const SEditTemplate* t = CEditTemplates::Find(id);
    EXPECT_NE(t, nullptr) << id;
    return *t;
}

int IndexOf(const SEditTemplate& t, int id)
{
    for (size_t i = 0; i < t.controls.size(); ++i) {
        if (t.controls[i].id == id)
            return int(i);
    }
    ADD_FAILURE() << "no control " << id << " in template " << t.id;
    return 0;
}

// The states with exactly the controls `ids` checked.
SEditState Checked(const SEditTemplate& t, std::initializer_list<int> ids)
{
    SEditState s;
    s.checked.assign(t.controls.size(), false);
    for (int id : ids)
        s.checked[size_t(IndexOf(t, id))] = true;
    return s;
}

std::set<int> CheckedIds(const SEditTemplate& t, const SEditState& s)
{
    std::set<int> ids;
    for (size_t i = 0; i < t.controls.size(); ++i) {
        if (s.checked[i])
            ids.insert(t.controls[i].id);
    }
    return ids;
}

} // namespace

// The rules themselves are data; what is checked here is how they are applied: the first
// override that fits wins, the default stays for every other type, and a tag without a rule
// goes by its units.
TEST(EditTemplateTable, ChoiceFollowsTagTypeMaximumAndUnits)
{
    CParameter r = Record(0, 0);
    EXPECT_EQ(CEditTemplates::Choose(16912, 30, r), 182) << "a variant: the first override";
    EXPECT_EQ(CEditTemplates::Choose(16912, 14, r), 190) << "the base model: the second";
    EXPECT_EQ(CEditTemplates::Choose(16912, 9, r), 175) << "no override applies";
    EXPECT_EQ(CEditTemplates::Choose(13313, 9, r), 140) << "whatever the units";

    // Inhibit target: the maximum as a display integer decides, not the raw word.
    r = Record(8018, 0, 31);
    EXPECT_EQ(CEditTemplates::Choose(8018, 9, r), 179);
    r.maximum = 16;
    r.scale = 2; // displays as 32
    EXPECT_EQ(CEditTemplates::Choose(8018, 9, r), 259);

    r = Record(4000, 0);
    r.unitsCode = 17; // two-state
    EXPECT_EQ(CEditTemplates::Choose(4000, 9, r), 140);
    r.unitsCode = 14;
    EXPECT_EQ(CEditTemplates::Choose(4000, 9, r), 139);
    r.unitsCode = 25; // outside the table
    EXPECT_EQ(CEditTemplates::Choose(4000, 9, r), 139);
}

// Whatever the tag and type, the choice names a template of the table.
TEST(EditTemplateTable, EveryChoiceNamesATemplate)
{
    const CParameter r = Record(0, 0, 0xFFFF);
    for (quint16 type : {9, 10, 14, 30, 31}) {
        for (int tag = 0; tag <= 0xFFFF; ++tag) {
            const int id = CEditTemplates::Choose(quint16(tag), type, r);
            if (CEditTemplates::Find(id) == nullptr) {
                ADD_FAILURE() << "tag " << tag << " type " << type << " template " << id;
                return;
            }
        }
    }
}

TEST(EditTemplateTable, EveryTemplateHasDistinctIdsAndDistinctValues)
{
    int previous = 0;
    for (const SEditTemplate& t : CEditTemplates::All()) {
        EXPECT_LT(previous, t.id) << "in number order, each number once";
        previous = t.id;
        std::set<int> ids;
        std::set<std::pair<int, int>> values;
        for (const SEditControl& c : t.controls) {
            EXPECT_TRUE(ids.insert(c.id).second) << "template " << t.id << " id " << c.id;
            const int group = (c.flags & SEditControl::kSecondGroup) ? 1 : 0;
            EXPECT_TRUE(values.insert({group, c.value}).second)
                << "template " << t.id << " value " << c.value;
        }
    }
}

// Every plain radio template: each value opens on its own control and applies back.
TEST(EditValueMap, EveryRadioValueRoundTrips)
{
    for (const SEditTemplate& t : CEditTemplates::All()) {
        if (t.kind != EEditKind::Radio)
            continue;
        for (const SEditControl& c : t.controls) {
            const CParameter r = Record(0, quint16(c.value));
            const SEditState s = CEditValueMap::Open(t, r);
            EXPECT_EQ(CheckedIds(t, s), std::set<int>{c.id}) << t.id << " value " << c.value;
            EXPECT_EQ(CEditValueMap::Apply(t, r, s), c.value) << t.id;
        }
    }
}

TEST(EditValueMap, SwappedOutputModeKeepsItsValues)
{
    const SEditTemplate& t = Template(180);
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(16928, 5))), std::set<int>{1168});
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(16928, 6))), std::set<int>{1249});
    EXPECT_EQ(CEditValueMap::Apply(t, Record(16928, 0), Checked(t, {1249})), 6);
    EXPECT_EQ(CEditValueMap::Apply(t, Record(16928, 0), Checked(t, {1168})), 5);
}

TEST(EditValueMap, NoCheckedChoiceKeepsTheValue)
{
    const SEditTemplate& t = Template(161);
    const CParameter r = Record(16480, 9); // beyond every choice
    const SEditState s = CEditValueMap::Open(t, r);
    EXPECT_TRUE(CheckedIds(t, s).empty());
    EXPECT_FALSE(CEditValueMap::Apply(t, r, s).has_value());
}

TEST(EditValueMap, InhibitLatchMapsBothWays)
{
    const SEditTemplate& t = Template(159);
    const CParameter all = Record(7936, 6);
    SEditState s = CEditValueMap::Open(t, all);
    EXPECT_EQ(CheckedIds(t, s), std::set<int>{1178});
    EXPECT_TRUE(s.latchChecked);
    EXPECT_TRUE(s.latchEnabled);

    // Each latchable choice: base value without the latch, base + 1 with it.
    const std::pair<int, int> bases[] = {{1110, 1}, {1111, 3}, {1178, 5}, {1112, 7}, {1179, 9}};
    for (const auto& [id, base] : bases) {
        for (bool latch : {false, true}) {
            const quint16 v = quint16(base + (latch ? 1 : 0));
            const SEditState open = CEditValueMap::Open(t, Record(7936, v));
            EXPECT_EQ(CheckedIds(t, open), std::set<int>{id}) << v;
            EXPECT_EQ(open.latchChecked, latch) << v;
            EXPECT_EQ(CEditValueMap::Apply(t, all, open), v);
        }
    }
    for (quint16 v : {0, 11}) {
        const SEditState open = CEditValueMap::Open(t, Record(7936, v));
        EXPECT_FALSE(open.latchEnabled) << v;
        EXPECT_EQ(CEditValueMap::Apply(t, all, open), v);
    }

    // Choosing "None" disables the latch and stores 0 even with the box still checked.
    s.checked = Checked(t, {1109}).checked;
    CEditValueMap::Click(t, s, IndexOf(t, 1109));
    EXPECT_FALSE(s.latchEnabled);
    EXPECT_EQ(CEditValueMap::Apply(t, all, s), 0);
    s.checked[size_t(IndexOf(t, 1112))] = true;
    CEditValueMap::Click(t, s, IndexOf(t, 1112));
    EXPECT_EQ(CheckedIds(t, s), std::set<int>{1112}) << "radio: the click unchecks the others";
    EXPECT_TRUE(s.latchEnabled);
    EXPECT_EQ(CEditValueMap::Apply(t, all, s), 8);
}

TEST(EditValueMap, InhibitTargetExchangesBitsTwoAndThreeFor8018)
{
    const SEditTemplate& t = Template(179);
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(8002, 4))), std::set<int>{1158});
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(8018, 4))), std::set<int>{1322});
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(8018, 8))), std::set<int>{1158});
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(8018, 0))), std::set<int>{1155});
    // Bits 6 and above are dropped for 8018 before the boxes are chosen.
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, Record(8018, 0x40))), std::set<int>{1155});

    for (quint16 tag : {8002, 8018})
        EXPECT_EQ(CEditValueMap::Apply(t, Record(tag, 0), Checked(t, {1156})), 1) << tag;
    EXPECT_EQ(CEditValueMap::Apply(t, Record(8002, 0), Checked(t, {1158, 1323})), 4 | 16);
    EXPECT_EQ(CEditValueMap::Apply(t, Record(8018, 0), Checked(t, {1158, 1323})), 8 | 16);
    EXPECT_EQ(CEditValueMap::Apply(t, Record(8018, 0), Checked(t, {1155})), 0);
}

TEST(EditValueMap, InhibitTargetClicksClearNoneAndBellyButton)
{
    const SEditTemplate& t = Template(259);
    SEditState s = Checked(t, {1155});
    s.checked[size_t(IndexOf(t, 1157))] = true;
    CEditValueMap::Click(t, s, IndexOf(t, 1157));
    EXPECT_EQ(CheckedIds(t, s), (std::set<int>{1157}));

    s.checked[size_t(IndexOf(t, 243))] = true;
    CEditValueMap::Click(t, s, IndexOf(t, 243));
    EXPECT_EQ(CheckedIds(t, s), std::set<int>{243});
    EXPECT_EQ(CEditValueMap::Apply(t, Record(8002, 0, 63), s), 32);

    s.checked[size_t(IndexOf(t, 1156))] = true;
    CEditValueMap::Click(t, s, IndexOf(t, 1156));
    EXPECT_EQ(CheckedIds(t, s), std::set<int>{1156});

    s.checked[size_t(IndexOf(t, 1155))] = true;
    CEditValueMap::Click(t, s, IndexOf(t, 1155));
    EXPECT_EQ(CheckedIds(t, s), std::set<int>{1155});
}

TEST(EditValueMap, InvertedAccelAndCheckBitsAndPairs)
{
    const SEditTemplate& accel = Template(204);
    EXPECT_EQ(CheckedIds(accel, CEditValueMap::Open(accel, Record(20512, 0))),
              (std::set<int>{1218, 1232, 1233, 1234}));
    EXPECT_EQ(CheckedIds(accel, CEditValueMap::Open(accel, Record(20512, 0x5))),
              (std::set<int>{1232, 1234}));
    EXPECT_EQ(CEditValueMap::Apply(accel, Record(20512, 0), Checked(accel, {})), 15);
    EXPECT_EQ(CEditValueMap::Apply(accel, Record(20512, 0xFFF0), Checked(accel, {1232})), 13);

    const SEditTemplate& lockout = Template(163);
    EXPECT_EQ(CheckedIds(lockout, CEditValueMap::Open(lockout, Record(7234, 0x41))),
              (std::set<int>{1120, 1126}));
    EXPECT_EQ(CEditValueMap::Apply(lockout, Record(7234, 0), Checked(lockout, {1122, 1125})), 0x24);

    const SEditTemplate& pairs = Template(202);
    EXPECT_EQ(CheckedIds(pairs, CEditValueMap::Open(pairs, Record(13376, 2))),
              (std::set<int>{1180, 1222}));
    SEditState s = CEditValueMap::Open(pairs, Record(13376, 2));
    s.checked[size_t(IndexOf(pairs, 1220))] = true;
    CEditValueMap::Click(pairs, s, IndexOf(pairs, 1220));
    EXPECT_EQ(CheckedIds(pairs, s), (std::set<int>{1220, 1222})) << "the other pair is kept";
    EXPECT_EQ(CEditValueMap::Apply(pairs, Record(13376, 2), s), 3);
}

TEST(EditValueMap, TwoStateFollowsMaximumAndInvert)
{
    const SEditTemplate& t = Template(140);
    CParameter r = Record(4000, 1, 1, 0);
    r.unitsCode = 17;
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, r)), std::set<int>{1031});
    r.invert = true;
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, r)), std::set<int>{1032});
    EXPECT_EQ(CEditValueMap::Apply(t, r, Checked(t, {1031})), 0);
    EXPECT_EQ(CEditValueMap::Apply(t, r, Checked(t, {1032})), 1);

    // Tags that always get this template but have ordinary units: a value between the
    // limits checks neither choice and is kept.
    CParameter plain = Record(7201, 40, 100, 0);
    const SEditState s = CEditValueMap::Open(t, plain);
    EXPECT_TRUE(CheckedIds(t, s).empty());
    EXPECT_FALSE(CEditValueMap::Apply(t, plain, s).has_value());
    plain.value = 100;
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, plain)), std::set<int>{1031});
}

TEST(EditValueMap, DisplayUnitRadioGoesThroughTheScaling)
{
    const SEditTemplate& t = Template(247);
    CParameter r = Record(20781, 30, 100, 0);
    r.div = 10; // raw 30 displays as 3
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, r)), std::set<int>{1208});
    EXPECT_EQ(CEditValueMap::Apply(t, r, Checked(t, {1206})), 10);
}

TEST(EditValueMap, MomentaryLabelsPerTag)
{
    EXPECT_EQ(CEditValueMap::MomentaryLabel(13360, 0), EString::ReverseSelect);
    EXPECT_EQ(CEditValueMap::MomentaryLabel(13360, 7), EString::VacuumMode);
    EXPECT_EQ(CEditValueMap::MomentaryLabel(13361, 5), EString::PowerSwitch);
    EXPECT_EQ(CEditValueMap::MomentaryLabel(13361, 6), std::nullopt);
    const SEditTemplate& t = Template(181);
    EXPECT_EQ(CEditValueMap::Apply(t, Record(13361, 0xC3, 0xFF),
                                   CEditValueMap::Open(t, Record(13361, 0xC3, 0xFF))),
              0xC3)
        << "hidden rows keep their bits";
}

TEST(EditValueMap, SliderTicksAndSnapping)
{
    EXPECT_EQ(CEditValueMap::TickFrequency(0, 100, 1), 2);
    EXPECT_EQ(CEditValueMap::TickFrequency(0, 50, 1), 1);
    EXPECT_EQ(CEditValueMap::TickFrequency(0, 1000, 3), 21); // 1000 / 21 = 47; 1000 / 18 = 55
    EXPECT_EQ(CEditValueMap::Snap(27, 5, 100, 10), 20);
    EXPECT_EQ(CEditValueMap::Snap(-27, -100, 100, 10), -20) << "towards zero";
    EXPECT_EQ(CEditValueMap::Snap(7, 5, 100, 10), 5) << "never below the minimum";
    EXPECT_FALSE(CEditValueMap::SliderUsable(0, 100, 0));
    EXPECT_FALSE(CEditValueMap::SliderUsable(10, 5, 1));
    EXPECT_EQ(CEditValueMap::ExchangeBits2And3(0x0F4), 0x0F8);
}

// Foreground shows the limits and step raw, so the value, positions and text are raw as well:
// scale 1, div 10, raw maximum 1000 must never store raw 10000.
TEST(EditValueMap, ForegroundPutsEveryNumberOfTheDialogInRawUnits)
{
    CTagInfo tag;
    CParameter r = Record(4000, 500, 1000, 0);
    r.div = 10;
    r.step = 10;
    r.foreground = true;
    const SSliderUnits raw = CEditValueMap::SliderUnits(r);
    EXPECT_EQ((std::array{raw.minimum, raw.maximum, raw.step, raw.value}),
              (std::array<qint64, 4>{0, 1000, 10, 500}));
    EXPECT_EQ(CEditValueMap::FromEditUnits(r, 1000), 1000);
    EXPECT_EQ(CEditValueMap::EditValueText(r, tag, 9), "500");

    r.foreground = false;
    const SSliderUnits scaled = CEditValueMap::SliderUnits(r);
    EXPECT_EQ((std::array{scaled.minimum, scaled.maximum, scaled.step, scaled.value}),
              (std::array<qint64, 4>{0, 100, 1, 50}));
    EXPECT_EQ(CEditValueMap::FromEditUnits(r, 100), 1000);
    EXPECT_EQ(CEditValueMap::EditValueText(r, tag, 9), "50");

    // The display-unit choices follow the same reading.
    const SEditTemplate& t = Template(247);
    CParameter choice = Record(20781, 3, 4, 0);
    choice.div = 10;
    choice.foreground = true;
    EXPECT_EQ(CheckedIds(t, CEditValueMap::Open(t, choice)), std::set<int>{1208});
    EXPECT_EQ(CEditValueMap::Apply(t, choice, Checked(t, {1206})), 1);
}

TEST(EditValueMap, NothingOutsideTheRawLimitsIsStored)
{
    // Rounding: raw maximum 1005 displays as 101, which would convert back to raw 1010.
    CParameter r = Record(4000, 0, 1005, 5);
    r.div = 10;
    EXPECT_EQ(CEditValueMap::FromEditUnits(r, 101), 1005);
    EXPECT_EQ(CEditValueMap::FromEditUnits(r, 0), 5);

    // Signed limits are compared as signed numbers.
    CParameter s = Record(4000, 0, 10, quint16(-10));
    s.isSigned = true;
    s.foreground = true;
    EXPECT_EQ(CEditValueMap::FromEditUnits(s, -20), quint16(-10));
    EXPECT_EQ(CEditValueMap::FromEditUnits(s, -5), quint16(-5));
    EXPECT_EQ(CEditValueMap::FromEditUnits(s, 11), 10);

    // A choice beyond the limits is refused, not moved to a limit that means something else.
    const SEditTemplate& mode = Template(161);
    EXPECT_EQ(CEditValueMap::Apply(mode, Record(16480, 0, 3), Checked(mode, {1116})), 3);
    EXPECT_FALSE(CEditValueMap::Apply(mode, Record(16480, 0, 3), Checked(mode, {1117})));
    const SEditTemplate& lockout = Template(163);
    EXPECT_FALSE(CEditValueMap::Apply(lockout, Record(7234, 0, 0x3F), Checked(lockout, {1126})));
}
