#include "WindowFixture.h"

#include <string>
#include <vector>

namespace Sumtide::Test {
namespace {

constexpr const char* AbcSum = "900150983CD24FB0D6963F7D28E17F72";
constexpr const char* ChosenSum = "CA071943E5ACD1C8BCFBE0D2EE36FEC2";  // "chosen"
constexpr const char* DroppedSum = "41D368A58EE26891A6A586DDAAA604F8"; // "dropped"

constexpr const char* Filter =
    "All files (*.*)|*.*|Fichiers Executable (*.exe)|*.exe|Fichiers Texte (*.txt)|*.txt|"
    "Fichiers Doc (*.doc)|*.doc|Fichiers 7-Zip (*.7z)|*.7z|Fichiers Ace (*.ace)|*.ace|"
    "Fichiers Rar (*.rar)|*.rar|Fichiers Tar (*.tar)|*.tar|Fichiers Zip (*.zip)|*.zip|"
    "Fichiers Iso (*.iso)|*.iso|Fichiers Bin (*.bin)|*.bin";

using Headless::TDialogAnswer;

class FileSelectionTest : public WindowFixture {
protected:
  void SetUp() override {
    WindowFixture::SetUp();
    Abc = MakeFile("abc.txt", "abc");
    Chosen = MakeFile("chosen.txt", "chosen");
    Dropped = MakeFile("dropped.txt", "dropped");
  }

  // The user presses "..." and answers the dialog with Answer.
  void Choose(TDialogAnswer Answer) {
    Kit.DialogAnswers.push_back(std::move(Answer));
    ASSERT_TRUE(Kit.Click("Button2"));
  }
  void Drop(const std::vector<std::string>& Paths) {
    const std::size_t Released = App->DroppedFiles().Released();
    ASSERT_TRUE(Kit.DropFiles(Paths));
    EXPECT_EQ(App->DroppedFiles().Released(), Released + 1) << "the drop was not released";
    EXPECT_EQ(App->DroppedFiles().Unreleased(), 0u);
  }

  std::string Abc, Chosen, Dropped;
};

TEST_F(FileSelectionTest, EveryOpeningOffersAllTypesFirstAndTheLastChosenName) {
  Choose({Chosen, 3});
  Choose({});
  ASSERT_EQ(Kit.DialogRequests.size(), 2u);
  EXPECT_EQ(Kit.DialogRequests[0].Filter, Filter);
  EXPECT_EQ(Kit.DialogRequests[0].FilterIndex, 1);
  EXPECT_EQ(Kit.DialogRequests[0].FileName, "");
  EXPECT_EQ(Kit.DialogRequests[1].Filter, Filter);
  EXPECT_EQ(Kit.DialogRequests[1].FilterIndex, 1);
  EXPECT_EQ(Kit.DialogRequests[1].FileName, Chosen);
}

TEST_F(FileSelectionTest, AChosenFileIsNamedAndHashedAtOnce) {
  Choose({Chosen});
  EXPECT_EQ(Text("Edit3"), Chosen);
  EXPECT_EQ(Text("Edit1"), ChosenSum);
  EXPECT_TRUE(Enabled("Button3"));
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

TEST_F(FileSelectionTest, CancellingTheDialogChangesNothing) {
  Calculate(Abc);
  const TWindowState Before = State();
  const int Cursors = Kit.BusyCursorsShown;
  Choose({});
  EXPECT_EQ(State(), Before);
  EXPECT_EQ(Text("Edit3"), Abc);
  EXPECT_EQ(Kit.BusyCursorsShown, Cursors);
}

TEST_F(FileSelectionTest, AChosenNameThatNamesNoFileIsShownAndNothingElseChanges) {
  Calculate(Abc);
  const TWindowState Before = State();
  Choose({PathOf("vanished.txt")});
  EXPECT_EQ(Text("Edit3"), PathOf("vanished.txt"));
  EXPECT_EQ(State(), Before);
}

TEST_F(FileSelectionTest, TypedAndDroppedNamesDoNotChangeTheDialogsName) {
  Choose({Chosen});
  ASSERT_TRUE(Kit.Type("Edit3", Abc));
  Drop({Dropped});
  Choose({});
  ASSERT_EQ(Kit.DialogRequests.size(), 2u);
  EXPECT_EQ(Kit.DialogRequests[1].FileName, Chosen);
}

// Both the dialog and a drop run the checksum through the click of "Calculer", so whatever is
// bound to that button is what runs.
TEST_F(FileSelectionTest, ChoosingAndDroppingClickCalculer) {
  static std::vector<std::string> Clicks;
  static const TMethodInfo Record{"Record", [](TComponent& Self, TComponent* Sender) {
                                    auto& Form = static_cast<TForm1&>(Self);
                                    Clicks.push_back(Sender == Form.Button1 ? Form.Edit3->Text()
                                                                            : "wrong sender");
                                  }};
  Clicks.clear();
  Form1->Button1->SetOnClick({Form1, &Record});
  Choose({Chosen});
  Drop({Dropped});
  EXPECT_EQ(Clicks, (std::vector{Chosen, Dropped}));
  EXPECT_EQ(Text("Edit1"), "");
}

TEST_F(FileSelectionTest, DroppingOneFileNamesAndHashesIt) {
  ASSERT_TRUE(Kit.Type("Edit3", Abc));
  Drop({Dropped});
  EXPECT_EQ(Text("Edit3"), Dropped);
  EXPECT_EQ(Text("Edit1"), DroppedSum);
  EXPECT_TRUE(Enabled("Button3"));
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

TEST_F(FileSelectionTest, DroppingNoneOrSeveralChangesNothing) {
  Calculate(Abc);
  const TWindowState Before = State();
  const std::vector<std::vector<std::string>> Drops = {
      {}, {Chosen, Dropped}, {Dropped, Dir.string()}, {Dropped, Dropped}};
  for (const auto& Paths : Drops) {
    SCOPED_TRACE(Paths.size());
    Drop(Paths);
    EXPECT_EQ(Text("Edit3"), Abc);
    EXPECT_EQ(State(), Before);
  }
}

TEST_F(FileSelectionTest, DroppingAFolderNamesItAndKeepsTheChecksum) {
  Calculate(Abc);
  const TWindowState Before = State();
  Drop({Dir.string()});
  EXPECT_EQ(Text("Edit3"), Dir.string());
  EXPECT_EQ(State(), Before);
}

// A long path is taken whole: a path cut short could name another file.
TEST_F(FileSelectionTest, DroppingAPathLongerThan255CharactersTakesItWhole) {
  std::filesystem::path Deep = Dir;
  for (char Letter : {'a', 'b', 'c'})
    Deep /= std::string(100, Letter);
  std::filesystem::create_directories(Deep);
  const std::string Path = (Deep / "deep.txt").string();
  ASSERT_GT(Path.size(), 300u);
  MakeFile(std::filesystem::relative(Path, Dir).string(), "deep");
  Drop({Path});
  EXPECT_EQ(Text("Edit3"), Path);
  EXPECT_EQ(Text("Edit1"), "6627415E807EE33C7302917216E7DA68");
}

TEST_F(FileSelectionTest, TheDropIsReleasedWhenTheChecksumFails) {
  const std::string Unreadable = UnreadableFile();
  if (Unreadable.empty())
    GTEST_SKIP() << "no regular file here that fails to read";
  Calculate(Abc);
  Drop({Unreadable});
  EXPECT_EQ(Text("Edit3"), Unreadable);
  EXPECT_EQ(Text("Edit1"), AbcSum);
  ASSERT_EQ(Kit.MessageBoxes.size(), 1u);
  EXPECT_EQ(Kit.MessageBoxes[0].Kind, Toolkit::TMessageKind::Error);
}

} // namespace
} // namespace Sumtide::Test
