#include "desktop/result_words.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <variant>

namespace velmora {

namespace {

const ResultValue* find(const TestResult& r, const char* key) {
  for (const auto& [k, v] : r.numbers)
    if (k == key) return &v;
  return nullptr;
}

std::optional<double> number(const TestResult& r, const char* key) {
  const ResultValue* v = find(r, key);
  if (v == nullptr) return std::nullopt;
  if (const auto* d = std::get_if<double>(v)) return *d;
  if (const auto* u = std::get_if<std::uint64_t>(v)) return static_cast<double>(*u);
  return std::nullopt;
}

QString num(double v, int digits = 4) { return QString::number(v, 'g', digits); }

QString whole(double v) { return QLocale(QLocale::English).toString(static_cast<qlonglong>(std::llround(v))); }

QString p_text(double p) { return p == 0 ? QString("0") : num(p, 3); }

// "permutation p = 0.0495 (1,000 sets)"
QString resampled_p(const TestResult& r, const QString& kind) {
  const auto p = number(r, "p_resampling");
  const auto sets = number(r, "sets");
  if (!p) return {};
  QString text = kind + " p = " + p_text(*p);
  if (sets) text += " (" + whole(*sets) + " sets)";
  return text;
}

}  // namespace

QString p_words(double p) {
  return p < kSmallestGoodallP ? "p < " + QString::number(kSmallestGoodallP) : "p = " + p_text(p);
}

std::string result_box_words(const std::string&, const std::string& text) {
  // The Goodall box's "p value=%3.8g" prints the 0 that 1 - F gives far in the tail.
  static const QRegularExpression p_value(R"(p value=\s*([-+0-9.eE]+))");
  QString out = QString::fromStdString(text);
  qsizetype from = 0;
  for (QRegularExpressionMatch m = p_value.match(out, from); m.hasMatch(); m = p_value.match(out, from)) {
    bool number = false;
    const double p = m.captured(1).toDouble(&number);
    if (number && p < kSmallestGoodallP) {
      const QString words = p_words(p);
      out.replace(m.capturedStart(), m.capturedLength(), words);
      from = m.capturedStart() + words.size();
    } else {
      from = m.capturedEnd();
    }
  }
  return out.toStdString();
}

QString result_words(const TestResult& r, const SampleCounts& n) {
  QStringList parts;
  const std::string& test = r.name;
  if (test == "GoodallF") {
    const auto f = number(r, "statistic"), df1 = number(r, "df1"), df2 = number(r, "df2"), p = number(r, "p");
    if (f && df1 && df2)
      parts << QString("F(%1, %2) = %3").arg(std::llround(*df1)).arg(std::llround(*df2)).arg(num(*f));
    if (p) parts << p_words(*p);
  } else if (test == "BootF" || test == "PermuteF") {
    if (const auto f = number(r, "statistic")) parts << "F = " + num(*f);
    const auto c5 = number(r, "cutoff5"), c1 = number(r, "cutoff1");
    if (c5 && c1) parts << QString("cut-offs %1 (5 %), %2 (1 %)").arg(num(*c5), num(*c1));
    parts << resampled_p(r, test == "BootF" ? "bootstrap" : "permutation");
  } else if (test == "GetDisparity") {
    const auto v1 = number(r, "variance1"), v2 = number(r, "variance2");
    if (v1 && v2) parts << QString("disparity %1 (first sample), %2 (second sample)").arg(num(*v1), num(*v2));
  } else if (test == "PermuteVariance") {
    if (const auto d = number(r, "statistic")) parts << "difference in disparity = " + num(*d);
    if (const auto c5 = number(r, "cutoff5")) parts << "5 % cut-off " + num(*c5);
    parts << resampled_p(r, "permutation");
  } else if (test == "ShapePCA") {
    if (const ResultValue* v = find(r, "variance"))
      if (const auto* shares = std::get_if<std::vector<double>>(v)) {
        QStringList pcs;
        for (std::size_t i = 0; i < shares->size() && i < 4; ++i)
          pcs << QString("PC%1 %2 %").arg(i + 1).arg(num(100 * (*shares)[i], 3));
        parts << "variance explained: " + pcs.join(", ");
      }
  } else if (test == "ShowDifference") {
    if (const auto f = number(r, "factor")) parts << "drawn ×" + num(*f);
    if (const ResultValue* v = find(r, "order"))
      if (const auto* order = std::get_if<std::vector<double>>(v); order != nullptr && !order->empty()) {
        QStringList points;
        for (std::size_t i = 0; i < order->size() && i < 3; ++i) points << QString::number(std::llround((*order)[i]));
        parts << "largest displacements at points " + points.join(", ");
      }
  } else if (test == "SlideSamples") {
    const ResultValue* c = find(r, "criterion");
    const auto* criterion = c != nullptr ? std::get_if<std::string>(c) : nullptr;
    QString how = criterion != nullptr && *criterion == "procrustes" ? "by Procrustes distance" : "by bending energy";
    if (const auto it = number(r, "iterations"))
      how += QString(", %1 iteration%2").arg(whole(*it), *it == 1 ? "" : "s");
    if (const auto settled = number(r, "settled"); settled && *settled == 0) how += " without settling";
    if (const auto projected = number(r, "projected"))
      how += *projected != 0 ? ", projected on the curves" : ", not projected on the curves";
    parts << "slid " + how;
  } else {
    // A test this text does not know yet: its numbers as they are.
    for (const auto& [key, value] : r.numbers)
      if (const auto* d = std::get_if<double>(&value)) parts << QString::fromStdString(key) + " = " + num(*d);
  }
  parts.removeAll(QString());
  QString text = parts.join(", ");
  if (n.first > 0) {
    text += QString("; n = %1").arg(n.first);
    if (n.second > 0 && test != "SlideSamples") text += QString(" + %1").arg(n.second);
  }
  return text;
}

}  // namespace velmora
