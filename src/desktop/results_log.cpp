#include "desktop/results_log.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <charconv>
#include <nlohmann/json.hpp>

#include "app/event_json.h"
#include "desktop/action_table.h"
#include "desktop/result_words.h"
#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/format.h"

namespace velmora {
namespace {

enum Column { kTime, kTest, kResult, kStudy, kSamples, kSeed, kVersion, kColumns };

// The shortest text that reads back as the same double.
std::string exact(double v) {
  if (!std::isfinite(v)) return std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, r.ptr);
}

EventValue event_value(const ResultValue& v) {
  return std::visit([](const auto& x) -> EventValue { return x; }, v);
}

std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::optional<std::uint64_t> seed_of(const TestResult& r) {
  for (const auto& [key, value] : r.numbers) {
    if (key != "seed") continue;
    if (const auto* u = std::get_if<std::uint64_t>(&value)) return *u;
    if (const auto* d = std::get_if<double>(&value)) return static_cast<std::uint64_t>(*d);
  }
  return std::nullopt;
}

QString files_tip(const StudySources& f) {
  QStringList parts;
  const std::pair<const char*, const std::filesystem::path*> files[] = {
      {"Protocol", &f.protocol}, {"First sample", &f.first}, {"Second sample", &f.second}, {"Wireframe", &f.wireframe}};
  for (const auto& [what, path] : files)
    if (!path->empty()) parts << QString("%1: %2").arg(what, QString::fromStdString(path->string()));
  return parts.join('\n');
}

// How a sample stands: loaded as read, or slid ("slid: bending energy, 3 iterations, ...").
QString sample_state(const std::string& slid) {
  if (slid.empty()) return "loaded";
  QString text = QString::fromStdString(slid);
  if (text.startsWith("slid: ")) text = "slid by " + text.mid(6);
  return text;
}

}  // namespace

ResultContext result_context(const StudySummary& study, const std::filesystem::path& study_file) {
  ResultContext c;
  const std::filesystem::path& named = !study_file.empty() ? study_file : study.sources.first;
  c.study = QString::fromStdString(named.filename().string());
  if (c.study.isEmpty()) c.study = "—";
  c.n = {study.first.count(), study.second.count()};
  c.samples = study.first.empty() ? QString("none loaded") : sample_state(study.first.slid);
  if (!study.second.empty() && study.second.slid != study.first.slid)
    c.samples += "; second sample " + sample_state(study.second.slid);
#ifdef VELMORA_VERSION
  c.version = VELMORA_VERSION;
#endif
  return c;
}

namespace {

}  // namespace

QString result_title(const std::string& test) {
  QString label = QString::fromStdString(action_info(test).label);
  return label.replace("&&", "&");
}

ResultsLog::ResultsLog(QWidget* parent) : QWidget(parent) {
  setObjectName("ResultsLog");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName("ResultsTable");
  table_->setHorizontalHeaderLabels({"Time", "Test", "Result", "Study", "Samples", "Seed", "Version"});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(kResult, QHeaderView::Stretch);
  table_->setWordWrap(false);
  layout->addWidget(table_);
  auto* buttons = new QHBoxLayout;
  auto* copy = new QPushButton("Copy", this);
  copy->setObjectName("ResultsCopy");
  copy->setToolTip("Copy the picked rows (all when none is picked) as tab-separated text");
  auto* save = new QPushButton("Save CSV or JSON…", this);
  save->setObjectName("ResultsSave");
  save->setToolTip("Write every result with its time, files and seed, one number a line (CSV) or as JSON");
  auto* clear = new QPushButton("Empty the log", this);
  clear->setObjectName("ResultsClear");
  buttons->addWidget(copy);
  buttons->addWidget(save);
  buttons->addStretch();
  buttons->addWidget(clear);
  layout->addLayout(buttons);
  connect(copy, &QPushButton::clicked, this, &ResultsLog::copy);
  connect(save, &QPushButton::clicked, this, &ResultsLog::save_as);
  connect(clear, &QPushButton::clicked, this, &ResultsLog::clear);
}

void ResultsLog::add(const TestResult& result, const StudySources& files, const ResultContext& context,
                     const QDateTime& time) {
  rows_.push_back({time, result, files, context});
  const int row = table_->rowCount();
  table_->insertRow(row);
  const auto seed = seed_of(result);
  const QString cells[kColumns] = {time.toString("HH:mm:ss"), result_title(result.name), result_words(result, context.n),
                                   context.study,  context.samples, seed ? QString::number(*seed) : QString("—"),
                                   context.version};
  for (int c = 0; c < kColumns; ++c) {
    auto* item = new QTableWidgetItem(cells[c]);
    item->setToolTip(c == kStudy ? files_tip(files) : cells[c]);
    table_->setItem(row, c, item);
  }
  for (const int c : {kTime, kTest, kStudy, kSeed, kVersion}) table_->resizeColumnToContents(c);
  table_->scrollToBottom();
  emit added(result_title(result.name) + ": " + result_words(result, context.n));
}

QString ResultsLog::text() const {
  QStringList lines;
  QStringList head;
  for (int c = 0; c < kColumns; ++c) head << table_->horizontalHeaderItem(c)->text();
  lines << head.join('\t');
  const QModelIndexList picked = table_->selectionModel()->selectedRows();
  for (int r = 0; r < table_->rowCount(); ++r) {
    if (!picked.isEmpty() && !table_->selectionModel()->isRowSelected(r, {})) continue;
    QStringList cells;
    for (int c = 0; c < kColumns; ++c) cells << table_->item(r, c)->text();
    lines << cells.join('\t');
  }
  return lines.join('\n') + '\n';
}

std::string ResultsLog::csv() const {
  std::string out = "time,test,study,samples,version,protocol,first sample,second sample,seed,quantity,value\n";
  for (const LoggedResult& row : rows_) {
    const auto seed = seed_of(row.result);
    const std::string head = csv_field(row.time.toString(Qt::ISODate).toStdString()) + "," +
                             csv_field(row.result.name) + "," + csv_field(row.context.study.toStdString()) + "," +
                             csv_field(row.context.samples.toStdString()) + "," +
                             csv_field(row.context.version.toStdString()) + "," +
                             csv_field(row.files.protocol.string()) + "," +
                             csv_field(row.files.first.string()) + "," + csv_field(row.files.second.string()) + "," +
                             (seed ? std::to_string(*seed) : std::string()) + ",";
    for (const auto& [key, value] : row.result.numbers) {
      if (key == "seed") continue;
      std::visit(
          [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, double>) {
              out += head + csv_field(key) + "," + exact(x) + "\n";
            } else if constexpr (std::is_same_v<T, std::uint64_t>) {
              out += head + csv_field(key) + "," + std::to_string(x) + "\n";
            } else if constexpr (std::is_same_v<T, std::string>) {
              out += head + csv_field(key) + "," + csv_field(x) + "\n";
            } else if constexpr (std::is_same_v<T, std::vector<double>>) {
              for (std::size_t i = 0; i < x.size(); ++i)
                out += head + csv_field(key + "[" + std::to_string(i + 1) + "]") + "," + exact(x[i]) + "\n";
            } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
              for (std::size_t i = 0; i < x.size(); ++i)
                out += head + csv_field(key + "[" + std::to_string(i + 1) + "]") + "," + csv_field(x[i]) + "\n";
            } else {
              for (Eigen::Index i = 0; i < x.rows(); ++i)
                for (Eigen::Index j = 0; j < x.cols(); ++j)
                  out += head + csv_field(key + "[" + std::to_string(i + 1) + "," + std::to_string(j + 1) + "]") + "," +
                         exact(x(i, j)) + "\n";
            }
          },
          value);
    }
  }
  return out;
}

std::string ResultsLog::json() const {
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  for (const LoggedResult& row : rows_) {
    nlohmann::ordered_json o;
    o["time"] = row.time.toString(Qt::ISODate).toStdString();
    o["test"] = row.result.name;
    o["study"] = row.context.study.toStdString();
    o["samples"] = row.context.samples.toStdString();
    o["version"] = row.context.version.toStdString();
    o["files"] = {{"protocol", row.files.protocol.string()},
                  {"first-sample", row.files.first.string()},
                  {"second-sample", row.files.second.string()},
                  {"wireframe", row.files.wireframe.string()}};
    const auto seed = seed_of(row.result);
    o["seed"] = seed ? nlohmann::ordered_json(*seed) : nlohmann::ordered_json(nullptr);
    nlohmann::ordered_json numbers = nlohmann::ordered_json::object();
    for (const auto& [key, value] : row.result.numbers)
      if (key != "seed") numbers[key] = nlohmann::ordered_json::parse(event_value_json(event_value(value)).dump());
    o["numbers"] = numbers;
    all.push_back(o);
  }
  return all.dump(2) + "\n";
}

void ResultsLog::save(const std::filesystem::path& file, const std::function<void(const std::string&)>& note) const {
  const std::string ext = lower_case(file.extension().string());
  write_file_atomically(file, ext == ".json" ? json() : csv(), note);
  saved_ = rows_.size();
}

namespace {

// A number of a saved result read back as the kind it was written from.
ResultValue value_of(const nlohmann::ordered_json& v) {
  auto number = [](const nlohmann::ordered_json& x) { return x.is_null() ? std::nan("") : x.get<double>(); };
  if (v.is_string()) return v.get<std::string>();
  if (v.is_boolean()) return v.get<bool>() ? 1.0 : 0.0;
  if (!v.is_array()) return number(v);
  if (!v.empty() && v.front().is_string()) return v.get<std::vector<std::string>>();
  if (!v.empty() && v.front().is_array()) {
    Eigen::MatrixXd m(static_cast<Eigen::Index>(v.size()), static_cast<Eigen::Index>(v.front().size()));
    for (Eigen::Index i = 0; i < m.rows(); ++i)
      for (Eigen::Index j = 0; j < m.cols(); ++j) m(i, j) = number(v[i].at(j));
    return m;
  }
  std::vector<double> list;
  for (const auto& x : v) list.push_back(number(x));
  return list;
}

}  // namespace

void ResultsLog::restore(const std::string& text) {
  try {
    const auto all = nlohmann::ordered_json::parse(text);  // the numbers in their order
    QSignalBlocker quiet(this);  // the rows were reported when they were computed
    for (const auto& o : all) {
      const QDateTime time = QDateTime::fromString(QString::fromStdString(o.at("time").get<std::string>()), Qt::ISODate);
      TestResult result{o.at("test").get<std::string>(), {}};
      for (const auto& [key, value] : o.at("numbers").items()) result.numbers.emplace_back(key, value_of(value));
      if (o.contains("seed") && o["seed"].is_number_unsigned())
        result.numbers.emplace_back("seed", o["seed"].get<std::uint64_t>());
      const bool known = std::any_of(rows_.begin(), rows_.end(), [&](const LoggedResult& r) {
        return r.time == time && r.result.name == result.name;
      });
      if (known) continue;
      StudySources files;
      if (o.contains("files")) {
        const auto& f = o["files"];
        files.protocol = f.value("protocol", std::string());
        files.first = f.value("first-sample", std::string());
        files.second = f.value("second-sample", std::string());
        files.wireframe = f.value("wireframe", std::string());
      }
      const ResultContext context{QString::fromStdString(o.value("study", std::string())),
                                  QString::fromStdString(o.value("samples", std::string())),
                                  QString::fromStdString(o.value("version", std::string())),
                                  {}};
      add(result, files, context, time);
    }
    saved_ = rows_.size();
  } catch (const nlohmann::json::exception& e) {
    throw RuntimeError(std::string("The saved results cannot be read: ") + e.what());
  }
}

void ResultsLog::clear() {
  rows_.clear();
  saved_ = 0;
  table_->setRowCount(0);
}

void ResultsLog::copy() const { QGuiApplication::clipboard()->setText(text()); }

void ResultsLog::save_as() {
  QString chosen;
  const QString file = QFileDialog::getSaveFileName(this, "Save the results log", "results.csv",
                                                    "CSV tables (*.csv);;JSON files (*.json);;All files (*)", &chosen);
  if (file.isEmpty()) return;
  std::filesystem::path path = file.toStdString();
  if (path.extension().empty()) path += chosen.startsWith("JSON") ? ".json" : ".csv";
  try {
    save(path, [this](const std::string& note) { emit notice(QString::fromStdString(note)); });
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "The results log was not saved", QString::fromStdString(e.what()));
  }
}

}  // namespace velmora
