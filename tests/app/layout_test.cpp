// The window as its layout builds it: the form, every control value by value (in the fields of
// TForm1 and in what the toolkit was asked to show), the scaling to the screen, and the signature
// link in the corner.

#include "WindowFixture.h"

#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace Sumtide::Test {
namespace {

using Headless::THeadlessPeer;
using Toolkit::TPeerKind;

// The default build setting, stored as written: two backslashes.
constexpr std::string_view LinkAddress = "https:\\\\sumtide.example.org";

struct TRect {
  int Left, Top, Width, Height;
};

struct TControlRow {
  std::string_view Name, Class, Parent;
  TRect Rect;
  std::string_view Text;
  int TabOrder = -1; // labels are not in the tab order
  bool TabStop = false;
  bool Enabled = true;
  std::string_view Handler = {};
  bool ParentFont = true;
  TColor FontColor = TColor::clWindowText;
  bool Transparent = false;
  TCursor Cursor = TCursor::crDefault;
  std::string_view Hint = {};
  bool ReadOnly = false;
  std::optional<TColor> Color = std::nullopt;
};

// In creation order.
const TControlRow Controls[] = {
    {.Name = "Label1",
     .Class = "TLabel",
     .Parent = "Form1",
     .Rect = {389, 165, 20, 13},
     .Text = "K!Vo",
     .ParentFont = false,
     .FontColor = TColor::clWhite},
    {.Name = "Label2",
     .Class = "TLabel",
     .Parent = "Form1",
     .Rect = {388, 164, 20, 13},
     .Text = "K!Vo",
     .Handler = "Label2Click",
     .ParentFont = false,
     .FontColor = TColor::clGray,
     .Transparent = true,
     .Cursor = TCursor::crHandPoint,
     .Hint = LinkAddress},
    {.Name = "Button1",
     .Class = "TButton",
     .Parent = "Form1",
     .Rect = {332, 68, 75, 25},
     .Text = "Calculer",
     .TabOrder = 3,
     .TabStop = true,
     .Handler = "Button1Click",
     .Color = TColor::clBtnFace},
    {.Name = "GroupBox1",
     .Class = "TGroupBox",
     .Parent = "Form1",
     .Rect = {6, 8, 313, 53},
     .Text = " Nom de fichier ",
     .TabOrder = 0},
    {.Name = "Button2",
     .Class = "TButton",
     .Parent = "GroupBox1",
     .Rect = {272, 18, 25, 22},
     .Text = "...",
     .TabOrder = 0,
     .TabStop = true,
     .Handler = "Button2Click",
     .Color = TColor::clBtnFace},
    {.Name = "Edit3",
     .Class = "TEdit",
     .Parent = "GroupBox1",
     .Rect = {8, 19, 257, 21},
     .Text = "",
     .TabOrder = 1,
     .Color = TColor::clWindow},
    {.Name = "GroupBox2",
     .Class = "TGroupBox",
     .Parent = "Form1",
     .Rect = {6, 64, 313, 53},
     .Text = "Somme de contr\xC3\xB4le MD5 ",
     .TabOrder = 1},
    {.Name = "Edit1",
     .Class = "TEdit",
     .Parent = "GroupBox2",
     .Rect = {8, 19, 289, 21},
     .Text = "",
     .TabOrder = 0,
     .ReadOnly = true,
     .Color = TColor::clBtnFace},
    {.Name = "GroupBox3",
     .Class = "TGroupBox",
     .Parent = "Form1",
     .Rect = {6, 120, 313, 53},
     .Text = " Comparaison ",
     .TabOrder = 2},
    {.Name = "Edit2",
     .Class = "TEdit",
     .Parent = "GroupBox3",
     .Rect = {8, 19, 289, 21},
     .Text = "",
     .TabOrder = 0,
     .Color = TColor::clWindow},
    {.Name = "Button3",
     .Class = "TButton",
     .Parent = "Form1",
     .Rect = {332, 100, 75, 25},
     .Text = "Comparer",
     .TabOrder = 4,
     .TabStop = true,
     .Enabled = false,
     .Handler = "Button3Click",
     .Color = TColor::clBtnFace},
    {.Name = "Button4",
     .Class = "TButton",
     .Parent = "Form1",
     .Rect = {332, 132, 75, 25},
     .Text = "Quitter",
     .TabOrder = 5,
     .TabStop = true,
     .Handler = "Button4Click",
     .Color = TColor::clBtnFace},
};

TPeerKind KindOf(std::string_view Class) {
  if (Class == "TLabel")
    return TPeerKind::Label;
  if (Class == "TButton")
    return TPeerKind::Button;
  if (Class == "TEdit")
    return TPeerKind::Edit;
  return TPeerKind::GroupBox;
}

std::vector<std::string> NamesOf(const std::vector<THeadlessPeer*>& Peers) {
  std::vector<std::string> Names;
  for (const THeadlessPeer* P : Peers)
    Names.push_back(P->Name());
  return Names;
}

// A screen, and what the window's numbers become on it: fonts follow the resolution, positions
// and sizes the height of a line of the (scaled) window font.
struct TScreen {
  int PixelsPerInch;
  int ScreenTextHeight; // what the toolkit reports for the layout's font
  int FontHeight;       // the window font's height after scaling: -11 * PixelsPerInch / 96
  int LineHeight;       // a line of that font here; positions scale by LineHeight / 13
  TRect Form;           // the form's position and client area, worked out by hand
  TRect Button1;
};

void PrintTo(const TScreen& Screen, std::ostream* Out) {
  *Out << Screen.PixelsPerInch << " ppi, text " << Screen.ScreenTextHeight;
}

// Rounded to nearest; the layout holds no negative position.
int Scaled(int V, int Num) {
  return (2 * V * Num + 13) / 26;
}

class ScreenTest : public WindowFixture, public ::testing::WithParamInterface<TScreen> {
protected:
  void SetUp() override {
    Kit.ScreenPixelsPerInch = GetParam().PixelsPerInch;
    Kit.ScreenTextHeight = GetParam().ScreenTextHeight;
    WindowFixture::SetUp();
  }
  int S(int V) const { return Scaled(V, GetParam().LineHeight); }
};

TEST_P(ScreenTest, TheFormFollowsTheScreen) {
  const TScreen& Screen = GetParam();
  ASSERT_EQ(Kit.TextHeight({"MS Sans Serif", Screen.FontHeight, TColor::clWindowText}),
            Screen.LineHeight);
  const THeadlessPeer& Peer = *Kit.MainForm();
  ASSERT_EQ(&Peer, &Form1->Handle());
  const Toolkit::TPeerProps& P = Peer.Props();

  EXPECT_EQ(Form1->ClientWidth(), Screen.Form.Width);
  EXPECT_EQ(Form1->ClientHeight(), Screen.Form.Height);
  EXPECT_EQ(Form1->Left(), Screen.Form.Left);
  EXPECT_EQ(Form1->Top(), Screen.Form.Top);
  EXPECT_EQ(P.Width, Screen.Form.Width);
  EXPECT_EQ(P.Height, Screen.Form.Height);
  EXPECT_EQ(P.Left, Screen.Form.Left);
  EXPECT_EQ(P.Top, Screen.Form.Top);
  const TControl& Calculer = *Form1->Button1;
  EXPECT_EQ((std::vector{Calculer.Left(), Calculer.Top(), Calculer.Width(), Calculer.Height()}),
            (std::vector{Screen.Button1.Left, Screen.Button1.Top, Screen.Button1.Width,
                         Screen.Button1.Height}));

  EXPECT_EQ(P.Kind, TPeerKind::Form);
  EXPECT_EQ(P.Name, "Form1");
  EXPECT_EQ(Form1->GetText(), "Sumtide");
  EXPECT_EQ(Peer.GetText(), "Sumtide");
  EXPECT_EQ(Form1->Color(), TColor::clBtnFace);
  EXPECT_EQ(P.Color, TColor::clBtnFace);
  EXPECT_FALSE(Form1->ParentFont());
  EXPECT_EQ(Form1->FontName(), "MS Sans Serif");
  EXPECT_EQ(Form1->FontHeight(), Screen.FontHeight);
  EXPECT_EQ(Form1->FontColor(), TColor::clWindowText);
  EXPECT_EQ(P.Font.Name, "MS Sans Serif");
  EXPECT_EQ(P.Font.Height, Screen.FontHeight);
  EXPECT_EQ(P.Font.Color, TColor::clWindowText);
  EXPECT_EQ(Form1->Position(), TPosition::poScreenCenter);
  EXPECT_TRUE(P.CentreOnScreen);
  EXPECT_EQ(Form1->BorderStyle(), TFormBorderStyle::bsSingle);
  EXPECT_FALSE(P.Resizable);
  EXPECT_EQ(Form1->BorderIcons(), biSystemMenu | biMinimize);
  EXPECT_TRUE(P.MinimizeBox);
  EXPECT_FALSE(P.MaximizeBox);
  EXPECT_TRUE(P.Enabled);
  EXPECT_TRUE(P.Visible);
  EXPECT_EQ(Peer.Parent(), nullptr);
}

TEST_P(ScreenTest, EveryControlSitsWhereTheLayoutPutsIt) {
  for (const TControlRow& Row : Controls) {
    SCOPED_TRACE(Row.Name);
    auto* C = dynamic_cast<TControl*>(Form1->FindComponent(Row.Name));
    ASSERT_NE(C, nullptr);
    const THeadlessPeer* Peer = Kit.Find(Row.Name);
    ASSERT_NE(Peer, nullptr);
    ASSERT_EQ(C->Peer(), Peer);
    const Toolkit::TPeerProps& P = Peer->Props();
    const TRect Rect{S(Row.Rect.Left), S(Row.Rect.Top), S(Row.Rect.Width), S(Row.Rect.Height)};
    const int FontHeight = GetParam().FontHeight;
    const bool Clickable = !Row.Handler.empty() || Row.Class == "TButton";

    // The component.
    EXPECT_EQ(C->ClassName(), Row.Class);
    EXPECT_EQ(C->Owner(), Form1);
    ASSERT_NE(C->Parent(), nullptr);
    EXPECT_EQ(C->Parent()->Name(), Row.Parent);
    EXPECT_EQ((std::vector{C->Left(), C->Top(), C->Width(), C->Height()}),
              (std::vector{Rect.Left, Rect.Top, Rect.Width, Rect.Height}));
    EXPECT_EQ(C->GetText(), Row.Text);
    EXPECT_EQ(C->Enabled(), Row.Enabled);
    EXPECT_TRUE(C->Visible());
    EXPECT_EQ(C->ParentFont(), Row.ParentFont);
    EXPECT_EQ(C->EffectiveFont().Name, "MS Sans Serif");
    EXPECT_EQ(C->EffectiveFont().Height, FontHeight);
    EXPECT_EQ(C->EffectiveFont().Color, Row.FontColor);
    EXPECT_EQ(C->Cursor(), Row.Cursor);
    EXPECT_EQ(C->Hint(), Row.Hint);
    EXPECT_FALSE(C->ShowHint());
    if (Row.Color) {
      EXPECT_EQ(C->Color(), *Row.Color);
    }
    if (auto* W = dynamic_cast<TWinControl*>(C)) {
      EXPECT_EQ(W->TabOrder(), Row.TabOrder);
      EXPECT_EQ(W->TabStop(), Row.TabStop);
    } else {
      EXPECT_EQ(Row.TabOrder, -1);
    }
    if (auto* L = dynamic_cast<TLabel*>(C)) {
      EXPECT_EQ(L->Transparent(), Row.Transparent);
    }
    if (auto* E = dynamic_cast<TEdit*>(C)) {
      EXPECT_EQ(E->ReadOnly(), Row.ReadOnly);
    }
    if (Row.Handler.empty()) {
      EXPECT_FALSE(C->OnClick());
    } else {
      ASSERT_TRUE(C->OnClick());
      EXPECT_EQ(C->OnClick().Method->Name, Row.Handler);
      EXPECT_EQ(C->OnClick().Instance, Form1);
    }

    // What the toolkit was asked to show.
    EXPECT_EQ(P.Kind, KindOf(Row.Class));
    ASSERT_NE(Peer->Parent(), nullptr);
    EXPECT_EQ(Peer->Parent()->Name(), Row.Parent);
    EXPECT_EQ((std::vector{P.Left, P.Top, P.Width, P.Height}),
              (std::vector{Rect.Left, Rect.Top, Rect.Width, Rect.Height}));
    EXPECT_EQ(P.Text, Row.Text);
    EXPECT_EQ(Peer->GetText(), Row.Text);
    EXPECT_EQ(P.Enabled, Row.Enabled);
    EXPECT_EQ(Peer->Enabled(), Row.Enabled);
    EXPECT_TRUE(Peer->Visible());
    EXPECT_EQ(P.TabOrder, Row.TabOrder);
    EXPECT_EQ(P.TabStop, Row.TabStop);
    EXPECT_EQ(P.ReadOnly, Row.ReadOnly);
    EXPECT_EQ(P.Font.Name, "MS Sans Serif");
    EXPECT_EQ(P.Font.Height, FontHeight);
    EXPECT_EQ(P.Font.Color, Row.FontColor);
    EXPECT_EQ(P.Transparent, Row.Transparent);
    EXPECT_EQ(P.Cursor, Row.Cursor);
    EXPECT_EQ(P.Clickable, Clickable);
    if (Row.Color) {
      EXPECT_EQ(P.Color, *Row.Color);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    LayoutTest, ScreenTest,
    ::testing::Values(
        // As designed: nothing changes.
        TScreen{96, 13, -11, 13, {190, 135, 413, 180}, {332, 68, 75, 25}},
        // Larger text: 413 * 16 / 13 = 508.3, 180 * 16 / 13 = 221.5, and so on.
        TScreen{96, 16, -11, 16, {234, 166, 508, 222}, {409, 84, 92, 31}},
        // A finer screen: -11 * 120 / 96 = -13.75; that font is 17 pixels here.
        TScreen{120, 13, -14, 17, {248, 177, 540, 235}, {434, 89, 98, 33}},
        // A finer screen whose larger font still takes 13 pixels: only the fonts change.
        TScreen{120, 10, -14, 13, {190, 135, 413, 180}, {332, 68, 75, 25}}),
    [](const auto& Info) {
      return "Ppi" + std::to_string(Info.param.PixelsPerInch) + "Text" +
             std::to_string(Info.param.ScreenTextHeight);
    });

using LayoutTest = WindowFixture;

TEST_F(LayoutTest, FormPropertiesAreAsStored) {
  EXPECT_EQ(Form1->PixelsPerInch(), 96);
  EXPECT_EQ(Form1->TextHeight(), 13);
  EXPECT_FALSE(Form1->OldCreateOrder());
  EXPECT_EQ(Form1->FontCharset(), TFontCharset::DEFAULT_CHARSET);
  EXPECT_EQ(Form1->FontStyle(), 0u);
  EXPECT_FALSE(Form1->ShowHint());
  EXPECT_EQ(Form1->Hint(), "");
  ASSERT_TRUE(Form1->OnCreate());
  EXPECT_EQ(Form1->OnCreate().Method->Name, "FormCreate");
  EXPECT_EQ(Form1->OnCreate().Instance, Form1);
  EXPECT_EQ(Form1->Owner(), App.get());
  EXPECT_EQ(App->MainForm(), Form1);
}

TEST_F(LayoutTest, EveryFieldIsBoundToItsComponentInCreationOrder) {
  const std::vector<std::pair<std::string_view, TComponent*>> Fields = {
      {"Label1", Form1->Label1},       {"Label2", Form1->Label2},
      {"Button1", Form1->Button1},     {"GroupBox1", Form1->GroupBox1},
      {"Button2", Form1->Button2},     {"Edit3", Form1->Edit3},
      {"GroupBox2", Form1->GroupBox2}, {"Edit1", Form1->Edit1},
      {"GroupBox3", Form1->GroupBox3}, {"Edit2", Form1->Edit2},
      {"Button3", Form1->Button3},     {"Button4", Form1->Button4},
      {"SCL_md51", Form1->SCL_md51},   {"OpenDialog1", Form1->OpenDialog1},
  };
  ASSERT_EQ(Form1->ComponentCount(), static_cast<int>(Fields.size()));
  for (int I = 0; I < Form1->ComponentCount(); ++I) {
    const auto& [Name, Field] = Fields[static_cast<std::size_t>(I)];
    SCOPED_TRACE(Name);
    ASSERT_NE(Field, nullptr);
    EXPECT_EQ(Form1->Components(I), Field);
    EXPECT_EQ(Field->Name(), Name);
    EXPECT_EQ(Field->Owner(), Form1);
  }
}

TEST_F(LayoutTest, ControlsAreCreatedAndPlacedInLayoutOrder) {
  for (std::string_view Parent : {"Form1", "GroupBox1", "GroupBox2", "GroupBox3"}) {
    SCOPED_TRACE(Parent);
    std::vector<std::string> Expected;
    for (const TControlRow& Row : Controls)
      if (Row.Parent == Parent)
        Expected.emplace_back(Row.Name);
    const auto& Holder =
        dynamic_cast<TWinControl&>(Parent == "Form1" ? *Form1 : *Form1->FindComponent(Parent));
    std::vector<std::string> Placed;
    for (const TControl* C : Holder.Controls())
      Placed.push_back(C->Name());
    EXPECT_EQ(Placed, Expected);
    EXPECT_EQ(NamesOf(Kit.Get(Parent).Children()), Expected);
  }
}

TEST_F(LayoutTest, TheNonVisualComponentsHaveTheirSettings) {
  EXPECT_EQ(Form1->SCL_md51->ClassName(), "TSCL_md5");
  EXPECT_EQ(Form1->SCL_md51->GetId(), 16);
  EXPECT_EQ(Form1->SCL_md51->GetAlgorithm(), "MD5");
  EXPECT_EQ(Form1->SCL_md51->GetHashSize(), 128);
  EXPECT_EQ(Form1->OpenDialog1->ClassName(), "TOpenDialog");
  EXPECT_EQ(Form1->OpenDialog1->FilterIndex(), 1);
  EXPECT_EQ(Form1->OpenDialog1->Filter(), "");
  EXPECT_EQ(Form1->OpenDialog1->FileName(), "");
  EXPECT_EQ(Form1->OpenDialog1->Options(), ofHideReadOnly | ofEnableSizing);
  // Neither has a window of its own.
  EXPECT_EQ(Kit.Find("SCL_md51"), nullptr);
  EXPECT_EQ(Kit.Find("OpenDialog1"), nullptr);
}

TEST_F(LayoutTest, TheWindowOpensEmptyWithComparerDisabled) {
  for (const char* Edit : {"Edit1", "Edit2", "Edit3"})
    EXPECT_EQ(Text(Edit), "") << Edit;
  EXPECT_FALSE(Enabled("Button3"));
  for (const char* Button : {"Button1", "Button2", "Button4"})
    EXPECT_TRUE(Enabled(Button)) << Button;
  // The file name and the expected checksum take typing; the computed checksum does not.
  EXPECT_TRUE(Kit.Type("Edit3", "a"));
  EXPECT_TRUE(Kit.Type("Edit2", "b"));
  EXPECT_FALSE(Kit.Type("Edit1", "c"));
  EXPECT_EQ(Text("Edit1"), "");
}

// --- The signature: Label2 lies over Label1 one pixel up and left, and opens the link.

using SignatureTest = WindowFixture;

TEST_F(SignatureTest, EachClickHandsTheHintToTheShellUnchanged) {
  ASSERT_TRUE(Kit.Click("Label2"));
  EXPECT_EQ(Kit.ShellOpens, std::vector<std::string>{std::string(LinkAddress)});
  ASSERT_TRUE(Kit.Click("Label2"));
  EXPECT_EQ(Kit.ShellOpens, std::vector<std::string>(2, std::string(LinkAddress)));
  EXPECT_TRUE(Kit.MessageBoxes.empty());
  for (const char* Edit : {"Edit1", "Edit2", "Edit3"})
    EXPECT_EQ(Text(Edit), "") << Edit;
  EXPECT_FALSE(Enabled("Button3"));
  EXPECT_TRUE(Enabled("Button1"));
}

TEST_F(SignatureTest, OnlyTheUpperLabelAnswersAClick) {
  struct TPoint {
    int X, Y;
    bool Opens;
  };
  // Label2 covers 388..407 x 164..176; Label1 alone the column 408 and the row 177.
  const TPoint Points[] = {{388, 164, true},  {407, 176, true},  {398, 170, true},
                           {408, 177, false}, {408, 165, false}, {389, 177, false}};
  std::size_t Opened = 0;
  for (const TPoint& P : Points) {
    SCOPED_TRACE(testing::Message() << P.X << "," << P.Y);
    EXPECT_EQ(Kit.ClickAt(P.X, P.Y), P.Opens);
    Opened += P.Opens ? 1 : 0;
    EXPECT_EQ(Kit.ShellOpens.size(), Opened);
  }
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

TEST_F(SignatureTest, AnEmptyHintGoesToTheShellAsItIs) {
  Form1->Label2->SetHint("");
  ASSERT_TRUE(Kit.Click("Label2"));
  EXPECT_EQ(Kit.ShellOpens, std::vector<std::string>{""});
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

} // namespace
} // namespace Sumtide::Test
