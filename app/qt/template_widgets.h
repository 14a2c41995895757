// Builds a dialog's widgets from its template: one widget per control, placed at the template's
// position converted from dialog units with the dialog font's metrics.
#pragma once

#include <QFont>
#include <QIcon>
#include <map>

#include "app/dialog_templates.h"

class QDialog;
class QWidget;

namespace boxferry {

// The font the templates ask for ("MS Shell Dlg", the system's dialog font): the desktop's interface font
// at its size, with Japanese fonts behind it. Its metrics set the dialog units.
QFont DialogFont(const DialogTemplate& dialog);

// Dialog-unit base of a font, computed as Windows does for a dialog font.
DialogBase DialogBaseOf(const QFont& font);

// Creates the controls of `dialog` as children of `window`, sets the window's font, caption and fixed
// client size, and chains the Tab order through the controls that take it, in template order. Returns
// the widgets by control id (labels without an id are left out).
std::map<int, QWidget*> BuildFromTemplate(QDialog& window, const DialogTemplate& dialog, const QIcon& icon);

// The application icon (icon resource 128), every size.
QIcon ApplicationIcon();

}  // namespace boxferry
