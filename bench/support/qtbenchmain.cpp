#include <benchmark/benchmark.h>

#include "bench/support/benchsupport.h"

#include <QApplication>

// The main of the benchmarks that need an application object and the contest ports.
int main(int argc, char** argv)
{
    enter_private_network(argc, argv);
    set_default_environment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
