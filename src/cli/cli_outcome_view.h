#pragma once

// How a sequence ended, in the words of a command line: what went wrong and what it means for
// the gyro, on standard error. One line each, but for a store the gyro did not keep, whose
// settings are listed one per line so that a script or a person can read them off.

#include <string>
#include <vector>

#include "protocol/sequence_outcome.h"

namespace vn340 {

class CliFrontEnd;

// The lines to tell of `outcome`; none when everything the sequence set out to do was done.
std::vector<std::string> outcomeLines(const SequenceOutcome& outcome);

class CliOutcomeView final : public OutcomeView {
  public:
    explicit CliOutcomeView(CliFrontEnd& frontEnd) : frontEnd_(frontEnd) {}
    void showOutcome(const SequenceOutcome& outcome) override;

  private:
    CliFrontEnd& frontEnd_;
};

}  // namespace vn340
