#include "app/qt/converter_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QShowEvent>
#include <QTimer>

#include "app/dialog_templates.h"
#include "app/qt/about_box.h"
#include "app/qt/template_widgets.h"
#include "engine/control_ids.h"

namespace boxferry {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

ConverterWindow::ConverterWindow(const QString& title, const ConverterDialog::ConverterFactory& makeConverter)
    : QDialog(nullptr), title_(title), dialog_(*this, makeConverter) {
  // Caption, close box and no minimise or maximise box; a fixed size like a modal frame.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QIcon icon = ApplicationIcon();
  setWindowIcon(icon);
  items_ = BuildFromTemplate(*this, MainDialogTemplate(), icon);
  setObjectName(QStringLiteral("converterWindow"));

  auto click = [this](int id, void (ConverterDialog::*handler)()) {
    connect(static_cast<QAbstractButton*>(items_.at(id)), &QAbstractButton::clicked, this,
            [this, handler] { (dialog_.*handler)(); });
  };
  click(kChooseInputButton, &ConverterDialog::ChooseInputFolder);
  click(kChooseOutputButton, &ConverterDialog::ChooseOutputFolder);
  click(kStartButton, &ConverterDialog::Start);
  click(kCancelCloseButton, &ConverterDialog::CancelRequest);

  // There is no system menu to extend here: the About entry lives in the window's context menu.
  const std::string& aboutText = ConverterDialog::AboutEntryText();
  if (!aboutText.empty()) {
    aboutAction_ = new QAction(FromUtf8(aboutText), this);
    connect(aboutAction_, &QAction::triggered, this, [this] { dialog_.About(); });
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
  }

  dialog_.Initialize();
}

ConverterWindow::~ConverterWindow() = default;

QWidget* ConverterWindow::Item(int id) const {
  auto found = items_.find(id);
  return found == items_.end() ? nullptr : found->second;
}

void ConverterWindow::SetItemText(int id, const std::string& text) {
  QWidget* widget = Item(id);
  const QString value = FromUtf8(text);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(value);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(value);
    edit->setCursorPosition(0);  // show where the path begins, as a Windows edit does
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  }
}

void ConverterWindow::InvalidateItem(int id) {
  if (QWidget* widget = Item(id)) widget->update();
}

void ConverterWindow::EnableItem(int id, bool on) {
  if (QWidget* widget = Item(id)) widget->setEnabled(on);
}

void ConverterWindow::FocusItem(int id) {
  if (QWidget* widget = Item(id)) widget->setFocus(Qt::OtherFocusReason);
}

void ConverterWindow::DispatchPendingMessages() {
  // Everything queued now, without waiting: repaints, clicks, keys, timers. Handlers run nested here.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int ConverterWindow::ShowMessageBox(const std::string& text, int flags, int /*help*/) {
  QString message = FromUtf8(text);
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return messageBox_(this, title_, message, flags);
}

std::optional<std::string> ConverterWindow::ChooseFolder(const std::string& prompt,
                                                         const std::string& initial) {
  std::optional<QString> chosen = chooser_(this, FromUtf8(prompt), QFile::decodeName(initial.c_str()));
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  return QFile::encodeName(*chosen).toStdString();
}

void ConverterWindow::CloseDialog() {
  QDialog::reject();
}

void ConverterWindow::OpenAboutBox() {
  if (aboutBox_) {
    aboutBox_(this);
    return;
  }
  AboutBox box(this);
  box.exec();
}

void ConverterWindow::reject() {
  dialog_.CancelRequest();
}

void ConverterWindow::closeEvent(QCloseEvent* event) {
  // The dialog decides: it closes itself (through CloseDialog) only while idle.
  event->ignore();
  dialog_.CancelRequest();
}

void ConverterWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (dialog_.welcomeShown()) return;
  // The welcome box follows the window onto the screen instead of opening before it is drawn.
  QTimer::singleShot(0, this, [this] { dialog_.WindowShown(); });
}

std::optional<QString> ConverterWindow::SystemFolderChooser(QWidget* parent, const QString& title,
                                                            const QString& initial) {
  const QString chosen = QFileDialog::getExistingDirectory(parent, title, initial, QFileDialog::ShowDirsOnly);
  // Only an existing directory is a choice; anything else (a typed name that does not exist, a
  // non-local location from a desktop's own dialog) changes nothing.
  if (chosen.isEmpty() || !QFileInfo(chosen).isDir()) return std::nullopt;
  return chosen;
}

int ConverterWindow::SystemMessageBox(QWidget* parent, const QString& caption, const QString& text,
                                      int flags) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (flags & 0xF0) {
    case 16:
      icon = QMessageBox::Critical;
      break;
    case 32:
      icon = QMessageBox::Question;
      break;
    case 48:
      icon = QMessageBox::Warning;
      break;
    case 64:
      icon = QMessageBox::Information;
      break;
    default:
      break;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  return 1;  // OK
}

}  // namespace boxferry
