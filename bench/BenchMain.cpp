// The one main() of every benchmark program. The programs that draw widgets are built with
// TAVRIN_BENCH_WIDGETS and get a QApplication on the offscreen platform (unless
// QT_QPA_PLATFORM says otherwise); the others a QCoreApplication. An argument neither Qt
// nor Google Benchmark knows stops the run, so a mistyped filter never runs everything.
#include <benchmark/benchmark.h>

#ifdef TAVRIN_BENCH_WIDGETS
#include <QApplication>

#include <cstdlib>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv)
{
#ifdef TAVRIN_BENCH_WIDGETS
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
