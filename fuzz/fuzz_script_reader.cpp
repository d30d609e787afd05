// Feeds arbitrary bytes to the script reader. Nothing may crash or have undefined
// behaviour; a refusal names a line that the input reaches or the first one it lacks, and a
// script that reads has its slot in 0..29 and a name line of at most 18 characters. Where the
// writer can write what was read (no lone CR in the name line or description), writing and
// reading it again gives the same script.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "script/script_reader.h"
#include "script/script_writer.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const script::ParsedScript parsed = script::readScript(bytes);
  const long long lines = bytes.count('\n') + 1;
  if (!parsed.ok()) {
    if (parsed.errorLine < 1 || parsed.errorLine > lines + 1) {
      fuzz::fail("a refusal names a line outside the input", parsed.errorLine);
    }
    if (!parsed.error.startsWith(QStringLiteral("line %1: ").arg(parsed.errorLine))) {
      fuzz::fail("a refusal does not start with its line number", parsed.errorLine);
    }
    return 0;
  }
  if (parsed.slot < 0 || parsed.slot > 29) fuzz::fail("slot out of range", parsed.slot);
  if (parsed.pnames.size() > script::kNameLineWidth) fuzz::fail("name line too long");
  if (parsed.pnames.contains(QLatin1Char('\r')) || parsed.description.contains(QLatin1Char('\r')))
    return 0;

  script::ScriptTexts texts;
  texts.pnames = parsed.pnames;
  texts.slot = QString::number(parsed.slot);
  for (const std::uint8_t v : parsed.values) texts.values << QString::number(v);
  texts.description = parsed.description;
  const script::BuiltScript built = script::buildScript(texts);
  if (!built.ok()) fuzz::fail("the writer refuses a script that was read");
  const script::ParsedScript again = script::readScript(built.bytes);
  if (!again.ok()) fuzz::fail("a script written from a read one does not read");
  if (again.values != parsed.values) fuzz::fail("values differ after writing");
  if (again.slot != parsed.slot) fuzz::fail("slot differs after writing");
  if (again.description != parsed.description) fuzz::fail("description differs after writing");
  if (again.pnames != script::nameLine(parsed.pnames)) fuzz::fail("name line differs");
  return 0;
}
