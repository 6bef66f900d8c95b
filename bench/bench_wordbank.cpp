#include <memory>

#include <benchmark/benchmark.h>

#include "common/widgets/controls.h"
#include "server/globals.h"
#include "server/window/serverwindow.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/tempprogramfolder.h"

#include <QComboBox>
#include <QListWidget>

// A category pick on a large bank: the file is read in one piece, then every line is appended and
// pending events are handled as it fills. 100,000 lines should fill in under a second. The window is
// shown, as the operator has it, but not started, so nothing listens on the contest's ports.

namespace {

constexpr int kLines = 100000;

QByteArray large_bank()
{
    QByteArray bank;
    for (int n = 0; n < kLines; ++n)
        bank += "美丽" + QByteArray::number(n) + "|měi lì|好看，漂亮\r\n";
    return bank;
}

void BM_FillFromLargeBank(benchmark::State& state)
{
    TempProgramFolder folder;
    if (!folder.valid() || !folder.write_file("ciku.txt", large_bank())) {
        state.SkipWithError("no program folder");
        return;
    }
    ScriptedDialogs dialogs;
    server::init_globals();
    auto window = std::make_unique<server::ServerWindow>(dialogs);
    common::combo_box_add_item(window->组合框[1], "词语");
    window->组合框[1]->setCurrentIndex(0);
    window->show();

    for (auto _ : state)
        window->on_category_picked();
    if (window->列表框1->count() != kLines)
        state.SkipWithError("the list does not hold every line");
    state.counters["lines"] = kLines;

    window.reset();
    server::free_globals();
}
BENCHMARK(BM_FillFromLargeBank)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
