#include "app/event_json.h"

#include <cmath>

namespace velmora {

using nlohmann::json;

namespace {

// Whole numbers (counts, handles, byte sizes) are written as integers.
nlohmann::json number_json(double v) {
  if (!std::isfinite(v)) return json(nullptr);
  if (v == std::floor(v) && std::fabs(v) < 9.0e15) return json(static_cast<std::int64_t>(v));
  return json(v);
}

nlohmann::json matrix_json(const Eigen::MatrixXd& m) {
  auto number = [](double v) { return number_json(v); };
  if (m.size() == 1) return number(m(0, 0));
  json rows = json::array();
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    json row = json::array();
    for (Eigen::Index j = 0; j < m.cols(); ++j) row.push_back(number(m(i, j)));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

nlohmann::json event_value_json(const EventValue& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* d = std::get_if<double>(&v)) return number_json(*d);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* l = std::get_if<std::vector<std::string>>(&v)) return *l;
  if (const auto* m = std::get_if<Eigen::MatrixXd>(&v)) return matrix_json(*m);
  if (const auto* w = std::get_if<std::uint64_t>(&v)) return *w;
  if (const auto* list = std::get_if<std::vector<double>>(&v)) {
    json out = json::array();
    for (double x : *list) out.push_back(std::isfinite(x) ? json(x) : json(nullptr));
    return out;
  }
  const Sample& s = std::get<Sample>(v);
  json slices = json::array();
  for (Eigen::Index i = 0; i < s.count(); ++i) slices.push_back(matrix_json(s.specimen(i)));
  return slices;
}

nlohmann::json event_json(const Event& e) {
  json j;
  j["action"] = e.action;
  j["event"] = e.kind;
  for (const auto& [key, value] : e.fields) j[key] = event_value_json(value);
  return j;
}

}  // namespace velmora
