// JSON text written straight into a string, laid out exactly as QJsonDocument::toJson(Indented)
// lays it out: four blanks an indent level, "key": value, numbers as Qt prints them. Building a
// QJsonObject tree first costs most of the time of printing all 30 aircraft.
//
// QJsonObject sorts its keys; a caller that must print what a QJsonObject would print gives the
// keys of each object in that order (byte order of their UTF-8 text). Debug builds check it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::cli {

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // The next value is the member `key` of the object being written.
  void key(std::string_view key);

  void value(std::int64_t number);  // printed as an integer, as QJsonValue(int) is
  void value(int number) { value(static_cast<std::int64_t>(number)); }
  void value(double number);          // printed as QJsonValue(double) is
  void value(std::string_view utf8);  // a string; text that is not UTF-8 reads as U+FFFD
  void value(const QString& text);

  // The text written so far; after the outermost container it ends with a line break, as
  // QJsonDocument's does.
  const std::string& text() const { return out_; }
  // Room for the text to come, so that a long document is not copied as it grows.
  void reserve(std::size_t bytes) { out_.reserve(bytes); }

 private:
  void beforeValue();
  void end(char close);
  void string(std::string_view utf8);

  struct Level {
    bool empty = true;
#ifndef NDEBUG
    std::string lastKey;  // checks that keys come in QJsonObject's order
#endif
  };
  std::string out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

// A double as QJsonDocument prints it: a whole number up to 2^53 in full, anything else as the
// shortest text that reads back as the same double, in exponent form where that is shorter
// ("1e-05", "1e+16"); "null" when not finite.
std::string jsonNumber(double number);

}  // namespace tolvane::cli
