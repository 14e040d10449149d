// Times of the result list with 100,000 rows: appending them as results
// arrive, and sorting them by a text column and by a numeric column.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <random>
#include <string>

#include "app/widgets/sort_list_ctrl.h"

namespace {

constexpr int kRows = 100000;

// Five cells like a search result: address, title, description, site, order.
struct Result {
    std::string url, title, text, site, order;
};

std::vector<Result> MakeResults() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> kana(0x9F, 0xF1);  // hiragana trail bytes after 0x82
    std::vector<Result> results(kRows);
    for (int i = 0; i < kRows; ++i) {
        Result& r = results[static_cast<std::size_t>(i)];
        std::string word;
        for (int k = 0; k < 8; ++k) {
            word += static_cast<char>(letter(random));
        }
        r.url = "www." + word + ".example.jp/page" + std::to_string(i);
        for (int k = 0; k < 6; ++k) {
            r.title += '\x82';
            r.title += static_cast<char>(kana(random));
        }
        r.title += " " + word;
        r.text = r.title + r.title + " " + r.url;
        r.site = "site" + std::to_string(i % 12);
        r.order = std::to_string(std::uniform_int_distribution<int>(1, 1000000)(random));
    }
    return results;
}

const std::vector<Result>& Results() {
    static const std::vector<Result> results = MakeResults();
    return results;
}

std::unique_ptr<quennit::CSortListCtrl> MakeList() {
    auto list = std::make_unique<quennit::CSortListCtrl>();
    list->InsertColumn(0, QStringLiteral("URL"), 100);
    list->InsertColumn(1, QStringLiteral("Title"), 150);
    list->InsertColumn(2, QStringLiteral("Description"), 150);
    list->InsertColumn(3, QStringLiteral("SITE"), 50);
    list->InsertColumn(4, QStringLiteral("Order"), 50, Qt::AlignRight);
    list->resize(600, 400);
    list->show();
    return list;
}

void Fill(quennit::CSortListCtrl& list) {
    for (const Result& r : Results()) {
        const int row = list.InsertRow(list.RowCount(), r.url);
        list.SetCellText(row, 1, r.title);
        list.SetCellText(row, 2, r.text);
        list.SetCellText(row, 3, r.site);
        list.SetCellText(row, 4, r.order);
    }
}

void BM_Append100k(benchmark::State& state) {
    auto list = MakeList();
    Results();
    for (auto _ : state) {
        state.PauseTiming();
        list->DeleteAllItems();
        state.ResumeTiming();
        Fill(*list);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Each iteration sorts freshly appended rows, as a click after a search does.
void SortBy(benchmark::State& state, int column) {
    auto list = MakeList();
    for (auto _ : state) {
        state.PauseTiming();
        list->DeleteAllItems();
        Fill(*list);
        quennit::CSortListCtrl::ResetSortState();
        state.ResumeTiming();
        list->SortByColumn(column);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_SortText100k(benchmark::State& state) {
    SortBy(state, 1);
}
void BM_SortNumeric100k(benchmark::State& state) {
    SortBy(state, 4);
}

BENCHMARK(BM_Append100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortText100k)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortNumeric100k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
