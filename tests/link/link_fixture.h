#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace vrkt {

// A started program whose unit records what it is sent but answers nothing, so a test feeds the
// replies itself, byte for byte.
class QuietUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.AnswerWhileRunning();
    h.Start();
    h.RunFor(1000);
    h.form().Monitor.Clear();
    h.unit().faults().silent = true;
    mark = h.unit().commands().size();
  }
  // Monitor entries with the time stamp of received lines taken off.
  std::vector<std::string> Log() const {
    std::vector<std::string> out;
    for (const std::string& l : h.program->form.Monitor.lines())
      out.push_back(l.size() >= 13 && l[0] == '[' && l[9] == ']' ? l.substr(13) : l);
    return out;
  }
  std::vector<std::string> Sent() {
    h.RunFor(20);  // let the last command come off the wire
    return h.Commands(mark);
  }
  testing::Harness h;
  size_t mark = 0;
};

}  // namespace vrkt
