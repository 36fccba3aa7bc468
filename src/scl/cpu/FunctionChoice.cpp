#include "scl/cpu/FunctionChoice.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <x86intrin.h>
#define SUMTIDE_TIMESTAMP_COUNTER 1
#endif

namespace Sumtide::FunctionChoice {

std::size_t Choose(const TCandidates& Candidates, std::string_view Forced, double Margin,
                   const std::function<std::vector<double>()>& Measure) {
  const std::size_t Count = std::min(Candidates.Names.size(), Candidates.Runs.size());
  for (std::size_t I = 0; I < Count; ++I)
    if (Forced == Candidates.Names[I])
      return Candidates.Runs[I] ? I : 0;
  if (std::count(Candidates.Runs.begin(), Candidates.Runs.begin() + Count, true) < 2)
    return 0;
  const std::vector<double> Rates = Measure();
  std::size_t Chosen = 0;
  for (std::size_t I = 1; I < std::min(Count, Rates.size()); ++I)
    if (Candidates.Runs[I] && Rates[I] > Rates[Chosen] * Margin)
      Chosen = I;
  return Chosen;
}

std::string_view Forced(const char* Variable) {
  const char* Value = std::getenv(Variable);
  return Value ? Value : "";
}

std::vector<double> MeasureRates(std::span<const bool> Runs, double Work,
                                 const std::function<double(std::size_t)>& TimePass, int Rounds) {
  std::vector<std::size_t> Running;
  for (std::size_t I = 0; I < Runs.size(); ++I)
    if (Runs[I])
      Running.push_back(I);
  std::vector<double> Rates(Runs.size(), 0);
  for (int Round = -1; Round < Rounds; ++Round) {
    for (std::size_t K = 0; K < Running.size(); ++K) {
      const std::size_t I = Running[(K + static_cast<std::size_t>(Round + 1)) % Running.size()];
      const double Took = TimePass(I);
      if (Round >= 0 && Took > 0)
        Rates[I] = std::max(Rates[I], Work / Took);
    }
  }
  return Rates;
}

double Ticks() {
#ifdef SUMTIDE_TIMESTAMP_COUNTER
  __asm__ __volatile__("" ::: "memory");
  const auto Now = static_cast<double>(__rdtsc());
  __asm__ __volatile__("" ::: "memory");
  return Now;
#else
  return static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
#endif
}

} // namespace Sumtide::FunctionChoice
