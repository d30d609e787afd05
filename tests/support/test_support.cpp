#include "support/test_support.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QTest>

#include "record/demo_data.h"
#include "record/layout.h"
#include "ui/byte_grid.h"

namespace tolvane::test {

RecordingPrompter::RecordingPrompter() {
  ui::setPrompter(this);
}
RecordingPrompter::~RecordingPrompter() {
  ui::setPrompter(nullptr);
}

void RecordingPrompter::showError(const QString&, const QString& text) {
  errors << text;
}

bool RecordingPrompter::ask(const QString&, const QString& text, const QString&, const QString&) {
  questions << text;
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

QByteArray demoBytes() {
  const std::vector<std::uint8_t> bytes = record::demoFile();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

DataFolder::DataFolder(const QString& fileName)
    : fileName_(fileName), previous_(QDir::currentPath()) {
  setBytes(demoBytes());
  QDir::setCurrent(dir_.path());
}

DataFolder::~DataFolder() {
  QDir::setCurrent(previous_);
}

QByteArray DataFolder::bytes() const {
  QFile file(filePath());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void DataFolder::setBytes(const QByteArray& bytes) const {
  QFile file(filePath());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test data");
  file.write(bytes);
}

Fixture::Fixture() : window(std::make_unique<app::MainWindow>()) {
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
}

Fixture::~Fixture() {
  window.reset();
}

void Fixture::setRecordBytes(int slot, int k, const QList<int>& values) const {
  QByteArray bytes = folder.bytes();
  for (int n = 0; n < values.size(); ++n) {
    bytes[static_cast<int>(record::bytePosition(slot, k + n) - 1)] = static_cast<char>(values[n]);
  }
  folder.setBytes(bytes);
}

int Fixture::fileByte(int slot, int k) const {
  return static_cast<unsigned char>(
      folder.bytes()[static_cast<int>(record::bytePosition(slot, k) - 1)]);
}

bool Fixture::close() const {
  QCloseEvent event;
  QCoreApplication::sendEvent(window.get(), &event);
  return event.isAccepted();
}

void Fixture::pick(int slot) {
  window->controls().List1->setCurrentRow(slot);
}

QString Fixture::cell(int row, int column) const {
  return window->controls().G1->textMatrix(row, column);
}

void Fixture::setCell(int row, int column, const QString& text) {
  window->controls().G1->setTextMatrix(row, column, text);
}

}  // namespace tolvane::test
