#include "app/qt/template_widgets.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTextDocumentFragment>

#include "app/qt/phrase_wrap.h"

namespace boxferry {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

Qt::Alignment AlignmentOf(unsigned style) {
  Qt::Alignment horizontal = (style & kAlignRight) ? Qt::AlignRight : Qt::AlignLeft;
  // A Windows static without SS_CENTERIMAGE draws its text at the top; ours are one line high, so the
  // difference is at most the rounding of the height.
  Qt::Alignment vertical = (style & kCenterVertically) ? Qt::AlignVCenter : Qt::AlignTop;
  return horizontal | vertical;
}

// A multi-line text that wraps only between phrases; copied, it is the text as written.
class PhraseWrappedEdit : public QPlainTextEdit {
 public:
  explicit PhraseWrappedEdit(QWidget* parent) : QPlainTextEdit(parent) {}

 protected:
  QMimeData* createMimeDataFromSelection() const override {
    auto* data = new QMimeData;
    data->setText(WithoutWordJoiners(textCursor().selection().toPlainText()));
    return data;
  }
};

// A read-only edit has the dialog's face colour behind its text, as on Windows.
void UseDialogFace(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  widget->setPalette(palette);
}

QWidget* MakeControl(QDialog& window, const ControlTemplate& control, const QIcon& icon,
                     const PixelRect& rect) {
  const QString text = FromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::kStatic: {
      auto* label = new QLabel(&window);
      // Names from the store are shown as they stand, never as markup.
      label->setTextFormat(Qt::PlainText);
      // Opaque on the dialog's face, which is what lies behind: a new text then repaints the label
      // alone, not the group box under it (a run changes these texts for every message file).
      label->setAutoFillBackground(true);
      label->setText(text);
      label->setAlignment(AlignmentOf(control.style));
      return label;
    }
    case ControlKind::kIcon: {
      auto* label = new QLabel(&window);
      // A Windows icon control sizes itself to the icon: 32 by 32 at 96 dpi.
      const int side = 32;
      label->setPixmap(icon.pixmap(side, side));
      label->setFixedSize(side, side);
      label->move(rect.x, rect.y);
      return label;
    }
    case ControlKind::kEdit: {
      if (control.style & kMultiLine) {
        auto* edit = new PhraseWrappedEdit(&window);
        QString notice = text;
        notice.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(KeepPhrasesTogether(notice));
        edit->setReadOnly(control.style & kReadOnly);
        edit->setVerticalScrollBarPolicy((control.style & kVerticalScroll) ? Qt::ScrollBarAsNeeded
                                                                           : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (control.style & kReadOnly) UseDialogFace(edit);
        return edit;
      }
      auto* edit = new QLineEdit(&window);
      edit->setText(text);
      edit->setReadOnly(control.style & kReadOnly);
      edit->setFrame(control.style & kBorder);
      // Without a border the field is only text on the dialog's face. Opaque, like the labels.
      if (control.style & kReadOnly) UseDialogFace(edit);
      edit->setAutoFillBackground(true);
      return edit;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(text, &window);
      if (control.style & kDefaultButton) button->setDefault(true);
      return button;
    }
    case ControlKind::kGroupBox: {
      auto* group = new QGroupBox(text, &window);
      // The title sits on the frame's top line, as a Windows group box draws it, instead of above it.
      group->setStyleSheet(
          QStringLiteral(
              "QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
              "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: %2px;"
              " padding: 0 1px; background-color: palette(window); }")
              .arg(QFontMetrics(window.font()).height() / 2)
              .arg(QFontMetrics(window.font()).averageCharWidth()));
      return group;
    }
  }
  return nullptr;
}

}  // namespace

QFont DialogFont(const DialogTemplate& dialog) {
  // The desktop's own interface font and size, as the platform theme reports them: what "MS Shell Dlg"
  // stands for on Windows. Japanese fonts follow for the characters it lacks, so kanji never come from a
  // Chinese font the system might pick by itself.
  QFont font = QGuiApplication::font();
  QStringList families = font.families().isEmpty() ? QStringList{font.family()} : font.families();
  for (const char* japanese : {"MS UI Gothic", "Noto Sans CJK JP", "Source Han Sans JP", "IPAPGothic",
                               "IPAGothic", "VL PGothic", "TakaoPGothic"}) {
    const QString family = QString::fromLatin1(japanese);
    if (!families.contains(family)) families.append(family);
  }
  font.setFamilies(families);
  if (font.pointSizeF() <= 0 && font.pixelSize() <= 0) font.setPointSize(dialog.pointSize);
  return font;
}

DialogBase DialogBaseOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogBase{AverageLetterWidth(letters), metrics.height()};
}

std::map<int, QWidget*> BuildFromTemplate(QDialog& window, const DialogTemplate& dialog, const QIcon& icon) {
  window.setFont(DialogFont(dialog));
  window.setWindowTitle(FromUtf8(dialog.caption));
  const DialogBase base = DialogBaseOf(window.font());
  const PixelRect client = DialogUnitsToPixels(base, 0, 0, dialog.width, dialog.height);
  window.setFixedSize(client.width, client.height);

  std::map<int, QWidget*> items;
  QWidget* previousStop = nullptr;
  for (const ControlTemplate& control : dialog.controls) {
    const PixelRect rect = DialogUnitsToPixels(base, control.x, control.y, control.width, control.height);
    QWidget* widget = MakeControl(window, control, icon, rect);
    if (control.kind != ControlKind::kIcon) widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    if (control.kind == ControlKind::kGroupBox) widget->lower();  // a frame never covers what it frames
    if (control.style & kTabStop) {
      widget->setFocusPolicy(Qt::StrongFocus);
      if (previousStop) {
        QWidget::setTabOrder(previousStop, widget);
      } else {
        widget->setFocus(Qt::OtherFocusReason);  // the first tab stop has the focus when the dialog opens
      }
      previousStop = widget;
    } else if (control.kind == ControlKind::kEdit || control.kind == ControlKind::kButton) {
      widget->setFocusPolicy(Qt::ClickFocus);  // reachable by the mouse, skipped by Tab
    }
    if (control.id != kNoControlId) {
      widget->setObjectName(QStringLiteral("item%1").arg(control.id));
      items[control.id] = widget;
    }
  }
  return items;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icon/boxferry-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace boxferry
