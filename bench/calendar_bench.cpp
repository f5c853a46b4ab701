#include "model/calendar.h"
#include "model/todo_item.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>
#include <vector>

namespace {

// 100,000 todos with random due dates, filed in random date order (as a data
// file that is not sorted by date is read) and then unfiled in random order.
void BM_FileAndUnfileTodos(benchmark::State& state) {
    const std::size_t count = std::size_t(state.range(0));
    std::mt19937 rng(12345);
    T_Calendar setup;
    std::vector<std::unique_ptr<ToDoListToDo>> todos;
    todos.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto t = std::make_unique<ToDoListToDo>(unsigned(i), "/0/");
        t->setDateDontCheck(0, 2000 + int(rng() % 128), 1 + int(rng() % 12), 1 + int(rng() % 28),
                            setup);
        if (rng() % 2) t->setTimeDontCheck(0, int(rng() % 24), int(rng() % 60), setup);
        t->removeFromCalLists(setup);
        todos.push_back(std::move(t));
    }
    std::vector<ToDoListToDo*> unfileOrder;
    for (auto& t : todos)
        unfileOrder.push_back(t.get());
    std::shuffle(unfileOrder.begin(), unfileOrder.end(), rng);

    for (auto _ : state) {
        T_Calendar cal;
        for (auto& t : todos)
            t->putIntoCalList(cal);
        for (ToDoListToDo* t : unfileOrder)
            t->removeFromCalLists(cal);
        benchmark::DoNotOptimize(cal.datedToDos.size());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
}
BENCHMARK(BM_FileAndUnfileTodos)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
