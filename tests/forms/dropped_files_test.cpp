// The drops the forms layer holds for a window's WM_DROPFILES handler, whichever toolkit reported
// them: count, names in order, release.

#include "forms/DroppedFiles.h"
#include "rtl/Exception.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace Sumtide::Test {
namespace {

TEST(DroppedFilesTest, EachDropAnswersItsOwnNamesInOrderUntilItIsReleased) {
  const std::vector<std::vector<std::string>> Drops = {
      {},
      {"/home/alice/a.txt"},
      {"/tmp/r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt", "C:\\Temp\\b.bin", "raw \xFF byte",
       "/tmp/r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt"},
  };
  TDroppedFiles Dropped;
  std::vector<TDropHandle> Handles;
  for (const auto& Names : Drops)
    Handles.push_back(Dropped.Add(Names));
  EXPECT_EQ(Dropped.Unreleased(), Drops.size());

  // Every drop is live at once, each under its own handle.
  for (std::size_t D = 0; D < Drops.size(); ++D) {
    SCOPED_TRACE(D);
    const TDropHandle Drop = Handles[D];
    ASSERT_EQ(Dropped.Count(Drop), Drops[D].size());
    for (std::uint32_t I = 0; I < Drops[D].size(); ++I)
      EXPECT_EQ(Dropped.Name(Drop, I), Drops[D][I]) << I;
    const auto Past = static_cast<std::uint32_t>(Drops[D].size());
    EXPECT_EQ(Dropped.Name(Drop, Past), "");
    EXPECT_EQ(Dropped.Name(Drop, UINT32_MAX), "");
  }

  // A released drop is gone for good; the others stay whole.
  for (std::size_t D = 0; D < Drops.size(); ++D) {
    SCOPED_TRACE(D);
    const TDropHandle Drop = Handles[D];
    Dropped.Release(Drop);
    EXPECT_EQ(Dropped.Released(), D + 1);
    EXPECT_EQ(Dropped.Unreleased(), Drops.size() - D - 1);
    EXPECT_THROW(Dropped.Count(Drop), Exception);
    EXPECT_THROW(Dropped.Name(Drop, 0), Exception);
    EXPECT_THROW(Dropped.Release(Drop), Exception);
    EXPECT_EQ(Dropped.Released(), D + 1);
    for (std::size_t Next = D + 1; Next < Drops.size(); ++Next)
      EXPECT_EQ(Dropped.Count(Handles[Next]), Drops[Next].size());
  }
}

TEST(DroppedFilesTest, AHandleNeverHandedOutIsRefused) {
  TDroppedFiles Dropped;
  const TDropHandle Live = Dropped.Add({"/tmp/a.txt"});
  for (const TDropHandle Other : {TDropHandle{0}, Live + 1, ~TDropHandle{0}}) {
    SCOPED_TRACE(Other);
    EXPECT_THROW(Dropped.Count(Other), Exception);
    EXPECT_THROW(Dropped.Name(Other, 0), Exception);
    EXPECT_THROW(Dropped.Release(Other), Exception);
  }
  EXPECT_EQ(Dropped.Unreleased(), 1u);
  EXPECT_EQ(Dropped.Released(), 0u);
  EXPECT_EQ(Dropped.Name(Live, 0), "/tmp/a.txt");
}

} // namespace
} // namespace Sumtide::Test
