// The entry function: what the program sets up before the loop, how it ends, and what a window
// layout that cannot be read leads to.

#include "ToolkitPrinters.h"
#include "app/AppMain.h"
#include "app/Unit1.h"
#include "app/Unit1Layout.h"
#include "forms/Application.h"
#include "rtl/Exception.h"
#include "rtl/Resources.h"
#include "toolkit/headless/HeadlessToolkit.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Sumtide::Test {
namespace {

using Headless::THeadlessToolkit;

// The program passes nothing but the toolkit and the start-up show state.
static_assert(
    std::is_same_v<decltype(&SumtideMain), int (*)(Toolkit::IToolkit&, Toolkit::TShowState)>);

class StartupTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterUnit1(); }
  // A test may have replaced the layout; the next one gets the real one back.
  void TearDown() override { RegisterUnit1(); }

  // After the entry function: the application freed everything it built.
  void ExpectNothingLeft() const {
    EXPECT_EQ(Application, nullptr);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Kit.MainForm(), nullptr);
    EXPECT_EQ(Kit.Find("Button1"), nullptr);
  }

  THeadlessToolkit Kit;
};

class ShowStateTest : public StartupTest,
                      public ::testing::WithParamInterface<Toolkit::TShowState> {};

TEST_P(ShowStateTest, TheWindowIsReadyWhenTheLoopRuns) {
  bool Ran = false;
  Kit.OnRun = [&](THeadlessToolkit& K) {
    Ran = true;
    ASSERT_NE(Application, nullptr);
    EXPECT_EQ(Application->Title(), "Sumtide");
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(Form1->ClassName(), "TForm1");
    EXPECT_EQ(Form1->Name(), "Form1");
    EXPECT_EQ(Form1->Owner(), Application);
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_EQ(K.MainForm(), &Form1->Handle());
    EXPECT_TRUE(K.DropsAccepted);
    EXPECT_TRUE(K.Running);
    EXPECT_EQ(K.RunShowState, GetParam());
    EXPECT_FALSE(K.Terminated);
    EXPECT_TRUE(K.MessageBoxes.empty());
  };
  EXPECT_EQ(SumtideMain(Kit, GetParam()), 0);
  EXPECT_TRUE(Ran);
  EXPECT_EQ(Kit.RunShowState, GetParam());
  EXPECT_TRUE(Kit.MessageBoxes.empty());
  ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(StartupTest, ShowStateTest,
                         ::testing::Values(Toolkit::TShowState::Normal,
                                           Toolkit::TShowState::Maximized,
                                           Toolkit::TShowState::MinimizedInactive));

struct TQuitCase {
  const char* Name;
  std::function<void(THeadlessToolkit&)> Act;
};

void PrintTo(const TQuitCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class QuitTest : public StartupTest, public ::testing::WithParamInterface<TQuitCase> {};

TEST_P(QuitTest, EndsTheApplicationWithoutAQuestion) {
  bool Ran = false;
  Kit.OnRun = [&](THeadlessToolkit& K) {
    Ran = true;
    ASSERT_FALSE(K.Terminated);
    GetParam().Act(K);
    EXPECT_TRUE(K.Terminated);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(K.MessageBoxes.empty());
    EXPECT_NE(K.MainForm(), nullptr); // the window goes when the loop has ended
  };
  EXPECT_EQ(SumtideMain(Kit, Toolkit::TShowState::Normal), 0);
  EXPECT_TRUE(Ran);
  EXPECT_TRUE(Kit.MessageBoxes.empty());
  ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    StartupTest, QuitTest,
    ::testing::Values(TQuitCase{"Quitter",
                                [](THeadlessToolkit& K) { ASSERT_TRUE(K.Click("Button4")); }},
                      TQuitCase{"CloseBox", [](THeadlessToolkit& K) { K.CloseMainForm(); }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// The real layout with the first occurrence of From replaced by To.
std::string Edited(std::string_view From, std::string_view To) {
  std::string Text(Unit1Layout());
  const std::size_t At = Text.find(From);
  if (At == std::string::npos)
    throw std::invalid_argument("the layout has no " + std::string(From));
  return Text.replace(At, From.size(), To);
}

// The 1-based line of the first occurrence of Needle in Text.
int LineOf(const std::string& Text, std::string_view Needle) {
  const std::size_t At = Text.find(Needle);
  if (At == std::string::npos)
    throw std::invalid_argument("no " + std::string(Needle));
  return 1 + static_cast<int>(std::count(Text.begin(), Text.begin() + static_cast<long>(At), '\n'));
}

struct TBrokenLayout {
  const char* Name;
  std::string Text;
  int Line;             // the line the message names; 0: a fault that has no line
  std::string Fragment; // a part of the message that tells the fault
};

std::vector<TBrokenLayout> BrokenLayouts() {
  const std::string UnknownClass = Edited("object Button4: TButton", "object Button4: TBouton");
  const std::string UnknownProperty = Edited("Caption = 'Quitter'", "Legende = 'Quitter'");
  const std::string UnknownHandler = Edited("OnClick = Button4Click", "OnClick = Button9Click");
  const std::string WrongValue = Edited("TabOrder = 5", "TabOrder = 'cinq'");
  const std::string Unterminated = std::string(Unit1Layout()).substr(0, Unit1Layout().rfind("end"));
  const std::string Button3Block = "  object Button3: TButton";
  std::string NoButton3(Unit1Layout());
  const std::size_t Start = NoButton3.find(Button3Block);
  NoButton3.erase(Start, NoButton3.find("  object Button4", Start) - Start);
  return {
      {"Garbage", "Ceci n'est pas une fen\xC3\xAAtre", 1, "'object' expected"},
      {"ControlCharacters", "\x01\x02\x03", 1, "#1"},
      {"Empty", "", 1, "end of text"},
      {"UnknownClass", UnknownClass, LineOf(UnknownClass, "TBouton"), "TBouton"},
      {"UnknownProperty", UnknownProperty, LineOf(UnknownProperty, "Legende"), "Legende"},
      {"UnknownHandler", UnknownHandler, LineOf(UnknownHandler, "Button9Click"), "Button9Click"},
      {"WrongValue", WrongValue, LineOf(WrongValue, "'cinq'"), "TabOrder"},
      {"OtherClass", Edited("object Form1: TForm1", "object Form1: TButton"), 1, "TButton"},
      {"Unterminated", Unterminated,
       1 + static_cast<int>(std::count(Unterminated.begin(), Unterminated.end(), '\n')),
       "end of text"},
      {"MissingComponent", NoButton3, 0, "Button3"},
      {"ComponentOfAnotherClass", Edited("object Button3: TButton", "object Button3: TGroupBox"), 0,
       "Button3"},
  };
}

void PrintTo(const TBrokenLayout& Layout, std::ostream* Out) {
  *Out << Layout.Name;
}

class BrokenLayoutTest : public StartupTest, public ::testing::WithParamInterface<TBrokenLayout> {
protected:
  std::string Layout; // registered while the test runs
};

TEST_P(BrokenLayoutTest, IsShownOnceAndNothingIsLeftBehind) {
  Layout = GetParam().Text;
  RegisterResource("TFORM1", Layout);
  Kit.OnRun = [](THeadlessToolkit&) { ADD_FAILURE() << "the loop ran without a window"; };

  EXPECT_EQ(SumtideMain(Kit, Toolkit::TShowState::Normal), 0);

  ASSERT_EQ(Kit.MessageBoxes.size(), 1u);
  const auto& Box = Kit.MessageBoxes.front();
  EXPECT_EQ(Box.Caption, "Sumtide");
  EXPECT_EQ(Box.Kind, Toolkit::TMessageKind::Error);
  if (GetParam().Line > 0) {
    EXPECT_TRUE(Box.Text.starts_with("Line " + std::to_string(GetParam().Line) + ": ")) << Box.Text;
  } else {
    EXPECT_FALSE(Box.Text.starts_with("Line ")) << Box.Text;
  }
  EXPECT_NE(Box.Text.find(GetParam().Fragment), std::string::npos) << Box.Text;
  EXPECT_EQ(Kit.RunShowState, std::nullopt);
  EXPECT_FALSE(Kit.DropsAccepted);
  ExpectNothingLeft();
}

TEST_P(BrokenLayoutTest, CreatingTheFormFailsAndKeepsNothing) {
  Layout = GetParam().Text;
  RegisterResource("TFORM1", Layout);
  TApplication App(Kit);
  EXPECT_THROW(App.CreateForm(Form1), Exception);
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(App.MainForm(), nullptr);
  EXPECT_EQ(App.ComponentCount(), 0);
  EXPECT_EQ(Kit.MainForm(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(StartupTest, BrokenLayoutTest, ::testing::ValuesIn(BrokenLayouts()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace Sumtide::Test
