// The window as its layout builds it: what the layout promises (every control inside its parent,
// no control over another but the signature's shadow, the focus path of the Tab key, each field
// named by its group), the toolkit showing the controls as the form holds them, the scaling to
// the screen, and the signature link in the corner.

#include "WindowFixture.h"
#include "app/Unit1Layout.h"
#include "rtl/FormReader.h"

#include <algorithm>
#include <climits>
#include <map>
#include <numeric>
#include <ostream>
#include <string_view>
#include <utility>
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

std::vector<std::string> NamesOf(const std::vector<THeadlessPeer*>& Peers) {
  std::vector<std::string> Names;
  for (const THeadlessPeer* P : Peers)
    Names.push_back(P->Name());
  return Names;
}

// Peer and every peer inside it, each before what it holds.
std::vector<const THeadlessPeer*> PeersFrom(const THeadlessPeer& Peer) {
  std::vector<const THeadlessPeer*> All{&Peer};
  for (const THeadlessPeer* Child : Peer.Children())
    for (const THeadlessPeer* P : PeersFrom(*Child))
      All.push_back(P);
  return All;
}

TRect RectOf(const THeadlessPeer& Peer) {
  const Toolkit::TPeerProps& P = Peer.Props();
  return {P.Left, P.Top, P.Width, P.Height};
}

std::ostream& operator<<(std::ostream& Out, const TRect& R) {
  return Out << "(" << R.Left << ", " << R.Top << ") " << R.Width << " x " << R.Height;
}

bool Overlap(const TRect& A, const TRect& B) {
  return A.Left < B.Left + B.Width && B.Left < A.Left + A.Width && A.Top < B.Top + B.Height &&
         B.Top < A.Top + A.Height;
}

// The one case where a control may lie over a sibling: a label's shadow, the same caption drawn
// in another colour under it and showing only along its right and bottom edges. Lower was
// created first, so it lies under Upper; Lower is opaque and Upper transparent, so that Upper's
// text shows over it; both have the same size, Lower moved right and down by one or two pixels
// (one in the layout; rounding may make it two on a finer screen).
bool IsShadowOf(const THeadlessPeer& Lower, const THeadlessPeer& Upper) {
  const Toolkit::TPeerProps &L = Lower.Props(), &U = Upper.Props();
  const int Right = L.Left - U.Left, Down = L.Top - U.Top;
  return L.Kind == TPeerKind::Label && U.Kind == TPeerKind::Label &&
         Lower.GetText() == Upper.GetText() && L.Font.Color != U.Font.Color && !L.Transparent &&
         U.Transparent && L.Width == U.Width && L.Height == U.Height && Right >= 1 && Right <= 2 &&
         Down >= 1 && Down <= 2;
}

// The captions of the controls the Tab key visits from the first, as the platforms go through a
// window: the children of each parent by tab order, each followed by what lies inside it; a
// control is visited when it is a tab stop, enabled and visible. (The Qt window's own test
// presses the key.)
void AddTabStops(const THeadlessPeer& Parent, std::vector<std::string>& Captions) {
  std::vector<const THeadlessPeer*> Children(Parent.Children().begin(), Parent.Children().end());
  const auto Order = [](const THeadlessPeer* P) {
    return P->Props().TabOrder < 0 ? INT_MAX : P->Props().TabOrder;
  };
  std::stable_sort(
      Children.begin(), Children.end(),
      [&](const THeadlessPeer* A, const THeadlessPeer* B) { return Order(A) < Order(B); });
  for (const THeadlessPeer* Child : Children) {
    if (Child->Props().TabStop && Child->Enabled() && Child->Visible())
      Captions.push_back(Child->GetText());
    AddTabStops(*Child, Captions);
  }
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

// Every control lies inside its parent's client area: the form's, at the size its description
// fixes (the window shows that size), or a group box's, under the line of its caption and inside
// its frame.
TEST_P(ScreenTest, EveryControlLiesInsideItsParent) {
  constexpr int GroupFrame = 2; // the etched frame of a group box, in pixels
  TComponent Owner(nullptr);
  const auto& Described = dynamic_cast<const TForm&>(ReadComponent(Unit1Layout(), Owner));
  const THeadlessPeer& Form = *Kit.MainForm();
  ASSERT_EQ(RectOf(Form).Width, S(Described.ClientWidth()));
  ASSERT_EQ(RectOf(Form).Height, S(Described.ClientHeight()));
  for (const THeadlessPeer* Peer : PeersFrom(Form)) {
    if (Peer == &Form)
      continue;
    const THeadlessPeer& Parent = *Peer->Parent();
    TRect Client{0, 0, RectOf(Parent).Width, RectOf(Parent).Height};
    if (Parent.Props().Kind == TPeerKind::GroupBox) {
      const int Caption = Kit.TextHeight(Parent.Props().Font);
      Client = {GroupFrame, Caption, Client.Width - 2 * GroupFrame,
                Client.Height - Caption - GroupFrame};
    }
    const TRect R = RectOf(*Peer);
    EXPECT_TRUE(R.Left >= Client.Left && R.Top >= Client.Top &&
                R.Left + R.Width <= Client.Left + Client.Width &&
                R.Top + R.Height <= Client.Top + Client.Height)
        << Peer->Name() << " at " << R << " outside the client area " << Client << " of "
        << Parent.Name();
  }
}

// No control lies over a sibling, but for the signature's shadow (see IsShadowOf).
TEST_P(ScreenTest, NoControlLiesOverAnotherButTheSignaturesShadow) {
  std::vector<std::pair<std::string, std::string>> Overlapping;
  for (const THeadlessPeer* Parent : PeersFrom(*Kit.MainForm())) {
    const std::vector<THeadlessPeer*>& Children = Parent->Children();
    for (std::size_t I = 0; I < Children.size(); ++I)
      for (std::size_t J = I + 1; J < Children.size(); ++J)
        if (Overlap(RectOf(*Children[I]), RectOf(*Children[J]))) {
          Overlapping.emplace_back(Children[I]->Name(), Children[J]->Name());
          EXPECT_TRUE(IsShadowOf(*Children[I], *Children[J]))
              << Children[I]->Name() << " at " << RectOf(*Children[I]) << " and "
              << Children[J]->Name() << " at " << RectOf(*Children[J]);
        }
  }
  EXPECT_EQ(Overlapping, (std::vector<std::pair<std::string, std::string>>{{"Label1", "Label2"}}));
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

// The toolkit stacks each parent's controls in the order the form holds them, later ones over
// earlier ones: the signature's link lies over its shadow.
TEST_F(LayoutTest, TheToolkitStacksTheControlsAsTheFormHoldsThem) {
  std::vector<const TWinControl*> Holders{Form1};
  for (int I = 0; I < Form1->ComponentCount(); ++I)
    if (const auto* W = dynamic_cast<const TWinControl*>(Form1->Components(I)))
      Holders.push_back(W);
  for (const TWinControl* Holder : Holders) {
    SCOPED_TRACE(Holder->Name());
    std::vector<std::string> Held;
    for (const TControl* C : Holder->Controls())
      Held.push_back(C->Name());
    EXPECT_EQ(NamesOf(Kit.Get(Holder->Name()).Children()), Held);
  }
}

// Within each parent the tab order numbers the controls that can take the focus 0, 1, 2...: no
// gap, no number twice. Labels are not in it.
TEST_F(LayoutTest, TheTabOrderOfEachParentIsAPermutation) {
  for (const THeadlessPeer* Parent : PeersFrom(*Kit.MainForm())) {
    std::vector<int> Orders;
    for (const THeadlessPeer* Child : Parent->Children()) {
      if (Child->Props().Kind == TPeerKind::Label)
        EXPECT_EQ(Child->Props().TabOrder, -1) << Child->Name();
      else
        Orders.push_back(Child->Props().TabOrder);
    }
    std::sort(Orders.begin(), Orders.end());
    std::vector<int> Expected(Orders.size());
    std::iota(Expected.begin(), Expected.end(), 0);
    EXPECT_EQ(Orders, Expected) << "in " << Parent->Name();
  }
}

// Tab goes down the window: "..." of the file name, then the buttons on the right from the top.
// The fields take the focus by a click only; "Comparer" joins once there is a checksum.
TEST_F(LayoutTest, TabVisitsTheButtonsDownTheWindow) {
  std::vector<std::string> Path;
  AddTabStops(*Kit.MainForm(), Path);
  EXPECT_EQ(Path, (std::vector<std::string>{"...", "Calculer", "Quitter"}));
  Calculate(MakeFile("abc.txt", "abc"));
  ASSERT_TRUE(Enabled("Button3"));
  Path.clear();
  AddTabStops(*Kit.MainForm(), Path);
  EXPECT_EQ(Path, (std::vector<std::string>{"...", "Calculer", "Comparer", "Quitter"}));
}

// A screen reader names each field by the caption of the group box it lies in, without the
// spaces around it.
TEST_F(LayoutTest, EachFieldIsNamedByItsGroupsCaption) {
  std::map<std::string, std::string> Names;
  for (const THeadlessPeer* Peer : PeersFrom(*Kit.MainForm())) {
    if (Peer->Props().Kind != TPeerKind::Edit)
      continue;
    const THeadlessPeer& Group = *Peer->Parent();
    ASSERT_EQ(Group.Props().Kind, TPeerKind::GroupBox) << Peer->Name();
    const std::string Caption = Group.GetText();
    const std::size_t First = Caption.find_first_not_of(' ');
    Names[Peer->Name()] = First == std::string::npos
                              ? std::string()
                              : Caption.substr(First, Caption.find_last_not_of(' ') - First + 1);
  }
  const std::map<std::string, std::string> Expected = {{"Edit3", "Nom de fichier"},
                                                       {"Edit1", "Somme de contr\xC3\xB4le MD5"},
                                                       {"Edit2", "Comparaison"}};
  EXPECT_EQ(Names, Expected);
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
