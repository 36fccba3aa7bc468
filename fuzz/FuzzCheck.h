#pragma once

// What every fuzz target shares: a check that ends the process on a broken rule, so that both
// libFuzzer and the plain replay program report it as a crash, with the rule that broke.

#include <cstdio>
#include <cstdlib>

#define SUMTIDE_FUZZ_CHECK(Condition)                                                              \
  do {                                                                                             \
    if (!(Condition)) {                                                                            \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #Condition);           \
      std::abort();                                                                                \
    }                                                                                              \
  } while (false)
