#pragma once

// The checksum window: computes the MD5 checksum of one file and compares it with an expected one.

#include "forms/Dialogs.h"
#include "forms/Form.h"
#include "forms/StdCtrls.h"
#include "scl/SCLcrypt.h"

namespace Sumtide {

class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* AOwner) : TForm(AOwner) {}

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  TSCL_hash* SCL_md51 = nullptr; // the class of this component hashes the files
  TButton* Button1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TButton* Button2 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit3 = nullptr;
  TGroupBox* GroupBox3 = nullptr;
  TEdit* Edit2 = nullptr;
  TButton* Button3 = nullptr;
  TButton* Button4 = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;

  // "Calculer": the MD5 checksum of the file named in Edit3 into Edit1.
  void Button1Click(TComponent* Sender);
  // "...": choose the file in the open dialog, then compute its checksum.
  void Button2Click(TComponent* Sender);
  // "Quitter".
  void Button4Click(TComponent* Sender);
  // The signature: opens its web address.
  void Label2Click(TComponent* Sender);
  // "Comparer": the checksum in Edit2 against the one in Edit1.
  void Button3Click(TComponent* Sender);
  void FormCreate(TComponent* Sender);
  // One file dropped on the window: choose it and compute its checksum.
  void FormDropFiles(TMessage& Message);

  void WndProc(TMessage& Message) override;

protected:
  void BindFields() override;
};

extern TForm1* Form1;

// Makes TForm1, its layout TFORM1 and every class the layout names known to the program.
void RegisterUnit1();

} // namespace Sumtide
