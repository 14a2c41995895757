// What the window program sets up once its QApplication exists; shared with the screenshot tool so its
// pictures show what users see.
#pragma once

class QApplication;

namespace boxferry {

// Icon, desktop entry name, the dialog font for every window (message boxes and the folder chooser
// too), and Qt's own texts in the user's language.
void SetUpApplication(QApplication& application);

}  // namespace boxferry
