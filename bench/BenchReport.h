#pragma once

// What the benchmark prints around its figures: the machine, each comparison with the
// targets it misses, the query plans of the statements measured, and the verdict.

#include "Measure.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace kelvara::bench {

class BareSql;

// Targets missed so far, one line each, and the statements measured, for their plans.
struct Run {
    std::vector<std::string> missed;
    std::vector<std::pair<std::string, std::string>> statements;  // what it is, text
};

void printMachine();

// Prints the comparison and notes it in run when it misses its target.
void report(Run& run, const Comparison& c);

void printQueryPlans(std::ostream& out, BareSql& bare, Run& run);

// The closing lines; returns the exit status (3 when a target was missed and asserted).
int printVerdict(const Run& run, bool shortRun);

}  // namespace kelvara::bench
