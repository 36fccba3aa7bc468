// Hostile input on the window's paths that the other suites leave open: files that change between
// the checks and the reads, paths at the system's length limit, a dropped folder, memory that runs
// out while the buffer is obtained, a fault raised by the toolkit inside each handler, and
// components that fail while a form description is being read. The cases already covered
// elsewhere are listed in docs/robustness.md.

#include "FaultyToolkit.h"
#include "WindowFixture.h"
#include "app/AppMain.h"
#include "app/Unit1Layout.h"
#include "files/FileServices.h"
#include "files/InputFile.h"
#include "rtl/FormReader.h"
#include "rtl/FormWriter.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// --- An allocation hook: while armed, every request of FailFrom bytes or more fails.

namespace {
std::atomic<std::size_t> FailFrom{0}; // 0: disarmed
std::atomic<int> FailedAllocations{0};

void* Allocate(std::size_t Size) {
  const std::size_t Limit = FailFrom.load();
  if (Limit != 0 && Size >= Limit) {
    ++FailedAllocations;
    throw std::bad_alloc();
  }
  if (void* P = std::malloc(Size == 0 ? 1 : Size))
    return P;
  throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t Size) {
  return Allocate(Size);
}
void* operator new[](std::size_t Size) {
  return Allocate(Size);
}
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(Size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t Size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(Size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* P) noexcept {
  std::free(P);
}
void operator delete[](void* P) noexcept {
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept {
  std::free(P);
}
void operator delete[](void* P, std::size_t) noexcept {
  std::free(P);
}
void operator delete(void* P, const std::nothrow_t&) noexcept {
  std::free(P);
}
void operator delete[](void* P, const std::nothrow_t&) noexcept {
  std::free(P);
}

namespace Sumtide::Test {
namespace {

using Headless::THeadlessToolkit;
using Headless::TMessageBoxRecord;

constexpr const char* AbcSum = "900150983CD24FB0D6963F7D28E17F72";
const std::string OutOfMemory = "M\xC3\xA9moire insuffisante.";

int OpenDescriptors() {
  int Count = 0;
  for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++Count;
  return Count;
}

// The window as WindowFixture builds it, on the hostile toolkit.
class HostileInputTest : public TWindowFixtureOf<TFaultyToolkit> {
protected:
  void TearDown() override {
    FailFrom = 0;
    TWindowFixtureOf::TearDown();
  }

  // "Calculer" on Name leaves the window as it was.
  void ExpectRefused(const std::string& Name) {
    const TWindowState Before = State();
    Calculate(Name);
    EXPECT_EQ(State(), Before);
    EXPECT_EQ(Kit.BusyDepth, 0);
  }
  // The window still works: "Calculer" on a good file shows its checksum.
  void ExpectStillWorks() {
    Calculate(MakeFile("good.txt", "abc"));
    EXPECT_EQ(Text("Edit1"), AbcSum);
    EXPECT_TRUE(Enabled("Button3"));
    EXPECT_EQ(Kit.BusyDepth, 0);
  }
};

// --- Files that change under the command.

// No toolkit call lies between the existence test and the open, so the pieces are driven
// directly: a name that passed the test and was removed before the open opens nothing.
TEST_F(HostileInputTest, AFileRemovedBeforeTheOpenIsRefused) {
  const std::string Path = MakeFile("gone.txt", "gone");
  ASSERT_TRUE(FileExists(Path));
  ASSERT_EQ(::unlink(Path.c_str()), 0);
  TInputError Error;
  EXPECT_FALSE(TInputFile::Open(Path, TFileKinds::RegularOnly, Error).has_value());
  ExpectRefused(Path);
  ExpectStillWorks();
}

// Between the open (which takes the size) and the first read, the file is truncated, grown,
// removed or replaced: the command shows that the file changed, naming it, and changes nothing
// else; no descriptor stays open.
TEST_F(HostileInputTest, AFileChangedAfterTheOpenIsReportedAndChangesNothing) {
  const std::string Original(1000, 'o');
  std::string Large(9 << 20, 'L');
  for (std::size_t I = 0; I < Large.size(); I += 4093)
    Large[I] = static_cast<char>(I >> 12);
  struct TCase {
    const char* Label;
    std::string Content;
    std::function<void(const std::string&)> Change;
  };
  const std::filesystem::path Folder = Dir;
  const TCase Cases[] = {
      {"truncated", Original,
       [](const std::string& P) { ASSERT_EQ(::truncate(P.c_str(), 10), 0); }},
      // Large enough to be mapped window by window: the first window is refused, and the file
      // is read instead, which its new size gives away.
      {"truncated, large", Large,
       [](const std::string& P) { ASSERT_EQ(::truncate(P.c_str(), (5 << 20) + 3), 0); }},
      {"emptied", Original, [](const std::string& P) { ASSERT_EQ(::truncate(P.c_str(), 0), 0); }},
      {"grown", "ten bytes.",
       [](const std::string& P) { std::ofstream(P, std::ios::app) << std::string(5000, 'g'); }},
      {"rewritten", Original,
       [](const std::string& P) {
         std::fstream(P, std::ios::binary | std::ios::in | std::ios::out) << "rewritten";
       }},
      {"removed", Original, [](const std::string& P) { ASSERT_EQ(::unlink(P.c_str()), 0); }},
      {"replaced", Original,
       [Folder](const std::string& P) {
         std::ofstream(Folder / "other", std::ios::binary) << "other";
         std::filesystem::rename(Folder / "other", P);
       }},
  };
  ExpectStillWorks();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Label);
    const std::string Path = MakeFile("changing", C.Content);
    // The file system stamps changes with a coarse clock: the change comes a tick later.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Kit.OnBusy = [&] { C.Change(Path); };
    Kit.MessageBoxes.clear();
    TWindowState Expected = State();
    const int Descriptors = OpenDescriptors();
    Calculate(Path);
    EXPECT_FALSE(Kit.OnBusy) << "the command never showed the wait cursor";
    ++Expected.MessageBoxes;
    EXPECT_EQ(State(), Expected);
    EXPECT_EQ(Kit.MessageBoxes, (std::vector<TMessageBoxRecord>{
                                    {"Le fichier \"" + Path +
                                         "\" a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 pendant le calcul.",
                                     "Sumtide", Toolkit::TMessageKind::Error}}));
    EXPECT_EQ(OpenDescriptors(), Descriptors);
    EXPECT_EQ(Kit.BusyDepth, 0);
    std::filesystem::remove(Path);
  }
  Kit.MessageBoxes.clear();
  ExpectStillWorks();
}

// --- Paths at the length limit.

// A path of exactly 4096 bytes (PATH_MAX with its terminating NUL) names no file: refused without
// a word. The longest path the system takes, 4095 bytes, to a real file is hashed. A dropped path
// of 4096 bytes is taken whole into the name field and then refused.
TEST_F(HostileInputTest, PathsAtTheSystemLimit) {
  // Folders of 200-byte names down to a file whose full path is exactly 4095 bytes.
  std::filesystem::path Deep = Dir;
  while (Deep.string().size() + 1 + 200 + 1 + 1 < 4095) {
    Deep /= std::string(200, 'd');
    ASSERT_TRUE(std::filesystem::create_directory(Deep));
  }
  const std::size_t Rest = 4095 - Deep.string().size() - 1;
  ASSERT_GE(Rest, 1u);
  ASSERT_LE(Rest, 255u);
  const std::string Longest = (Deep / std::string(Rest, 'f')).string();
  ASSERT_EQ(Longest.size(), 4095u);
  {
    std::ofstream Out(Longest, std::ios::binary);
    Out << "abc";
    ASSERT_TRUE(Out.good()) << "this file system refuses a path of 4095 bytes";
  }
  Calculate(Longest);
  EXPECT_EQ(Kit.Get("Edit1").GetText(), AbcSum);

  const std::string TooLong = Longest + "x";
  ASSERT_EQ(TooLong.size(), 4096u);
  ExpectRefused(TooLong);
  EXPECT_EQ(Kit.Get("Edit3").GetText(), TooLong);

  const TWindowState Before = State();
  ASSERT_TRUE(Kit.DropFiles({TooLong}));
  EXPECT_EQ(Kit.Get("Edit3").GetText(), TooLong);
  EXPECT_EQ(State(), Before);
  std::filesystem::remove_all(Dir / std::string(200, 'd'));
  ExpectStillWorks();
}

TEST_F(HostileInputTest, ADroppedFolderChangesNothing) {
  ExpectStillWorks();
  const std::string Folder = (Dir / "folder").string();
  ASSERT_TRUE(std::filesystem::create_directory(Folder));
  const TWindowState Before = State();
  ASSERT_TRUE(Kit.DropFiles({Folder}));
  EXPECT_EQ(Kit.Get("Edit3").GetText(), Folder);
  EXPECT_EQ(State(), Before);
  EXPECT_EQ(App->DroppedFiles().Released(), 1u);
  EXPECT_EQ(App->DroppedFiles().Unreleased(), 0u);
  ExpectStillWorks();
}

// --- Resources.

// Memory runs out as the read buffer is obtained: the standard display, the file closed again,
// the window as it was; once memory is back, the command works.
TEST_F(HostileInputTest, OutOfMemoryForTheBufferIsShownAndChangesNothing) {
  ExpectStillWorks();
  for (const std::string& Content : {std::string(1000, 'm'), std::string()}) {
    SCOPED_TRACE(Content.size());
    const std::string Path = MakeFile("memory", Content);
    Kit.MessageBoxes.clear();
    TWindowState Expected = State();
    const int Descriptors = OpenDescriptors();
    FailedAllocations = 0;
    FailFrom = 16 << 10;
    Calculate(Path);
    FailFrom = 0;
    EXPECT_GT(FailedAllocations, 0) << "the command allocated no buffer of 16 KiB or more";
    ++Expected.MessageBoxes;
    EXPECT_EQ(State(), Expected);
    EXPECT_EQ(Kit.MessageBoxes, (std::vector<TMessageBoxRecord>{
                                    {OutOfMemory, "Sumtide", Toolkit::TMessageKind::Error}}));
    EXPECT_EQ(OpenDescriptors(), Descriptors);
    EXPECT_EQ(Kit.BusyDepth, 0);
  }
  Kit.MessageBoxes.clear();
  Calculate(MakeFile("after", "after"));
  EXPECT_EQ(Kit.Get("Edit1").GetText(), Md5Text("after"));
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

// Found by fuzz/form_reader_fuzz.cpp: the writer leaves out a property that holds its published
// default, so every default must be what a new instance holds, or the value read back differs
// (an edit written with TabStop off came back with it on).
TEST(FormRoundTripTest, TheWindowClassesReadBackWhatTheWriterWrote) {
  RegisterUnit1();
  struct TCase {
    const char* Class;
    const char* Property;
    const char* Value;
  };
  const TCase Cases[] = {
      {"TEdit", "TabStop", "False"},     {"TEdit", "TabStop", "True"},
      {"TEdit", "Color", "clDefault"},   {"TEdit", "Color", "clWindow"},
      {"TButton", "TabStop", "False"},   {"TButton", "Color", "clDefault"},
      {"TButton", "Color", "clBtnFace"}, {"TGroupBox", "TabStop", "False"},
      {"TForm1", "ParentFont", "True"},  {"TForm1", "ParentFont", "False"},
      {"TForm1", "Color", "clDefault"},  {"TForm1", "Color", "clBtnFace"},
      {"TLabel", "ParentFont", "False"}, {"TLabel", "Color", "clDefault"},
  };
  for (const TCase& C : Cases) {
    const std::string Text =
        std::string("object X: ") + C.Class + "\n  " + C.Property + " = " + C.Value + "\nend\n";
    SCOPED_TRACE(Text);
    TComponent Owner(nullptr), Again(nullptr);
    const TComponent& First = ReadComponent(Text, Owner);
    const std::string Written = WriteComponent(First);
    const TComponent& Second = ReadComponent(Written, Again);
    const TPropInfo* Prop = First.ClassType().FindProperty(C.Property);
    ASSERT_NE(Prop, nullptr);
    EXPECT_EQ(Prop->Read(Second), Prop->Read(First)) << Written;
    EXPECT_EQ(WriteComponent(Second), Written);
  }
  // The window's own layout.
  TComponent Owner(nullptr), Again(nullptr);
  const std::string Written = WriteComponent(ReadComponent(Unit1Layout(), Owner));
  EXPECT_EQ(WriteComponent(ReadComponent(Written, Again)), Written);
}

} // namespace
} // namespace Sumtide::Test
