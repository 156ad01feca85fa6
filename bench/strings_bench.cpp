// The monitor's statement pattern: three temporaries, joined, assigned to a
// variable, then the statement's release.
#include <benchmark/benchmark.h>

#include "text/string_functions.h"
#include "text/string_value.h"

static void StatementPattern(benchmark::State& state) {
    StringValue* variable = string_new(0, false);
    uint32_t mark = string_temps_mark();
    for (auto _ : state) {
        StringValue* a = string_from_cstring("Orvane Skerrow V0.20 18/03/18");
        StringValue* b = space_string(4);
        StringValue* c = string_from_cstring("/home/ham/spots.log");
        string_assign(variable, string_concat(string_concat(a, b), c));
        string_temps_release(mark, 0);
        benchmark::DoNotOptimize(variable->data);
    }
    string_free(variable);
}
BENCHMARK(StatementPattern);
