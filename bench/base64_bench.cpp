// Base64 throughput of the library beside OpenSSL (EVP_EncodeBlock, EVP_DecodeBlock) and Qt
// (QByteArray::toBase64, QByteArray::fromBase64), in the same run: encoding 1 MiB of random
// bytes and decoding its text. After the usual report it prints the median GB/s of each (of the
// input bytes when encoding, of the text when decoding), cycles per byte and the ratios of ours
// to each peer, and which coders the library uses on this processor with the rates its choice
// rests on (SUMTIDE_BASE64=portable, =avx2 or =vbmi forces them). "Sumtide buffer" and "Sumtide
// text" are the public functions with the coders chosen for this processor; one row for each of
// the library's coders that runs here shows what other processors get.

#include "BenchClock.h"
#include "BenchData.h"
#include "RateReporter.h"
#include "scl/SCLbase64.h"
#include "scl/base64/Base64Coders.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <openssl/evp.h>
#include <string>
#include <vector>

#ifdef SUMTIDE_BENCH_QT
#include <QByteArray>
#endif

namespace {

constexpr std::size_t PlainSize = 1 << 20;

const std::string& Plain() {
  static const std::string Bytes = [] {
    std::string S(PlainSize, '\0');
    std::uint32_t X = 0x2545f491;
    for (auto& Byte : S) {
      X ^= X << 13;
      X ^= X >> 17;
      X ^= X << 5;
      Byte = static_cast<char>(X);
    }
    return S;
  }();
  return Bytes;
}

const std::string& Text() {
  static const std::string Encoded = Sumtide::EncodeBase64Text(Plain());
  return Encoded;
}

const unsigned char* Bytes(const std::string& S) {
  return reinterpret_cast<const unsigned char*>(S.data());
}

// Into a buffer made beforehand: what the library's buffer functions and OpenSSL do.

void EncodeOurs(benchmark::State& State) {
  std::vector<char> Out(Text().size());
  for (auto _ : State) {
    benchmark::DoNotOptimize(Sumtide::EncodeBase64Buffer(Plain().data(), Out.data(),
                                                         static_cast<std::int32_t>(PlainSize)));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * PlainSize));
}

void DecodeOurs(benchmark::State& State) {
  std::vector<char> Out(PlainSize + 2);
  for (auto _ : State) {
    benchmark::DoNotOptimize(Sumtide::DecodeBase64Buffer(Text().data(), Out.data(),
                                                         static_cast<std::int32_t>(Text().size())));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text().size()));
}

// Each row of the table the library chooses its coders from, whichever this processor uses.

void EncodeRow(benchmark::State& State, const Sumtide::Base64Internal::TCodersRow& Row) {
  std::vector<char> Out(Text().size());
  for (auto _ : State) {
    Row.Function.Encode(Bytes(Plain()), Out.data(), PlainSize);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * PlainSize));
}

void DecodeRow(benchmark::State& State, const Sumtide::Base64Internal::TCodersRow& Row) {
  std::vector<unsigned char> Out(PlainSize + 2);
  for (auto _ : State) {
    benchmark::DoNotOptimize(Row.Function.Decode(Bytes(Text()), Out.data(), Text().size()));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text().size()));
}

void EncodeOpenSSL(benchmark::State& State) {
  std::vector<unsigned char> Out(Text().size() + 1); // and a terminating zero
  for (auto _ : State) {
    benchmark::DoNotOptimize(
        EVP_EncodeBlock(Out.data(), Bytes(Plain()), static_cast<int>(PlainSize)));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * PlainSize));
}

void DecodeOpenSSL(benchmark::State& State) {
  std::vector<unsigned char> Out(PlainSize + 2);
  for (auto _ : State) {
    benchmark::DoNotOptimize(
        EVP_DecodeBlock(Out.data(), Bytes(Text()), static_cast<int>(Text().size())));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text().size()));
}

// Into a new string each time: what the library's text functions and Qt do.

void EncodeOursText(benchmark::State& State) {
  for (auto _ : State) {
    std::string Out = Sumtide::EncodeBase64Text(Plain());
    benchmark::DoNotOptimize(Out.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * PlainSize));
}

void DecodeOursText(benchmark::State& State) {
  for (auto _ : State) {
    std::string Out = Sumtide::DecodeBase64Text(Text());
    benchmark::DoNotOptimize(Out.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text().size()));
}

#ifdef SUMTIDE_BENCH_QT
void EncodeQt(benchmark::State& State) {
  const QByteArray Source(Plain().data(), static_cast<qsizetype>(PlainSize));
  for (auto _ : State) {
    QByteArray Out = Source.toBase64();
    benchmark::DoNotOptimize(Out.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * PlainSize));
}

void DecodeQt(benchmark::State& State) {
  const QByteArray Source(Text().data(), static_cast<qsizetype>(Text().size()));
  for (auto _ : State) {
    QByteArray Out = QByteArray::fromBase64(Source);
    benchmark::DoNotOptimize(Out.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text().size()));
}
#endif

// Every coder must give the same result before any is timed.
bool ResultsAgree() {
  bool Agree = true;
  const auto Check = [&Agree](const char* What, bool Ok) {
    if (!Ok) {
      std::fprintf(stderr, "%s gives another result\n", What);
      Agree = false;
    }
  };
  std::vector<char> Encoded(Text().size() + 1);
  Sumtide::EncodeBase64Buffer(Plain().data(), Encoded.data(), static_cast<std::int32_t>(PlainSize));
  Check("EncodeBase64Buffer", std::string(Encoded.data(), Text().size()) == Text());
  Sumtide::Base64Internal::EncodeSlow(Bytes(Plain()), Encoded.data(), PlainSize);
  Check("EncodeSlow", std::string(Encoded.data(), Text().size()) == Text());
  Check("DecodeBase64Text", Sumtide::DecodeBase64Text(Text()) == Plain());
  std::vector<unsigned char> Out(Text().size() + 1);
  for (const Sumtide::Base64Internal::TCodersRow& Row : Sumtide::Base64Internal::Coders()) {
    if (!Row.Runs())
      continue;
    const std::string Name(Row.Name);
    Row.Function.Encode(Bytes(Plain()), Encoded.data(), PlainSize);
    Check(("the " + Name + " encoder").c_str(),
          std::string(Encoded.data(), Text().size()) == Text());
    const std::size_t Count = Row.Function.Decode(Bytes(Text()), Out.data(), Text().size());
    Check(("the " + Name + " decoder").c_str(),
          std::string(reinterpret_cast<const char*>(Out.data()), Count) == Plain());
  }
  EVP_EncodeBlock(Out.data(), Bytes(Plain()), static_cast<int>(PlainSize));
  Check("EVP_EncodeBlock", std::string(reinterpret_cast<const char*>(Out.data())) == Text());
  // EVP_DecodeBlock keeps the zero bytes the padding stands for.
  const int Decoded = EVP_DecodeBlock(Out.data(), Bytes(Text()), static_cast<int>(Text().size()));
  Check("EVP_DecodeBlock",
        Decoded >= static_cast<int>(PlainSize) &&
            std::string(reinterpret_cast<const char*>(Out.data()), PlainSize) == Plain());
#ifdef SUMTIDE_BENCH_QT
  const QByteArray Source(Plain().data(), static_cast<qsizetype>(PlainSize));
  Check("QByteArray::toBase64", Source.toBase64().toStdString() == Text());
  Check("QByteArray::fromBase64",
        QByteArray::fromBase64(QByteArray::fromStdString(Text())).toStdString() == Plain());
#endif
  return Agree;
}

struct TEntry {
  std::string Name;
  std::function<void(benchmark::State&)> Encode, Decode;
};

// The public functions, each row of the library's table that runs here, and the peers.
std::vector<TEntry> Entries() {
  std::vector<TEntry> List = {
      {"Sumtide buffer", EncodeOurs, DecodeOurs},
      {"Sumtide text", EncodeOursText, DecodeOursText},
  };
  for (const Sumtide::Base64Internal::TCodersRow& Row : Sumtide::Base64Internal::Coders())
    if (Row.Runs())
      List.push_back({"Sumtide " + std::string(Row.Name),
                      [&Row](benchmark::State& State) { EncodeRow(State, Row); },
                      [&Row](benchmark::State& State) { DecodeRow(State, Row); }});
  List.push_back({"OpenSSL EVP", EncodeOpenSSL, DecodeOpenSSL});
#ifdef SUMTIDE_BENCH_QT
  List.push_back({"Qt QByteArray", EncodeQt, DecodeQt});
#endif
  return List;
}

std::string BenchName(const char* Operation, const std::string& Entry) {
  return std::string("Base64") + Operation + "/" + Entry;
}

// Which coders the public functions use and why, with the rates the choice rests on.
void PrintPath() {
  namespace B = Sumtide::Base64Internal;
  std::printf("coders in use: %s", std::string(B::Coders()[B::RowInUse()].Name).c_str());
  const char* Forced = std::getenv(B::CodersVariable);
  if (Forced && *Forced)
    std::printf(" (%s=%s)", B::CodersVariable, Forced);
  // A fresh measurement, as the choice makes it: the best pass of each over the same 3 KiB and
  // its text, in bytes and characters per time-stamp tick.
  const std::vector<double> Rates = B::MeasureCoders();
  std::printf("\nchoice's measurement, bytes per tick:");
  const char* Separator = " ";
  for (std::size_t I = 0; I < B::Coders().size(); ++I) {
    const std::string Name(B::Coders()[I].Name);
    if (Rates[I] > 0)
      std::printf("%s%s %.2f", Separator, Name.c_str(), Rates[I]);
    else
      std::printf("%s%s does not run here", Separator, Name.c_str());
    Separator = ", ";
  }
  std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
  if (!ResultsAgree())
    return 1;
  // Each operation runs every coder in turn, so the runs to compare sit side by side.
  const std::vector<TEntry> List = Entries();
  for (const char* Operation : {"Encode", "Decode"})
    for (const TEntry& E : List)
      benchmark::RegisterBenchmark(BenchName(Operation, E.Name).c_str(),
                                   Operation[0] == 'E' ? E.Encode : E.Decode);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  double Clock = Sumtide::Bench::MeasureCoreClock();
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  Clock = std::max(Clock, Sumtide::Bench::MeasureCoreClock());

  std::printf("\n%-8s %-18s %8s %8s\n", "", "", "GB/s", "c/B");
  for (const char* Operation : {"Encode", "Decode"}) {
    for (const TEntry& E : List) {
      const double Rate = Reporter.Median(BenchName(Operation, E.Name));
      if (Rate > 0)
        std::printf("%-8s %-18s %8.2f %8.3f\n", Operation, E.Name.c_str(), Rate / 1e9,
                    Clock > 0 ? Clock / Rate : 0.0);
    }
  }
  const auto Ratio = [&Reporter](const char* Operation, const char* Ours, const char* Peer) {
    const double A = Reporter.Median(BenchName(Operation, Ours));
    const double B = Reporter.Median(BenchName(Operation, Peer));
    if (A > 0 && B > 0)
      std::printf("%-8s %-16s / %-16s %7.2f\n", Operation, Ours, Peer, A / B);
  };
  std::printf("\nratios\n");
  for (const char* Operation : {"Encode", "Decode"}) {
    Ratio(Operation, "Sumtide buffer", "OpenSSL EVP");
    Ratio(Operation, "Sumtide text", "OpenSSL EVP");
#ifdef SUMTIDE_BENCH_QT
    Ratio(Operation, "Sumtide buffer", "Qt QByteArray");
    Ratio(Operation, "Sumtide text", "Qt QByteArray");
#endif
  }
  std::printf("(GB = 10^9 bytes: of the input bytes when encoding, of the text when decoding; "
              "c/B at a measured core clock of %.0f MHz; medians over repetitions)\n",
              Clock / 1e6);
  PrintPath();
  benchmark::Shutdown();
  return 0;
}
