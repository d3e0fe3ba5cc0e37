// Tag-file speed on a generated file of 20,000 tags (written once into a temporary folder).
//
//   BM_LoadTagFile20000   CTagFile::LoadTagFile of the whole file into a new CTagFile
//                         (target: under 20 ms)
//   BM_FindEveryTag       FindTag for every tag of the file, in file order, on a type its mask
//                         holds; time_per_lookup is the time of one lookup
#include "data/CErrorText.h"
#include "data/CTagFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>

namespace {

constexpr int kTagCount = 20000;

// Words of the names and texts, in the style of a controller's tag list.
constexpr std::array<const char*, 16> kSubjects = {
    "Accel",       "Decel",       "Max Speed", "Creep Speed", "Battery",       "Motor Temp",
    "Pump",        "Contactor",   "Brake",     "Throttle",    "Current Limit", "Regen",
    "Power Steer", "Seat Switch", "Tilt",      "Hour Meter"};
constexpr std::array<const char*, 12> kQualifiers = {
    "Delay",     "Rate",  "Fwd",     "Rev",  "Low Cutout", "High Cutout",
    "Threshold", "Level", "Timeout", "Gain", "Offset",     "Mode"};
constexpr std::array<const char*, 6> kInformation = {
    "Sets the time taken to ramp from zero to full demand when the throttle is applied.",
    "Limits the armature current while the vehicle is driving; lower it for light loads.",
    "Voltage below which the controller reduces power to protect the battery.",
    "Selects how the output reacts when the seat switch opens during travel.",
    "Speed reached with the throttle just past its dead band, as a percentage of maximum.",
    "Temperature at which the controller starts to cut back the motor current."};

// Controller masks seen in practice: one type, a family of types, or every type.
std::uint32_t MaskFor(std::mt19937& random)
{
    static constexpr std::array<std::uint32_t, 11> kTypes = {5,  6,  8,  9,  10, 12,
                                                             14, 15, 17, 30, 31};
    switch (random() % 4) {
    case 0:
        return 1u << kTypes[random() % kTypes.size()];
    case 1:
        return (1u << 9) | (1u << 10);
    case 2: {
        std::uint32_t mask = 0;
        for (std::uint32_t type : kTypes)
            if (random() % 2)
                mask |= 1u << type;
        return mask ? mask : 1u << 10;
    }
    default:
        return 0xFFFFFFFFu;
    }
}

// 20,000 tags: numbers from 0x1000 up, about one in eight repeating an earlier number under
// another mask, as tag lists do for tags that mean different things on different types.
CTagFile MakeFile()
{
    std::mt19937 random(20000);
    CTagFile::TagList tags;
    tags.reserve(kTagCount);
    std::uint16_t next = 0x1000;
    for (int i = 0; i < kTagCount; ++i) {
        auto tag = std::make_unique<CTagInfo>();
        const bool repeat = i > 0 && random() % 8 == 0;
        tag->tag = repeat ? tags[random() % tags.size()]->tag : next++;
        tag->controllerMask = MaskFor(random);
        tag->privilege = static_cast<std::uint16_t>(random() % 4);
        tag->unitsCode = static_cast<std::uint16_t>(random() % 25);
        tag->group = static_cast<std::uint16_t>(random() % 25);
        tag->SetPresentationCode(static_cast<int>(random() % 8));
        tag->name = QByteArray(kSubjects[random() % kSubjects.size()]) + ' ' +
                    kQualifiers[random() % kQualifiers.size()] + ' ' + QByteArray::number(i % 97);
        tag->information = kInformation[random() % kInformation.size()];
        tag->help = random() % 5 == 0 ? QByteArray("No Help Available ")
                                      : "Topic_" + QByteArray::number(tag->tag);
        tags.push_back(std::move(tag));
    }
    CTagFile::TextList texts;
    for (std::uint16_t code = 0; code < 300; ++code) {
        std::unique_ptr<CTextObject> text =
            code < 100 ? std::make_unique<CErrorText>() : std::make_unique<CTextObject>();
        text->code = code;
        text->AddText("Trip " + QByteArray::number(code));
        text->AddText("Check the wiring to the motor and the contactor coil.");
        texts.push_back(std::move(text));
    }
    CTagFile file;
    file.SetContents(static_cast<std::uint16_t>(kTagCount), std::move(tags), std::move(texts));
    return file;
}

// The file on disk for the whole run.
const QString& TagFilePath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString name = dir.filePath(QStringLiteral("TagList0001.tag"));
        return MakeFile().SaveTagFile(name) ? name : QString();
    }();
    return path;
}

void BM_LoadTagFile20000(benchmark::State& state)
{
    const QString& path = TagFilePath();
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the tag file");
        return;
    }
    for (auto _ : state) {
        // A fresh document each time, as at start-up; freeing it is not part of the load.
        auto file = std::make_unique<CTagFile>();
        const CTagLoadResult result = file->LoadTagFile(path);
        if (!result.Ok() || file->Tags().size() != kTagCount) {
            state.SkipWithError("the tag file did not load");
            return;
        }
        benchmark::DoNotOptimize(file->Tags().data());
        state.PauseTiming();
        file.reset();
        state.ResumeTiming();
    }
    state.counters["tags"] = kTagCount;
}
BENCHMARK(BM_LoadTagFile20000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FindEveryTag(benchmark::State& state)
{
    CTagFile file;
    if (TagFilePath().isEmpty() || !file.LoadTagFile(TagFilePath()).Ok()) {
        state.SkipWithError("the tag file did not load");
        return;
    }
    // For each tag, a type its mask holds (the lowest), so that every lookup finds something.
    std::vector<std::pair<std::uint16_t, std::uint32_t>> queries;
    for (const auto& tag : file.Tags())
        queries.emplace_back(tag->tag,
                             static_cast<std::uint32_t>(std::countr_zero(tag->controllerMask)));
    std::int64_t missed = 0;
    for (auto _ : state) {
        for (const auto& [number, type] : queries) {
            const CTagInfo* found = file.FindTag(number, type);
            missed += found == nullptr;
            benchmark::DoNotOptimize(found);
        }
    }
    const auto lookups = static_cast<double>(state.iterations()) * double(queries.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(lookups));
    state.counters["time_per_lookup"] =
        benchmark::Counter(lookups, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["missed"] = static_cast<double>(missed);
}
BENCHMARK(BM_FindEveryTag)->Unit(benchmark::kMicrosecond);

} // namespace
