// The phone list readers: any bytes as CSV or vCard, detected or in a named encoding, give rows
// or a clear AppError, never a crash; every row imported is one a SIM of the given limits takes,
// is never a setting's name, and comes back unchanged through an export and a second import.
//
// Input: format byte (even: CSV, odd: vCard), encoding byte (0: detect, 1: UTF-8, 2: UTF-16LE,
// 3: UTF-16BE, else a code page), code page byte, then the file's bytes.
#include <cstdint>
#include <string>

#include "base/error.h"
#include "fuzz_support.h"
#include "phonebook/book_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  Input in(data, size);
  const BookFormat format = in.Byte() % 2 == 0 ? BookFormat::kCsv : BookFormat::kVcard;
  const uint8_t enc = in.Byte();
  const int code_page = 1250 + in.Byte() % 9;
  std::optional<TextEncoding> encoding;
  if (enc % 5 == 1) encoding = TextEncoding{TextEncoding::kUtf8};
  if (enc % 5 == 2) encoding = TextEncoding{TextEncoding::kUtf16Le};
  if (enc % 5 == 3) encoding = TextEncoding{TextEncoding::kUtf16Be};
  if (enc % 5 == 4) encoding = TextEncoding{TextEncoding::kCodePage, 1250 + enc % 9};
  const std::string bytes = in.Rest();

  const Variant variant = VariantFromFileName("VRKTset");
  const SimLimits limits{250, 40, 16};
  BookImport first;
  try {
    first = ImportBook(bytes, format, variant, limits, code_page, encoding);
  } catch (const AppError&) {
    return 0;  // a file that is not one: said, not imported
  }
  for (const BookRow& r : first.rows) {
    FUZZ_CHECK(!r.name.empty() && !r.number.empty(), "an empty field: " + Quoted(r.name));
    FUZZ_CHECK(RowProblems(r.name, r.number, variant, limits).empty(),
               "a row the SIM refuses: " + Quoted(r.name) + "=" + Quoted(r.number));
    FUZZ_CHECK(!IsReservedRowName(r.name), "a setting's name: " + Quoted(r.name));
  }
  if (first.rows.empty()) return 0;
  // Rows whose number starts with "00" come back with "+" in its place.
  std::vector<BookRow> rows;
  for (const BookRow& r : first.rows)
    if (!r.number.starts_with("00")) rows.push_back(r);
  BookImport back =
      ImportBook(ExportBook(rows, format, code_page), format, variant, limits, code_page);
  FUZZ_CHECK(back.refused.empty(), "the export is refused: " + back.refused.front());
  FUZZ_CHECK(back.rows.size() == rows.size(), "the export lost rows");
  for (size_t i = 0; i < rows.size(); ++i)
    FUZZ_CHECK(back.rows[i].name == rows[i].name && back.rows[i].number == rows[i].number,
               "changed by an export: " + Quoted(rows[i].name) + " to " + Quoted(back.rows[i].name));
  return 0;
}
