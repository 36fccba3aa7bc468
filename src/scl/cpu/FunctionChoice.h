#pragma once

// How the library chooses among functions that do the same work in different ways (a portable
// one and others on instructions some processors have): by timing, once per process, the ones
// this processor runs on the same input, since how fast each runs depends on how long its
// instructions take here, which the processor's flags do not tell. An environment variable can
// force one, for tests and benchmarks. Private to the library.
//
// Every such choice is a table of candidates (TCandidate: a name, the function, whether this
// processor runs it), the portable one first, handed to ChooseRow with the rows' rates from
// MeasureRows.
// A new variant is one row of its family's table.

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace Sumtide::FunctionChoice {

// The candidates, in order of preference where they run about equally fast; the first runs
// everywhere. Runs[I] tells whether this processor (and its operating system) runs Names[I].
struct TCandidates {
  std::span<const std::string_view> Names;
  std::span<const bool> Runs;
};

// How much faster than the one chosen so far a later candidate has to be to replace it (its
// rate over the other's), so that a difference within the measurement's noise changes nothing.
inline constexpr double DefaultMargin = 1.03;

// The index chosen. Forced (what the environment variable holds, empty when unset) that names a
// candidate chooses it where it runs and the first one where it does not; anything else forces
// nothing. Else, where more than one runs, Measure gives each candidate's rate (work per unit of
// time, 0 for one that does not run) and each in order replaces the one chosen so far when its
// rate is above that one's times Margin. Measure is called only when the answer depends on it.
std::size_t Choose(const TCandidates& Candidates, std::string_view Forced, double Margin,
                   const std::function<std::vector<double>()>& Measure);

// What the environment variable holds, or an empty text.
std::string_view Forced(const char* Variable);

// The rate of each candidate that runs, 0 for the others: TimePass(I) does the same work with
// candidate I and returns how many ticks it took. One untimed pass each first, for processors
// that bring up their wide units on first use; then rounds in turns, the order rotating each
// round, so that a clock still rising or a disturbance from elsewhere falls on all of them; the
// best of each is what the candidate can do. Rates are Work per tick.
std::vector<double> MeasureRates(std::span<const bool> Runs, double Work,
                                 const std::function<double(std::size_t)>& TimePass,
                                 int Rounds = 7);

// A tick count for timing a pass: the time-stamp counter where there is one (it runs at a
// constant rate whatever the core clock does), else a steady clock in nanoseconds.
double Ticks();

// One row of a candidate table. Function is what the family calls (a function pointer, or a
// small struct of them where the work takes more than one); Runs tells whether this processor and
// its operating system run it, and is false where it is not compiled in for this target. Lanes
// is how many messages one call hashes at once, for lane kernels; 1 for everything else.
template <class TFunction> struct TCandidate {
  std::string_view Name; // as the family's environment variable names it
  TFunction Function;
  bool (*Runs)();
  std::size_t Lanes = 1;
};

inline bool Always() {
  return true;
}
inline bool Never() {
  return false;
}

// Whether each row runs here, by row.
template <class TFunction>
std::unique_ptr<bool[]> RowsThatRun(std::span<const TCandidate<TFunction>> Table) {
  auto Runs = std::make_unique<bool[]>(Table.size());
  for (std::size_t I = 0; I < Table.size(); ++I)
    Runs[I] = Table[I].Runs();
  return Runs;
}

// The row chosen, given Forced (the family's environment variable's value, empty when unset) and
// Measure, which gives the rate of every row (0 for one that does not run) and is called only
// when the answer depends on it: Choose over the table's names and what runs here.
template <class TFunction>
std::size_t ChooseRow(std::span<const TCandidate<TFunction>> Table, std::string_view Forced,
                      double Margin, const std::function<std::vector<double>()>& Measure) {
  std::vector<std::string_view> Names;
  for (const TCandidate<TFunction>& Row : Table)
    Names.push_back(Row.Name);
  const std::unique_ptr<bool[]> Runs = RowsThatRun(Table);
  return Choose({Names, {Runs.get(), Table.size()}}, Forced, Margin, Measure);
}

// The rate of every row that runs (0 for the others): TimePass(Row) does Work units with the
// row's function and returns the ticks it took (MeasureRates).
template <class TFunction, class TTimePass>
std::vector<double> MeasureRows(std::span<const TCandidate<TFunction>> Table, double Work,
                                const TTimePass& TimePass) {
  const std::unique_ptr<bool[]> Runs = RowsThatRun(Table);
  return MeasureRates({Runs.get(), Table.size()}, Work,
                      [&](std::size_t Row) { return TimePass(Table[Row]); });
}

} // namespace Sumtide::FunctionChoice
