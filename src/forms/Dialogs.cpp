#include "forms/Dialogs.h"

#include "forms/Application.h"
#include "forms/PropertyNames.h"
#include "rtl/Exception.h"

namespace Sumtide {

namespace {
const TPropInfo OpenDialogProperties[] = {
    MakeProperty<&TOpenDialog::Filter, &TOpenDialog::SetFilter>("Filter", TPropKind::String,
                                                                std::string()),
    MakeProperty<&TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex>(
        "FilterIndex", TPropKind::Integer, TOpenDialog::DefaultFilterIndex),
    MakeProperty<&TOpenDialog::FileName, &TOpenDialog::SetFileName>("FileName", TPropKind::String,
                                                                    std::string()),
    MakeProperty<&TOpenDialog::Options, &TOpenDialog::SetOptions>(
        "Options", TPropKind::Set, TOpenDialog::DefaultOptions, PropertyNames::OpenOptions),
};
} // namespace

const TComponentClass& TOpenDialog::Class() {
  static const TComponentClassOf<TOpenDialog> Descriptor("TOpenDialog", &TComponent::Class(),
                                                         OpenDialogProperties);
  return Descriptor;
}

bool TOpenDialog::Execute() {
  if (!Application)
    throw Exception("No application object to run the dialog in");
  Toolkit::TOpenDialogParams Params;
  Params.Filter = FFilter;
  Params.FilterIndex = FFilterIndex;
  Params.FileName = FFileName;
  Params.HideReadOnly = (FOptions & ofHideReadOnly) != 0;
  Params.EnableSizing = (FOptions & ofEnableSizing) != 0;
  if (!Application->Toolkit().OpenDialog(Params))
    return false;
  FFileName = Params.FileName;
  FFilterIndex = Params.FilterIndex;
  return true;
}

} // namespace Sumtide
