// Events and their values as JSON, for the batch runner's event file and the
// results of --analyze.
#pragma once

#include <nlohmann/json.hpp>

#include "runtime/headless/headless_port.h"

namespace velmora {

/// Whole numbers (counts, handles, byte sizes, seeds) are written as integers,
/// non-finite numbers as null, tables as arrays of rows.
nlohmann::json event_value_json(const EventValue& value);

/// One event a line: `action`, `event` and its fields.
nlohmann::json event_json(const Event& event);

}  // namespace velmora
