#include "toolkit/headless/HeadlessPeer.h"

#include "toolkit/headless/HeadlessToolkit.h"

#include <algorithm>

namespace Sumtide::Headless {

THeadlessPeer::THeadlessPeer(THeadlessToolkit& Owner, const Toolkit::TPeerProps& Props,
                             THeadlessPeer* Parent, Toolkit::IPeerEvents& Events)
    : FOwner(Owner), FProps(Props), FParent(Parent), FEvents(Events), FText(Props.Text),
      FEnabled(Props.Enabled), FVisible(Props.Visible) {
  if (FParent)
    FParent->FChildren.push_back(this);
  FOwner.PeerCreated(*this);
}

THeadlessPeer::~THeadlessPeer() {
  for (THeadlessPeer* Child : FChildren)
    Child->FParent = nullptr;
  if (FParent)
    std::erase(FParent->FChildren, this);
  FOwner.PeerDestroyed(*this);
}

void THeadlessPeer::SetText(const std::string& Text) {
  FText = Text;
  ++FTextWrites;
}

int THeadlessPeer::FormLeft() const {
  return FParent ? FParent->FormLeft() + FProps.Left : 0;
}

int THeadlessPeer::FormTop() const {
  return FParent ? FParent->FormTop() + FProps.Top : 0;
}

} // namespace Sumtide::Headless
