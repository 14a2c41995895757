#include "app/qt/about_box.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/dialog_templates.h"
#include "app/qt/template_widgets.h"
#include "engine/control_ids.h"

namespace boxferry {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QIcon icon = ApplicationIcon();
  setWindowIcon(icon);
  const auto items = BuildFromTemplate(*this, AboutDialogTemplate(), icon);
  notice_ = items.at(kAboutNoticeEdit);
  auto* ok = static_cast<QPushButton*>(items.at(kAboutOkButton));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  // OK has the focus, as on Windows, not the notice.
  ok->setFocus(Qt::OtherFocusReason);
  setObjectName(QStringLiteral("aboutBox"));
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      accept();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

}  // namespace boxferry
