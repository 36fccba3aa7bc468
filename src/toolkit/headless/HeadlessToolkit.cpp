#include "toolkit/headless/HeadlessToolkit.h"

#include <algorithm>
#include <stdexcept>

namespace Sumtide::Headless {

namespace {

class THeadlessProgress final : public Toolkit::IProgress {
public:
  THeadlessProgress(THeadlessToolkit& Kit, THeadlessToolkit::TProgressRecord& Record)
      : FKit(Kit), FRecord(Record) {}
  ~THeadlessProgress() override { FRecord.Closed = true; }

  bool Step(std::int64_t Done, std::int64_t Total) override {
    FRecord.Steps.emplace_back(Done, Total);
    if (FKit.OnProgressStep)
      FKit.OnProgressStep(FRecord);
    return static_cast<int>(FRecord.Steps.size()) - 1 != FKit.CancelProgressAtStep;
  }

private:
  THeadlessToolkit& FKit;
  THeadlessToolkit::TProgressRecord& FRecord;
};

bool Usable(const THeadlessPeer& Peer) {
  for (const THeadlessPeer* P = &Peer; P; P = P->Parent())
    if (!P->Enabled() || !P->Visible())
      return false;
  return true;
}

} // namespace

void THeadlessToolkit::PeerCreated(THeadlessPeer& Peer) {
  FPeers.push_back(&Peer);
}

void THeadlessToolkit::PeerDestroyed(THeadlessPeer& Peer) {
  std::erase(FPeers, &Peer);
  if (FMainForm == &Peer)
    FMainForm = nullptr;
}

THeadlessPeer* THeadlessToolkit::Find(std::string_view Name) const {
  auto It = std::find_if(FPeers.begin(), FPeers.end(),
                         [&](const THeadlessPeer* P) { return P->Name() == Name; });
  return It == FPeers.end() ? nullptr : *It;
}

THeadlessPeer& THeadlessToolkit::Get(std::string_view Name) const {
  if (THeadlessPeer* P = Find(Name))
    return *P;
  throw std::out_of_range("no control named " + std::string(Name));
}

std::unique_ptr<Toolkit::IPeer> THeadlessToolkit::CreatePeer(const Toolkit::TPeerProps& Props,
                                                             Toolkit::IPeer* Parent,
                                                             Toolkit::IPeerEvents& Events) {
  auto Peer =
      std::make_unique<THeadlessPeer>(*this, Props, static_cast<THeadlessPeer*>(Parent), Events);
  if (!Parent && !FMainForm)
    FMainForm = Peer.get();
  return Peer;
}

std::int32_t THeadlessToolkit::TextHeight(const Toolkit::TFontSpec& Font) {
  // The layout's font (-11, 8 points at 96 pixels per inch) is ScreenTextHeight tall here; other
  // sizes in proportion.
  const std::int32_t Pixels = Font.Height < 0 ? -Font.Height : Font.Height;
  return Pixels == 0 ? ScreenTextHeight : (ScreenTextHeight * Pixels + 5) / 11;
}

void THeadlessToolkit::Run(Toolkit::IPeer&, Toolkit::TShowState ShowState) {
  RunShowState = ShowState;
  Running = true;
  if (OnRun)
    OnRun(*this);
  Running = false;
}

void THeadlessToolkit::ShowMessageBox(const std::string& Text, const std::string& Caption,
                                      Toolkit::TMessageKind Kind) {
  MessageBoxes.push_back({Text, Caption, Kind});
  if (OnMessageBox)
    OnMessageBox(MessageBoxes.back());
}

bool THeadlessToolkit::OpenDialog(Toolkit::TOpenDialogParams& Params) {
  DialogRequests.push_back(Params);
  if (DialogAnswers.empty())
    return false;
  const TDialogAnswer Answer = DialogAnswers.front();
  DialogAnswers.pop_front();
  if (!Answer.FileName)
    return false;
  Params.FileName = *Answer.FileName;
  if (Answer.FilterIndex > 0)
    Params.FilterIndex = Answer.FilterIndex;
  return true;
}

void THeadlessToolkit::AcceptDrops(Toolkit::IPeer& Form, bool Accept) {
  if (&Form == FMainForm)
    DropsAccepted = Accept;
}

void THeadlessToolkit::SetBusyCursor(bool Busy) {
  if (Busy) {
    ++BusyDepth;
    ++BusyCursorsShown;
  } else {
    --BusyDepth;
  }
}

std::unique_ptr<Toolkit::IProgress> THeadlessToolkit::BeginProgress(const std::string& Caption,
                                                                    const std::string& Text) {
  Progress.push_back({Caption, Text, {}, false});
  return std::make_unique<THeadlessProgress>(*this, Progress.back());
}

std::string THeadlessToolkit::UpperCase(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const auto C = static_cast<unsigned char>(Text[I]);
    if (C >= 'a' && C <= 'z') {
      Result += static_cast<char>(C - 32);
    } else if (C == 0xC3 && I + 1 < Text.size()) {
      // U+00E0..U+00FE are the lower-case Latin-1 letters (but U+00F7, the division sign); their
      // capitals lie 0x20 below. U+00FF becomes U+0178.
      const auto Next = static_cast<unsigned char>(Text[I + 1]);
      if (Next >= 0xA0 && Next <= 0xBE && Next != 0xB7)
        Result.append({static_cast<char>(0xC3), static_cast<char>(Next - 0x20)});
      else if (Next == 0xBF)
        Result.append({static_cast<char>(0xC5), static_cast<char>(0xB8)});
      else
        Result.append({static_cast<char>(C), static_cast<char>(Next)});
      ++I;
    } else {
      Result += static_cast<char>(C);
    }
  }
  return Result;
}

bool THeadlessToolkit::Click(std::string_view Name) {
  THeadlessPeer* Peer = Find(Name);
  if (!Peer || !Peer->Props().Clickable || !Usable(*Peer))
    return false;
  Peer->Events().PeerClicked();
  return true;
}

bool THeadlessToolkit::ClickAt(int X, int Y) {
  // Later peers lie over earlier ones.
  for (auto It = FPeers.rbegin(); It != FPeers.rend(); ++It) {
    THeadlessPeer& Peer = **It;
    if (&Peer == FMainForm || !Peer.Visible())
      continue;
    const int Left = Peer.FormLeft(), Top = Peer.FormTop();
    if (X < Left || Y < Top || X >= Left + Peer.Props().Width || Y >= Top + Peer.Props().Height)
      continue;
    if (Peer.Props().Kind == Toolkit::TPeerKind::GroupBox)
      continue; // look further for what lies inside it
    if (!Peer.Props().Clickable || !Usable(Peer))
      return false;
    Peer.Events().PeerClicked();
    return true;
  }
  return false;
}

bool THeadlessToolkit::Type(std::string_view Name, const std::string& Text) {
  THeadlessPeer* Peer = Find(Name);
  if (!Peer || Peer->Props().Kind != Toolkit::TPeerKind::Edit || Peer->Props().ReadOnly ||
      !Usable(*Peer))
    return false;
  Peer->UserSetsText(Text);
  return true;
}

bool THeadlessToolkit::DropFiles(const std::vector<std::string>& Paths) {
  if (!FMainForm || !DropsAccepted)
    return false;
  FMainForm->Events().PeerFilesDropped(Paths);
  return true;
}

void THeadlessToolkit::CloseMainForm() {
  if (FMainForm)
    FMainForm->Events().PeerCloseRequested();
}

void THeadlessToolkit::MoveToScreen(std::int32_t PixelsPerInch) {
  if (!FMainForm)
    return;
  ScreenPixelsPerInch = PixelsPerInch;
  FMainForm->Events().PeerScreenChanged(PixelsPerInch);
}

} // namespace Sumtide::Headless
