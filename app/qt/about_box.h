// The about box (template 100): icon, name and version, two fixed lines, the read-only notice and OK.
#pragma once

#include <QDialog>

class QKeyEvent;

namespace boxferry {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

  // The notice field (control 1006).
  QWidget* Notice() const { return notice_; }

 protected:
  // Enter confirms the box, wherever the focus is.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* notice_ = nullptr;
};

}  // namespace boxferry
