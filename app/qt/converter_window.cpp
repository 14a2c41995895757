#include "app/qt/converter_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QShowEvent>
#include <QTimer>

#include "app/dialog_templates.h"
#include "app/qt/about_box.h"
#include "app/qt/phrase_wrap.h"
#include "app/qt/template_widgets.h"
#include "engine/control_ids.h"

namespace boxferry {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The one local directory a drag carries, if that is what it carries.
std::optional<QString> DraggedFolder(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  const QString path = urls.first().toLocalFile();
  if (!QFileInfo(path).isDir()) return std::nullopt;
  return path;
}

// Accepts a drop as a link or a copy, never as a move: a file manager told "moved" may delete what was
// dragged, and that would be the mail store. A drag that offers only a move is refused.
bool AcceptWithoutMove(QDropEvent* event) {
  const Qt::DropActions offered = event->possibleActions();
  if (!(offered & (Qt::LinkAction | Qt::CopyAction))) return false;
  event->setDropAction((offered & Qt::LinkAction) ? Qt::LinkAction : Qt::CopyAction);
  event->accept();
  return true;
}

// How often the counters and names of a run are redrawn: fast enough to follow, slow enough that drawing
// costs the run next to nothing. Painting them for every message file made a run of small files ten
// times slower than without a window.
constexpr qint64 kRedrawIntervalMs = 50;
constexpr qint64 kQuietNs = 200'000;

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
  connect(static_cast<QAbstractButton*>(items_.at(kStartButton)), &QAbstractButton::clicked, this, [this] {
    dialog_.Start();
    ShowDeferredTexts();  // the run's last counters and names
  });
  click(kCancelCloseButton, &ConverterDialog::CancelRequest);

  // There is no system menu to extend here: the About entry lives in the window's context menu (right
  // click, or the Menu key), and F1 or Alt+A, the entry's own access key, open it from the keyboard. The
  // program has no help pages, so the Help key shows what there is: the about box with the terms of use.
  const std::string& aboutText = ConverterDialog::AboutEntryText();
  if (!aboutText.empty()) {
    aboutAction_ = new QAction(FromUtf8(aboutText), this);
    aboutAction_->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::ALT | Qt::Key_A)});
    connect(aboutAction_, &QAction::triggered, this, [this] { dialog_.About(); });
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
  }

  for (int id : {kInputPathEdit, kOutputPathEdit}) {
    items_.at(id)->setAcceptDrops(true);
    items_.at(id)->installEventFilter(this);
  }

  dialog_.Initialize();
}

ConverterWindow::~ConverterWindow() = default;

bool ConverterWindow::UseFolder(bool input, const QString& path) {
  const QFileInfo folder(path);
  if (path.isEmpty() || !folder.isDir() || !dialog_.monitor().IsIdle()) return false;
  // Absolute, so the field says where it is and the chooser opens there; links are kept as written.
  const std::string name = QFile::encodeName(QDir::cleanPath(folder.absoluteFilePath())).toStdString();
  if (input) {
    dialog_.SetInputFolder(name);
  } else {
    dialog_.SetOutputFolder(name);
  }
  return true;
}

QWidget* ConverterWindow::Item(int id) const {
  auto found = items_.find(id);
  return found == items_.end() ? nullptr : found->second;
}

bool ConverterWindow::Deferred(int id) const {
  static_assert(kFileNameText - kAccountCountText + 1 == std::tuple_size_v<decltype(deferred_)>);
  return id >= kAccountCountText && id <= kFileNameText && !dialog_.monitor().IsIdle();
}

void ConverterWindow::SetItemText(int id, const std::string& text) {
  if (Deferred(id)) {
    DeferredText& slot = deferred_[static_cast<std::size_t>(id - kAccountCountText)];
    slot.text.assign(text);
    slot.pending = true;
    anyDeferred_ = true;
    return;
  }
  if (id >= kAccountCountText && id <= kFileNameText) {
    deferred_[static_cast<std::size_t>(id - kAccountCountText)].pending = false;
  }
  ShowText(id, FromUtf8(text));
}

void ConverterWindow::ShowDeferredTexts() {
  if (!anyDeferred_) return;
  for (std::size_t i = 0; i < deferred_.size(); ++i) {
    if (!deferred_[i].pending) continue;
    deferred_[i].pending = false;
    ShowText(kAccountCountText + static_cast<int>(i), FromUtf8(deferred_[i].text));
  }
  anyDeferred_ = false;
  sinceShown_.start();
}

void ConverterWindow::ShowText(int id, const QString& value) {
  QWidget* widget = Item(id);
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
  if (Deferred(id)) return;  // repainted when its text is shown
  if (QWidget* widget = Item(id)) widget->update();
}

void ConverterWindow::EnableItem(int id, bool on) {
  if (QWidget* widget = Item(id)) widget->setEnabled(on);
}

void ConverterWindow::FocusItem(int id) {
  if (QWidget* widget = Item(id)) widget->setFocus(Qt::OtherFocusReason);
}

void ConverterWindow::DispatchPendingMessages() {
  if (anyDeferred_ && (!sinceShown_.isValid() || sinceShown_.elapsed() >= kRedrawIntervalMs)) {
    ShowDeferredTexts();
  }
  // A dispatch that follows the last one within a fraction of a millisecond, with no work of the run in
  // between, has nothing to find: a run makes two display calls per message file (its names before it,
  // the counters after it), and for small files they come microseconds apart. Such a call is let go, but
  // never two in a row, so every file is still followed by a dispatch.
  if (!skippedLastDispatch_ && sinceDispatch_.isValid() && sinceDispatch_.nsecsElapsed() < kQuietNs) {
    skippedLastDispatch_ = true;
    return;
  }
  skippedLastDispatch_ = false;
  // Everything queued now, without waiting: repaints, clicks, keys, timers. Handlers run nested here.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  sinceDispatch_.start();
}

int ConverterWindow::ShowMessageBox(const std::string& text, int flags, int /*help*/) {
  ShowDeferredTexts();  // the box stands over the counters and names as they are now
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

bool ConverterWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool input = watched == Item(kInputPathEdit);
  if (!input && watched != Item(kOutputPathEdit)) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!DraggedFolder(drag->mimeData()) || !dialog_.monitor().IsIdle() || !AcceptWithoutMove(drag)) {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::optional<QString> folder = DraggedFolder(drop->mimeData());
      if (!folder || !AcceptWithoutMove(drop) || !UseFolder(input, *folder)) drop->ignore();
      return true;
    }
    default:
      return QDialog::eventFilter(watched, event);
  }
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
  MakeMessageBox(parent, caption, text, flags)->exec();
  return 1;  // OK
}

std::unique_ptr<QMessageBox> ConverterWindow::MakeMessageBox(QWidget* parent, const QString& caption,
                                                             const QString& text, int flags) {
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
  QString message = text;
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  // Lines end only between phrases, however narrow the box gets.
  auto box =
      std::make_unique<QMessageBox>(icon, caption, KeepPhrasesTogether(message), QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  return box;
}

}  // namespace boxferry
