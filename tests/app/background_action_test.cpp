// The dispatcher's background path, as the desktop runs it: the action is
// computed on a worker thread while the owning thread goes on reading the
// study (as the desktop's handlers do), then committed on the owning thread.
// Built with -fsanitize=thread this finds any write to the working state from
// the worker. oneTBB is not instrumented (its own synchronisation would be
// reported as races), so its loops run on the thread that calls them here:
// the only threads are the owner and the worker.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <tbb/global_control.h>
#include <thread>

#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(VELMORA_SOURCE_DIR) / "examples";

class BackgroundAction : public ::testing::Test {
 protected:
  void SetUp() override {
    port.set_seed(1);
    port.keep_events();
    run("LoadProto", "skull3d/protocol.txt");
    run("LoadFile1", "skull3d/first.tps");
    port.set_control_value("ZEPButton", 1);
    run("LoadFile2", "skull3d/second.txt");
    port.clear_events();
  }
  void run(const std::string& action, const std::string& answer) {
    port.set_action(action);
    port.set_answers({answer}, kExamples);
    ASSERT_EQ(dispatcher.vm3sw(action), Outcome::done) << action;
  }

  // Computes `action` on a worker while this thread reads the study the way the
  // desktop does between the start and the end of an action; returns what the
  // worker computed, not yet kept.
  ComputedAction compute_on_worker(const std::string& action) {
    port.set_action(action);
    std::atomic<bool> reading = false, finished = false;
    ComputedAction computed;
    std::thread worker([&] {
      while (!reading) std::this_thread::yield();  // starts once this thread reads
      computed = dispatcher.compute(action);
      finished = true;
    });
    std::size_t reads = 0;
    do {
      const std::shared_ptr<const StudySummary> study = dispatcher.summary();
      reads += study->first.count() > 0 && !study->sources.first.empty() ? 1 : 0;
      reading = true;
      std::this_thread::yield();
    } while (!finished);
    worker.join();
    EXPECT_GT(reads, 0u);
    return computed;
  }

  tbb::global_control one_thread{tbb::global_control::max_allowed_parallelism, 1};
  HeadlessPort port;
  Dispatcher dispatcher{port};
};

TEST_F(BackgroundAction, SlidingIsKeptOnlyWhenCommittedOnTheOwningThread) {
  port.set_control_value("SlideCriterion", 2);
  const std::shared_ptr<const StudySummary> before = dispatcher.summary();
  ComputedAction computed = compute_on_worker("SlideSamples");
  ASSERT_EQ(computed.outcome, Outcome::done);
  ASSERT_TRUE(computed.next.has_value());
  EXPECT_FALSE(computed.next->slid1.empty());
  // Nothing changed before the commit: the study shown is the one before.
  EXPECT_TRUE(dispatcher.state().slid1.empty());
  EXPECT_EQ(dispatcher.summary(), before);

  EXPECT_EQ(dispatcher.commit(std::move(computed)), Outcome::done);
  const std::shared_ptr<const StudySummary> after = dispatcher.summary();
  EXPECT_NE(after, before);
  EXPECT_EQ(after->first.slid.rfind("slid: Procrustes distance, ", 0), 0u) << after->first.slid;
  EXPECT_EQ(after->second.slid, after->first.slid);
  EXPECT_TRUE(before->first.slid.empty()) << "a summary, once made, never changes";
}

TEST_F(BackgroundAction, ResamplingTestReportsFromTheWorkerAndLeavesTheStudy) {
  const WorkingState before = dispatcher.state();
  ComputedAction computed = compute_on_worker("PermuteF");
  ASSERT_EQ(computed.outcome, Outcome::done);
  EXPECT_EQ(dispatcher.commit(std::move(computed)), Outcome::done);
  EXPECT_TRUE(dispatcher.state().data1 == before.data1 && dispatcher.state().data2 == before.data2);
  std::size_t results = 0;
  for (const Event& e : port.events()) results += e.kind == "result" && e.action == "PermuteF";
  EXPECT_EQ(results, 1u);
}

TEST_F(BackgroundAction, FailureOnTheWorkerLeavesTheStudyAsItWas) {
  port.set_control_value("BootBox", 0);  // no sets: the test refuses to run
  ComputedAction computed = compute_on_worker("BootF");
  EXPECT_EQ(computed.outcome, Outcome::failed);
  const std::size_t count = dispatcher.state().data1.count();
  EXPECT_EQ(dispatcher.commit(std::move(computed)), Outcome::failed);
  EXPECT_EQ(dispatcher.state().data1.count(), count);
  bool error = false;
  for (const Event& e : port.events()) error = error || (e.kind == "error" && e.action == "BootF");
  EXPECT_TRUE(error);
}

}  // namespace
}  // namespace velmora
