// The main window on Qt 6: template 102's controls, realising DialogWindow for the shared dialog logic.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/converter_dialog.h"
#include "app/dialog_window.h"

class QAction;
class QCloseEvent;
class QMessageBox;
class QShowEvent;

namespace boxferry {

class ConverterWindow : public QDialog, public DialogWindow {
  Q_OBJECT

 public:
  // Picks an existing directory; empty optional when cancelled.
  using FolderChooser =
      std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& initial)>;
  // A modal message box with one OK button; returns the button's id (1 for OK).
  using MessageBoxFunction =
      std::function<int(QWidget* parent, const QString& caption, const QString& text, int flags)>;
  // Runs the about box modally.
  using AboutBoxRunner = std::function<void(QWidget* parent)>;

  // `title` captions the message boxes: the executable's name without its extension.
  ConverterWindow(const QString& title, const ConverterDialog::ConverterFactory& makeConverter);
  ~ConverterWindow() override;

  // Replace the system's folder chooser, message box or about box (tests, screenshots).
  void SetFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
  void SetMessageBoxFunction(MessageBoxFunction box) { messageBox_ = std::move(box); }
  void SetAboutBoxRunner(AboutBoxRunner runner) { aboutBox_ = std::move(runner); }

  // Takes `path` as the input (or output) folder, as if chosen: only an existing directory, and only while
  // no run goes on. False when not taken.
  bool UseFolder(bool input, const QString& path);

  QWidget* Item(int id) const;
  QAction* AboutAction() const { return aboutAction_; }
  ConverterDialog& Dialog() { return dialog_; }

  // ProgressView
  void SetItemText(int id, const std::string& text) override;
  void InvalidateItem(int id) override;
  void EnableItem(int id, bool on) override;
  void FocusItem(int id) override;
  void DispatchPendingMessages() override;
  int ShowMessageBox(const std::string& text, int flags, int help) override;
  // DialogWindow
  std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& initial) override;
  void CloseDialog() override;
  void OpenAboutBox() override;

  // The system's own implementations, used unless replaced.
  static std::optional<QString> SystemFolderChooser(QWidget* parent, const QString& title,
                                                    const QString& initial);
  static int SystemMessageBox(QWidget* parent, const QString& caption, const QString& text, int flags);
  // The box SystemMessageBox runs: one OK button, the icon of `flags`, plain text.
  static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& caption,
                                                     const QString& text, int flags);

 protected:
  // Escape: the dialog's cancel, which the Cancel/Close button shares.
  void reject() override;
  // The close box: the same request; the window stays while a run goes on.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Folders dropped on the two path fields.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // True for the controls a run rewrites for every message file (counters, names, path): while a run
  // goes on, their new texts are shown at a human rate, not at every file.
  bool Deferred(int id) const;
  void ShowText(int id, const QString& text);
  // Puts the texts held back onto the screen.
  void ShowDeferredTexts();

  QString title_;
  std::map<int, QWidget*> items_;
  // The texts held back, for the controls kAccountCountText to kFileNameText (consecutive ids). Kept as
  // the run gives them: most are replaced before they are shown.
  struct DeferredText {
    std::string text;
    bool pending = false;
  };
  std::array<DeferredText, 7> deferred_;
  bool anyDeferred_ = false;
  QElapsedTimer sinceShown_;
  QElapsedTimer sinceDispatch_;
  bool skippedLastDispatch_ = false;
  QAction* aboutAction_ = nullptr;
  FolderChooser chooser_ = SystemFolderChooser;
  MessageBoxFunction messageBox_ = SystemMessageBox;
  AboutBoxRunner aboutBox_;
  ConverterDialog dialog_;
};

}  // namespace boxferry
