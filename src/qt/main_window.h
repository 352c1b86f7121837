#pragma once

#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <memory>

namespace vrkt {
class Program;
}

namespace vrkt::qt {

class FormBinder;
class TextFit;

// The main window: every control of the window model drawn at its place in a client area of
// 724 x 500, bound to the model by name. Longer texts (a translation) stretch the client area
// across; a screen too small for it gets scroll bars.
class MainWindow : public QWidget {
 public:
  static constexpr int kWidth = 724;
  static constexpr int kHeight = 500;

  // `after_action` runs after each user action (the event pump delivers what was held back).
  MainWindow(Program& program, std::function<void()> after_action);
  ~MainWindow() override;
  FormBinder& binder() { return *binder_; }
  // Shows the window at the model's position.
  void ShowAtModelPosition();
  // Widens the client area until every text fits and sizes the window to it (within the
  // screen); runs before the window is first shown and whenever the texts may have grown.
  void FitToTexts();
  // The client area: every control, at its place.
  QWidget* client() const { return client_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void BuildUnitGroup();
  void BuildPcGroup();
  void BuildSignalRow();
  void BuildStatusBar();
  Program& program_;
  FormBinder* binder_ = nullptr;
  QWidget* client_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  std::unique_ptr<TextFit> fit_;
  bool fitted_ = false;
  bool close_after_action_ = false;
  // Closes once the Run chosen in the close question has done its part.
  void CloseOnceStarted();
  bool closing_after_run_ = false;
};

// The pages, each built into its sheet.
void BuildEmergencyPage(QWidget* page);
void BuildServicePage(QWidget* page);
void BuildPhoneBookPage(QWidget* page, Program& program, FormBinder& binder);
void BuildPortsPage(QWidget* page);
void BuildSupportPage(QWidget* page, Program& program);

// The application font: a plain sans serif at 8 points.
void UseApplicationFont();

}  // namespace vrkt::qt
