#include "toolkit/win32/Win32Accessible.h"

#include "toolkit/win32/Win32SystemCalls.h"

#include <atomic>
#include <oleacc.h>

namespace Sumtide::Win32Backend {

namespace {

bool IsSelf(const VARIANT& Child) {
  return Child.vt == VT_I4 && Child.lVal == CHILDID_SELF;
}

// The system's accessible object of a control with a name or role of ours. Everything else is
// the system's answer. A COM object: it deletes itself when its last reference goes.
class TOverriddenAccessible final : public IAccessible {
public:
  TOverriddenAccessible(IAccessible* Inner, HWND Window, TAccessibleOverride Override)
      : FInner(Inner), FWindow(Window), FOverride(std::move(Override)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Id, void** Object) override {
    if (!Object)
      return E_POINTER;
    if (Id == __uuidof(IUnknown) || Id == __uuidof(IDispatch) || Id == __uuidof(IAccessible)) {
      *Object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // Window and child enumeration stay the system's.
    return FInner->QueryInterface(Id, Object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG Left = --FReferences;
    if (Left == 0)
      delete this;
    return Left;
  }

  // IDispatch: screen readers call the interface directly; scripting gets nothing.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) override {
    if (!Count)
      return E_POINTER;
    *Count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: the overrides.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Name) override {
    if (!IsSelf(Child) || FOverride.Name.empty())
      return FInner->get_accName(Child, Name);
    if (!Name)
      return E_POINTER;
    *Name = ::SysAllocStringLen(FOverride.Name.data(), static_cast<UINT>(FOverride.Name.size()));
    return *Name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Role) override {
    if (!IsSelf(Child) || !FOverride.Link)
      return FInner->get_accRole(Child, Role);
    if (!Role)
      return E_POINTER;
    ::VariantInit(Role);
    Role->vt = VT_I4;
    Role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* State) override {
    const HRESULT Result = FInner->get_accState(Child, State);
    if (SUCCEEDED(Result) && IsSelf(Child) && FOverride.Link && State && State->vt == VT_I4)
      State->lVal |= STATE_SYSTEM_LINKED;
    return Result;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) override {
    if (!IsSelf(Child) || !FOverride.Link)
      return FInner->accDoDefaultAction(Child);
    // As a click: the label tells its parent, which runs the handler from its own message.
    const HWND Parent = ::GetParent(FWindow);
    const int Id = ::GetDlgCtrlID(FWindow);
    return ::PostMessageW(Parent, WM_COMMAND, MAKEWPARAM(Id, STN_CLICKED),
                          reinterpret_cast<LPARAM>(FWindow))
               ? S_OK
               : E_FAIL;
  }

  // IAccessible: the system's answers.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Parent) override {
    return FInner->get_accParent(Parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* Count) override {
    return FInner->get_accChildCount(Count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Object) override {
    return FInner->get_accChild(Child, Object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Value) override {
    return FInner->get_accValue(Child, Value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Text) override {
    return FInner->get_accDescription(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT Child, BSTR* Text) override {
    return FInner->get_accHelp(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT Child, long* Topic) override {
    return FInner->get_accHelpTopic(File, Child, Topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT Child, BSTR* Keys) override {
    return FInner->get_accKeyboardShortcut(Child, Keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Child) override {
    return FInner->get_accFocus(Child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Children) override {
    return FInner->get_accSelection(Children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Action) override {
    return FInner->get_accDefaultAction(Child, Action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) override {
    return FInner->accSelect(Flags, Child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* Left, long* Top, long* Width, long* Height,
                                        VARIANT Child) override {
    return FInner->accLocation(Left, Top, Width, Height, Child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long Direction, VARIANT Start, VARIANT* End) override {
    return FInner->accNavigate(Direction, Start, End);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long Left, long Top, VARIANT* Child) override {
    return FInner->accHitTest(Left, Top, Child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT Child, BSTR Name) override {
    return FInner->put_accName(Child, Name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT Child, BSTR Value) override {
    return FInner->put_accValue(Child, Value);
  }

private:
  ~TOverriddenAccessible() { FInner->Release(); }

  std::atomic<ULONG> FReferences{1};
  IAccessible* FInner;
  HWND FWindow;
  TAccessibleOverride FOverride;
};

} // namespace

LRESULT AnswerGetObject(HWND Window, WPARAM WParam, LPARAM LParam,
                        const TAccessibleOverride& Override) {
  if (static_cast<LONG>(LParam) != static_cast<LONG>(OBJID_CLIENT))
    return 0;
  // __uuidof, not IID_IAccessible: MinGW's import library gives that name to a thunk, not the
  // identifier's bytes.
  IAccessible* Inner = nullptr;
  if (FAILED(CreateStdAccessible(Window, OBJID_CLIENT, __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&Inner))) ||
      !Inner)
    return 0;
  auto* Object = new TOverriddenAccessible(Inner, Window, Override);
  const LRESULT Result = ResultFromObject(__uuidof(IAccessible), WParam, Object);
  Object->Release(); // the result holds its own reference
  return Result > 0 ? Result : 0;
}

} // namespace Sumtide::Win32Backend
