#include "io/specimen_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>

#include "io/formats/text_lines.h"
#include "io/open_input.h"
#include "runtime/error.h"

namespace velmora {
namespace {

bool same_lower(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

// "a", "b", "c" and 4 more: at most ten names in a message.
std::string name_list(const std::vector<std::string>& names) {
  std::string out;
  const std::size_t shown = std::min<std::size_t>(names.size(), 10);
  for (std::size_t i = 0; i < shown; ++i) out += (i ? ", " : "") + in_quotes(names[i]);
  if (names.size() > shown) out += " and " + std::to_string(names.size() - shown) + " more";
  return out;
}

// The checks every table gets, however it was made.
void check_headers(const SpecimenTable& t, const std::string& where) {
  std::map<std::string, int> seen;
  for (std::size_t c = 0; c < t.columns.size(); ++c) {
    if (t.columns[c].empty())
      throw RuntimeError(where + "column " + std::to_string(c + 2) + " has no header; every column needs a name.");
    if (t.columns[c] == t.name_column || !seen.emplace(t.columns[c], static_cast<int>(c)).second)
      throw RuntimeError(where + "the header " + in_quotes(t.columns[c]) + " is given to two columns.");
  }
}

void check_names(const SpecimenTable& t) {
  std::map<std::string, std::size_t> first;
  auto line_of = [&](std::size_t row) {
    return t.lines[row] > 0 ? "line " + std::to_string(t.lines[row]) : "row " + std::to_string(row + 1);
  };
  for (std::size_t r = 0; r < t.names.size(); ++r) {
    if (t.names[r].empty()) throw RuntimeError(t.source + ", " + line_of(r) + ": the row has no specimen name.");
    const auto [it, fresh] = first.emplace(t.names[r], r);
    if (!fresh)
      throw RuntimeError(t.source + ": the specimen " + in_quotes(t.names[r]) + " has two rows (" +
                         line_of(it->second) + " and " + line_of(r) + "); each specimen takes one.");
  }
}

}  // namespace

bool missing_cell(std::string_view cell) { return cell.empty() || same_lower(cell, "na"); }

bool number_cell(std::string_view cell, double& value) {
  if (cell.empty()) return false;
  const char* begin = cell.data();
  if (*begin == '+') ++begin;
  const auto [end, ec] = std::from_chars(begin, cell.data() + cell.size(), value);
  return ec == std::errc() && end == cell.data() + cell.size() && std::isfinite(value);
}

int column_index(const SpecimenTable& table, std::string_view name) {
  for (std::size_t c = 0; c < table.columns.size(); ++c)
    if (table.columns[c] == name) return static_cast<int>(c);
  return -1;
}

bool numeric_column(const SpecimenTable& table, std::size_t column) {
  bool any = false;
  double v = 0;
  for (const std::string& cell : table.cells[column]) {
    if (missing_cell(cell)) continue;
    if (!number_cell(cell, v)) return false;
    any = true;
  }
  return any;
}

std::vector<std::string> factor_column_list(std::string_view text) {
  std::vector<std::string> out;
  std::string word;
  for (char c : std::string(text) + ",") {
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty() && std::find(out.begin(), out.end(), word) == out.end()) out.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return out;
}

SpecimenTable read_specimen_table(std::istream& in, std::string_view source) {
  LineReader reader(in, source);
  SpecimenTable t;
  t.source = std::string(source);
  std::string line;
  char separator = ',';
  std::vector<std::string> header;
  int name_at = 0;
  while (reader.next(line)) {
    if (line.find('\0') != std::string::npos)
      reader.fail(
          "the file holds bytes that are not text (NUL); a specimen table is a CSV or tab-separated text file.");
    if (trim(line).empty()) continue;
    std::vector<std::string> fields;
    if (header.empty()) {
      separator = line.find('\t') != std::string::npos ? '\t' : ',';
      header = split_fields(line, separator);
      if (header.size() < 2)
        reader.fail(
            "the header has one column; a specimen table needs a column of specimen names and at least one "
            "more, separated by commas or tabs.");
      double v = 0;
      if (std::all_of(header.begin(), header.end(), [&](const std::string& h) { return number_cell(h, v); }))
        reader.fail("the first line is all numbers; a specimen table starts with a header naming its columns.");
      const char* name_headers[] = {"id", "specimen", "name"};
      for (std::size_t c = 0; c < header.size() && name_at == 0; ++c)
        for (const char* h : name_headers)
          if (same_lower(header[c], h)) name_at = static_cast<int>(c);
      t.name_column = header[name_at];
      for (std::size_t c = 0; c < header.size(); ++c)
        if (static_cast<int>(c) != name_at) t.columns.push_back(header[c]);
      t.cells.resize(t.columns.size());
      check_headers(t, reader.where());
      continue;
    }
    fields = split_fields(line, separator);
    if (fields.size() != header.size())
      reader.fail("the row has " + std::to_string(fields.size()) + " cells and the header " +
                  std::to_string(header.size()) + ".");
    t.names.push_back(fields[name_at]);
    t.lines.push_back(reader.line());
    for (std::size_t c = 0, k = 0; c < fields.size(); ++c)
      if (static_cast<int>(c) != name_at) t.cells[k++].push_back(fields[c]);
  }
  if (header.empty())
    throw RuntimeError(t.source + ": the specimen table is empty; it needs a header and a row a specimen.");
  if (t.names.empty()) throw RuntimeError(t.source + ": the specimen table has a header but no rows.");
  check_names(t);
  return t;
}

SpecimenTable read_specimen_table_file(const std::filesystem::path& file) {
  if (const auto reason = not_a_file(file))
    throw RuntimeError("The specimen table " + file.string() + " cannot be read: " + *reason + ".");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RuntimeError("The specimen table " + file.string() + " cannot be opened.");
  return read_specimen_table(in, file.string());
}

SpecimenTable specimen_table_from_columns(
    std::string_view source, const std::vector<std::string>& names,
    const std::vector<std::pair<std::string, std::vector<std::string>>>& columns) {
  SpecimenTable t;
  t.source = std::string(source);
  t.name_column = "specimen";
  if (columns.empty()) throw RuntimeError(t.source + ": there are no columns besides the specimen names.");
  for (const auto& [header, cells] : columns) {
    if (cells.size() != names.size())
      throw RuntimeError(t.source + ": the column " + in_quotes(header) + " has " + std::to_string(cells.size()) +
                         " cells for " + std::to_string(names.size()) + " specimens.");
    t.columns.push_back(std::string(trim(header)));
    std::vector<std::string> trimmed;
    for (const std::string& cell : cells) trimmed.emplace_back(trim(cell));
    t.cells.push_back(std::move(trimmed));
  }
  for (const std::string& name : names) t.names.emplace_back(trim(name));
  t.lines.assign(names.size(), 0);
  if (t.names.empty()) throw RuntimeError(t.source + ": there are no specimens.");
  check_headers(t, t.source + ": ");
  check_names(t);
  return t;
}

TableMatch match_specimen_table(const SpecimenTable& table, const std::vector<std::string>& specimens,
                                bool leave_out_missing) {
  std::map<std::string, int> rows, study;
  for (std::size_t r = 0; r < table.names.size(); ++r) rows.emplace(table.names[r], static_cast<int>(r));
  for (std::size_t i = 0; i < specimens.size(); ++i) {
    const auto [it, fresh] = study.emplace(specimens[i], static_cast<int>(i));
    if (!fresh)
      throw RuntimeError("The specimen table " + table.source + " cannot be matched: specimens " +
                         std::to_string(it->second + 1) + " and " + std::to_string(i + 1) + " of the study are both " +
                         in_quotes(specimens[i]) + "; each needs its own name.");
  }
  TableMatch m;
  std::vector<std::string> missing, unused;
  for (const std::string& name : specimens) {
    const auto it = rows.find(name);
    m.row.push_back(it == rows.end() ? -1 : it->second);
    if (it == rows.end()) missing.push_back(name);
  }
  m.kept = static_cast<int>(specimens.size() - missing.size());
  for (const std::string& name : table.names)
    if (!study.count(name)) unused.push_back(name);
  if (m.kept == 0)
    throw RuntimeError("None of the " + std::to_string(table.names.size()) + " names in the specimen table " +
                       table.source + " is a specimen of the study (the table's first is " + in_quotes(table.names[0]) +
                       ", the study's first is " + (specimens.empty() ? std::string("none") : in_quotes(specimens[0])) +
                       ").");
  if (!missing.empty() && !leave_out_missing)
    throw RuntimeError(std::to_string(missing.size()) + " specimen" + (missing.size() == 1 ? " has" : "s have") +
                       " no row in the specimen table " + table.source + ": " + name_list(missing) +
                       ". Add their rows, or switch on \"Leave out specimens missing from the table\" (DropUnlisted).");
  if (!missing.empty()) m.notes.push_back("Left out, with no row in the specimen table: " + name_list(missing) + ".");
  if (!unused.empty())
    m.notes.push_back(std::to_string(unused.size()) + " row" + (unused.size() == 1 ? " names" : "s name") +
                      " no specimen of the study: " + name_list(unused) + ".");
  return m;
}

}  // namespace velmora
