// What the window takes from the form framework: the standard exception display, the guard
// around every event the toolkit delivers, clicks from code, text writes and the message
// dispatch.

#include "FaultyToolkit.h"
#include "WindowFixture.h"
#include "app/AppMain.h"
#include "rtl/FormError.h"

#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace Sumtide::Test {
namespace {

using Headless::THeadlessPeer;
using Headless::THeadlessToolkit;
using Headless::TMessageBoxRecord;

// --- The standard exception display.

struct TDisplayCase {
  const char* Name;
  std::shared_ptr<const std::exception> E;
  std::string Shown;
};

std::shared_ptr<const std::exception> Own(const std::string& Message) {
  return std::make_shared<const Exception>(Message);
}

void PrintTo(const TDisplayCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class ExceptionDisplayTest : public WindowFixture,
                             public ::testing::WithParamInterface<TDisplayCase> {};

TEST_P(ExceptionDisplayTest, ShowsTheMessageEndedByAPeriodUnderTheTitle) {
  App->ShowException(*GetParam().E);
  EXPECT_EQ(Kit.MessageBoxes, (std::vector<TMessageBoxRecord>{
                                  {GetParam().Shown, "Sumtide", Toolkit::TMessageKind::Error}}));
  EXPECT_EQ(Kit.ReleaseCaptureCalls, 0); // showing is all it does
}

// A period is added after a last byte that sorts after '.', compared as unsigned.
INSTANTIATE_TEST_SUITE_P(
    FrameworkTest, ExceptionDisplayTest,
    ::testing::Values(
        TDisplayCase{"Letter", Own("Fichier introuvable"), "Fichier introuvable."},
        TDisplayCase{"Digit", Own("Erreur 42"), "Erreur 42."},
        TDisplayCase{"Slash", Own("C:/dossier/"), "C:/dossier/."},
        TDisplayCase{"Colon", Own("Lecteur C:"), "Lecteur C:."},
        TDisplayCase{"Question", Own("Continuer ?"), "Continuer ?."},
        TDisplayCase{"Utf8Letter", Own("Arr\xC3\xAAt\xC3\xA9"), "Arr\xC3\xAAt\xC3\xA9."},
        TDisplayCase{"Period", Own("Termin\xC3\xA9."), "Termin\xC3\xA9."},
        TDisplayCase{"Bang", Own("Attention !"), "Attention !"},
        TDisplayCase{"Parenthesis", Own("Echec (voir le journal)"), "Echec (voir le journal)"},
        TDisplayCase{"Space", Own("fin "), "fin "},
        TDisplayCase{"Quote", Own("nom \"x\""), "nom \"x\""},
        TDisplayCase{"Hyphen", Own("a-"), "a-"}, TDisplayCase{"Empty", Own(""), ""},
        TDisplayCase{"FormErrorEndingInAQuote",
                     std::make_shared<const EFormError>(3, "unknown class 'X'"),
                     "Line 3: unknown class 'X'"},
        TDisplayCase{"RuntimeError", std::make_shared<const std::runtime_error>("disque plein"),
                     "disque plein."},
        TDisplayCase{"EmptyRuntimeError", std::make_shared<const std::runtime_error>(""), ""},
        TDisplayCase{"BadAlloc", std::make_shared<const std::bad_alloc>(),
                     "M\xC3\xA9moire insuffisante."},
        TDisplayCase{"BadArrayNewLength", std::make_shared<const std::bad_array_new_length>(),
                     "M\xC3\xA9moire insuffisante."}),
    [](const auto& Info) { return std::string(Info.param.Name); });

using FrameworkTest = WindowFixture;

TEST_F(FrameworkTest, TheDisplayIsCaptionedWithTheCurrentTitle) {
  App->SetTitle("Autre titre");
  App->ShowException(Exception("Non"));
  EXPECT_EQ(Kit.MessageBoxes, (std::vector<TMessageBoxRecord>{
                                  {"Non.", "Autre titre", Toolkit::TMessageKind::Error}}));
}

// --- Handlers that throw, inside the running program.

class FaultTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterUnit1(); }
  TFaultyToolkit Kit;
  TTempDir Temp{"sumtide-fault"};
};

struct TThrown {
  const char* Name;
  void (*Throw)();
  const char* Shown;
};

struct TEvent {
  const char* Name;
  // What the user did before, with the fault not planted yet (may be null). File: a readable
  // file holding "abc", for the events that name one.
  void (*Prepare)(THeadlessToolkit&, const std::string& File);
  void (*Deliver)(THeadlessToolkit&, const std::string& File);
  std::size_t Drops; // drops it hands the window, each to be released whatever happens
};

void PrintTo(const TThrown& Thrown, std::ostream* Out) {
  *Out << Thrown.Name;
}

void PrintTo(const TEvent& Event, std::ostream* Out) {
  *Out << Event.Name;
}

class GuardTest : public FaultTest,
                  public ::testing::WithParamInterface<std::tuple<TEvent, TThrown>> {};

TEST_P(GuardTest, IsShownAndTheLoopGoesOn) {
  const auto& [Event, Thrown] = GetParam();
  const std::string File = (Temp.Path() / "abc.txt").string();
  std::ofstream(File, std::ios::binary) << "abc";
  bool WentOn = false;
  Kit.OnRun = [&](THeadlessToolkit& K) {
    if (Event.Prepare)
      Event.Prepare(K, File);
    ASSERT_TRUE(K.MessageBoxes.empty());
    Kit.Fault = Thrown.Throw;
    Event.Deliver(K, File);
    ASSERT_FALSE(Kit.Fault) << "the event never reached its handler";
    EXPECT_EQ(K.ReleaseCaptureCalls, 1);
    EXPECT_EQ(K.MessageBoxes, (std::vector<TMessageBoxRecord>{
                                  {Thrown.Shown, "Sumtide", Toolkit::TMessageKind::Error}}));
    EXPECT_EQ(Application->DroppedFiles().Released(), Event.Drops);
    EXPECT_EQ(Application->DroppedFiles().Unreleased(), 0u);
    EXPECT_FALSE(K.Terminated);
    // The window still works.
    ASSERT_TRUE(K.Click("Label2"));
    EXPECT_EQ(K.ShellOpens.size(), 1u);
    K.Get("Edit1").SetText("");
    ASSERT_TRUE(K.Type("Edit3", File));
    ASSERT_TRUE(K.Click("Button1"));
    EXPECT_EQ(K.Get("Edit1").GetText(), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(K.MessageBoxes.size(), 1u);
    WentOn = true;
  };
  EXPECT_EQ(SumtideMain(Kit, Toolkit::TShowState::Normal), 0);
  EXPECT_TRUE(WentOn);
  EXPECT_EQ(Kit.MessageBoxes.size(), 1u);
  EXPECT_EQ(Kit.ReleaseCaptureCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(
    FrameworkTest, GuardTest,
    ::testing::Combine(
        ::testing::Values(
            TEvent{"Click", nullptr,
                   [](THeadlessToolkit& K, const std::string&) { ASSERT_TRUE(K.Click("Label2")); },
                   0},
            // The fault comes from the checksum command the drop starts (the wait cursor).
            TEvent{"Drop", nullptr,
                   [](THeadlessToolkit& K, const std::string& File) {
                     ASSERT_TRUE(K.DropFiles({File}));
                   },
                   1},
            TEvent{"CloseRequest", nullptr,
                   [](THeadlessToolkit& K, const std::string&) { K.CloseMainForm(); }, 0},
            // Each handler of the window: "Calculer" at the wait cursor, "..." at the open
            // dialog, "Comparer" at upper-casing the checksums, "Quitter" at ending the
            // application.
            TEvent{"Button1Click",
                   [](THeadlessToolkit& K, const std::string& File) {
                     ASSERT_TRUE(K.Type("Edit3", File));
                   },
                   [](THeadlessToolkit& K, const std::string&) { ASSERT_TRUE(K.Click("Button1")); },
                   0},
            TEvent{"Button2Click", nullptr,
                   [](THeadlessToolkit& K, const std::string&) { ASSERT_TRUE(K.Click("Button2")); },
                   0},
            TEvent{"Button3Click",
                   [](THeadlessToolkit& K, const std::string& File) {
                     ASSERT_TRUE(K.Type("Edit3", File));
                     ASSERT_TRUE(K.Click("Button1"));
                     ASSERT_TRUE(K.Type("Edit2", "900150983CD24FB0D6963F7D28E17F72"));
                   },
                   [](THeadlessToolkit& K, const std::string&) { ASSERT_TRUE(K.Click("Button3")); },
                   0},
            TEvent{"Button4Click", nullptr,
                   [](THeadlessToolkit& K, const std::string&) { ASSERT_TRUE(K.Click("Button4")); },
                   0}),
        ::testing::Values(TThrown{"Exception", [] { throw Exception("Lecture impossible"); },
                                  "Lecture impossible."},
                          TThrown{"BadAlloc", [] { throw std::bad_alloc(); },
                                  "M\xC3\xA9moire insuffisante."},
                          TThrown{"RuntimeError", [] { throw std::runtime_error("disque plein"); },
                                  "disque plein."},
                          TThrown{"NotAnException", [] { throw 42; }, "Erreur inconnue."})),
    [](const auto& Info) {
      return std::string(std::get<0>(Info.param).Name) + std::get<1>(Info.param).Name;
    });

TEST_F(FaultTest, AnExceptionFromOnCreateIsShownAndTheWindowStillOpens) {
  Kit.Fault = [] { throw Exception("Glisser-d\xC3\xA9poser indisponible"); };
  bool Ran = false;
  Kit.OnRun = [&](THeadlessToolkit& K) {
    Ran = true;
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_EQ(K.MainForm(), &Form1->Handle());
    EXPECT_FALSE(K.DropsAccepted);
    EXPECT_EQ(K.ReleaseCaptureCalls, 1);
    EXPECT_EQ(K.MessageBoxes,
              (std::vector<TMessageBoxRecord>{{"Glisser-d\xC3\xA9poser indisponible.", "Sumtide",
                                               Toolkit::TMessageKind::Error}}));
    EXPECT_TRUE(K.Click("Label2"));
    EXPECT_EQ(K.ShellOpens.size(), 1u);
  };
  EXPECT_EQ(SumtideMain(Kit, Toolkit::TShowState::Maximized), 0);
  EXPECT_TRUE(Ran);
  EXPECT_EQ(Kit.RunShowState, Toolkit::TShowState::Maximized);
  EXPECT_EQ(Kit.MessageBoxes.size(), 1u);
}

// --- Clicks, texts and messages.

// A handler to bind in place of the window's own: counts its calls and keeps the sender.
class TProbe : public TComponent {
public:
  TProbe() : TComponent(nullptr) {}
  TNotifyEvent Handler();
  int Calls = 0;
  TComponent* Sender = nullptr;
};

const TMethodInfo ProbeMethod{"Probe", [](TComponent& Self, TComponent* Sender) {
                                auto& Probe = static_cast<TProbe&>(Self);
                                ++Probe.Calls;
                                Probe.Sender = Sender;
                              }};

TNotifyEvent TProbe::Handler() {
  return {this, &ProbeMethod};
}

TEST_F(FrameworkTest, ClickFromCodeRunsTheHandlerAsAUserClickDoes) {
  TProbe Probe;
  Form1->Button1->SetOnClick(Probe.Handler());
  ASSERT_TRUE(Kit.Click("Button1"));
  EXPECT_EQ(Probe.Calls, 1);
  EXPECT_EQ(Probe.Sender, Form1->Button1);
  Form1->Button1->Click();
  EXPECT_EQ(Probe.Calls, 2);
  EXPECT_EQ(Probe.Sender, Form1->Button1);

  // "Quitter" from code ends the application as a click on it does.
  Form1->Button4->Click();
  EXPECT_TRUE(Kit.Terminated);
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

TEST_F(FrameworkTest, ADisabledButtonIgnoresTheUserButNotTheCode) {
  TProbe Probe;
  Form1->Button3->SetOnClick(Probe.Handler());
  EXPECT_FALSE(Kit.Click("Button3"));
  EXPECT_EQ(Probe.Calls, 0);
  Form1->Button3->Click();
  EXPECT_EQ(Probe.Calls, 1);

  Form1->Button3->SetEnabled(true);
  EXPECT_TRUE(Enabled("Button3"));
  EXPECT_TRUE(Kit.Click("Button3"));
  EXPECT_EQ(Probe.Calls, 2);
  Form1->Button3->SetEnabled(false);
  EXPECT_FALSE(Kit.Click("Button3"));
  EXPECT_EQ(Probe.Calls, 2);
}

TEST_F(FrameworkTest, WritingTheTextAlreadyShownDoesNotReachTheWindow) {
  struct TWrite {
    TControl* Control;
    const char* Typed; // what the user typed first, or null
    const char* Text;
    int Writes; // writes that reached the peer so far
  };
  const TWrite Writes[] = {
      {Form1->Edit1, nullptr, "", 0},
      {Form1->Edit1, nullptr, "900150983CD24FB0D6963F7D28E17F72", 1},
      {Form1->Edit1, nullptr, "900150983CD24FB0D6963F7D28E17F72", 1},
      {Form1->Edit1, nullptr, "", 2},
      {Form1->Edit3, "/tmp/a.txt", "/tmp/a.txt", 0}, // what the user typed is what is shown
      {Form1->Edit3, nullptr, "/tmp/b.txt", 1},
      {Form1->Button1, nullptr, "Calculer", 0},
      {Form1->GroupBox2, nullptr, "Somme de contr\xC3\xB4le MD5 ", 0},
  };
  for (const TWrite& W : Writes) {
    SCOPED_TRACE(W.Control->Name() + " <- " + W.Text);
    const THeadlessPeer& Peer = Kit.Get(W.Control->Name());
    if (W.Typed) {
      ASSERT_TRUE(Kit.Type(W.Control->Name(), W.Typed));
    }
    W.Control->SetText(W.Text);
    EXPECT_EQ(Peer.GetText(), W.Text);
    EXPECT_EQ(W.Control->GetText(), W.Text);
    EXPECT_EQ(Peer.TextWrites(), W.Writes);
  }
}

// Moved to a screen of another resolution, the window is scaled as it is for the screen it
// starts on: fonts by the resolution, places and sizes by the height of a line of text; its
// peers take the new places and fonts, and it works as before. Moved back, it is as it was, but
// for rounding.
TEST_F(FrameworkTest, AMoveToAScreenOfAnotherResolutionScalesTheWindow) {
  const Toolkit::TPeerProps Before = Kit.Get("Button1").Props();
  const std::int32_t FontBefore = Form1->FontHeight();
  ASSERT_EQ(Kit.TextHeight(Form1->EffectiveFont()), 13);

  Kit.MoveToScreen(144);
  EXPECT_EQ(Form1->FontHeight(), MulDiv(FontBefore, 144, 96));
  const std::int32_t Line = Kit.TextHeight(Form1->EffectiveFont());
  ASSERT_GT(Line, 13);
  const Toolkit::TPeerProps& Moved = Kit.Get("Button1").Props();
  EXPECT_EQ(Moved.Width, MulDiv(Before.Width, Line, 13));
  EXPECT_EQ(Moved.Height, MulDiv(Before.Height, Line, 13));
  EXPECT_EQ(Moved.Left, MulDiv(Before.Left, Line, 13));
  EXPECT_EQ(Moved.Font.Height, Form1->FontHeight());
  EXPECT_EQ(Kit.Get("Form1").Props().Width, Form1->ClientWidth());
  Calculate(MakeFile("abc.txt", "abc"));
  EXPECT_EQ(Text("Edit1"), "900150983CD24FB0D6963F7D28E17F72");

  Kit.MoveToScreen(96);
  EXPECT_EQ(Form1->FontHeight(), FontBefore);
  const Toolkit::TPeerProps& Back = Kit.Get("Button1").Props();
  EXPECT_NEAR(Back.Width, Before.Width, 1);
  EXPECT_NEAR(Back.Left, Before.Left, 1);
  EXPECT_EQ(Back.Font.Height, FontBefore);
  EXPECT_TRUE(Kit.MessageBoxes.empty());
}

TEST_F(FrameworkTest, OtherMessagesGoToTheDefaultDispatchAndDoNothing) {
  for (const std::uint32_t Msg : {0u, 0x0010u, 0x0111u, 0x0200u, WM_DROPFILES - 1, WM_DROPFILES + 1,
                                  WM_DROPFILES + 0x10000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(Msg);
    TMessage Message{Msg, 0x1000, 7, 0};
    Form1->WndProc(Message);
    EXPECT_EQ(Message.Result, 0);
  }
  EXPECT_TRUE(Kit.MessageBoxes.empty());
  EXPECT_EQ(Kit.ReleaseCaptureCalls, 0);
  EXPECT_EQ(App->DroppedFiles().Released(), 0u);
  EXPECT_FALSE(Kit.Terminated);
  EXPECT_EQ(Text("Edit3"), "");
  EXPECT_EQ(Text("Edit1"), "");
}

} // namespace
} // namespace Sumtide::Test
