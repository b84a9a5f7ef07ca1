// A console that keeps what it is given until it is passed on: lets an action
// compute first and show its output in the order the steps would have made it.
#pragma once

#include <functional>
#include <vector>

#include "runtime/console.h"

namespace velmora {

class DeferredConsole : public Console {
 public:
  void write(std::string_view text) override {
    std::string copy(text);
    steps_.push_back([copy](Console& c) { c.write(copy); });
  }
  void echo(std::string_view name, const EchoValue& value) override {
    std::string n(name);
    steps_.push_back([n, value](Console& c) { c.echo(n, value); });
  }
  /// Writes everything kept, in order, to `target` and forgets it.
  void pass_on(Console& target) {
    for (auto& step : steps_) step(target);
    steps_.clear();
  }

 private:
  std::vector<std::function<void(Console&)>> steps_;
};

}  // namespace velmora
