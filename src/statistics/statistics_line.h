#pragma once

// The line of statistics a pilot may send after a read: the gyro's identification, its
// statistics and flags words, the configuration as read and three answers of the pilot, as
// "KEY=value" pairs. It travels as the one query value of a GET to the maker's service, which
// accepts it by answering with a text that holds "OK".

#include <string>
#include <string_view>

#include "base/front_end.h"
#include "config/gyro_config.h"

namespace vn340 {

// "SN=%i,FW=%02X%02X,ST=%04X,HE=%i,LE=%i,MT=%i,RD=%i,1E=%i,2A=%i,2D=%i,2C=%i,2CC=%i,2E=%i,
// 2S=%i,FG=%04X,HELI=%s,SERVO=%s,EMAIL=%s" (one line).
std::string statisticsLine(const GyroConfig& config, const StatisticsAnswers& answers);

// Every byte in turn: ASCII letters and digits stay, white space becomes "+", anything else
// "%" and two upper-case hexadecimal digits.
std::string urlEncode(std::string_view text);

// The path and query of the request that carries a line.
std::string statisticsRequestTarget(std::string_view line);

// The service accepted the line when its answer holds "OK" anywhere; "ok" is no acceptance.
bool isAcceptedAnswer(std::string_view answer);

}  // namespace vn340
