#include "record/record_document.h"

#include <algorithm>

#include "record/numbers.h"

namespace tolvane::record {
namespace {

// A byte as a value text ("0" to "255"), made once.
const std::string& byteText(std::uint8_t byte) {
  static const auto texts = [] {
    std::array<std::string, 256> all;
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = std::to_string(b);
    return all;
  }();
  return texts[byte];
}

// A value text read as saving reads a byte: 0..255, or -1 when saving refuses it. Plain
// decimals of up to three digits, which every load writes, are read here; any other text goes
// through the full number rules.
std::int16_t parsedByte(const std::string& text) {
  if (!text.empty() && text.size() <= 3) {
    int value = 0;
    bool digits = true;
    for (const char c : text) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      value = value * 10 + (c - '0');
    }
    if (digits) return static_cast<std::int16_t>(value <= 255 ? value : -1);
  }
  const auto byte = cellByte(text);
  return static_cast<std::int16_t>(byte ? *byte : -1);
}

bool inRecord(int row) {
  return row >= 1 && row <= kRecordBytes;
}

}  // namespace

RecordDocument::RecordDocument() {
  parsed_.fill(-1);
  expectOutdated_.fill(-1);
}

int RecordDocument::addListener(Listener listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void RecordDocument::removeListener(int id) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                  [id](const auto& entry) { return entry.first == id; }),
                   listeners_.end());
}

void RecordDocument::setOriginProvider(std::function<EditOrigin(int row)> provider) {
  originOf_ = std::move(provider);
}

const std::string& RecordDocument::value(int row) const {
  static const std::string empty;
  return inRecord(row) ? values_[static_cast<std::size_t>(row)] : empty;
}

std::optional<std::uint8_t> RecordDocument::byte(int row) const {
  if (!inRecord(row)) return std::nullopt;
  const std::int16_t parsed = parsed_[static_cast<std::size_t>(row)];
  if (parsed < 0) return std::nullopt;
  return static_cast<std::uint8_t>(parsed);
}

int RecordDocument::firstRefusedRow() const {
  for (int row = 1; row <= kRecordBytes; ++row) {
    if (parsed_[static_cast<std::size_t>(row)] < 0) return row;
  }
  return 0;
}

std::optional<RecordBytes> RecordDocument::bytes() const {
  RecordBytes out{};
  for (int row = 1; row <= kRecordBytes; ++row) {
    const std::int16_t parsed = parsed_[static_cast<std::size_t>(row)];
    if (parsed < 0) return std::nullopt;
    out[static_cast<std::size_t>(row - 1)] = static_cast<std::uint8_t>(parsed);
  }
  return out;
}

bool RecordDocument::differs(int row) const {
  if (!inRecord(row)) return false;
  return parsed_[static_cast<std::size_t>(row)] != fileByte(row);
}

bool RecordDocument::unsaved() const {
  if (!isOpen()) return false;
  if (unsure_) return true;
  for (int row = 1; row <= kRecordBytes; ++row) {
    if (differs(row)) return true;
  }
  return false;
}

RecordBytes RecordDocument::expectedFileBytes() const {
  RecordBytes expected = fileBytes_;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const auto r = static_cast<std::size_t>(row);
    if (expectOutdated_[r] >= 0) expected[r - 1] = static_cast<std::uint8_t>(expectOutdated_[r]);
  }
  return expected;
}

void RecordDocument::put(int row, const std::string& text) {
  const auto r = static_cast<std::size_t>(row);
  values_[r] = text;
  parsed_[r] = parsedByte(text);
}

void RecordDocument::open(int slot, std::int64_t firstPosition, const RecordBytes& bytes) {
  slot_ = slot;
  first_ = firstPosition;
  fileBytes_ = bytes;
  unsure_ = false;
  for (auto& bytes : outdated_) bytes.reset();
  expectOutdated_.fill(-1);
  history_.clear();
  for (int row = 1; row <= kRecordBytes; ++row) put(row, byteText(bytes[row - 1]));
  notify(Change::Kind::Opened, 1, kRecordBytes);
}

void RecordDocument::reload(const RecordBytes& bytes) {
  history_.finishStep();
  history_.breakTypingRun();
  fileBytes_ = bytes;
  unsure_ = false;
  expectOutdated_.fill(-1);
  for (int row = 1; row <= kRecordBytes; ++row) put(row, byteText(bytes[row - 1]));
  notify(Change::Kind::FileBytes, 1, kRecordBytes);
  notify(Change::Kind::Values, 1, kRecordBytes);
}

void RecordDocument::markWritten(const RecordBytes& bytes, bool unsure) {
  fileBytes_ = bytes;
  unsure_ = unsure;
  // The file now holds what this program wrote; an older byte of the file no longer counts.
  for (auto& bytes : outdated_) bytes.reset();
  expectOutdated_.fill(-1);
  notify(Change::Kind::FileBytes, 1, kRecordBytes);
}

void RecordDocument::markWriteFailed(const std::optional<RecordBytes>& fileNow) {
  if (fileNow) fileBytes_ = *fileNow;
  unsure_ = true;
  expectOutdated_.fill(-1);
  notify(Change::Kind::FileBytes, 1, kRecordBytes);
}

bool RecordDocument::setValue(int row, const std::string& text) {
  if (!inRecord(row)) return false;
  const auto r = static_cast<std::size_t>(row);
  if (values_[r] == text) return false;
  const std::string before = values_[r];
  put(row, text);
  expectOutdated_[r] = -1;
  if (isOpen() && !applying_) {
    history_.record(row, before, text, originOf_ ? originOf_(row) : EditOrigin{});
  }
  notify(Change::Kind::Values, row, row);
  return true;
}

void RecordDocument::setValues(const std::string& stepName, const Values& values) {
  ValueChanges changes;
  std::vector<int> changed;
  for (const auto& [row, text] : values) {
    if (!inRecord(row) || value(row) == text) continue;
    changes.emplace(row, ValueChange{value(row), text});
    put(row, text);
    expectOutdated_[static_cast<std::size_t>(row)] = -1;
    changed.push_back(row);
  }
  if (isOpen()) history_.push(stepName, changes);
  notifyRows(Change::Kind::Values, changed);
}

void RecordDocument::revert(const RecordBytes& fileNow) {
  ValueChanges changes;
  std::vector<int> changed;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const auto r = static_cast<std::size_t>(row);
    const std::uint8_t before = fileBytes_[r - 1];
    const std::uint8_t now = fileNow[r - 1];
    // A byte another program changed: an undo that brings back the old byte expects it.
    if (before != now) outdated_[r].set(before);
    const std::string& text = byteText(now);
    if (values_[r] == text) continue;
    if (differs(row)) {
      changes.emplace(row, ValueChange{values_[r], text});
    }
    put(row, text);
    changed.push_back(row);
  }
  fileBytes_ = fileNow;
  unsure_ = false;
  expectOutdated_.fill(-1);
  history_.push("Revert to planes.dat", changes);
  notify(Change::Kind::FileBytes, 1, kRecordBytes);
  notifyRows(Change::Kind::Values, changed);
}

void RecordDocument::applyHistoryValues(const Values& values, std::vector<int>* changed) {
  applying_ = true;
  for (const auto& [row, text] : values) {
    if (!inRecord(row)) continue;
    const auto r = static_cast<std::size_t>(row);
    if (values_[r] == text) continue;
    put(row, text);
    changed->push_back(row);
    // A byte the file held before another program changed it, put back by the history: the
    // save asks before it overwrites the file's newer byte.
    const std::int16_t parsed = parsed_[r];
    const bool outdated = parsed >= 0 && outdated_[r].test(static_cast<std::size_t>(parsed)) &&
                          parsed != fileBytes_[r - 1];
    expectOutdated_[r] = outdated ? parsed : -1;
  }
  applying_ = false;
}

std::vector<int> RecordDocument::undo() {
  std::vector<int> changed;
  if (!isOpen()) return changed;
  if (const auto values = history_.undo()) applyHistoryValues(*values, &changed);
  notifyRows(Change::Kind::Values, changed);
  return changed;
}

std::vector<int> RecordDocument::redo() {
  std::vector<int> changed;
  if (!isOpen()) return changed;
  if (const auto values = history_.redo()) applyHistoryValues(*values, &changed);
  notifyRows(Change::Kind::Values, changed);
  return changed;
}

void RecordDocument::notify(Change::Kind kind, int firstRow, int lastRow) {
  const Change change{kind, firstRow, lastRow};
  // A listener may add or remove listeners: the calls go over a copy, and a listener removed
  // meanwhile is not called.
  const auto listeners = listeners_;
  for (const auto& [id, listener] : listeners) {
    const bool still = std::any_of(listeners_.begin(), listeners_.end(),
                                   [id = id](const auto& entry) { return entry.first == id; });
    if (still) listener(change);
  }
}

void RecordDocument::notifyRows(Change::Kind kind, const std::vector<int>& rows) {
  if (rows.empty()) return;
  const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
  notify(kind, *low, *high);
}

}  // namespace tolvane::record
