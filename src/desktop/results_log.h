// The Results log: every test result (the `result` events of the actions) as
// a row with its time, the study's name and files, the state of its samples,
// the seed and the program's version, so a result can be reproduced; it stays
// when the result boxes close. Copied as text, saved as CSV or JSON.
#pragma once

#include <QDateTime>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/study_summary.h"
#include "desktop/result_words.h"
#include "runtime/ui_port.h"

class QTableWidget;

namespace velmora {

/// What a result was computed from, beside its files.
struct ResultContext {
  QString study;    // the study file's name, else the first sample's file name
  QString samples;  // "loaded", or how they were slid ("slid by bending energy, 3 iterations, …")
  QString version;  // the program's version
  SampleCounts n;   // the samples' sizes
};

struct LoggedResult {
  QDateTime time;
  TestResult result;
  StudySources files;
  ResultContext context;
};

/// The context of a result computed on `study`, saved (or opened) as `study_file` (empty: never saved).
ResultContext result_context(const StudySummary& study, const std::filesystem::path& study_file);

class ResultsLog : public QWidget {
  Q_OBJECT

 public:
  explicit ResultsLog(QWidget* parent = nullptr);
  void add(const TestResult& result, const StudySources& files, const ResultContext& context = {},
           const QDateTime& time = QDateTime::currentDateTime());
  const std::vector<LoggedResult>& rows() const { return rows_; }
  QTableWidget* table() const { return table_; }

  /// The rows picked (all when none is) as tab-separated text, as copied.
  QString text() const;
  /// One line a number: time, test, study, samples, version, files, seed, quantity, value.
  std::string csv() const;
  /// One object a result with its time, study, samples, version, files, seed and numbers.
  std::string json() const;
  /// Writes csv() or json() by the extension (.json, else CSV); throws RuntimeError naming the file.
  void save(const std::filesystem::path& file, const std::function<void(const std::string&)>& note = {}) const;
  void clear();
  /// Adds the results of `json` (as json() writes them) not in the log yet;
  /// throws RuntimeError when it is not such a list.
  void restore(const std::string& json);
  /// How many rows were added since the log was last saved or emptied.
  std::size_t unsaved() const { return rows_.size() - saved_; }
  /// Every row is kept elsewhere (a study file written with them).
  void mark_saved() { saved_ = rows_.size(); }

 signals:
  void added(const QString& summary);
  /// How a save replaced its file, when that is news (a link written through).
  void notice(const QString& text);

 private:
  void copy() const;
  void save_as();

  QTableWidget* table_;
  std::vector<LoggedResult> rows_;
  mutable std::size_t saved_ = 0;  // rows written by the last save
};

/// The words for a test ("Goodall F").
QString result_title(const std::string& test);

}  // namespace velmora
