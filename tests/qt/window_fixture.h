// A main window with the system's boxes and chooser replaced: message boxes are recorded and return at
// once, the folder chooser answers from a list.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mbox_converter_factory.h"
#include "app/qt/converter_window.h"

namespace boxferry::test {

struct RecordedBox {
  QString caption;
  QString text;
  int flags;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<ConverterWindow>(QStringLiteral("boxferry-test"), MakeMboxConverter);
    window->SetMessageBoxFunction([this](QWidget*, const QString& caption, const QString& text, int flags) {
      boxes.push_back({caption, text, flags});
      return 1;
    });
    window->SetFolderChooser([this](QWidget*, const QString& title, const QString& initial) {
      chooserCalls.push_back(title + " | " + initial);
      if (answers.isEmpty()) return std::optional<QString>();
      return std::optional<QString>(answers.takeFirst());
    });
  }
  void TearDown() override { window.reset(); }

  QString Text(int id) const {
    QWidget* item = window->Item(id);
    if (auto* label = qobject_cast<QLabel*>(item)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(item)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(item)) return button->text();
    return QStringLiteral("<no such control>");
  }
  QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(window->Item(id)); }
  int Files() const { return window->Dialog().monitor().fileCount(); }

  // Chooses both folders through the "..." buttons.
  void Choose(const QString& input, const QString& output) {
    answers = {input, output};
    Button(1002)->click();
    Button(1003)->click();
  }

  std::unique_ptr<ConverterWindow> window;
  std::vector<RecordedBox> boxes;
  QStringList answers;
  QStringList chooserCalls;
};

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace boxferry::test
