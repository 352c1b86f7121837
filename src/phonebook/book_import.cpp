#include "phonebook/book_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "base/codepage.h"
#include "base/text.h"
#include "phonebook/name_fold.h"
#include "phonebook/phonebook.h"

namespace vrkt {

namespace {

// What people put between the digits of a phone number, in UTF-8: blanks, no-break and thin
// blanks, dashes of every length, dots, slashes and parentheses.
constexpr std::string_view kNumberDecoration[] = {
    " ", "\t", "-", ".", "/", "(", ")",
    "\xC2\xA0",      // no-break space
    "\xE2\x80\x87",  // figure space
    "\xE2\x80\x89",  // thin space
    "\xE2\x80\xAF",  // narrow no-break space
    "\xE2\x80\x90",  // hyphen
    "\xE2\x80\x91",  // non-breaking hyphen
    "\xE2\x80\x92",  // figure dash
    "\xE2\x80\x93",  // en dash
};

// "\"Ł\" (U+0141)": the character and its number, since a message in an 8-bit code page can
// show only the number of a character the code page lacks.
std::string CharacterLabel(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  return "\"" + Utf8Of(c) + "\" (" + code + ")";
}

std::string CharacterList(const std::vector<char32_t>& chars) {
  std::vector<std::string> labels;
  for (char32_t c : chars) labels.push_back(CharacterLabel(c));
  return JoinWithAnd(labels);
}

void AddConverted(std::vector<std::string>& to, const std::vector<std::string>& from,
                  int code_page) {
  for (const std::string& p : from) to.push_back(CodePageToUtf8(p, code_page));
}

}  // namespace

std::optional<BookFormat> BookFormatForPath(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
    return std::nullopt;
  std::string ext(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "vcf" || ext == "vcard") return BookFormat::kVcard;
  if (ext == "csv" || ext == "txt") return BookFormat::kCsv;
  return std::nullopt;
}

BookFormat BookFormatOf(std::string_view path, std::string_view bytes) {
  if (std::optional<BookFormat> f = BookFormatForPath(path)) return *f;
  std::string head(bytes.substr(0, 4096));
  for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // A UTF-16 file has a zero byte between the letters; look at the letters alone.
  std::erase(head, '\0');
  return head.find("BEGIN:VCARD") != std::string::npos ? BookFormat::kVcard : BookFormat::kCsv;
}

namespace {

std::string DropDecoration(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    bool dropped = false;
    for (std::string_view d : kNumberDecoration) {
      if (utf8.substr(i).starts_with(d)) {
        i += d.size();
        dropped = true;
        break;
      }
    }
    if (!dropped) out.push_back(utf8[i++]);
  }
  return out;
}

std::string AsciiLowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where an extension starts ("x25", "ext. 25", ";ext=25", ",25"): a marker after some digits
// with nothing but digits (and blanks) after it.
std::optional<size_t> ExtensionAt(std::string_view utf8) {
  const std::string lower = AsciiLowerCopy(utf8);
  static constexpr std::string_view kMarkers[] = {";ext=", "ext.", "ext", "x", ",", ";"};
  std::optional<size_t> best;
  for (std::string_view m : kMarkers) {
    for (size_t at = lower.find(m); at != std::string::npos; at = lower.find(m, at + 1)) {
      if (best && at >= *best) break;
      const std::string before = DropDecoration(lower.substr(0, at));
      const std::string after = DropDecoration(lower.substr(at + m.size()));
      if (std::any_of(before.begin(), before.end(), ::isdigit) && AllDigits(after)) {
        best = at;
        break;
      }
    }
  }
  return best;
}

// "4.20602E+11", "4,20602E+11": a long number as a spreadsheet shows it.
bool ExponentForm(std::string_view s) {
  const std::string lower = AsciiLowerCopy(s);
  const size_t e = lower.find("e+");
  if (e == std::string::npos || e < 3) return false;
  const std::string mantissa = lower.substr(0, e), exponent = lower.substr(e + 2);
  const size_t mark = mantissa.find_first_of(".,");
  return mark == 1 && AllDigits(mantissa.substr(0, 1)) && AllDigits(mantissa.substr(2)) &&
         AllDigits(exponent);
}

}  // namespace

CleanedNumber CleanDialNumber(std::string_view utf8) {
  CleanedNumber out;
  // The common case, digits and ASCII decoration only, without a trunk zero: no extension and
  // no exponent form can be in it.
  static constexpr auto kPlain = [] {
    std::array<bool, 256> t{};
    for (char c : std::string_view("0123456789+*# -./()\t")) t[static_cast<unsigned char>(c)] = true;
    return t;
  }();
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return kPlain[static_cast<unsigned char>(c)]; }) &&
      utf8.find("(0)") == std::string_view::npos) {
    out.number.reserve(utf8.size());
    for (char c : utf8)
      if ((c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#') out.number.push_back(c);
    if (out.number.size() > 4 && out.number.starts_with("00") && out.number[2] != '0' &&
        AllDigits(out.number))
      out.number = "+" + out.number.substr(2);
    return out;
  }
  std::string text(utf8);
  if (ExponentForm(text)) {
    out.number = DropDecoration(text);
    out.problem = "a spreadsheet has written it as a number (\"" + text +
                  "\"), which has lost its last digits";
    return out;
  }
  if (std::optional<size_t> ext = ExtensionAt(text)) {
    out.problem = "it has an extension (\"" +
                  std::string(TrimBlanks(std::string_view(text).substr(*ext))) +
                  "\"), which a SIM phone book cannot dial: it takes no pauses";
    text.resize(*ext);
  }
  std::string trimmed(TrimBlanks(text));
  // "+420 (0) 602 ...", "0044 (0)20 ...": the trunk zero is not dialled from abroad.
  if (trimmed.starts_with('+') || trimmed.starts_with("00")) {
    if (size_t at = trimmed.find("(0)"); at != std::string::npos) trimmed.erase(at, 3);
  }
  out.number = DropDecoration(trimmed);
  if (out.number.size() > 4 && out.number.starts_with("00") && out.number[2] != '0' &&
      AllDigits(out.number))
    out.number = "+" + out.number.substr(2);
  return out;
}

std::string CleanNumber(std::string_view utf8) { return CleanDialNumber(utf8).number; }

namespace {

// The country codes a number that lost its "+" most likely starts with: Europe's, as this
// program's units are sold there.
constexpr std::string_view kCountryCodes[] = {
    "420", "421", "48", "49", "43", "36", "386", "385", "381", "380", "370", "371", "372",
    "373", "375", "359", "40", "30", "31", "32", "33", "34", "351", "352", "353", "354",
    "356", "357", "358", "39", "41", "44", "45", "46", "47", "90", "7",
};

std::optional<std::string_view> LostPlus(std::string_view number) {
  if (number.size() < 11 || !AllDigits(number)) return std::nullopt;
  for (std::string_view cc : kCountryCodes)
    if (number.starts_with(cc)) return cc;
  return std::nullopt;
}

// Shortens the name (8-bit text) so that it and its suffix fit `limit`: whole words are taken
// off the end while that is enough, else the name is cut.
std::string FitWithSuffix(std::string name, std::string_view suffix, int limit) {
  auto fits = [&] { return limit <= 0 || name.size() + 1 + suffix.size() <= static_cast<size_t>(limit); };
  while (!fits()) {
    size_t blank = name.find_last_of(' ');
    if (blank == std::string::npos || blank == 0) break;
    name.resize(blank);
    while (!name.empty() && name.back() == ' ') name.pop_back();
  }
  if (!fits() && static_cast<size_t>(limit) > suffix.size() + 1)
    name.resize(static_cast<size_t>(limit) - suffix.size() - 1);
  return name + " " + std::string(suffix);
}

struct Candidate {
  const BookRecord* record;
  std::string number;  // cleaned, UTF-8
  std::string problem;
};

}  // namespace

BookImport ImportBook(std::string_view bytes, BookFormat format, const Variant& variant,
                      const SimLimits& limits, int code_page,
                      std::optional<TextEncoding> encoding) {
  BookImport result;
  std::vector<BookRecord> records;
  if (format == BookFormat::kCsv) {
    DecodedText text = DecodeFileText(bytes, code_page, encoding);
    result.encoding = text.encoding;
    records = ReadCsv(text.utf8);
  } else {
    records = ReadVcard(bytes, code_page, encoding, &result.encoding);
  }

  const std::string page = std::to_string(code_page);
  // The rows given so far, to keep each row once: an open-addressed table of row indexes + 1 by
  // a hash of name and number.
  size_t slots = 16;
  while (slots < records.size() * 2) slots *= 2;
  std::vector<size_t> seen(slots, 0);
  result.rows.reserve(records.size());
  auto seen_before = [&](const std::string& name, const std::string& number) {
    const size_t h = std::hash<std::string>()(name) * 31 + std::hash<std::string>()(number);
    for (size_t i = h & (slots - 1);; i = (i + 1) & (slots - 1)) {
      if (seen[i] == 0) {
        seen[i] = result.rows.size() + 1;
        return false;
      }
      const BookRow& row = result.rows[seen[i] - 1];
      if (row.name == name && row.number == number) return true;
    }
  };
  std::vector<Candidate> candidates;
  std::vector<std::string> suffixes;
  for (size_t start = 0; start < records.size();) {
    // One contact: a spreadsheet row or a card.
    size_t end = start + 1;
    while (end < records.size() && records[end].contact == records[start].contact &&
           records[start].contact != 0)
      ++end;
    candidates.clear();
    for (size_t i = start; i < end; ++i) {
      const BookRecord& r = records[i];
      if (!r.problem.empty()) {
        result.refused.push_back(DescribeRowProblems(r.where, r.name, {r.problem}));
        continue;
      }
      CleanedNumber number = CleanDialNumber(r.number);
      if (r.name.empty() && number.number.empty()) continue;
      if (!number.number.empty() && !KindTakesCalls(r.kind)) {
        ++result.fax_or_pager;
        continue;
      }
      // The same number twice in one contact (as "Mobile" and as "Work") is one row.
      if (std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& c) {
            return c.number == number.number && c.problem == number.problem;
          })) {
        ++result.repeated;
        continue;
      }
      candidates.push_back({&r, std::move(number.number), std::move(number.problem)});
    }
    start = end;

    const bool several = candidates.size() > 1;
    suffixes.clear();
    for (const Candidate& c : candidates) {
      if (!several) break;
      std::string suffix(KindSuffix(c.record->kind));
      const auto same = std::count(suffixes.begin(), suffixes.end(), suffix) +
                        std::count_if(suffixes.begin(), suffixes.end(), [&](const std::string& s) {
                          return s.starts_with(suffix) && s.size() > suffix.size() &&
                                 AllDigits(s.substr(suffix.size()));
                        });
      suffixes.push_back(same == 0 ? suffix : suffix + std::to_string(same + 1));
    }
    for (size_t k = 0; k < candidates.size(); ++k) {
      const Candidate& c = candidates[k];
      const BookRecord& r = *c.record;
      std::vector<std::string> problems;
      if (r.name.empty()) problems.push_back("no name");
      if (c.number.empty()) problems.push_back("no number");
      if (!c.problem.empty()) problems.push_back(c.problem);
      CheckedCodePageText name = Utf8ToCodePageChecked(r.name, code_page);
      CheckedCodePageText num = Utf8ToCodePageChecked(c.number, code_page);
      if (several && !r.name.empty())
        name.bytes = FitWithSuffix(std::move(name.bytes), suffixes[k], limits.name_length);
      // The name as a message shows it: with its suffix, once it has one.
      auto shown = [&]() -> std::string {
        return several && !r.name.empty() ? CodePageToUtf8(name.bytes, code_page) : r.name;
      };
      if (!name.missing.empty())
        problems.push_back("name holds " + CharacterList(name.missing) + ", which code page " +
                           page + " cannot hold");
      if (!num.missing.empty())
        problems.push_back("number holds " + CharacterList(num.missing) +
                           ", but a SIM number takes only digits, +, * and #");
      else if (!c.number.empty() && c.problem.empty())
        AddConverted(problems, NumberProblems(num.bytes, limits), code_page);
      if (!r.name.empty()) {
        std::vector<std::string> name_problems = NameProblems(name.bytes, variant, limits);
        const bool said = std::any_of(name_problems.begin(), name_problems.end(), [](const std::string& p) {
          return p.find("reserved name") != std::string::npos;
        });
        if (!said && IsReservedRowName(name.bytes)) name_problems.push_back(ReservedRowNameProblem(name.bytes));
        AddConverted(problems, name_problems, code_page);
      }

      if (!problems.empty()) {
        result.refused.push_back(DescribeRowProblems(r.where, shown(), problems));
        continue;
      }
      if (seen_before(name.bytes, num.bytes)) {
        ++result.repeated;
        continue;
      }
      if (std::optional<std::string_view> cc = LostPlus(num.bytes))
        result.warnings.push_back(DescribeRowProblems(
            r.where, shown(),
            {"number " + c.number + " has no \"+\" but begins with the country code " +
             std::string(*cc) + ": a spreadsheet may have dropped it (imported as it stands)"}));
      result.rows.push_back({std::move(name.bytes), std::move(num.bytes)});
    }
  }
  return result;
}

std::string ExportBook(const std::vector<BookRow>& rows, BookFormat format, int code_page,
                       bool for_spreadsheet) {
  std::vector<BookRow> utf8;
  utf8.reserve(rows.size());
  for (const BookRow& r : rows)
    utf8.push_back({CodePageToUtf8(r.name, code_page), CodePageToUtf8(r.number, code_page)});
  return format == BookFormat::kCsv ? WriteCsv(utf8, for_spreadsheet) : WriteVcard(utf8);
}

std::vector<BookRow> RowsForExport(const std::vector<std::string>& row_texts, int& left_out) {
  std::vector<BookRow> rows;
  left_out = 0;
  for (const std::string& text : row_texts) {
    std::string_view name = RowName(text);
    std::string_view number = RowPhone(text);
    if (name.empty() || number.empty()) {
      ++left_out;
      continue;
    }
    rows.push_back({std::string(name), std::string(number)});
  }
  return rows;
}

MergedBook MergeRows(std::vector<std::string> old_rows, const std::vector<BookRow>& imported,
                     MergeMode mode, int name_length) {
  MergedBook out;
  if (mode == MergeMode::kReplace) old_rows.clear();
  const NameFolder& folder = ActiveNameFolder();
  // The old rows by folded name. Only they are matched, never a row of this same import, and
  // each once: two contacts of one name in the file do not overwrite each other.
  std::multimap<std::string, size_t> by_name;
  std::set<std::string> names;
  for (size_t i = 0; i < old_rows.size(); ++i) {
    std::string key = folder.Fold(RowName(old_rows[i]));
    by_name.emplace(key, i);
    names.insert(std::move(key));
  }
  for (const BookRow& r : imported) names.insert(folder.Fold(r.name));
  std::vector<bool> claimed(old_rows.size(), false);
  out.rows = std::move(old_rows);
  auto add = [&](std::string name, const std::string& number) {
    out.added_at.push_back(out.rows.size());
    out.rows.push_back(MakeRow(name, number));
    ++out.added;
  };
  for (const BookRow& r : imported) {
    auto [first, last] = by_name.equal_range(folder.Fold(r.name));
    std::optional<size_t> same, other;
    for (auto it = first; it != last; ++it) {
      if (claimed[it->second]) continue;
      if (RowPhone(out.rows[it->second]) == r.number) {
        same = it->second;
        break;
      }
      if (!other) other = it->second;
    }
    if (same) {
      claimed[*same] = true;
      ++out.unchanged;
    } else if (other && mode == MergeMode::kMerge) {
      claimed[*other] = true;
      std::string& row = out.rows[*other];
      row = MakeRow(RowName(row), r.number);
      ++out.replaced;
    } else if (first != last && mode == MergeMode::kAdd) {
      // The new row beside the old one, told apart by a number.
      std::string name;
      for (int n = 2;; ++n) {
        name = FitWithSuffix(r.name, std::to_string(n), name_length);
        if (names.insert(folder.Fold(name)).second) break;
      }
      add(name, r.number);
    } else {
      add(r.name, r.number);
    }
  }
  return out;
}

std::string ImportCounts(const MergedBook& merged, const BookImport& in) {
  std::string out = std::to_string(merged.added) + " added, " + std::to_string(merged.replaced) +
                    " replaced, " + std::to_string(merged.unchanged) + " unchanged, " +
                    std::to_string(in.refused.size()) + " refused, " +
                    std::to_string(in.fax_or_pager + in.repeated) + " left out";
  std::vector<std::string> why;
  if (in.fax_or_pager > 0)
    why.push_back(std::to_string(in.fax_or_pager) +
                  (in.fax_or_pager == 1 ? " fax or pager number" : " fax or pager numbers"));
  if (in.repeated > 0)
    why.push_back(std::to_string(in.repeated) + (in.repeated == 1 ? " repeated row" : " repeated rows"));
  if (!why.empty()) out += " (" + JoinWithAnd(why) + ")";
  return out;
}

std::string RefusedList(const std::vector<std::string>& refused, size_t max) {
  std::string out;
  for (size_t i = 0; i < refused.size() && i < max; ++i) out += "\n" + refused[i];
  if (refused.size() > max)
    out += "\n... and " + std::to_string(refused.size() - max) + " more";
  return out;
}

}  // namespace vrkt
