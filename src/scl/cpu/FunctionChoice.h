#pragma once

// How the library chooses among functions that do the same work in different ways (a portable
// one and others on instructions some processors have): by timing, once per process, the ones
// this processor runs on the same input, since how fast each runs depends on how long its
// instructions take here, which the processor's flags do not tell. An environment variable can
// force one, for tests and benchmarks. Private to the library.

#include <cstddef>
#include <functional>
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

} // namespace Sumtide::FunctionChoice
