#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace vn340 {
namespace {

CliParse parse(std::vector<std::string> arguments) {
    return parseCliArguments(arguments, "1.11");
}

TEST(CliOptions, EachCommandTakesItsOwnOptionsAndTheRestIsAUsageError) {
    struct Row {
        std::vector<std::string> arguments;
        bool understood;
    };
    const Row rows[] = {
        {{"ports"}, true},
        {{"--port", "USB", "read"}, true},
        {{"read", "--port", "ttyUSB0", "-o", "heli.tsf"}, true},
        {{"read", "--json"}, true},
        {{"read", "--json", "-o", "heli.tsf"}, false},
        {{"read", "-o"}, false},
        {{"diff", "heli.tsf"}, true},
        {{"diff"}, false},
        {{"diff", "a.tsf", "b.tsf"}, false},
        {{"store", "heli.tsf", "--yes"}, true},
        {{"store", "heli.tsf", "--json"}, false},
        {{"monitor", "--rounds", "1", "--csv"}, true},
        {{"monitor", "--rounds", "0"}, false},
        {{"monitor", "--rounds", "2x"}, false},
        {{"monitor", "--csv", "--yes"}, false},
        {{"history", "--serial", "135732"}, true},
        {{"history", "135732"}, false},
        {{"history", "--serial", "abc"}, false},
        {{"history", "--serial", "13573x"}, false},
        {{"read", "-o", "-"}, true},
        {{"read", "-o", "heli.tsf", "--force"}, true},
        {{"read", "--force"}, false},
        {{"diff", "heli.tsf", "--force"}, false},
        {{"--port", "", "read"}, false},
        {{"--yes", "store", "heli.tsf"}, false},
        {{"--port"}, false},
        {{}, false},
        {{"fly"}, false},
    };
    for (const Row& row : rows) {
        std::string line;
        for (const std::string& argument : row.arguments) {
            line += argument + " ";
        }
        SCOPED_TRACE(line);
        const CliParse result = parse(row.arguments);
        EXPECT_EQ(result.options.has_value(), row.understood) << result.error;
        EXPECT_EQ(result.status, row.understood ? CliStatus::Done : CliStatus::Usage);
        EXPECT_EQ(result.error.empty(), row.understood);
    }
}

TEST(CliOptions, WhatTheCommandLineSaysIsWhatTheCommandGets) {
    const CliParse store = parse({"--port", "ttyUSB1", "store", "/models/heli.tsf", "--yes"});
    ASSERT_TRUE(store.options);
    EXPECT_EQ(store.options->command, CliCommand::Store);
    EXPECT_EQ(store.options->port, "ttyUSB1");
    EXPECT_EQ(store.options->file, "/models/heli.tsf");
    EXPECT_TRUE(store.options->yes);

    const CliParse monitor = parse({"monitor", "--rounds", "1"});
    ASSERT_TRUE(monitor.options);
    EXPECT_EQ(monitor.options->rounds, 1);
    EXPECT_FALSE(monitor.options->csv);
    EXPECT_FALSE(monitor.options->port);

    const CliParse help = parse({"read", "--help"});
    EXPECT_FALSE(help.options);
    EXPECT_EQ(help.status, CliStatus::Done);
    EXPECT_NE(help.output.find("Exit status"), std::string::npos);
    EXPECT_EQ(parse({"--version"}).output, "vn340-cli 1.11\n");
}

}  // namespace
}  // namespace vn340
