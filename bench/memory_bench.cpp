// Resident memory of the application's core after reading a large parameter set.
//
//   BM_ReadMemory5000  reads a 5,000-parameter set from the simulated type-10 controller
//                      (no wire pacing) and reports the process's resident set from
//                      /proc/self/status: rss_before_kB and rss_after_kB (VmRSS around the
//                      read) and hwm_kB (VmHWM, the peak). The simulator runs in this process,
//                      so its table is counted too.
//
// Run: bench/memory_bench (from the build folder)
#include "bench/BenchRig.h"
#include "ops/params/CReadFlow.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when absent.
double StatusKb(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble();
    }
    return -1;
}

void BM_ReadMemory5000(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    SDocRig<> rig;
    CTavrinDoc& doc = rig.doc;

    // Tags from 0x1000 on, clear of the fixed tags, every one for every controller type.
    CTagFile::TagList tags;
    for (int i = 0; i < count; ++i) {
        auto tag = std::make_unique<CTagInfo>();
        tag->tag = static_cast<quint16>(0x1000 + i);
        tag->group = static_cast<quint16>(i % 25);
        tag->unitsCode = static_cast<quint16>(i % 25);
        tag->controllerMask = 0xFFFFFFFFu;
        tag->name = QByteArray("Parameter ") + QByteArray::number(i + 1);
        tags.push_back(std::move(tag));
    }
    doc.Tags().SetContents(static_cast<quint16>(count), std::move(tags), {});
    if (!rig.StartType10(false, state))
        return;

    const double before = StatusKb("VmRSS");
    int parameters = 0;
    for (auto _ : state) {
        const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
        doc.SetModified(false);
        parameters = outcome.parametersRead;
        if (!outcome.Complete())
            state.SkipWithError("the read was incomplete");
    }
    state.counters["parameters"] = parameters;
    state.counters["rss_before_kB"] = before;
    state.counters["rss_after_kB"] = StatusKb("VmRSS");
    state.counters["hwm_kB"] = StatusKb("VmHWM");
}
BENCHMARK(BM_ReadMemory5000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
