// The parameter list's refill with 5,000 parameters (target: under 50 ms), split into the
// row computation alone, the view's whole refill (in the tag file's order and sorted by
// name), the refill with the repaint that follows it, and a filter change.
//
//   view_bench [--benchmark_filter=...]     (sets QT_QPA_PLATFORM=offscreen when unset)
#include "app/CAppSettings.h"
#include "bench/BenchRig.h"
#include "doc/CTavrinDoc.h"
#include "edit/CParameterRows.h"
#include "link/CControllerLink.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/CTavrinView.h"

#include <QApplication>
#include <QComboBox>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Settings in a temporary folder (the view stores its column width when it goes), then a
// document holding `count` parameters spread over the 25 groups and every units code.
class CBenchDocument
{
public:
    explicit CBenchDocument(int count) : m_doc(m_link, m_settings, m_prompt)
    {
        CTagFile::TagList tags;
        for (int i = 0; i < count; ++i) {
            auto tag = std::make_unique<CTagInfo>();
            tag->tag = quint16(i + 1);
            tag->group = quint16(i % 25);
            tag->unitsCode = quint16(i % 25);
            tag->SetPresentationCode(i % 9);
            tag->controllerMask = 0xFFFFFFFFu;
            tag->name = QByteArray("Parameter ") + QByteArray::number(i + 1);
            tags.push_back(std::move(tag));
        }
        m_doc.Tags().SetContents(quint16(count), std::move(tags), {});

        CParameterSet& set = m_doc.Parameters();
        set.SetDataControllerType(ControllerTypeNumber(EControllerType::TarnPlus));
        for (int i = 0; i < count; ++i) {
            auto parameter = std::make_unique<CParameter>();
            parameter->tagNumber = quint16(i + 1);
            parameter->value = quint16(i % 100);
            parameter->maximum = 100;
            parameter->scale = 1;
            parameter->div = 1;
            parameter->step = 1;
            set.Append(std::move(parameter));
        }
        set.SetEmpty(false);
    }

    CTavrinDoc& Doc() { return m_doc; }

private:
    SPrivateSettings m_private;
    CAppSettings m_settings;
    CMessageBoxPrompt m_prompt;
    CControllerLink m_link;
    CTavrinDoc m_doc;
};

void BM_ParameterRows(benchmark::State& state)
{
    CBenchDocument bench(int(state.range(0)));
    CTavrinDoc& doc = bench.Doc();
    for (auto _ : state) {
        SParameterRows rows = CParameterRows::Build(doc.Parameters(), doc.Tags(), 0);
        benchmark::DoNotOptimize(rows.rows.data());
    }
}

void BM_ViewRefill(benchmark::State& state)
{
    CBenchDocument bench(int(state.range(0)));
    QComboBox box;
    CTavrinView view(bench.Doc(), &box);
    view.resize(700, 460);
    view.show();
    QApplication::processEvents();
    for (auto _ : state)
        view.Refill();
    state.counters["rows"] = view.RowCount();
}

// The refill with the rows sorted by name (a header click), which the model redoes on every
// refill.
void BM_ViewRefillSorted(benchmark::State& state)
{
    CBenchDocument bench(int(state.range(0)));
    QComboBox box;
    CTavrinView view(bench.Doc(), &box);
    view.resize(700, 460);
    view.show();
    view.sortByColumn(0, Qt::AscendingOrder);
    QApplication::processEvents();
    for (auto _ : state)
        view.Refill();
}

void BM_ViewRefillAndPaint(benchmark::State& state)
{
    CBenchDocument bench(int(state.range(0)));
    QComboBox box;
    CTavrinView view(bench.Doc(), &box);
    view.resize(700, 460);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        view.Refill();
        QPixmap shown = view.grab(); // lays the rows out and paints the visible ones
        benchmark::DoNotOptimize(shown.cacheKey());
    }
}

void BM_ViewFilterChange(benchmark::State& state)
{
    CBenchDocument bench(int(state.range(0)));
    QComboBox box;
    CTavrinView view(bench.Doc(), &box);
    int index = 0;
    for (auto _ : state) {
        index = index == 0 ? 12 : 0; // "Speed", then "All" again
        view.OnFilterSelected(index);
    }
}

} // namespace

BENCHMARK(BM_ParameterRows)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRefill)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRefillSorted)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRefillAndPaint)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewFilterChange)->Arg(5000)->Unit(benchmark::kMillisecond);
