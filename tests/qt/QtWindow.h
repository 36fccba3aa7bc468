#pragma once

// The checksum window on the Qt toolkit, created and shown as the program does it, with its
// widgets found by name; and helpers to answer the modal windows it opens.

#include "app/Unit1.h"
#include "forms/Application.h"
#include "toolkit/qt/QtToolkit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace Sumtide::QtTest {

class TQtWindow {
public:
  TQtWindow();
  ~TQtWindow();
  TQtWindow(const TQtWindow&) = delete;
  TQtWindow& operator=(const TQtWindow&) = delete;

  // True when every widget of the layout was found.
  bool Complete() const;

  QtBackend::TQtToolkit Kit;
  std::unique_ptr<TApplication> App;
  QWidget* Window = nullptr;
  QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
  QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr;
};

// Runs Action; the first modal window that opens meanwhile is handed to Inspect, which answers
// it. Whatever Inspect leaves open is rejected, so Action always returns. True when a modal
// window opened.
bool WhileModal(const std::function<void()>& Action, const std::function<void(QWidget*)>& Inspect);

// What a message box showed.
struct TBoxSeen {
  QString Text, Title;
  int Icon = -1; // QMessageBox::Icon
  int Buttons = 0;
  bool OkOnly = false;
};

// Runs Action, expecting it to open a message box; records it and answers it by clicking OK.
// Empty Text when no message box opened.
TBoxSeen AnswerMessageBox(const std::function<void()>& Action);

// The MD5 checksums of a few contents, as the window shows them.
inline constexpr const char* AbcSum = "900150983CD24FB0D6963F7D28E17F72";     // "abc"
inline constexpr const char* ChosenSum = "CA071943E5ACD1C8BCFBE0D2EE36FEC2";  // "chosen"
inline constexpr const char* DroppedSum = "41D368A58EE26891A6A586DDAAA604F8"; // "dropped"

} // namespace Sumtide::QtTest
