#include "edit/CEditTemplates.h"

#include "data/CParameter.h"
#include "data/CUnitsTable.h"
#include "link/EControllerType.h"

#include <algorithm>
#include <array>
#include <functional>

namespace {

using K = EEditKind;
constexpr unsigned kHidden = SEditControl::kHidden;
constexpr unsigned kLatch = SEditControl::kLatchable;
constexpr unsigned kSecond = SEditControl::kSecondGroup;
constexpr const char* kEdit = "Edit Parameter";

// Targets of the inhibit templates: bit 0..4; the "Belly Button" form adds bit 5.
std::vector<SEditControl> InhibitTargets(bool belly)
{
    std::vector<SEditControl> controls = {
        {1155, "&None", -1, SEditControl::kNone},
        {1156, "&Forward drive", 0},
        {1157, "&Reverse drive", 1},
        {1158, "Auxillary Output &1", 2},
        {1322, "Auxillary Output &2", 3},
        {1323, "Auxillary Output &3", 4},
    };
    if (belly)
        controls.push_back({243, "Belly Button", 5, SEditControl::kBelly});
    return controls;
}

// Eight check boxes 1199..1206 for bits 0..7, each with its caption box 1208..1215.
std::vector<SEditControl> MomentaryRows()
{
    std::vector<SEditControl> controls;
    for (int bit = 0; bit < 8; ++bit)
        controls.push_back({1199 + bit, nullptr, bit, 0, 1208 + bit});
    return controls;
}

std::vector<SEditTemplate> BuildTable()
{
    std::vector<SEditTemplate> t = {
        {139, K::Slider, kEdit, nullptr, nullptr, nullptr, {}},
        {140,
         K::TwoState,
         kEdit,
         " &Parameter ",
         nullptr,
         nullptr,
         {{1031, "Asserted", 1}, {1032, "Not Asserted", 0}}},
        {159,
         K::RadioLatch,
         kEdit,
         " &Inhibit ",
         nullptr,
         nullptr,
         {{1109, "N&one", 0},
          {1110, "&Vacuum", 1, kLatch},
          {1112, "&Brush", 7, kLatch},
          {1111, "Vacuum a&nd Brush", 3, kLatch},
          {1179, "&Traction", 9, kLatch},
          {1178, "&All", 5, kLatch},
          {1180, "Traction, Non &latching, No HPD", 11}},
         {1108, "Latchin&g", 1}},
        {161,
         K::Radio,
         kEdit,
         " &Mode ",
         nullptr,
         nullptr,
         {{1113, "&Off", 0},
          {1114, "Con&tinuous", 1},
          {1115, "For&ward + Reverse", 2},
          {1116, "&Forward only", 3},
          {1117, "&Reverse only", 4}}},
        {162,
         K::Radio,
         "Vacuum mode",
         " Vacuum ",
         nullptr,
         nullptr,
         {{1113, "O&ff", 0},
          {1114, "Con&tinuous", 1},
          {1115, "F&orward + Reverse", 2},
          {1118, "Forward and Reverse e&nabled", 3},
          {1119, "Forward and Reverse &disabled", 4},
          {1117, "&Reverse", 5}}},
        {163,
         K::CheckBits,
         kEdit,
         "Battery &Lockout ",
         nullptr,
         nullptr,
         {{1120, "&Brush", 0},
          {1121, "&Vacuum", 1},
          {1122, "Auxillary &1", 2},
          {1123, "Auxillary &2", 3},
          {1124, "Auxillary &3", 4},
          {1125, "Auxillary &4", 5},
          {1126, "&Traction with brush down", 6}}},
        {164,
         K::Radio,
         kEdit,
         " E&mergency stop ",
         nullptr,
         nullptr,
         {{1126, "Auto &reverse", 0},
          {1127, "Emergency stop - normally &open", 1},
          {1180, "Emergency stop - normally c&losed", 2}}},
        {166,
         K::Radio,
         kEdit,
         " &Type ",
         nullptr,
         nullptr,
         {{1133, "When &braking", 0}, {1134, "C&onstant", 1}, {1180, "O&ff", 2}}},
        {168,
         K::Radio,
         kEdit,
         " &Alarm ",
         nullptr,
         nullptr,
         {{1132, "&Off", 0},
          {1128, "For&ward + Reverse", 1},
          {1129, "&Forward only", 2},
          {1130, "&Reverse only", 3},
          {1131, "Co&nstant", 4}}},
        {175,
         K::Radio,
         kEdit,
         " &Aux. outputs ",
         nullptr,
         nullptr,
         {{1181, "Co&ntinuous", 0},
          {1182, "Forwar&d+Reverse", 1},
          {1183, "&Forwards", 2},
          {1184, "&Reverse", 3},
          {1185, "With &brush", 4},
          {1186, "With &vacuum", 5},
          {1180, "Water &Pump/Valve", 6},
          {1187, "&Off", 7},
          {1188, "Al&terate Brush Drive", 8, kHidden}}},
        {178,
         K::Radio,
         kEdit,
         "&Inhibit mode",
         nullptr,
         nullptr,
         {{1152, "&Disable", 0}, {1153, "&Pull low", 1}, {1154, "&Open circuit", 2}}},
        {179, K::InhibitTarget, kEdit, "&Inhibit target", nullptr, nullptr, InhibitTargets(false)},
        // Reverse traction (6) is listed before traction (5).
        {180,
         K::Radio,
         kEdit,
         " Output mode ",
         nullptr,
         nullptr,
         {{1163, "&Off", 0},
          {1164, "Diagnostic/&Reverse alarm", 1},
          {1165, "&Brake light", 2},
          {1166, "Co&ntinuous", 3},
          {1167, "&Forward traction", 4},
          {1249, "R&everse traction", 6},
          {1168, "&Traction", 5}}},
        {181, K::Momentary, kEdit, "&Momentary", nullptr, nullptr, MomentaryRows()},
        {182,
         K::Radio,
         kEdit,
         " Output mode ",
         nullptr,
         nullptr,
         {{1159, "&Off", 0},
          {1160, "Solenoid &Brake", 1},
          {1161, "&Forward traction", 2},
          {1162, "&Reverse traction", 3},
          {1250, "&Traction", 4}}},
        {183,
         K::Radio,
         kEdit,
         " Output mode ",
         nullptr,
         nullptr,
         {{1169, "&Off", 0},
          {1170, "Conti&nuous", 1},
          {1171, "&Forward traction", 2},
          {1172, "&Reverse traction", 3},
          {1173, "&Traction", 4}}},
        {184,
         K::Radio,
         kEdit,
         " Input type ",
         nullptr,
         nullptr,
         {{1174, "&None", 0}, {1175, "&Reverse switch", 1}}},
        {187,
         K::CheckBits,
         kEdit,
         " &Lockout ",
         nullptr,
         nullptr,
         {{1181, "&Traction", 0},
          {1182, "Auxillary &1", 1},
          {1183, "Auxillary &2", 2},
          {1184, "Auxillary &3", 3}}},
        {188,
         K::Radio,
         kEdit,
         "Flash Type",
         nullptr,
         nullptr,
         {{1190, "&None", 0}, {1188, "&Gaugeline", 1}, {1189, "&KV", 2}}},
        {189,
         K::Radio,
         kEdit,
         "Select",
         nullptr,
         nullptr,
         {{1191, "&None", 0},
          {1192, "Inhibit &1", 1},
          {1193, "Inhibit &2", 2},
          {1194, "&Reverse switch", 3}}},
        {190,
         K::Radio,
         kEdit,
         " Output mode ",
         nullptr,
         nullptr,
         {{1194, "&Off", 0},
          {1195, "&Standby", 1},
          {1196, "&Drive", 2},
          {1197, "St&andby/Drive", 3},
          {1198, "Standby/Drive/&Trip", 4}}},
        {191,
         K::Radio,
         kEdit,
         "Flash Type",
         nullptr,
         nullptr,
         {{1235, "&0", 0}, {1236, "&1", 1}, {1237, "&2", 2}, {1238, "&3", 3}, {1239, "&4", 4}}},
        {202,
         K::RadioPairs,
         kEdit,
         " Auxillary input &3 ",
         " Auxillary input &4 ",
         nullptr,
         {{1180, "&Potentiometer", 0},
          {1220, "Ce&ntre Off", 1},
          {1221, "P&otentiometer", 0, kSecond},
          {1222, "Centre O&ff", 2, kSecond}}},
        {204,
         K::CheckInverted,
         kEdit,
         " &Accel. enabled",
         nullptr,
         nullptr,
         {{1218, "Auxillary &1", 0},
          {1232, "Auxillary &2", 1},
          {1233, "Auxillary &3", 2},
          {1234, "Auxillary &4", 3}}},
        {247,
         K::RadioDisplay,
         kEdit,
         "Auxiliary Inhibit",
         nullptr,
         "Inhibit ..",
         {{1205, ".. Lift", 0},
          {1206, ".. Drive when platform elevated", 1},
          {1207, ".. Drive regardless of platform position", 2},
          {1208, ".. Lift and Drive when platform is elevated", 3},
          {1209, ".. Lift and Drive regardless of platform position", 4}}},
        {248,
         K::Radio,
         kEdit,
         "Auxilary Tiedown",
         nullptr,
         nullptr,
         {{1210, "Disabled", 0},
          {1211, "Trip if Low at start-up", 1},
          {1212, "Trip if High at start-up", 2}}},
        {249,
         K::Radio,
         kEdit,
         "Lift input",
         nullptr,
         nullptr,
         {{1214, "Disabled", 0}, {1215, "Low", 1}, {1216, "High", 2}}},
        {250,
         K::Radio,
         kEdit,
         "Belly Button Switch Type",
         nullptr,
         nullptr,
         {{1218, "Normally Closed", 0}, {1217, "Normally Open", 1}}},
        {252,
         K::Radio,
         kEdit,
         "Pot hole mode",
         nullptr,
         nullptr,
         {{1221, "Disabled", 0}, {1223, "Low switch", 1}, {1222, "High switch", 2}}},
        {253,
         K::Radio,
         kEdit,
         "Load sensing",
         nullptr,
         nullptr,
         {{1224, "Off", 0}, {1225, "Cutout Platform", 1}, {1226, "Cutout All", 2}}},
        {256,
         K::Radio,
         "Dialog",
         "&Potentiometer type",
         nullptr,
         nullptr,
         {{1257, "&Single Ended", 0}, {1259, "&Wig Wag", 1}, {1258, "&Unipolar", 2}}},
        {257,
         K::Radio,
         "Dialog",
         "&Throttle handling at start-up",
         nullptr,
         nullptr,
         {{1256, "&Drive", 0}, {1255, "&Inhibit", 1}, {1254, "&Trip", 2}}},
        {258,
         K::Radio,
         "Dialog",
         "&Status output type",
         nullptr,
         nullptr,
         {{1253, "&Gaugeline", 0}, {1252, "&Sink", 1}, {1251, "&Analogue (PWM)", 2}}},
        {259, K::InhibitTarget, kEdit, "&Inhibit target", nullptr, nullptr, InhibitTargets(true)},
    };
    std::sort(t.begin(), t.end(),
              [](const SEditTemplate& a, const SEditTemplate& b) { return a.id < b.id; });
    return t;
}

// Tests of the controller and the record that pick a template other than a rule's default.
bool StoatFamily(EControllerType type, const CParameter&)
{
    return IsStoatFamily(type);
}
bool StoatVariant(EControllerType type, const CParameter&)
{
    return IsStoatVariant(type);
}
bool StoatBase(EControllerType type, const CParameter&)
{
    return type == EControllerType::Stoat;
}
// The "Belly Button" form of the inhibit target needs a maximum of 32 or more.
bool WideMaximum(EControllerType, const CParameter& record)
{
    return record.MaximumDisplay() > 31;
}

struct STemplateOverride
{
    bool (*applies)(EControllerType type, const CParameter& record) = nullptr;
    int templateId = 0;
};

// The template for one tag: its default, unless an override applies (the first one wins).
struct STemplateRule
{
    quint16 tag;
    int templateId;
    std::array<STemplateOverride, 2> overrides{};
};

constexpr int kSlider = CEditTemplates::kSlider;
constexpr int kTwoState = CEditTemplates::kTwoState;

// Every tag with a template of its own, in tag order; any other tag gets the two-state
// template or the slider by its units.
constexpr STemplateRule kRules[] = {
    {337, kSlider, {{{StoatFamily, 256}}}},
    {7201, kTwoState},
    {7234, 163, {{{StoatVariant, 187}}}},
    {7240, 189},
    {7248, 191, {{{StoatVariant, 188}}}},
    {7264, kSlider, {{{StoatFamily, 258}}}},
    {7440, 168},
    {7680, 166},
    {7936, 159},
    {7937, 159},
    {7938, 159},
    {7952, 164},
    {8000, 178},
    {8002, 179, {{{WideMaximum, 259}}}},
    {8016, 178},
    {8018, 179, {{{WideMaximum, 259}}}},
    {8048, 250},
    {13312, kTwoState},
    {13313, kTwoState},
    {13316, kSlider, {{{StoatFamily, 256}}}},
    {13323, kSlider, {{{StoatFamily, 257}}}},
    {13360, 181},
    {13361, 181},
    {13376, 202},
    {13379, 184},
    {16480, 161},
    {16481, 161},
    {16482, 161},
    {16736, 162},
    {16737, 162},
    {16738, 162},
    {16912, 175, {{{StoatVariant, 182}, {StoatBase, 190}}}},
    {16928, 175, {{{StoatVariant, 180}}}},
    {16944, 175, {{{StoatVariant, 183}}}},
    {16960, 175},
    {20512, 204},
    {20752, 252},
    {20753, 252},
    {20780, 253},
    {20781, 247},
    {20782, 247},
    {20783, 248},
    {20784, 248},
    {20788, 249},
};

static_assert(std::ranges::adjacent_find(kRules, std::greater_equal<>(), &STemplateRule::tag) ==
                  std::ranges::end(kRules),
              "the rules are looked up by bisection: one a tag, in tag order");

} // namespace

const std::vector<SEditTemplate>& CEditTemplates::All()
{
    static const std::vector<SEditTemplate> table = BuildTable();
    return table;
}

const SEditTemplate* CEditTemplates::Find(int templateId)
{
    for (const SEditTemplate& t : All()) {
        if (t.id == templateId)
            return &t;
    }
    return nullptr;
}

int CEditTemplates::Choose(quint16 tag, std::uint32_t dataControllerType, const CParameter& record)
{
    const auto rule = std::ranges::lower_bound(kRules, tag, {}, &STemplateRule::tag);
    if (rule == std::ranges::end(kRules) || rule->tag != tag)
        return CUnitsTable::IsTwoState(record.unitsCode) ? kTwoState : kSlider;
    const EControllerType type = ControllerTypeFromNumber(dataControllerType);
    for (const STemplateOverride& o : rule->overrides) {
        if (o.applies && o.applies(type, record))
            return o.templateId;
    }
    return rule->templateId;
}
