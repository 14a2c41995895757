// The main window on Qt 6: template 102's controls, realising DialogWindow for the shared dialog logic.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <functional>
#include <map>
#include <optional>

#include "app/converter_dialog.h"
#include "app/dialog_window.h"

class QAction;
class QCloseEvent;
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

 protected:
  // Escape: the dialog's cancel, which the Cancel/Close button shares.
  void reject() override;
  // The close box: the same request; the window stays while a run goes on.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QString title_;
  std::map<int, QWidget*> items_;
  QAction* aboutAction_ = nullptr;
  FolderChooser chooser_ = SystemFolderChooser;
  MessageBoxFunction messageBox_ = SystemMessageBox;
  AboutBoxRunner aboutBox_;
  ConverterDialog dialog_;
};

}  // namespace boxferry
